#include "analytics/backtest_rules.h"

#include <charconv>
#include <vector>

#include "text/number_format.h"

namespace tidemark::analytics {

namespace {

std::vector<std::string_view> parts(std::string_view text)
{
    std::vector<std::string_view> out;
    std::size_t start = 0;
    while (true) {
        const std::size_t colon = text.find(':', start);
        out.push_back(text.substr(start, colon == std::string_view::npos ? std::string_view::npos : colon - start));
        if (colon == std::string_view::npos)
            return out;
        start = colon + 1;
    }
}

bool readPositive(std::string_view s, double& out)
{
    double v = 0.0;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    if (r.ec != std::errc() || r.ptr != s.data() + s.size() || !(v >= 0.0) || v > 1e6)
        return false;
    out = v;
    return true;
}

bool readCount(std::string_view s, int& out, int low, int high)
{
    int v = 0;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    if (r.ec != std::errc() || r.ptr != s.data() + s.size() || v < low || v > high)
        return false;
    out = v;
    return true;
}

std::optional<Rule> fail(std::string* error, std::string why)
{
    if (error)
        *error = std::move(why);
    return std::nullopt;
}

// "6", "1.5", "0.25": the shortest text of the value.
std::string number(double v)
{
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

} // namespace

std::optional<analysis::GapFigure> gapFigureNamed(std::string_view name)
{
    for (analysis::GapFigure f : analysis::kGapFigures)
        if (gapFigureName(f) == name)
            return f;
    return std::nullopt;
}

std::string_view gapFigureName(analysis::GapFigure figure)
{
    switch (figure) {
    case analysis::GapFigure::Win: return "win";
    case analysis::GapFigure::PlaceLow: return "placelow";
    case analysis::GapFigure::PlaceHigh: return "placehigh";
    case analysis::GapFigure::PseudoQuinella: return "quinella";
    }
    return "win";
}

std::optional<Rule> parseRule(std::string_view text, std::string* error)
{
    const std::vector<std::string_view> p = parts(text);
    const std::string_view name = p[0];
    const std::size_t args = p.size() - 1;
    Rule rule;
    if (name == "favourite" || name == "favorite") {
        if (args != 0)
            return fail(error, "favourite takes no argument");
        rule.kind = RuleKind::Favourite;
    } else if (name == "popularity") {
        rule.kind = RuleKind::Popularity;
        if (args != 1 || !readCount(p[1], rule.popularity, 1, 18))
            return fail(error, "popularity:K needs K, the place in the popularity list (1-18)");
    } else if (name == "steam") {
        rule.kind = RuleKind::Steam;
        if (args != 2 || !readPositive(p[1], rule.points) || !(rule.points > 0.0) ||
            !readCount(p[2], rule.minutes, 1, 180))
            return fail(error, "steam:P:W needs P, the rise of the win share in points (above 0), and W, the "
                               "minutes it rose in (1-180)");
    } else if (name == "winplace" || name == "placewin") {
        rule.kind = name == "winplace" ? RuleKind::WinOverPlace : RuleKind::PlaceOverWin;
        rule.ratio = name == "winplace" ? kDefaultWinOverPlace : kDefaultPlaceOverWin;
        if (args > 1 || (args == 1 && (!readPositive(p[1], rule.ratio) || !(rule.ratio > 0.0))))
            return fail(error, std::string(name) + "[:R] takes R, the least ratio (above 0)");
    } else if (name == "gap") {
        rule.kind = RuleKind::Gap;
        if (args > 2)
            return fail(error, "gap[:TABLE[:T]] takes the table and its threshold");
        if (args >= 1) {
            const auto f = gapFigureNamed(p[1]);
            if (!f)
                return fail(error, "gap:TABLE is win, placelow, placehigh or quinella, not " + std::string(p[1]));
            rule.figure = *f;
        }
        double t = 0.0;
        if (args == 2) {
            if (!readPositive(p[2], t))
                return fail(error, "gap:TABLE:T needs T, the threshold (such as 1.5)");
            rule.threshold = t;
        }
    } else if (name == "bracket") {
        rule.kind = RuleKind::BracketOverQuinella;
        if (args > 1 || (args == 1 && !readPositive(p[1], rule.ratio)))
            return fail(error, "bracket[:R] takes R, the least bracket/quinella odds ratio (such as 1.2)");
    } else {
        return fail(error, "unknown rule " + std::string(text) +
                               " (favourite, popularity:K, steam:P:W, winplace[:R], placewin[:R], "
                               "gap[:TABLE[:T]], bracket[:R])");
    }
    return rule;
}

std::string ruleText(const Rule& rule)
{
    switch (rule.kind) {
    case RuleKind::Favourite: return "favourite";
    case RuleKind::Popularity: return "popularity:" + std::to_string(rule.popularity);
    case RuleKind::Steam: return "steam:" + number(rule.points) + ":" + std::to_string(rule.minutes);
    case RuleKind::WinOverPlace: return "winplace:" + number(rule.ratio);
    case RuleKind::PlaceOverWin: return "placewin:" + number(rule.ratio);
    case RuleKind::Gap: {
        std::string t = "gap:" + std::string(gapFigureName(rule.figure));
        if (rule.threshold)
            t += ":" + number(*rule.threshold);
        return t;
    }
    case RuleKind::BracketOverQuinella: return rule.ratio > 0.0 ? "bracket:" + number(rule.ratio) : "bracket";
    }
    return "favourite";
}

std::string ruleHelp()
{
    return "    favourite        the favourite: first of the win popularity list (人気順 単勝)\n"
           "    popularity:K     the K-th of that list (a baseline)\n"
           "    steam:P:W        a runner whose win share (80 / odds) rose by P points or more\n"
           "                     over the W minutes to the bet moment, as the movers board\n"
           "                     (オッズ急変) computes the change\n"
           "    winplace[:R]     単÷複 of the anomaly tables (異常オッズ発見): a runner whose\n"
           "                     largest win/place odds ratio up to the bet moment is R or\n"
           "                     more (default 20)\n"
           "    placewin[:R]     複÷単: the same with the place/win ratio (default 0.5)\n"
           "    gap[:TABLE[:T]]  断層表: the runner just above every gap the gap table\n"
           "                     colours; TABLE win (default), placelow, placehigh or\n"
           "                     quinella (馬連(疑似)); T its threshold (default: the table's\n"
           "                     box, settings Danso, 1.5)\n"
           "    bracket[:R]      枠連馬連有利度比較: both runners of every quinella pair that\n"
           "                     pays less than its bracket pair, the bracket paying R times\n"
           "                     the quinella or more (default: every pair listed)\n";
}

bool needsQuinella(const Rule& rule)
{
    return rule.kind == RuleKind::BracketOverQuinella ||
           (rule.kind == RuleKind::Gap && rule.figure == analysis::GapFigure::PseudoQuinella);
}

} // namespace tidemark::analytics
