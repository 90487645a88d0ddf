#pragma once
// The betting rules a backtest tries: two baselines, the steam of the movers board, and
// the program's own anomaly flags, each evaluated on what the window would show at the
// bet moment and nothing later.
//
//   favourite            the first of the win popularity list ("人気順" 単勝)
//   popularity:K         the K-th of that list
//   steam:P:W            a runner whose win share rose by P points or more over the W
//                        minutes to the bet moment, as the movers board ("オッズ急変")
//                        computes the change
//   winplace[:R]         "単÷複": a runner whose largest win/place ratio in the anomaly
//                        table, over the announcements up to the bet moment, is R or more
//   placewin[:R]         "複÷単": the same with the place/win ratio
//   gap[:F[:T]]          "断層表": the runner just above every gap the gap table colours,
//                        F the table (win, placelow, placehigh, quinella), T its threshold
//                        (default: the table's box, settings Danso)
//   bracket[:R]          "枠連馬連有利度比較": both runners of every quinella pair that pays
//                        less than its bracket pair, the bracket paying R times or more
//                        (default: every pair listed)

#include <optional>
#include <string>
#include <string_view>

#include "analysis/selected_moment.h"

namespace tidemark::analytics {

enum class RuleKind { Favourite, Popularity, Steam, WinOverPlace, PlaceOverWin, Gap, BracketOverQuinella };

struct Rule {
    RuleKind kind = RuleKind::Favourite;
    int popularity = 1;        // popularity:K
    double points = 5.0;       // steam:P
    int minutes = 10;          // steam:W
    double ratio = 0.0;        // winplace, placewin, bracket: the least ratio
    analysis::GapFigure figure = analysis::GapFigure::Win;
    std::optional<double> threshold; // gap: the table's box unless given
};

inline constexpr double kDefaultWinOverPlace = 20.0;
inline constexpr double kDefaultPlaceOverWin = 0.5;

// The rule a text names; nullopt (and why, in `error`) for anything else.
std::optional<Rule> parseRule(std::string_view text, std::string* error = nullptr);
// The rule written out whole, defaults included ("gap:win:1.5" once the threshold is
// known, "winplace:6").
std::string ruleText(const Rule& rule);
// The lines of --help that name every rule (UTF-8).
std::string ruleHelp();

// The gap table of a figure name ("win", "placelow", "placehigh", "quinella") and back.
std::optional<analysis::GapFigure> gapFigureNamed(std::string_view name);
std::string_view gapFigureName(analysis::GapFigure figure);

// Whether the rule needs the quinella odds of the bet moment.
bool needsQuinella(const Rule& rule);

} // namespace tidemark::analytics
