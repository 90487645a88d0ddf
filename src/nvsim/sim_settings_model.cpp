#include "nvsim/sim_settings_model.h"

#include <charconv>
#include <cstdint>
#include <optional>

#include "text/cp932.h"
#include "text/date_time.h"
#include "text/file_io.h"

namespace tidemark::nvsim {
namespace {

using text::sj;

// A decimal integer within [lo, hi], blanks around it allowed; nothing else.
std::optional<std::int64_t> integerIn(const std::string& s, std::int64_t lo, std::int64_t hi)
{
    std::string_view t = text::trim(s);
    if (!t.empty() && t.front() == '+')
        t.remove_prefix(1);
    std::int64_t v = 0;
    const char* end = t.data() + t.size();
    const auto [p, ec] = std::from_chars(t.data(), end, v);
    if (t.empty() || ec != std::errc() || p != end || v < lo || v > hi)
        return std::nullopt;
    return v;
}

// Blank: the default window; otherwise a real date written yyyymmdd.
bool dayOf(const std::string& s, std::optional<text::DateTime>& out)
{
    std::string_view t = text::trim(s);
    out.reset();
    if (t.empty())
        return true;
    if (t.size() != 8)
        return false;
    const std::optional<std::int64_t> n = integerIn(std::string(t), 10000101, 99991231);
    if (!n)
        return false;
    const int y = static_cast<int>(*n / 10000);
    const int m = static_cast<int>(*n / 100 % 100);
    const int d = static_cast<int>(*n % 100);
    if (!text::isValidDate(y, m, d))
        return false;
    text::DateTime day;
    day.year = y;
    day.month = m;
    day.day = d;
    day.hour = day.minute = day.second = 0;
    out = day;
    return true;
}

std::string dayText(const std::optional<text::DateTime>& t)
{
    if (!t)
        return {};
    return std::to_string(t->year * 10000 + t->month * 100 + t->day);
}

SimSettingsCheck refuse(const char* utf8, SimSettingsField field, int row = -1)
{
    SimSettingsCheck c;
    c.message = sj(utf8);
    c.field = field;
    c.faultRow = row;
    return c;
}

SimSettingsCheck refuseRow(const char* what, SimSettingsField field, int row)
{
    SimSettingsCheck c = refuse(what, field, row);
    c.message = sj("障害") + std::to_string(row + 1) + sj("の") + c.message;
    return c;
}

} // namespace

SimSettingsFields fieldsOf(const SimConfig& config)
{
    SimSettingsFields f;
    f.seed = std::to_string(config.seed);
    f.firstDay = dayText(config.firstDay);
    f.lastDay = dayText(config.lastDay);
    f.downloadSpeed = std::to_string(config.downloadSpeed);
    f.steamRate = std::to_string(config.steamRate);
    f.steamStrength = std::to_string(config.steamStrength);
    for (std::size_t i = 0; i < config.faults.size() && i < f.faults.size(); ++i) {
        const nvsim::FaultRule& r = config.faults[i];
        f.faults[i] = {r.call, std::to_string(r.code), std::to_string(r.at), std::to_string(r.count)};
    }
    return f;
}

SimSettingsCheck checkSimSettings(const SimSettingsFields& f)
{
    SimConfig c;
    const auto seed = integerIn(f.seed, 0, 4294967295LL);
    if (!seed)
        return refuse("乱数の種は0～4294967295の整数で入力してください。", SimSettingsField::Seed);
    c.seed = static_cast<std::uint32_t>(*seed);
    if (!dayOf(f.firstDay, c.firstDay))
        return refuse("開始日は20240112のような8桁の日付で入力するか、空欄にしてください。", SimSettingsField::FirstDay);
    if (!dayOf(f.lastDay, c.lastDay))
        return refuse("終了日は20240112のような8桁の日付で入力するか、空欄にしてください。", SimSettingsField::LastDay);
    if (c.firstDay && c.lastDay && c.lastDay->dayNumber() < c.firstDay->dayNumber())
        return refuse("終了日は開始日と同じ日かそれより後にしてください。", SimSettingsField::LastDay);
    const auto speed = integerIn(f.downloadSpeed, 0, kMaxDownloadSpeed);
    if (!speed)
        return refuse("ダウンロード速度は0～100000の整数で入力してください。", SimSettingsField::DownloadSpeed);
    c.downloadSpeed = static_cast<int>(*speed);
    const auto rate = integerIn(f.steamRate, 0, 100);
    if (!rate)
        return refuse("大口投票の割合は0～100の整数で入力してください。", SimSettingsField::SteamRate);
    c.steamRate = static_cast<int>(*rate);
    const auto strength = integerIn(f.steamStrength, 0, 400);
    if (!strength)
        return refuse("大口投票の強さは0～400の整数で入力してください。", SimSettingsField::SteamStrength);
    c.steamStrength = static_cast<int>(*strength);

    const std::vector<std::string> calls = simFaultCallChoices();
    for (std::size_t i = 0; i < f.faults.size(); ++i) {
        const SimFaultFields& r = f.faults[i];
        const int row = static_cast<int>(i);
        const std::string call(text::trim(r.call));
        if (call.empty())
            continue;
        bool known = false;
        for (std::size_t k = 1; k < calls.size(); ++k)
            known = known || call == calls[k];
        if (!known)
            return refuseRow("呼び出しは一覧から選んでください。", SimSettingsField::FaultCall, row);
        const auto code = integerIn(r.code, INT32_MIN, INT32_MAX);
        if (!code || *code == 0)
            return refuseRow("結果コードは0以外の整数で入力してください。", SimSettingsField::FaultCode, row);
        const auto at = integerIn(r.at, 1, INT32_MAX);
        if (!at)
            return refuseRow("何回目からは1以上の整数で入力してください。", SimSettingsField::FaultAt, row);
        const auto count = integerIn(r.count, 1, INT32_MAX);
        if (!count)
            return refuseRow("回数は1以上の整数で入力してください。", SimSettingsField::FaultCount, row);
        c.faults.push_back({call, static_cast<int>(*code), static_cast<int>(*at), static_cast<int>(*count)});
    }
    SimSettingsCheck ok;
    ok.ok = true;
    ok.config = std::move(c);
    return ok;
}

const SimSettingsTexts& simSettingsTexts()
{
    static const SimSettingsTexts t{
        sj("模擬データサービスの設定"),
        sj("乱数の種 (Seed)"),
        sj("開始日 (FirstDay)"),
        sj("終了日 (LastDay)"),
        sj("yyyymmdd。空欄なら開始日は400日前、終了日は翌日"),
        sj("ダウンロード速度 (DownloadSpeed)"),
        sj("大口投票の割合％ (SteamRate)"),
        sj("大口投票の強さ％ (SteamStrength)"),
        sj("障害の注入"),
        {sj("呼び出し"), sj("結果コード"), sj("何回目から"), sj("回数")},
        sj("変更は次のデータ取込・オッズ取得から使われます（取込中のものはそのまま続きます）。"),
    };
    return t;
}

std::vector<std::string> simFaultCallChoices()
{
    std::vector<std::string> out{std::string()};
    for (const char* call : nvsim::kFaultCalls)
        out.emplace_back(call);
    return out;
}

SimSettingsCheck saveSimSettings(const SimSettingsFields& fields, const std::filesystem::path& iniPath, Host& host)
{
    SimSettingsCheck check = checkSimSettings(fields);
    if (check.ok) {
        try {
            nvsim::saveSimConfig(iniPath, check.config);
            return check;
        } catch (const text::FileError& e) {
            check.ok = false;
            check.message = text::fromUtf8(e.what());
        }
    }
    host.beep();
    host.message(check.message);
    return check;
}

} // namespace tidemark::nvsim
