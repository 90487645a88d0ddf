#include "presentation/backtest_model.h"

#include <algorithm>
#include <charconv>
#include <utility>

#include "analytics/season_reader.h"
#include "presentation/return_curve_chart.h"
#include "records/keiba_func_nv.h"
#include "settings/settings_keys.h"
#include "text/cp932.h"
#include "text/date_time.h"
#include "text/file_io.h"
#include "text/number_format.h"

namespace tidemark::presentation {

namespace {

using text::sj;
using namespace analytics;

std::string yen(std::int64_t v) { return text::formatGrouped(static_cast<double>(v), 0) + sj("円"); }
std::string percent(double fraction) { return text::formatFixed(fraction * 100.0, 0, 1) + "%"; }
// The return as a share of the stake, the way bettors read it (回収率).
std::string returnRate(const Tally& t)
{
    return t.stake ? percent(static_cast<double>(t.payout) / static_cast<double>(t.stake)) : std::string();
}

// "yyyy/mm/dd" -> "yyyymmdd"; empty when it is no date.
std::string ymdOf(std::string_view slashDate)
{
    const std::optional<text::DateTime> d = text::parseSlashDateTime(slashDate);
    if (!d || slashDate.size() != 10)
        return {};
    return text::formatDateTime("yyyymmdd", *d);
}

std::string slashDate(const text::DateTime& d) { return text::formatDateTime("yyyy/mm/dd", d); }

// The place in the rule list of a stored rule: its name, or (as earlier versions stored
// it) its place; the first rule for anything else.
int ruleIndexOf(std::string_view stored)
{
    const std::vector<BacktestFormModel::RuleItem>& items = BacktestFormModel::rules();
    for (std::size_t i = 0; i < items.size(); ++i)
        if (items[i].name == stored)
            return static_cast<int>(i);
    int index = 0;
    const auto r = std::from_chars(stored.data(), stored.data() + stored.size(), index);
    if (r.ec == std::errc() && r.ptr == stored.data() + stored.size() && index >= 0 &&
        index < static_cast<int>(items.size()))
        return index;
    return 0;
}

void fillTally(TextGrid& g, int row, const std::string& name, const Tally& t)
{
    g.setRow(row, {name, std::to_string(t.races), std::to_string(t.bets), std::to_string(t.hits), percent(t.strikeRate()),
                   yen(t.stake), yen(t.payout), returnRate(t)});
}

void tallyGrid(TextGrid& g, const std::string& firstHeader, const std::vector<Split>& splits, const Tally& total)
{
    g.setSize(static_cast<int>(splits.size()) + 2, BacktestFormModel::kTallyColumns);
    g.setRow(0, {firstHeader, sj("ﾚｰｽ"), sj("購入"), sj("的中"), sj("的中率"), sj("投資"), sj("払戻"), sj("回収率")});
    for (std::size_t i = 0; i < splits.size(); ++i)
        fillTally(g, static_cast<int>(i) + 1, splits[i].name, splits[i].tally);
    fillTally(g, static_cast<int>(splits.size()) + 1, sj("合計"), total);
}

} // namespace

const BacktestFormModel::Texts& BacktestFormModel::texts()
{
    static const Texts t{
        sj("バックテスト"),
        sj("期間"),
        sj("～"),
        sj("ルール"),
        sj("条件"),
        sj("購入時刻"),
        sj("発走"),
        sj("分前"),
        sj("馬券"),
        {sj("単勝"), sj("複勝")},
        sj("実行"),
        sj("中止"),
        sj("集計"),
        sj("場別"),
        sj("人気別"),
        sj("購入一覧"),
        sj("累積収支(円)"),
        sj("レース(発走順)"),
        sj("ダブルクリックでそのレースを購入時刻のオッズで開きます"),
    };
    return t;
}

const std::vector<BacktestFormModel::RuleItem>& BacktestFormModel::rules()
{
    static const std::vector<RuleItem> items{
        {sj("1番人気"), "favourite", "", sj("条件なし")},
        {sj("人気順"), "popularity", "2", sj("K: 人気順位(1～18)")},
        {sj("オッズ急変"), "steam", "5:10", sj("P:W 単勝得票率がW分間にPポイント以上上昇")},
        {sj("単÷複"), "winplace", "20", sj("R: 単÷複の比がR以上(購入時刻までの最大)")},
        {sj("複÷単"), "placewin", "0.5", sj("R: 複÷単の比がR以上(購入時刻までの最大)")},
        {sj("断層表"), "gap", "win", sj("表[:倍率] win/placelow/placehigh/quinella、倍率省略時は断層表の設定")},
        {sj("枠連馬連有利度"), "bracket", "", sj("[R] 枠連÷馬連がR以上(省略時は一覧の全組)")},
    };
    return items;
}

BacktestFormModel::BacktestFormModel(Host& host, IniFile& settings, store::StoreLayout layout)
    : m_host(host)
    , m_settings(settings)
    , m_layout(std::move(layout))
    , m_runner([](const store::StoreLayout& l, const BacktestOptions& o, const BacktestListener& listener,
                  std::stop_token stop) { return runBacktest(l, o, listener, std::move(stop)); })
{
    for (const RuleItem& r : rules())
        m_ruleCombo.items.push_back(r.caption);
    m_ruleCombo.itemIndex = 0;
    m_returnChart = returnCurveChart({}, texts().chartTitle, texts().chartAxis);
    for (TextGrid* g : {&m_summary, &m_tracks, &m_bands, &m_bets}) {
        g->setFixedRows(g == &m_summary ? 0 : 1);
        g->setFixedCols(0);
        g->setSelectionMode(SelectionMode::Row);
    }
    m_bets.setRow(0, {sj("日付"), sj("場"), "R", sj("発走"), sj("購入"), sj("馬番"), sj("馬名"), sj("ｵｯｽﾞ"), sj("人気"),
                      sj("着順"), sj("結果"), sj("払戻")});
    tallyGrid(m_tracks, sj("場"), {}, {});
    tallyGrid(m_bands, sj("人気"), {}, {});
    auto widths = [](TextGrid& g, std::initializer_list<int> w) {
        int c = 0;
        for (int width : w)
            g.setColWidth(c++, width);
    };
    widths(m_summary, {84, 390});
    for (TextGrid* g : {&m_tracks, &m_bands})
        widths(*g, {56, 40, 44, 40, 56, 80, 80, 64});
    widths(m_bets, {78, 40, 26, 44, 44, 38, 160, 52, 36, 36, 40, 60});
}

BacktestFormModel::~BacktestFormModel()
{
    if (m_worker.joinable()) {
        m_worker.request_stop();
        m_worker.join();
    }
}

void BacktestFormModel::restoreChoice()
{
    m_from = settings::BacktestFrom.read(m_settings);
    m_to = settings::BacktestTo.read(m_settings);
    if (ymdOf(m_from).empty() || ymdOf(m_to).empty()) {
        // The month of the newest stored day (or of today, with none stored).
        text::DateTime last = m_host.today();
        const std::vector<std::string> labels = m_layout.dayLabels();
        if (!labels.empty())
            if (const auto ymd = store::dateOfDayLabel(labels.back()))
                last = analytics::dateOfYmd(*ymd).value_or(last);
        m_to = slashDate(last);
        last.day = 1;
        m_from = slashDate(last);
    }
    m_ruleCombo.itemIndex = ruleIndexOf(settings::BacktestRule.read(m_settings));
    m_param = settings::BacktestParam.read(m_settings);
    if (m_param.empty())
        m_param = rules()[static_cast<std::size_t>(m_ruleCombo.itemIndex)].defaultParam;
    m_minutes.setValue(settings::BacktestMinutes.read(m_settings));
    m_bet = settings::BacktestBet.read(m_settings) == 1 ? 1 : 0;
}

void BacktestFormModel::storeChoice()
{
    try {
        settings::BacktestFrom.write(m_settings, m_from);
        settings::BacktestTo.write(m_settings, m_to);
        settings::BacktestRule.write(m_settings, rules()[static_cast<std::size_t>(m_ruleCombo.itemIndex)].name);
        settings::BacktestParam.write(m_settings, m_param);
        settings::BacktestMinutes.write(m_settings, m_minutes.value);
        settings::BacktestBet.write(m_settings, m_bet);
    } catch (const text::FileError& e) {
        m_host.beep();
        m_host.message(text::fromUtf8(e.what()));
    }
}

void BacktestFormModel::FormShow()
{
    if (!running())
        restoreChoice();
    notifyControls();
}

bool BacktestFormModel::FormCloseQuery()
{
    storeChoice();
    return true;
}

void BacktestFormModel::setFromDate(std::string text)
{
    if (!running())
        m_from = std::move(text);
}

void BacktestFormModel::setToDate(std::string text)
{
    if (!running())
        m_to = std::move(text);
}

void BacktestFormModel::setParamEdit(std::string text)
{
    if (!running())
        m_param = std::move(text);
}

void BacktestFormModel::setMinutesSpin(int minutes)
{
    if (!running())
        m_minutes.setValue(minutes);
}

void BacktestFormModel::setBetRadio(int index)
{
    if (!running())
        m_bet = index == 1 ? 1 : 0;
}

void BacktestFormModel::RuleComboChange(int index)
{
    if (running() || index < 0 || index >= m_ruleCombo.count() || index == m_ruleCombo.itemIndex)
        return;
    m_ruleCombo.itemIndex = index;
    m_param = rules()[static_cast<std::size_t>(index)].defaultParam;
    notifyControls();
}

const std::string& BacktestFormModel::ParamHint() const
{
    return rules()[static_cast<std::size_t>(std::max(0, m_ruleCombo.itemIndex))].hint;
}

bool BacktestFormModel::options(BacktestOptions& o)
{
    o.fromYmd = ymdOf(m_from);
    o.toYmd = ymdOf(m_to);
    if (o.fromYmd.empty() || o.toYmd.empty() || o.toYmd < o.fromYmd) {
        m_host.beep();
        m_host.information(sj("期間の日付が正しくありません。(yyyy/mm/dd、開始日は終了日以前)"));
        return false;
    }
    const RuleItem& item = rules()[static_cast<std::size_t>(std::max(0, m_ruleCombo.itemIndex))];
    const std::string param(text::trim(m_param));
    const std::optional<Rule> rule = parseRule(param.empty() ? item.name : item.name + ":" + param);
    if (!rule) {
        // The parser's reason is written for the companion tool's users; the window says
        // what the rule's box takes, as its hint does.
        m_host.beep();
        m_host.information(sj("「") + item.caption + sj("」の条件が正しくありません。\n") + item.hint);
        return false;
    }
    o.rule = *rule;
    o.minutesBefore = m_minutes.value;
    o.bet = m_bet == 1 ? BetKind::Place : BetKind::Win;
    o.readSettings(m_settings);
    return true;
}

void BacktestFormModel::RunBtnClick()
{
    if (running())
        return;
    BacktestOptions o;
    if (!options(o))
        return;
    storeChoice();
    m_ran = {m_from, m_to, std::max(0, m_ruleCombo.itemIndex), std::string(text::trim(m_param)), m_minutes.value, m_bet};
    m_result = BacktestResult{};
    m_curve.clear();
    showResult();
    m_progress = std::make_shared<Progress>();
    m_progressMax = static_cast<int>(storedDaysInRange(m_layout, o.fromYmd, o.toYmd).size());
    m_progressPosition = 0;
    m_status = sj("集計中...");

    // The worker reads the store only and touches nothing of the model: what it finds
    // goes to the UI thread in posted tasks, which do nothing once the model has gone.
    Host& host = m_host;
    auto toUi = [&host, alive = std::weak_ptr<int>(m_alive)](std::function<void()> task) {
        host.post([alive, task = std::move(task)] {
            if (alive.lock())
                task();
        });
    };
    m_worker = std::jthread([toUi, this, runner = m_runner, layout = m_layout, o,
                             progress = m_progress](std::stop_token stop) {
        auto result = std::make_shared<BacktestResult>();
        std::string failure;
        try {
            *result = runner(
                layout, o,
                [&](const BacktestProgress& p) {
                    bool post = false;
                    {
                        const std::lock_guard<std::mutex> lock(progress->mutex);
                        progress->progress = p;
                        post = !std::exchange(progress->posted, true);
                    }
                    if (post)
                        toUi([this] { takeProgress(); });
                },
                stop);
        } catch (const std::exception& e) {
            failure = text::fromUtf8(e.what()); // a store file that could not be read
        } catch (...) {
            failure = sj("バックテストを続けられませんでした。");
        }
        toUi([this, result, failure] { finishRun(*result, failure); });
    });
    m_running = true;
    notifyControls();
    if (m_observer)
        m_observer->progressChanged();
}

void BacktestFormModel::CancelBtnClick()
{
    if (!running())
        return;
    m_worker.request_stop();
    m_status = sj("中止しています...");
    notifyControls();
    if (m_observer)
        m_observer->progressChanged();
}

void BacktestFormModel::takeProgress()
{
    if (!running())
        return;
    BacktestProgress p;
    {
        const std::lock_guard<std::mutex> lock(m_progress->mutex);
        p = m_progress->progress;
        m_progress->posted = false;
    }
    m_progressMax = std::max(p.days, 1);
    m_progressPosition = p.day;
    if (!m_worker.get_stop_token().stop_requested())
        m_status = sj(std::to_string(p.day) + "/" + std::to_string(p.days) + "日  " + std::to_string(p.races) +
                      "レース  " + std::to_string(p.bets) + "点");
    if (m_observer)
        m_observer->progressChanged();
}

void BacktestFormModel::finishRun(BacktestResult& result, const std::string& failure)
{
    m_worker.join(); // its last act was to post this
    m_running = false;
    m_result = std::move(result);
    if (!failure.empty()) {
        m_result = BacktestResult{};
        m_status = sj("中断しました");
        m_host.beep();
        m_host.message(failure);
    } else {
        m_progressPosition = m_result.cancelled ? m_progressPosition : m_progressMax;
        m_status = sj(m_result.cancelled ? "中止しました  " : "完了  ") +
                   sj(std::to_string(m_result.racesExamined) + "レース  " + std::to_string(m_result.total.bets) + "点");
    }
    showResult();
    notifyControls();
    if (m_observer)
        m_observer->progressChanged();
}

TextGrid& BacktestFormModel::grid(Grid which)
{
    switch (which) {
    case Grid::Summary: return m_summary;
    case Grid::Tracks: return m_tracks;
    case Grid::Bands: return m_bands;
    case Grid::Bets: return m_bets;
    }
    return m_summary;
}

const TextGrid& BacktestFormModel::grid(Grid which) const
{
    return const_cast<BacktestFormModel*>(this)->grid(which);
}

void BacktestFormModel::showResult()
{
    const BacktestResult& r = m_result;
    const Tally& t = r.total;
    const RuleItem& item = rules()[static_cast<std::size_t>(m_ran.rule)];
    std::vector<std::vector<std::string>> lines;
    m_summaryReturnRow = -1;
    if (r.cancelled)
        lines.push_back({sj("中止"), sj("途中までの集計です")});
    if (r.racesInRange > 0 || r.cancelled) {
        lines.push_back({sj("ルール"), item.caption + " " + m_ran.param});
        lines.push_back({sj("期間"), m_ran.from + sj("～") + m_ran.to + " (" + std::to_string(r.days) + sj("日)")});
        lines.push_back({sj("購入"), texts().betItems[static_cast<std::size_t>(m_ran.bet)] + sj(" 発走") +
                                         std::to_string(m_ran.minutes) + sj("分前")});
        lines.push_back({sj("対象レース"), std::to_string(r.racesExamined) + " / " + std::to_string(r.racesInRange) +
                                               sj(" (ｵｯｽﾞなし ") + std::to_string(r.noOdds) + sj("、結果なし ") +
                                               std::to_string(r.noResult) + sj("、購入時刻なし ") +
                                               std::to_string(r.noMoment) + ")"});
        lines.push_back({sj("購入レース"), std::to_string(t.races)});
        lines.push_back({sj("購入点数"), std::to_string(t.bets) + sj(" (返還 ") + std::to_string(t.refunds) + ")"});
        lines.push_back({sj("的中"), std::to_string(t.hits) + " (" + percent(t.strikeRate()) + ")"});
        lines.push_back({sj("投資"), yen(t.stake)});
        lines.push_back({sj("払戻"), yen(t.payout)});
        lines.push_back({sj("回収率"), returnRate(t)});
        m_summaryReturnRow = static_cast<int>(lines.size()) - 1;
    std::string roi = percent(t.roi());
        if (r.roiInterval.valid)
            roi += sj(" (95%区間 ") + percent(r.roiInterval.low) + sj("～") + percent(r.roiInterval.high) + ")";
        lines.push_back({"ROI", roi});
    }
    m_summary.setSize(static_cast<int>(lines.size()), 2);
    for (std::size_t i = 0; i < lines.size(); ++i)
        m_summary.setRow(static_cast<int>(i), lines[i]);

    tallyGrid(m_tracks, sj("場"), r.byTrack, t);
    tallyGrid(m_bands, sj("人気"), r.byBand, t);

    m_bets.setRowCount(static_cast<int>(r.bets.size()) + 1);
    for (std::size_t i = 0; i < r.bets.size(); ++i) {
        const Bet& b = r.bets[i];
        const char* outcome = b.outcome == BetOutcome::Hit ? "的中" : b.outcome == BetOutcome::Refund ? "返還" : "";
        m_bets.setRow(static_cast<int>(i) + 1,
                      {b.raceKey.substr(0, 4) + "/" + b.raceKey.substr(4, 2) + "/" + b.raceKey.substr(6, 2),
                       KeibaFuncNV::TrackName(b.trackCode, 2), std::to_string(b.raceNumber), b.postTime,
                       b.momentKey.substr(4, 2) + ":" + b.momentKey.substr(6, 2), text::formatInt(b.horse, 2),
                       b.horseName, text::formatFixed(b.odds, 6, 1), b.popularity ? text::formatInt(b.popularity, 2) : "",
                       b.finish ? text::formatInt(b.finish, 2) : "", sj(outcome),
                       b.payout ? text::formatGrouped(static_cast<double>(b.payout), 0) : ""});
    }

    m_curve.clear();
    double net = 0.0;
    for (const RaceResult& race : r.races) {
        net += static_cast<double>(race.payout - race.stake);
        m_curve.push_back(net);
    }
    m_returnChart = returnCurveChart(m_curve, texts().chartTitle, texts().chartAxis);
    if (m_observer)
        m_observer->resultChanged();
}

namespace {

// A return above the stake stands out.
bool paysBack(const Tally& t) { return t.stake > 0 && t.payout >= t.stake; }

// The tally of a row of a splits grid: the splits, then the total.
const Tally* tallyOfRow(const std::vector<Split>& splits, const Tally& total, int row)
{
    if (row < 1)
        return nullptr;
    const auto i = static_cast<std::size_t>(row - 1);
    return i < splits.size() ? &splits[i].tally : i == splits.size() ? &total : nullptr;
}

} // namespace

CellStyle BacktestFormModel::cellStyle(Grid which, int row, int col) const
{
    const TextGrid& g = grid(which);
    CellStyle s;
    s.align = HAlign::Right;
    s.offsetX = 3;
    switch (which) {
    case Grid::Summary:
        s.align = HAlign::Left;
        s.background = col == static_cast<int>(SummaryColumn::Label) ? colours::skyBlue : colours::white;
        s.bold = col == static_cast<int>(SummaryColumn::Label);
        if (col == static_cast<int>(SummaryColumn::Value) && row == m_summaryReturnRow && paysBack(m_result.total))
            s.textColour = colours::red;
        return s;
    case Grid::Tracks:
    case Grid::Bands: {
        if (row == 0) {
            s.background = colours::silver;
            s.align = HAlign::Center;
        } else if (row == g.rowCount() - 1) {
            s.background = colours::paleYellow;
            s.bold = true;
        }
        if (col == static_cast<int>(TallyColumn::Name) && row > 0)
            s.align = HAlign::Left;
        const Tally* t = tallyOfRow(which == Grid::Tracks ? m_result.byTrack : m_result.byBand, m_result.total, row);
        if (col == static_cast<int>(TallyColumn::ReturnRate) && t && paysBack(*t))
            s.textColour = colours::red;
        return s;
    }
    case Grid::Bets: {
        if (row == 0) {
            s.background = colours::silver;
            s.align = HAlign::Center;
            return s;
        }
        const auto column = static_cast<BetColumn>(col);
        if (column == BetColumn::Track || column == BetColumn::HorseName)
            s.align = HAlign::Left;
        if (row > static_cast<int>(m_result.bets.size()))
            return s;
        switch (m_result.bets[static_cast<std::size_t>(row - 1)].outcome) {
        case BetOutcome::Hit:
            s.background = colours::resultYellow;
            if (column == BetColumn::Outcome || column == BetColumn::Payout) {
                s.textColour = colours::red;
                s.bold = true;
            }
            break;
        case BetOutcome::Refund: s.textColour = colours::gray; break;
        case BetOutcome::Miss: break;
        }
        return s;
    }
    }
    return s;
}

bool BacktestFormModel::BetGridDblClick(int row)
{
    if (row < 1 || row > static_cast<int>(m_result.bets.size()) || !m_openRace)
        return false;
    const Bet& b = m_result.bets[static_cast<std::size_t>(row - 1)];
    if (m_openRace(b.dayLabel, b.raceKey, b.momentKey))
        return true;
    m_host.beep();
    m_host.information(sj("そのレースを開けませんでした。(保存データが変わった可能性があります)"));
    return false;
}

void BacktestFormModel::notifyControls()
{
    if (m_observer)
        m_observer->controlsChanged();
}

} // namespace tidemark::presentation
