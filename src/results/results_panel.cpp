#include "results/results_panel.h"

#include <cstddef>

#include "text/cp932.h"
#include "text/number_format.h"

namespace tidemark::results {

namespace {

using namespace std::string_view_literals;

std::size_t kindIndex(PayoutKind kind) noexcept { return static_cast<std::size_t>(kind); }

// Label names per kind, column by column, entry 1 first.
constexpr std::array kWinNames{
    std::array{"Label3D19"sv, "Label3D25"sv, "Label3D28"sv},
    std::array{"Label3D21"sv, "Label3D26"sv, "Label3D29"sv},
    std::array{"Label3D23"sv, "Label3D27"sv, "Label3D30"sv},
};
constexpr std::array kPlaceNames{
    std::array{"Label3D32"sv, "Label3D38"sv, "Label3D41"sv, "Label3D44"sv, "Label3D47"sv},
    std::array{"Label3D34"sv, "Label3D39"sv, "Label3D42"sv, "Label3D45"sv, "Label3D48"sv},
    std::array{"Label3D36"sv, "Label3D40"sv, "Label3D43"sv, "Label3D46"sv, "Label3D49"sv},
};
constexpr std::array kBracketQuinellaNames{
    std::array{"Label3D51"sv, "Label3D57"sv, "Label3D60"sv},
    std::array{"Label3D53"sv, "Label3D58"sv, "Label3D61"sv},
    std::array{"Label3D55"sv, "Label3D59"sv, "Label3D62"sv},
};
constexpr std::array kQuinellaNames{
    std::array{"Label3D64"sv, "Label3D70"sv, "Label3D73"sv},
    std::array{"Label3D66"sv, "Label3D71"sv, "Label3D74"sv},
    std::array{"Label3D68"sv, "Label3D72"sv, "Label3D75"sv},
};
constexpr std::array kWideNames{
    std::array{"Label3D77"sv, "Label3D83"sv, "Label3D86"sv, "Label3D89"sv, "Label3D92"sv, "Label3D95"sv,
               "Label3D98"sv},
    std::array{"Label3D79"sv, "Label3D84"sv, "Label3D87"sv, "Label3D90"sv, "Label3D93"sv, "Label3D96"sv,
               "Label3D99"sv},
    std::array{"Label3D81"sv, "Label3D85"sv, "Label3D88"sv, "Label3D91"sv, "Label3D94"sv, "Label3D97"sv,
               "Label3D100"sv},
};
constexpr std::array kExactaNames{
    std::array{"UTLabel1"sv, "UTLabel2"sv, "UTLabel3"sv, "UTLabel4"sv, "UTLabel5"sv, "UTLabel6"sv},
    std::array{"UTNLabel1"sv, "UTNLabel2"sv, "UTNLabel3"sv, "UTNLabel4"sv, "UTNLabel5"sv, "UTNLabel6"sv},
    std::array{"UTHLabel1"sv, "UTHLabel2"sv, "UTHLabel3"sv, "UTHLabel4"sv, "UTHLabel5"sv, "UTHLabel6"sv},
};
constexpr std::array kTrioNames{
    std::array{"SFLabel1"sv, "SFLabel2"sv, "SFLabel3"sv},
    std::array{"SFNLabel1"sv, "SFNLabel2"sv, "SFNLabel3"sv},
    std::array{"SFHLabel1"sv, "SFHLabel2"sv, "SFHLabel3"sv},
};
constexpr std::array kTrifectaNames{
    std::array{"STlabel1"sv, "STlabel2"sv, "STlabel3"sv, "STlabel4"sv, "STlabel5"sv, "STlabel6"sv},
    std::array{"STNlabel1"sv, "STNlabel2"sv, "STNlabel3"sv, "STNlabel4"sv, "STNlabel5"sv, "STNlabel6"sv},
    std::array{"STHlabel1"sv, "STHlabel2"sv, "STHlabel3"sv, "STHlabel4"sv, "STHlabel5"sv, "STHlabel6"sv},
};
constexpr std::array kBracketExactaNames{
    std::array{"Label3Dj26"sv, "Label3Dj33"sv, "Label3Dj36"sv},
    std::array{"Label3Dj29"sv, "Label3Dj34"sv, "Label3Dj37"sv},
    std::array{"Label3Dj31"sv, "Label3Dj35"sv, "Label3Dj39"sv},
};

std::size_t columnIndex(PanelColumn column) noexcept
{
    switch (column) {
    case PanelColumn::Result:
        return 0;
    case PanelColumn::Popularity:
        return 1;
    case PanelColumn::Payout:
        return 2;
    }
    return 0;
}

template <std::size_t N>
std::span<const std::string_view> column(const std::array<std::array<std::string_view, N>, 3>& names,
                                         PanelColumn c)
{
    return names[columnIndex(c)];
}

const PayoutRowTexts& emptyRow()
{
    static const PayoutRowTexts row;
    return row;
}

const std::string& emptyText()
{
    static const std::string text;
    return text;
}

} // namespace

PayoutRowTexts payoutRowTexts(PayoutKind kind, const PayoutItem& item)
{
    PayoutRowTexts row;
    if (!isShown(kind, item))
        return row;
    row.result = isCombinationKind(kind) ? item.combination : text::formatInt(item.horse, 2);
    row.popularity = text::formatInt(item.popularity, 2);
    row.payout = text::formatInt(item.amount, 8);
    return row;
}

ResultsPanel::ResultsPanel() { clear(); }

std::string ResultsPanel::pageCaption() { return text::sj("成績結果"); }

std::string ResultsPanel::kindCaption(PayoutKind kind)
{
    switch (kind) {
    case PayoutKind::Win:
        return text::sj("単勝");
    case PayoutKind::Place:
        return text::sj("複勝");
    case PayoutKind::BracketQuinella:
        return text::sj("枠連");
    case PayoutKind::Quinella:
        return text::sj("馬連");
    case PayoutKind::Wide:
        return text::sj("ﾜｲﾄﾞ");
    case PayoutKind::BracketExacta:
        return text::sj("枠単");
    case PayoutKind::Exacta:
        return text::sj("馬単");
    case PayoutKind::Trio:
        return text::sj("三連複");
    case PayoutKind::Trifecta:
        return text::sj("三連単");
    }
    return {};
}

std::string ResultsPanel::columnCaption(PanelColumn c)
{
    switch (c) {
    case PanelColumn::Result:
        return text::sj("結果：");
    case PanelColumn::Popularity:
        return text::sj("人気：");
    case PanelColumn::Payout:
        return text::sj("配当：");
    }
    return {};
}

std::span<const std::string_view> ResultsPanel::labelNames(PayoutKind kind, PanelColumn c)
{
    switch (kind) {
    case PayoutKind::Win:
        return column(kWinNames, c);
    case PayoutKind::Place:
        return column(kPlaceNames, c);
    case PayoutKind::BracketQuinella:
        return column(kBracketQuinellaNames, c);
    case PayoutKind::Quinella:
        return column(kQuinellaNames, c);
    case PayoutKind::Wide:
        return column(kWideNames, c);
    case PayoutKind::BracketExacta:
        return column(kBracketExactaNames, c);
    case PayoutKind::Exacta:
        return column(kExactaNames, c);
    case PayoutKind::Trio:
        return column(kTrioNames, c);
    case PayoutKind::Trifecta:
        return column(kTrifectaNames, c);
    }
    return {};
}

void ResultsPanel::clear()
{
    for (PayoutKind kind : records::kPayoutKinds)
        m_rows[kindIndex(kind)].assign(static_cast<std::size_t>(payoutSlots(kind)), PayoutRowTexts{});
}

void ResultsPanel::show(const PayoutTable& table)
{
    clear();
    for (PayoutKind kind : records::kPayoutKinds) {
        std::span<const PayoutItem> items = table.entries(kind);
        std::vector<PayoutRowTexts>& rows = m_rows[kindIndex(kind)];
        for (std::size_t i = 0; i < items.size() && i < rows.size(); ++i)
            rows[i] = payoutRowTexts(kind, items[i]);
    }
}

const PayoutRowTexts& ResultsPanel::row(PayoutKind kind, int index) const
{
    const std::vector<PayoutRowTexts>& rows = m_rows[kindIndex(kind)];
    if (index < 1 || index > static_cast<int>(rows.size()))
        return emptyRow();
    return rows[static_cast<std::size_t>(index - 1)];
}

std::span<const PayoutRowTexts> ResultsPanel::rows(PayoutKind kind) const { return m_rows[kindIndex(kind)]; }

const std::string& ResultsPanel::labelText(std::string_view name) const
{
    for (PayoutKind kind : records::kPayoutKinds) {
        for (PanelColumn c : kPanelColumns) {
            std::span<const std::string_view> names = labelNames(kind, c);
            for (std::size_t i = 0; i < names.size(); ++i) {
                if (names[i] != name)
                    continue;
                const PayoutRowTexts& r = row(kind, static_cast<int>(i) + 1);
                switch (c) {
                case PanelColumn::Result:
                    return r.result;
                case PanelColumn::Popularity:
                    return r.popularity;
                case PanelColumn::Payout:
                    return r.payout;
                }
            }
        }
    }
    return emptyText();
}

} // namespace tidemark::results
