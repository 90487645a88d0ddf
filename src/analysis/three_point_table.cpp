#include "analysis/three_point_table.h"

namespace tidemark::analysis {

void ThreePointTable::reset()
{
    for (auto* group : {&win, &placeLow, &placeHigh, &pseudo})
        for (Values& v : *group) {
            v.odds.fill(0.0);
            v.share.fill(0.0);
            v.popularity.fill(0);
        }
    for (PopSummary* s : {&winPop, &placeLowPop, &placeHighPop, &pseudoPop}) {
        s->popMin.fill(kNoPopDiff);
        s->popMax.fill(0);
        s->popRange.fill(kNoPopDiff);
    }
}

std::array<ThreePointTable::Values, kTimePoints>& ThreePointTable::values(Group g)
{
    switch (g) {
    case Group::Win:
        return win;
    case Group::PlaceLow:
        return placeLow;
    case Group::PlaceHigh:
        return placeHigh;
    case Group::Pseudo:
        return pseudo;
    }
    return win;
}

const std::array<ThreePointTable::Values, kTimePoints>& ThreePointTable::values(Group g) const
{
    return const_cast<ThreePointTable*>(this)->values(g);
}

ThreePointTable::PopSummary& ThreePointTable::summary(Group g)
{
    switch (g) {
    case Group::Win:
        return winPop;
    case Group::PlaceLow:
        return placeLowPop;
    case Group::PlaceHigh:
        return placeHighPop;
    case Group::Pseudo:
        return pseudoPop;
    }
    return winPop;
}

const ThreePointTable::PopSummary& ThreePointTable::summary(Group g) const
{
    return const_cast<ThreePointTable*>(this)->summary(g);
}

} // namespace tidemark::analysis
