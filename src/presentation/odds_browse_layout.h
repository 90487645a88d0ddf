#pragma once
// Where the "オッズ閲覧" pages put their labels: the horse lines of "単複枠" under the
// captions "単勝" and "複勝" ("最低", "最高"), the bracket-quinella labels in one group
// per first bracket, and the quinella labels in one block per first horse 1-17.
// The labels of horses 17 and 18, and of every quinella pair holding one of them, are
// filled like the others but never shown: the pages show horses 1-16.

#include <string>
#include <vector>

namespace tidemark::presentation {

// The captions over the horse lines of "単複枠" (CP932): the win column, and the place
// caption over its lower and upper column.
struct BrowseWinCaptions {
    std::string win;   // "単勝"
    std::string place; // "複勝", over the next two
    std::string low;   // "最低"
    std::string high;  // "最高"
};
BrowseWinCaptions browseWinCaptions();

// The caption over the bracket-quinella groups: "枠連".
std::string browseBracketCaption();

// True for the horses whose labels show (1-16).
bool browseHorseShown(int horse);
// True for the quinella pairs whose labels show: both horses 1-16.
bool browseQuinellaPairShown(int pairIndex);

// The number of a horse as a line or block shows it: "%2d".
std::string browseHorseText(int horse);

// A group of labels: the first bracket or horse, and the pair indices under it in
// ascending order of the second number.
struct BrowseGroup {
    int first = 0;
    std::vector<int> pairs;
};
// Brackets 1-8, each with its pairs 1-1 … 1-8, 2-2 … 2-8, …, 8-8 (36 in all).
std::vector<BrowseGroup> browseBracketGroups();
// Horses 1-17, each with its pairs with the higher horses (153 in all). The blocks of
// horses 16 and 17 hold only pairs with horse 17 or 18 and so never show.
std::vector<BrowseGroup> browseQuinellaBlocks();

} // namespace tidemark::presentation
