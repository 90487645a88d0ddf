#include "analysis/odds_values.h"

#include "text/cp932.h"

namespace tidemark::analysis {

namespace {

bool allOf(std::string_view s, char c)
{
    for (char x : s)
        if (x != c)
            return false;
    return true;
}

bool allDigits(std::string_view s)
{
    for (char x : s)
        if (x < '0' || x > '9')
            return false;
    return true;
}

double shareOf(double numerator, double odds) { return odds > 0.0 ? numerator / odds : 0.0; }

} // namespace

OddsFieldKind classifyOddsField(std::string_view text, int width)
{
    std::string_view t = text::trim(text);
    if (t.empty())
        return OddsFieldKind::Empty;
    const bool fullWidth = width > 0 && t.size() == static_cast<std::size_t>(width);
    if (fullWidth && allOf(t, '-'))
        return OddsFieldKind::CancelledBefore;
    if (fullWidth && allOf(t, '*'))
        return OddsFieldKind::CancelledAfter;
    if (allDigits(t))
        return OddsFieldKind::Price;
    return OddsFieldKind::Other;
}

double parseOddsField(std::string_view text, int width)
{
    switch (classifyOddsField(text, width)) {
    case OddsFieldKind::Empty:
        return kOddsBlank;
    case OddsFieldKind::CancelledBefore:
    case OddsFieldKind::CancelledAfter:
        return kOddsCancelled;
    case OddsFieldKind::Price: {
        double v = 0.0;
        for (char c : text::trim(text))
            v = v * 10.0 + (c - '0');
        return v / 10.0;
    }
    case OddsFieldKind::Other:
        return 0.0;
    }
    return 0.0;
}

bool hasPrice(double odds) { return odds > 0.0; }

double winShare(double odds) { return shareOf(kWinShareNumerator, odds); }
double placeShare(double odds) { return shareOf(kPlaceShareNumerator, odds); }
double bracketShare(double odds) { return shareOf(kBracketShareNumerator, odds); }
double quinellaShare(double odds) { return shareOf(kQuinellaShareNumerator, odds); }
double pseudoQuinellaContribution(double quinellaOdds) { return shareOf(kPseudoContributionNumerator, quinellaOdds); }
double pseudoQuinellaOdds(double share) { return shareOf(kPseudoOddsNumerator, share); }

} // namespace tidemark::analysis
