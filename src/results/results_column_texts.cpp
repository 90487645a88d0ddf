#include "results/results_column_texts.h"

#include <cstddef>

#include "text/cp932.h"
#include "text/number_format.h"

namespace tidemark::results {

namespace {

std::string fullWidthBlank() { return text::sj("　"); }

std::string missingOdds(MissingOddsText kind)
{
    switch (kind) {
    case MissingOddsText::FullWidthBlank:
        return fullWidthBlank();
    case MissingOddsText::HalfWidthBlank:
        return " ";
    }
    return fullWidthBlank();
}

} // namespace

ResultsColumnTexts resultsColumnTexts(const analysis::RaceRecord& race, int horse, MissingOddsText missing)
{
    ResultsColumnTexts t{fullWidthBlank(), fullWidthBlank(), missingOdds(missing)};
    if (horse < 1 || horse > analysis::kMaxHorses)
        return t;
    const std::size_t h = static_cast<std::size_t>(horse);
    if (race.finishPosition[h] > 0)
        t.position = text::formatInt(race.finishPosition[h], 2);
    if (race.finalPopularity[h] > 0)
        t.popularity = text::formatInt(race.finalPopularity[h], 2);
    if (race.finalWinOdds[h] > 0)
        t.winOdds = text::formatFixed(race.finalWinOdds[h], 6, 1);
    return t;
}

} // namespace tidemark::results
