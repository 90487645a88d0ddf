#include "presentation/odds_browse_layout.h"

#include "records/pair_index.h"
#include "text/cp932.h"
#include "text/number_format.h"

namespace tidemark::presentation {
namespace {

// The pages have room for a field of 16; the few larger fields keep their odds in the
// labels (and in every grid) without showing them here.
constexpr int kShownHorses = 16;

std::vector<BrowseGroup> groupsByFirst(int groups, int pairCount, records::Pair (*pairOf)(int) noexcept)
{
    std::vector<BrowseGroup> out(static_cast<std::size_t>(groups));
    for (int g = 0; g < groups; ++g)
        out[static_cast<std::size_t>(g)].first = g + 1;
    for (int k = 1; k <= pairCount; ++k) {
        const records::Pair p = pairOf(k);
        out[static_cast<std::size_t>(p.first - 1)].pairs.push_back(k);
    }
    return out;
}

} // namespace

BrowseWinCaptions browseWinCaptions()
{
    return {text::sj("単勝"), text::sj("複勝"), text::sj("最低"), text::sj("最高")};
}

std::string browseBracketCaption() { return text::sj("枠連"); }

bool browseHorseShown(int horse) { return horse >= 1 && horse <= kShownHorses; }

bool browseQuinellaPairShown(int pairIndex)
{
    const records::Pair p = records::quinellaPair(pairIndex);
    return p.valid() && browseHorseShown(p.first) && browseHorseShown(p.second);
}

std::string browseHorseText(int horse) { return text::formatInt(horse, 2); }

std::vector<BrowseGroup> browseBracketGroups()
{
    return groupsByFirst(records::kBracketCount, records::kBracketPairCount, &records::bracketPair);
}

std::vector<BrowseGroup> browseQuinellaBlocks()
{
    return groupsByFirst(records::kHorseCount - 1, records::kQuinellaPairCount, &records::quinellaPair);
}

} // namespace tidemark::presentation
