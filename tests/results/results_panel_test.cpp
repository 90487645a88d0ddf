#include <gtest/gtest.h>

#include <set>

#include "records/record_builder.h"
#include "results/results_panel.h"
#include "text/cp932.h"

using namespace tidemark;
using records::HrBuilder;
using results::PanelColumn;
using results::PayoutKind;
using results::PayoutRowTexts;
using results::ResultsPanel;
using text::sj;

namespace {

ResultsPanel shown(const HrBuilder& b)
{
    ResultsPanel p;
    p.show(results::payoutTableOf(b.line()));
    return p;
}

TEST(ResultsPanel, DeadHeatForFirstFillsBothWinRows)
{
    HrBuilder b;
    b.win(1, 3, 280, 1).win(2, 11, 1540, 6);
    b.place(1, 3, 110, 1).place(2, 11, 320, 6).place(3, 7, 150, 2).place(4, 9, 200, 4);
    const ResultsPanel p = shown(b);

    EXPECT_EQ(p.row(PayoutKind::Win, 1), (PayoutRowTexts{" 3", " 1", "     280"}));
    EXPECT_EQ(p.row(PayoutKind::Win, 2), (PayoutRowTexts{"11", " 6", "    1540"}));
    EXPECT_TRUE(p.row(PayoutKind::Win, 3).empty());
    // Dead heat for third: four place rows, the fifth stays empty.
    EXPECT_EQ(p.row(PayoutKind::Place, 4), (PayoutRowTexts{" 9", " 4", "     200"}));
    EXPECT_TRUE(p.row(PayoutKind::Place, 5).empty());

    // The same texts by the window's label names.
    EXPECT_EQ(p.labelText("Label3D19"), " 3");
    EXPECT_EQ(p.labelText("Label3D21"), " 1");
    EXPECT_EQ(p.labelText("Label3D23"), "     280");
    EXPECT_EQ(p.labelText("Label3D25"), "11");
    EXPECT_EQ(p.labelText("Label3D27"), "    1540");
    EXPECT_EQ(p.labelText("Label3D28"), "");
    EXPECT_EQ(p.labelText("Label3D44"), " 9");
    EXPECT_EQ(p.labelText("Label3D46"), "     200");
    EXPECT_EQ(p.labelText("Label3D47"), "");
    EXPECT_EQ(p.labelText("NoSuchLabel"), "");
}

TEST(ResultsPanel, PayoutWidthsHaveNoSeparatorsAndNeverCut)
{
    HrBuilder b;
    b.trifecta(1, 16, 17, 18, 123456789, 4896).trifecta(2, 1, 2, 3, 12345678, 1);
    b.trio(1, 10, 14, 18, 100, 1);
    b.exacta(1, 18, 3, 1000000, 210);
    b.wide(7, 17, 18, 990, 120);
    b.bracketExacta(3, 8, 1, 2000, 9);
    const ResultsPanel p = shown(b);

    EXPECT_EQ(p.labelText("STlabel1"), "16-17-18");
    EXPECT_EQ(p.labelText("STNlabel1"), "4896");
    EXPECT_EQ(p.labelText("STHlabel1"), "123456789");
    EXPECT_EQ(p.labelText("STHlabel2"), "12345678");
    EXPECT_EQ(p.labelText("SFLabel1"), "10-14-18");
    EXPECT_EQ(p.labelText("SFHLabel1"), "     100");
    EXPECT_EQ(p.labelText("UTLabel1"), "18- 3");
    EXPECT_EQ(p.labelText("UTNLabel1"), "210");
    EXPECT_EQ(p.labelText("UTHLabel1"), " 1000000");
    EXPECT_EQ(p.labelText("Label3D98"), "17-18");
    EXPECT_EQ(p.labelText("Label3D100"), "     990");
    EXPECT_EQ(p.labelText("Label3Dj36"), " 8- 1");
    EXPECT_EQ(p.labelText("Label3Dj37"), " 9");
    EXPECT_EQ(p.labelText("Label3Dj39"), "    2000");
}

TEST(ResultsPanel, IncompleteAndEmptyEntriesLeaveTheirRowEmpty)
{
    HrBuilder b;
    b.set(207, "3 " "000000870" "02"); // bracket quinella 3 and a blank: amount read, no text
    b.bracketQuinella(2, 4, 5, 640, 3);
    b.set(142, "00" "000000110" "01"); // a refund-like place entry without a horse
    const ResultsPanel p = shown(b);

    EXPECT_TRUE(p.row(PayoutKind::BracketQuinella, 1).empty());
    EXPECT_EQ(p.labelText("Label3D55"), "");
    EXPECT_EQ(p.row(PayoutKind::BracketQuinella, 2), (PayoutRowTexts{" 4- 5", " 3", "     640"}));
    EXPECT_TRUE(p.row(PayoutKind::Place, 1).empty());
}

TEST(ResultsPanel, ShowingAnotherRaceClearsEveryRow)
{
    HrBuilder full;
    for (int i = 1; i <= 7; ++i)
        full.wide(i, i, i + 1, 100 * i, i);
    full.win(1, 1, 100, 1).trifecta(6, 1, 2, 3, 500, 9);
    ResultsPanel p = shown(full);
    ASSERT_EQ(p.labelText("Label3D98"), " 7- 8");

    p.show(results::payoutTableOf(HrBuilder().win(1, 2, 340, 2).line()));
    EXPECT_EQ(p.labelText("Label3D19"), " 2");
    for (PayoutKind kind : results::kPanelKinds)
        for (int i = 1; i <= results::payoutSlots(kind); ++i) {
            if (!(kind == PayoutKind::Win && i == 1)) {
                EXPECT_TRUE(p.row(kind, i).empty()) << static_cast<int>(kind) << " " << i;
            }
        }

    p.clear();
    EXPECT_TRUE(p.row(PayoutKind::Win, 1).empty());
}

TEST(ResultsPanel, EveryEntryHasThreeLabelsOfItsOwn)
{
    std::set<std::string_view> names;
    std::size_t total = 0;
    for (PayoutKind kind : results::kPanelKinds) {
        for (PanelColumn c : results::kPanelColumns) {
            const auto column = ResultsPanel::labelNames(kind, c);
            EXPECT_EQ(static_cast<int>(column.size()), results::payoutSlots(kind));
            names.insert(column.begin(), column.end());
            total += column.size();
        }
    }
    EXPECT_EQ(total, 3u * (3 + 5 + 3 + 3 + 7 + 6 + 3 + 6 + 3));
    EXPECT_EQ(names.size(), total);
}

TEST(ResultsPanel, CaptionsInPageOrder)
{
    std::vector<std::string> captions;
    for (PayoutKind kind : results::kPanelKinds)
        captions.push_back(ResultsPanel::kindCaption(kind));
    EXPECT_EQ(captions, (std::vector<std::string>{sj("単勝"), sj("複勝"), sj("枠連"), sj("馬連"), sj("ﾜｲﾄﾞ"),
                                                  sj("馬単"), sj("三連複"), sj("三連単"), sj("枠単")}));
    EXPECT_EQ(ResultsPanel::kindCaption(PayoutKind::Wide).size(), 4u); // half-width katakana
    EXPECT_EQ(ResultsPanel::columnCaption(PanelColumn::Payout), sj("配当："));
    EXPECT_EQ(ResultsPanel::columnCaption(PanelColumn::Result).size(), 6u); // full-width colon
}

} // namespace
