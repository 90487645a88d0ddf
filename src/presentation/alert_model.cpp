#include "presentation/alert_model.h"

#include <algorithm>

#include "presentation/cell_style.h"
#include "presentation/main_panel_model.h"
#include "records/keiba_func_nv.h"
#include "records/record_view.h"
#include "settings/settings_keys.h"
#include "text/cp932.h"
#include "text/file_io.h"

namespace tidemark::presentation {

using analytics::AlertKind;
using analytics::AlertRule;
using text::sj;

namespace {

std::string ruleKey(int n) { return "Rule" + std::to_string(n); }

struct ColumnSpec {
    const char* header;
    int width;
};
constexpr ColumnSpec kColumns[] = {
    {"時刻", 44}, {"レース", 70}, {"馬番", 36}, {"内容", 330}, {"前", 52}, {"後", 52},
};
constexpr int kColumnCount = static_cast<int>(std::size(kColumns));

} // namespace

AlertSettings readAlertSettings(const IniFile& ini)
{
    AlertSettings s;
    const int count = std::clamp(settings::AlertsCount.read(ini), 0, settings::kMaxAlertRules);
    for (int i = 1; i <= count; ++i)
        if (const auto rule = analytics::parseAlertRule(ini.readString(settings::AlertsSection, ruleKey(i), "")))
            s.rules.push_back(*rule);
    s.sound = settings::AlertsSound.read(ini);
    s.notify = settings::AlertsNotify.read(ini);
    return s;
}

void writeAlertSettings(IniFile& ini, const AlertSettings& s)
{
    const int before = std::clamp(settings::AlertsCount.read(ini), 0, settings::kMaxAlertRules);
    settings::AlertsCount.write(ini, static_cast<std::int32_t>(s.rules.size()));
    for (std::size_t i = 0; i < s.rules.size(); ++i)
        ini.writeString(settings::AlertsSection, ruleKey(static_cast<int>(i) + 1), analytics::formatAlertRule(s.rules[i]));
    // Rules of a longer list before are emptied, so the file says what is kept.
    for (int i = static_cast<int>(s.rules.size()) + 1; i <= before; ++i)
        ini.writeString(settings::AlertsSection, ruleKey(i), "");
    settings::AlertsSound.write(ini, s.sound);
    settings::AlertsNotify.write(ini, s.notify);
}

// --- the rules dialog ------------------------------------------------------------------

AlertRulesDialogModel::AlertRulesDialogModel(Host& host, IniFile& settings, RaceChoices races,
                                             std::function<void()> onSaved)
    : m_host(host), m_settings(settings), m_raceChoices(std::move(races)), m_onSaved(std::move(onSaved))
{
}

std::string AlertRulesDialogModel::caption() { return sj("アラート設定"); }
std::string AlertRulesDialogModel::soundCaption() { return sj("音を鳴らす"); }
std::string AlertRulesDialogModel::notifyCaption() { return sj("デスクトップ通知"); }

std::vector<std::string> AlertRulesDialogModel::kindItems()
{
    return {sj("単勝支持率の上昇"), sj("単勝支持率の下落"), sj("複勝支持率が単勝と逆行"), sj("単勝オッズが下回る"),
            sj("単勝オッズが上回る")};
}

void AlertRulesDialogModel::open()
{
    m_edit = readAlertSettings(m_settings);
    m_races = m_raceChoices ? m_raceChoices() : decltype(m_races){};
    m_kind = 0;
    m_points = analytics::tenthsText(AlertRule::kDefaultPointsTenths);
    m_window = std::to_string(AlertRule::kDefaultWindow);
    m_raceIndex = m_races.empty() ? -1 : 0;
    m_horse = "1";
    m_odds.clear();
}

void AlertRulesDialogModel::KindComboChange(int index)
{
    if (index >= 0 && index < static_cast<int>(kindItems().size()))
        m_kind = index;
}
void AlertRulesDialogModel::PointsEditChange(std::string t) { m_points = std::move(t); }
void AlertRulesDialogModel::WindowEditChange(std::string t) { m_window = std::move(t); }
void AlertRulesDialogModel::HorseEditChange(std::string t) { m_horse = std::move(t); }
void AlertRulesDialogModel::OddsEditChange(std::string t) { m_odds = std::move(t); }
void AlertRulesDialogModel::RaceComboChange(int index)
{
    if (index >= 0 && index < static_cast<int>(m_races.size()))
        m_raceIndex = index;
}

bool AlertRulesDialogModel::shareFieldsEnabled() const { return m_kind <= static_cast<int>(AlertKind::PlaceAgainstWin); }
bool AlertRulesDialogModel::oddsFieldsEnabled() const { return !shareFieldsEnabled(); }

std::vector<std::string> AlertRulesDialogModel::raceItems() const
{
    std::vector<std::string> out;
    for (const auto& r : m_races)
        out.push_back(r.second);
    return out;
}

std::vector<std::string> AlertRulesDialogModel::ruleItems() const
{
    std::vector<std::string> out;
    for (const AlertRule& r : m_edit.rules)
        out.push_back(analytics::alertRuleText(r));
    return out;
}

void AlertRulesDialogModel::AddBtnClick()
{
    auto refuse = [this](const char* utf8) {
        m_host.beep();
        m_host.message(sj(utf8));
    };
    if (static_cast<int>(m_edit.rules.size()) >= settings::kMaxAlertRules)
        return refuse("アラートは50件までです。");
    // The fields become the rule's text form and are checked as the settings are read.
    std::string text;
    const std::string kindName = [&] {
        AlertRule probe;
        probe.kind = static_cast<AlertKind>(m_kind);
        const std::string f = analytics::formatAlertRule(probe);
        return f.substr(0, f.find(','));
    }();
    if (shareFieldsEnabled()) {
        const std::optional<int> p = analytics::parseTenths(m_points);
        if (!p || *p < 1 || *p > AlertRule::kMaxPointsTenths)
            return refuse("ポイントは0.1から99.9までの数値を入力してください。");
        const std::optional<AlertRule> w = analytics::parseAlertRule("rise,5," + m_window);
        if (!w)
            return refuse("分は1から60までの整数を入力してください。");
        text = kindName + "," + m_points + "," + m_window;
    } else {
        if (m_raceIndex < 0 || m_raceIndex >= static_cast<int>(m_races.size()))
            return refuse("レースを選んでください。");
        const std::optional<int> x = analytics::parseTenths(m_odds);
        if (!x || *x < 10 || *x > AlertRule::kMaxOddsTenths)
            return refuse("オッズは1.0から9999.9までの数値を入力してください。");
        const std::string key = m_races[static_cast<std::size_t>(m_raceIndex)].first;
        if (!analytics::parseAlertRule("below,1," + key + "," + m_horse))
            return refuse("馬番は1から18までの整数を入力してください。");
        text = kindName + "," + m_odds + "," + key + "," + m_horse;
    }
    const std::optional<AlertRule> rule = analytics::parseAlertRule(text);
    if (!rule)
        return refuse("アラートの内容が正しくありません。");
    if (std::find(m_edit.rules.begin(), m_edit.rules.end(), *rule) != m_edit.rules.end())
        return refuse("同じアラートが既にあります。");
    m_edit.rules.push_back(*rule);
}

void AlertRulesDialogModel::RemoveBtnClick(int index)
{
    if (index >= 0 && index < static_cast<int>(m_edit.rules.size()))
        m_edit.rules.erase(m_edit.rules.begin() + index);
}

void AlertRulesDialogModel::SoundCheckClick(bool on) { m_edit.sound = on; }
void AlertRulesDialogModel::NotifyCheckClick(bool on) { m_edit.notify = on; }

bool AlertRulesDialogModel::OkBtnClick()
{
    try {
        writeAlertSettings(m_settings, m_edit);
    } catch (const text::FileError& e) {
        m_host.beep();
        m_host.message(text::fromUtf8(e.what()));
        return false;
    }
    if (m_onSaved)
        m_onSaved();
    return true;
}

std::vector<std::pair<std::string, std::string>> alertRaceChoices(const MainPanelModel& panel)
{
    std::vector<std::pair<std::string, std::string>> out;
    for (const analysis::RaceListEntry& e : panel.raceEntries()) {
        if (!panel.dayTable().validSlot(e.slot))
            continue;
        const records::RaView ra(panel.dayTable().slots[static_cast<std::size_t>(e.slot)].raRecord);
        const std::string post(ra.startTime());
        out.emplace_back(std::string(ra.raceKey()), KeibaFuncNV::TrackName(ra.trackCode(), 2) + " " +
                                                        std::to_string(ra.raceNumber()) + "R " + post.substr(0, 2) +
                                                        ":" + post.substr(2, 2));
    }
    return out;
}

// --- the alert list window ---------------------------------------------------------------

AlertListModel::AlertListModel(Host& host, IniFile& settings, store::StoreLayout layout, OpenRace openRace)
    : m_host(host), m_settings(settings), m_layout(std::move(layout)), m_openRace(std::move(openRace))
{
    reloadRules();
    fill();
}

std::string AlertListModel::caption() { return sj("アラート"); }
std::string AlertListModel::clearCaption() { return sj("消去"); }

void AlertListModel::reloadRules()
{
    const AlertSettings next = readAlertSettings(m_settings);
    // Changed rules start afresh; the switches alone change nothing that has fired.
    if (next.rules != m_current.rules) {
        m_monitor.setRules(next.rules);
        m_monitor.reset();
    }
    m_current = next;
}

void AlertListModel::raceWritten(std::string_view raceKey)
{
    if (m_current.rules.empty())
        return;
    std::vector<analytics::Alert> fresh;
    try {
        fresh = m_monitor.evaluateStored(m_layout, raceKey);
    } catch (const text::FileError&) {
        return; // the watch reports the store's faults; the next write judges again
    }
    if (fresh.empty())
        return;
    for (const analytics::Alert& a : fresh)
        m_alerts.insert(m_alerts.begin(), a);
    fill();
    if (m_current.sound)
        m_host.beep();
    if (m_observer) {
        if (m_current.notify) {
            const analytics::Alert& a = fresh.back();
            std::string text = analytics::alertRaceText(a) + " " + std::to_string(a.horse) + sj("番 ") + a.what + " " +
                               analytics::alertOddsText(a.before) + "->" + analytics::alertOddsText(a.after);
            if (fresh.size() > 1)
                text += sj(" ほか") + std::to_string(fresh.size() - 1) + sj("件");
            m_observer->notify(caption(), text);
        }
        m_observer->alertsChanged();
    }
}

void AlertListModel::GridDblClick(int row)
{
    if (row < 1 || row > static_cast<int>(m_alerts.size()) || !m_openRace)
        return;
    const analytics::Alert& a = m_alerts[static_cast<std::size_t>(row - 1)];
    const std::optional<std::string> day = store::dayLabelOfDate(std::string_view(a.raceKey).substr(0, 8));
    if (!day || !m_openRace(*day, a.raceKey, a.announcement)) {
        m_host.beep();
        m_host.message(sj("このレースの時点は保存されていません。"));
    }
}

void AlertListModel::ClearBtnClick()
{
    m_alerts.clear();
    fill();
    if (m_observer)
        m_observer->alertsChanged();
}

void AlertListModel::fill()
{
    TextGrid::Batch batch(m_grid);
    m_grid.setSize(static_cast<int>(m_alerts.size()) + 1, kColumnCount);
    m_grid.setFixedRows(1);
    m_grid.setFixedCols(0);
    m_grid.setSelectionMode(SelectionMode::Row);
    for (int c = 0; c < kColumnCount; ++c) {
        m_grid.setCell(0, c, sj(kColumns[c].header));
        m_grid.setColWidth(c, kColumns[c].width);
    }
    for (std::size_t i = 0; i < m_alerts.size(); ++i) {
        // The alert line's own fields, so the window and the tool say the same.
        const std::string line = analytics::alertLine(m_alerts[i]);
        std::vector<std::string> cells;
        std::size_t from = 0;
        for (int c = 0; c < kColumnCount; ++c) {
            const std::size_t tab = line.find('\t', from);
            cells.push_back(line.substr(from, tab - from));
            from = tab == std::string::npos ? line.size() : tab + 1;
        }
        m_grid.setRow(static_cast<int>(i) + 1, cells);
    }
    m_grid.clearSelection();
}

} // namespace tidemark::presentation
