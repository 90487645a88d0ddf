#include "analysis/day_table.h"

namespace tidemark::analysis {

void RaceRecord::resetSelectedMoment()
{
    winOdds.fill(0.0);
    placeLowOdds.fill(0.0);
    placeHighOdds.fill(0.0);
    bracketOdds.fill(0.0);
    quinellaOdds.fill(0.0);
    winPopularity.fill(0);
    placeLowPopularity.fill(0);
    placeHighPopularity.fill(0);
    pseudoQuinellaOdds.fill(0.0);
    pseudoQuinellaShare.fill(0.0);
    pseudoQuinellaPopularity.fill(0);
    popDiffWinPlace.fill(kNoPopDiff);
    popDiffWinPseudo.fill(kNoPopDiff);
    popDiffPseudoPlace.fill(kNoPopDiff);
    ratioWinPlace.fill(kNoRatio);
    ratioWinPseudo.fill(kNoRatio);
    ratioPseudoPlace.fill(kNoRatio);
}

void RaceRecord::reset()
{
    numbersPending = false;
    label.clear();
    runnerCount = 0;
    o1Time.clear();
    o2Time.clear();
    resetSelectedMoment();
    finishPosition.fill(0);
    finalPopularity.fill(0);
    finalWinOdds.fill(0.0);
}

PerHorse<std::string> RaceSlot::blankSe()
{
    PerHorse<std::string> se;
    se.fill(std::string(kSeSize, ' '));
    return se;
}

void RaceSlot::clearSeRecords() { seRecords = blankSe(); }

void DayTable::resetDay()
{
    for (RaceSlot& s : slots)
        s.record.reset();
}

} // namespace tidemark::analysis
