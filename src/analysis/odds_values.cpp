#include "analysis/odds_values.h"

#include <string>

#include "records/odds_field.h"

namespace tidemark::analysis {

namespace {

double shareOf(double numerator, double odds) { return odds > 0.0 ? numerator / odds : 0.0; }

// A field cut short by a short line reads as if the missing bytes were blanks.
records::OddsField recognise(std::string_view text, int width)
{
    if (width > 0 && text.size() < static_cast<std::size_t>(width)) {
        std::string padded(text);
        padded.resize(static_cast<std::size_t>(width), ' ');
        return records::OddsField::parse(padded);
    }
    return records::OddsField::parse(text);
}

} // namespace

records::OddsField readOddsField(std::string_view text, int width) { return recognise(text, width); }

OddsFieldKind classifyOddsField(std::string_view text, int width)
{
    switch (recognise(text, width).kind()) {
    case records::OddsKind::Blank:
        return OddsFieldKind::Empty;
    case records::OddsKind::CancelledBeforeSale:
        return OddsFieldKind::CancelledBefore;
    case records::OddsKind::CancelledAfterSale:
        return OddsFieldKind::CancelledAfter;
    case records::OddsKind::Odds:
    case records::OddsKind::NoVotes:
        return OddsFieldKind::Price;
    case records::OddsKind::Unreadable:
        return OddsFieldKind::Other;
    }
    return OddsFieldKind::Other;
}

double parseOddsField(std::string_view text, int width) { return recognise(text, width).value(); }

bool hasPrice(double odds) { return odds > 0.0; }

double winShare(double odds) { return shareOf(kWinShareNumerator, odds); }
double placeShare(double odds) { return shareOf(kPlaceShareNumerator, odds); }
double bracketShare(double odds) { return shareOf(kBracketShareNumerator, odds); }
double quinellaShare(double odds) { return shareOf(kQuinellaShareNumerator, odds); }
double pseudoQuinellaContribution(double quinellaOdds) { return shareOf(kPseudoContributionNumerator, quinellaOdds); }
double pseudoQuinellaOdds(double share) { return shareOf(kPseudoOddsNumerator, share); }

} // namespace tidemark::analysis
