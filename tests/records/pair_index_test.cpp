#include "records/pair_index.h"

#include "records/keiba_func_nv.h"

#include <gtest/gtest.h>

#include <vector>

namespace tidemark::records {
namespace {

TEST(PairIndex, BracketPairsRunInAscendingOrderWithSameBracketPairs)
{
    EXPECT_EQ(bracketPair(1), (Pair{1, 1}));
    EXPECT_EQ(bracketPair(2), (Pair{1, 2}));
    EXPECT_EQ(bracketPair(8), (Pair{1, 8}));
    EXPECT_EQ(bracketPair(9), (Pair{2, 2}));
    EXPECT_EQ(bracketPair(10), (Pair{2, 3}));
    EXPECT_EQ(bracketPair(15), (Pair{2, 8}));
    EXPECT_EQ(bracketPair(16), (Pair{3, 3}));
    EXPECT_EQ(bracketPair(34), (Pair{7, 7}));
    EXPECT_EQ(bracketPair(35), (Pair{7, 8}));
    EXPECT_EQ(bracketPair(36), (Pair{8, 8}));
    EXPECT_FALSE(bracketPair(0).valid());
    EXPECT_FALSE(bracketPair(kBracketPairCount + 1).valid());

    for (int k = 1; k <= kBracketPairCount; ++k) {
        Pair p = bracketPair(k);
        ASSERT_TRUE(p.valid()) << k;
        EXPECT_LE(p.first, p.second) << k;
        if (k > 1) {
            EXPECT_LT(bracketPair(k - 1), p) << k;
        }
        EXPECT_EQ(bracketPairIndex(p.first, p.second), k);
        EXPECT_EQ(bracketPairIndex(p.second, p.first), k);
    }
    EXPECT_EQ(bracketPairIndex(0, 1), 0);
    EXPECT_EQ(bracketPairIndex(1, 9), 0);
}

TEST(PairIndex, QuinellaPairsRunInAscendingOrderWithoutSameHorse)
{
    EXPECT_EQ(quinellaPair(1), (Pair{1, 2}));
    EXPECT_EQ(quinellaPair(2), (Pair{1, 3}));
    EXPECT_EQ(quinellaPair(17), (Pair{1, 18}));
    EXPECT_EQ(quinellaPair(18), (Pair{2, 3}));
    EXPECT_EQ(quinellaPair(152), (Pair{16, 18}));
    EXPECT_EQ(quinellaPair(153), (Pair{17, 18}));
    EXPECT_FALSE(quinellaPair(0).valid());
    EXPECT_FALSE(quinellaPair(kQuinellaPairCount + 1).valid());

    for (int k = 1; k <= kQuinellaPairCount; ++k) {
        Pair p = quinellaPair(k);
        ASSERT_TRUE(p.valid()) << k;
        EXPECT_LT(p.first, p.second) << k;
        if (k > 1) {
            EXPECT_LT(quinellaPair(k - 1), p) << k;
        }
        EXPECT_EQ(quinellaPairIndex(p.first, p.second), k);
        EXPECT_EQ(quinellaPairIndex(p.second, p.first), k);
    }
    EXPECT_EQ(quinellaPairIndex(5, 5), 0);
    EXPECT_EQ(quinellaPairIndex(0, 3), 0);
    EXPECT_EQ(quinellaPairIndex(1, 19), 0);
}

TEST(PairIndex, LabelsAreFiveCharactersRightAligned)
{
    EXPECT_EQ(bracketPairLabel(1), " 1- 1");
    EXPECT_EQ(bracketPairLabel(9), " 2- 2");
    EXPECT_EQ(bracketPairLabel(36), " 8- 8");
    EXPECT_EQ(quinellaPairLabel(1), " 1- 2");
    EXPECT_EQ(quinellaPairLabel(17), " 1-18");
    EXPECT_EQ(quinellaPairLabel(18), " 2- 3");
    EXPECT_EQ(quinellaPairLabel(quinellaPairIndex(9, 10)), " 9-10");
    EXPECT_EQ(quinellaPairLabel(153), "17-18");
    for (int k = 1; k <= kQuinellaPairCount; ++k)
        EXPECT_EQ(quinellaPairLabel(k).size(), 5u) << k;
    // No label outside the range rather than a read past the table.
    EXPECT_EQ(bracketPairLabel(0), "");
    EXPECT_EQ(bracketPairLabel(37), "");
    EXPECT_EQ(quinellaPairLabel(-1), "");
    EXPECT_EQ(quinellaPairLabel(154), "");
}

TEST(PairIndex, ReverseLookupComparesTheWholeLabel)
{
    for (int k = 1; k <= kBracketPairCount; ++k)
        EXPECT_EQ(bracketPairIndex(bracketPairLabel(k)), k);
    for (int k = 1; k <= kQuinellaPairCount; ++k)
        EXPECT_EQ(quinellaPairIndex(quinellaPairLabel(k)), k);

    EXPECT_EQ(bracketPairIndex(" 7- 8"), 35);
    EXPECT_EQ(quinellaPairIndex("17-18"), 153);

    for (const char* notALabel : {"1- 2", "01-02", " 1-02", " 2- 1", " 1- 2 ", "  1- 2", "+1- 2",
                                  " 1 - 2", " 1+ 2", "", " 1-2 ", " 0- 1", " 1- 0"}) {
        EXPECT_EQ(quinellaPairIndex(notALabel), 0) << '"' << notALabel << '"';
        EXPECT_EQ(bracketPairIndex(notALabel), 0) << '"' << notALabel << '"';
    }
    EXPECT_EQ(quinellaPairIndex(" 1- 1"), 0); // a bracket label, no quinella pair
    EXPECT_EQ(bracketPairIndex(" 1- 9"), 0);  // a quinella label, no bracket pair
    EXPECT_EQ(quinellaPairIndex("18-19"), 0);
}

TEST(PairIndex, LabelNumbersReadBack)
{
    EXPECT_EQ(labelNumbers(" 9-10"), (Pair{9, 10}));
    EXPECT_EQ(labelNumbers(" 1- 2"), (Pair{1, 2}));
    EXPECT_EQ(labelNumbers("ab"), (Pair{0, 0}));
}

// Brackets of horses 1..N for every runner count, as the tote lays them out.
TEST(BracketOfHorse, EveryRunnerCount)
{
    const std::vector<std::vector<int>> expected = {
        {1},
        {1, 2},
        {1, 2, 3},
        {1, 2, 3, 4},
        {1, 2, 3, 4, 5},
        {1, 2, 3, 4, 5, 6},
        {1, 2, 3, 4, 5, 6, 7},
        {1, 2, 3, 4, 5, 6, 7, 8},
        {1, 2, 3, 4, 5, 6, 7, 8, 8},
        {1, 2, 3, 4, 5, 6, 7, 7, 8, 8},
        {1, 2, 3, 4, 5, 6, 6, 7, 7, 8, 8},
        {1, 2, 3, 4, 5, 5, 6, 6, 7, 7, 8, 8},
        {1, 2, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8},
        {1, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8},
        {1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8},
        {1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8},
        {1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 8},
        {1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 7, 8, 8, 8},
    };
    for (int n = 1; n <= 18; ++n) {
        std::vector<int> got;
        for (int h = 1; h <= n; ++h)
            got.push_back(BracketOfHorse(n, h));
        EXPECT_EQ(got, expected[static_cast<std::size_t>(n - 1)]) << n << " runners";
    }
}

TEST(BracketOfHorse, ImpossibleInputGivesNoBracket)
{
    EXPECT_EQ(BracketOfHorse(0, 1), 0);   // blank runner count
    EXPECT_EQ(BracketOfHorse(19, 1), 0);
    EXPECT_EQ(BracketOfHorse(9, 0), 0);
    EXPECT_EQ(BracketOfHorse(9, 10), 0);  // horse beyond the field
    EXPECT_EQ(BracketOfHorse(18, 19), 0);
    EXPECT_EQ(BracketOfHorse(-3, -1), 0);
    EXPECT_EQ(BracketOfHorse(8, 9), 0);
}

TEST(BracketOfHorse, ReachableFromTheLocalCodeTablesAndFeedsBracketPairs)
{
    EXPECT_EQ(KeibaFuncNV::BracketOfHorse(17, 17), 8);
    EXPECT_EQ(KeibaFuncNV::BracketOfHorse(18, 15), 7);
    EXPECT_EQ(KeibaFuncNV::BracketOfHorse(9, 8), 8);
    EXPECT_EQ(KeibaFuncNV::BracketOfHorse(9, 9), 8);
    EXPECT_EQ(KeibaFuncNV::BracketOfHorse(0, 0), 0);

    // Every quinella pair of a full field maps to a bracket pair: horses 17 and 18 share
    // bracket 8, pair 36.
    for (int k = 1; k <= kQuinellaPairCount; ++k) {
        Pair q = quinellaPair(k);
        int j = bracketPairIndex(BracketOfHorse(18, q.first), BracketOfHorse(18, q.second));
        EXPECT_GE(j, 1) << k;
    }
    EXPECT_EQ(bracketPairIndex(BracketOfHorse(18, 17), BracketOfHorse(18, 18)), 36);
    EXPECT_EQ(bracketPairIndex(BracketOfHorse(12, 1), BracketOfHorse(12, 12)), 8);
}

} // namespace
} // namespace tidemark::records
