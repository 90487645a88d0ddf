#include <gtest/gtest.h>

#include "records/record_builder.h"
#include "records/pair_index.h"
#include "results/payout_table.h"
#include "results/results_column_texts.h"
#include "text/cp932.h"

using namespace tidemark;
using records::HrBuilder;
using results::PayoutItem;
using results::PayoutKind;
using results::payoutTableOf;
using text::sj;

namespace {

// Entries written as raw digits at the byte positions of the payout record, so the
// table is checked against the record layout itself, not against the builder.
TEST(PayoutTable, ReadsEveryKindAtItsRecordPositions)
{
    HrBuilder b;
    b.set(103, "01" "000000150" "01");      // win 1
    b.set(116, "05" "000000150" "01");      // win 2 (dead heat)
    b.set(142 + 13 * 4, "12" "000000380" "07"); // place 5
    b.set(207, "36" "000001230" "04");      // bracket quinella 1
    b.set(246, "0312" "000004560" "015");   // quinella 1
    b.set(294 + 16 * 6, "1718" "000000990" "120"); // wide 7
    b.set(406 + 13 * 2, "81" "000002000" "09"); // bracket exacta 3
    b.set(454 + 16 * 5, "1803" "000123450" "210"); // exacta 6
    b.set(550 + 18 * 2, "101418" "001234560" "555"); // trio 3
    b.set(604 + 19 * 5, "161718" "123456789" "4896"); // trifecta 6

    const results::PayoutTable t = payoutTableOf(b.build());

    EXPECT_EQ(t.entry(PayoutKind::Win, 1), (PayoutItem{1, "", 1, 150}));
    EXPECT_EQ(t.entry(PayoutKind::Win, 2), (PayoutItem{5, "", 1, 150}));
    EXPECT_EQ(t.entry(PayoutKind::Win, 3), PayoutItem{});
    EXPECT_EQ(t.entry(PayoutKind::Place, 5), (PayoutItem{12, "", 7, 380}));
    EXPECT_EQ(t.entry(PayoutKind::BracketQuinella, 1), (PayoutItem{0, " 3- 6", 4, 1230}));
    EXPECT_EQ(t.entry(PayoutKind::Quinella, 1), (PayoutItem{0, " 3-12", 15, 4560}));
    EXPECT_EQ(t.entry(PayoutKind::Wide, 7), (PayoutItem{0, "17-18", 120, 990}));
    EXPECT_EQ(t.entry(PayoutKind::BracketExacta, 3), (PayoutItem{0, " 8- 1", 9, 2000}));
    EXPECT_EQ(t.entry(PayoutKind::Exacta, 6), (PayoutItem{0, "18- 3", 210, 123450}));
    EXPECT_EQ(t.entry(PayoutKind::Trio, 3), (PayoutItem{0, "10-14-18", 555, 1234560}));
    EXPECT_EQ(t.entry(PayoutKind::Trifecta, 6), (PayoutItem{0, "16-17-18", 4896, 123456789}));
    EXPECT_FALSE(t.empty());
}

TEST(PayoutTable, IncompleteCombinationKeepsAmountButHasNoText)
{
    HrBuilder b;
    b.set(207, "3 " "000000870" "02");       // second bracket missing
    b.set(246, "0300" "000001500" "005");    // second horse 0
    b.set(550, "0102  " "000009990" "033");  // third horse blank
    b.set(142, "  " "000000110" "01");       // place entry without a horse
    const results::PayoutTable t = payoutTableOf(b.line());

    const PayoutItem& bq = t.entry(PayoutKind::BracketQuinella, 1);
    EXPECT_EQ(bq.combination, "");
    EXPECT_EQ(bq.amount, 870);
    EXPECT_EQ(bq.popularity, 2);
    EXPECT_FALSE(results::isShown(PayoutKind::BracketQuinella, bq));
    EXPECT_EQ(t.entry(PayoutKind::Quinella, 1).combination, "");
    EXPECT_EQ(t.entry(PayoutKind::Quinella, 1).amount, 1500);
    EXPECT_EQ(t.entry(PayoutKind::Trio, 1).combination, "");
    EXPECT_EQ(t.entry(PayoutKind::Place, 1).horse, 0);
    EXPECT_EQ(t.entry(PayoutKind::Place, 1).amount, 110);
    EXPECT_TRUE(t.empty());
}

TEST(PayoutTable, BlankShortAndDamagedRecordsGiveEmptyEntries)
{
    EXPECT_TRUE(payoutTableOf(std::string(719, ' ')).empty());
    EXPECT_TRUE(payoutTableOf("").empty());
    EXPECT_EQ(payoutTableOf(""), results::PayoutTable{});
    // A record cut inside the win entry: the entry is not read half.
    const std::string cut = HrBuilder().win(1, 7, 150, 1).line().substr(0, 110);
    EXPECT_EQ(payoutTableOf(cut).entry(PayoutKind::Win, 1).amount, 0);
    // Letters where digits belong read as 0.
    HrBuilder b;
    b.set(103, "AB" "000000150" "01");
    EXPECT_TRUE(payoutTableOf(b.line()).empty());
}

TEST(PayoutTable, WinningPairsOfDeadHeatsAndIncompleteEntries)
{
    HrBuilder b;
    b.bracketQuinella(1, 3, 6, 1230, 4).bracketQuinella(2, 3, 3, 870, 2).bracketQuinella(3, 3, 6, 500, 1);
    b.quinella(1, 12, 3, 4560, 15).quinella(2, 17, 18, 990, 30);
    b.set(246 + 32, "0500" "000001000" "001"); // quinella 3 without its second horse
    b.exacta(1, 1, 2, 500, 1);
    const results::PayoutTable t = payoutTableOf(b.line());

    EXPECT_EQ(results::winningPairs(t, PayoutKind::BracketQuinella),
              (std::vector<int>{records::bracketPairIndex(3, 6), records::bracketPairIndex(3, 3)}));
    EXPECT_EQ(results::winningPairs(t, PayoutKind::Quinella),
              (std::vector<int>{records::quinellaPairIndex(3, 12), records::quinellaPairIndex(17, 18)}));
    EXPECT_EQ(records::quinellaPairIndex(17, 18), 153);
    EXPECT_TRUE(results::winningPairs(t, PayoutKind::Exacta).empty());
    EXPECT_TRUE(results::winningPairs(results::PayoutTable{}, PayoutKind::Quinella).empty());
}

TEST(ResultsColumnTexts, FinalResultsAndTheirBlanks)
{
    analysis::RaceRecord r;
    r.finishPosition[1] = 1;
    r.finalPopularity[1] = 12;
    r.finalWinOdds[1] = 12.5;
    r.finalWinOdds[2] = 999.9;
    r.finishPosition[18] = 18;

    EXPECT_EQ(results::resultsColumnTexts(r, 1), (results::ResultsColumnTexts{" 1", "12", "  12.5"}));
    const std::string wide = sj("　");
    EXPECT_EQ(results::resultsColumnTexts(r, 2), (results::ResultsColumnTexts{wide, wide, " 999.9"}));
    EXPECT_EQ(results::resultsColumnTexts(r, 18).position, "18");
    // A horse without results: the ticket-type grid writes a half-width blank for the odds.
    EXPECT_EQ(results::resultsColumnTexts(r, 3, results::MissingOddsText::HalfWidthBlank),
              (results::ResultsColumnTexts{wide, wide, " "}));
    EXPECT_EQ(results::resultsColumnTexts(r, 3).winOdds, wide);
    EXPECT_EQ(results::resultsColumnTexts(r, 0), (results::ResultsColumnTexts{wide, wide, wide}));
    EXPECT_EQ(results::resultsColumnTexts(r, 19), (results::ResultsColumnTexts{wide, wide, wide}));
}

} // namespace
