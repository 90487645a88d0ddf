#pragma once
// The results page "成績結果" of the main window: per bet kind a caption and one row of
// three labels per payout entry — the result (horse or combination), its popularity and
// its payout — under the column captions "結果：", "人気：" and "配当：". The labels keep
// the names the window gives them (Label3D19, UTLabel1, STHlabel6 …) so the view can
// bind each of its labels to its text by name.

#include <array>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "results/payout_table.h"

namespace tidemark::results {

// The three labels of one payout row.
enum class PanelColumn { Result, Popularity, Payout };
inline constexpr std::array<PanelColumn, 3> kPanelColumns{PanelColumn::Result, PanelColumn::Popularity,
                                                          PanelColumn::Payout};

// The bet kinds in the order the page shows them: 単勝, 複勝, 枠連, 馬連, ﾜｲﾄﾞ, 馬単,
// 三連複, 三連単, 枠単.
inline constexpr std::array<PayoutKind, 9> kPanelKinds{
    PayoutKind::Win,      PayoutKind::Place, PayoutKind::BracketQuinella,
    PayoutKind::Quinella, PayoutKind::Wide,  PayoutKind::Exacta,
    PayoutKind::Trio,     PayoutKind::Trifecta, PayoutKind::BracketExacta};

// The texts of one payout row; all three empty for an empty entry.
struct PayoutRowTexts {
    std::string result;     // "%2d" horse, or the combination text
    std::string popularity; // "%2d"
    std::string payout;     // "%8d" yen, no thousands separator

    bool empty() const { return result.empty() && popularity.empty() && payout.empty(); }
    bool operator==(const PayoutRowTexts&) const = default;
};

// The row texts of one entry of `kind` by the page's rules.
PayoutRowTexts payoutRowTexts(PayoutKind kind, const PayoutItem& item);

class ResultsPanel {
public:
    ResultsPanel();

    // Fixed captions (CP932).
    static std::string pageCaption();                 // "成績結果"
    static std::string kindCaption(PayoutKind kind);  // "単勝" … "ﾜｲﾄﾞ" … "枠単"
    static std::string columnCaption(PanelColumn column); // "結果：", "人気：", "配当："

    // Names of the labels of one column of a kind, entry 1 first.
    static std::span<const std::string_view> labelNames(PayoutKind kind, PanelColumn column);

    // Every entry label empty.
    void clear();
    // Clears the page, then writes every entry of the race's payouts.
    void show(const PayoutTable& table);

    // Row `index` (1-based) of a kind; an empty row outside the kind's entries.
    const PayoutRowTexts& row(PayoutKind kind, int index) const;
    std::span<const PayoutRowTexts> rows(PayoutKind kind) const;
    // The text of the entry label named `name` ("Label3D23", "SFHLabel2" …); empty for a
    // name that is not one of the page's entry labels.
    const std::string& labelText(std::string_view name) const;

private:
    std::array<std::vector<PayoutRowTexts>, records::kPayoutKinds.size()> m_rows;
};

} // namespace tidemark::results
