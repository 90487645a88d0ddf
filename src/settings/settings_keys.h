#pragma once
// Every section and key the program reads or writes, each with its type and default.
// Reading goes to the file each time (see IniFile); these entries only name the key.

#include <cstdint>
#include <string>
#include <string_view>

#include "settings/ini_file.h"
#include "text/date_time.h"

namespace tidemark::settings {

struct IntSetting {
    const char* section;
    const char* key;
    std::int32_t def;
    std::int32_t read(const IniFile& ini) const { return ini.readInteger(section, key, def); }
    void write(IniFile& ini, std::int32_t v) const { ini.writeInteger(section, key, v); }
};

struct BoolSetting {
    const char* section;
    const char* key;
    bool def;
    bool read(const IniFile& ini) const { return ini.readBool(section, key, def); }
    void write(IniFile& ini, bool v) const { ini.writeBool(section, key, v); }
};

// Text defaults are CP932 (the ones here are plain ASCII).
struct TextSetting {
    const char* section;
    const char* key;
    const char* def;
    std::string read(const IniFile& ini) const { return ini.readString(section, key, def); }
    void write(IniFile& ini, std::string_view v) const { ini.writeString(section, key, v); }
};

inline constexpr IntSetting LocateTop{"locate", "top", 10};
inline constexpr IntSetting LocateLeft{"locate", "left", 10};
inline constexpr IntSetting LocateWidth{"locate", "width", 780};
inline constexpr IntSetting LocateHeight{"locate", "height", 560};

inline constexpr BoolSetting MaeUriIgnore{"MaeUri", "Ignore", false};

inline constexpr IntSetting TimeFirst{"Time", "First", 930};
inline constexpr BoolSetting TimeIgnoFirstTime{"Time", "IgnoFirstTime", true};
// The results timer and the acquisition-time dialog read the same key with different
// defaults: 15 minutes for the timer, 10 offered by the dialog.
inline constexpr IntSetting TimeAutoRdataGetTimer{"Time", "AutoRdataGet", 15};
inline constexpr IntSetting TimeAutoRdataGetDialog{"Time", "AutoRdataGet", 10};
inline constexpr IntSetting TimeFirst1{"Time", "First1", 30};
inline constexpr IntSetting TimeSecond2{"Time", "Second2", 20};
inline constexpr IntSetting TimeThird3{"Time", "Third3", 10};
inline constexpr BoolSetting TimeNotUse{"Time", "NotUse", false};

// NvDataGet/LastTime: "yyyy/mm/dd hh:nn:ss"; its default depends on the clock.
inline constexpr const char* NvDataGetSection = "NvDataGet";
inline constexpr const char* NvDataGetLastTimeKey = "LastTime";
inline std::string lastTimeDefault(const text::DateTime& now)
{
    return text::formatDateTime("yyyy/mm/dd hh:nn:ss", now.addDays(-366));
}
inline std::string readLastTime(const IniFile& ini, const text::DateTime& now)
{
    return ini.readString(NvDataGetSection, NvDataGetLastTimeKey, lastTimeDefault(now));
}
inline void writeLastTime(IniFile& ini, std::string_view v)
{
    ini.writeString(NvDataGetSection, NvDataGetLastTimeKey, v);
}

inline constexpr IntSetting GraphYmax1{"Graph", "Ymax1", 500};
inline constexpr IntSetting GraphLogAxisY1{"Graph", "LogAxisY1", 1};
inline constexpr IntSetting GraphYmax2{"Graph", "Ymax2", 50};
inline constexpr IntSetting GraphLogAxisY2{"Graph", "LogAxisY2", 0};
inline constexpr IntSetting GraphYmax4{"Graph", "Ymax4", 50};
inline constexpr IntSetting GraphLogAxisY4{"Graph", "LogAxisY4", 0};

inline constexpr IntSetting GridFoldKenshu{"GridFold", "kenshu", 0};
inline constexpr IntSetting BakenshuHikakuSaHi{"BakenshuHikaku", "SaHi", 0};
inline constexpr IntSetting MatrixNin{"Matrix", "Nin", 0};
inline constexpr IntSetting StdDevKind{"StdDev", "kind", 0};

inline constexpr TextSetting DansoBorderRatio{"Danso", "BorderRatio", "1.5"};
inline constexpr TextSetting DansoBorderRatioF1{"Danso", "BorderRatioF1", "1.5"};
inline constexpr TextSetting DansoBorderRatioF2{"Danso", "BorderRatioF2", "1.5"};
inline constexpr TextSetting DansoBorderRatioUR{"Danso", "BorderRatioUR", "1.5"};

// The odds watch of race day ("オッズ監視"): the races whose post is at most Ahead
// minutes away are fetched every Every minutes, and every minute in their last Near
// minutes (0: not so).
inline constexpr IntSetting OddsWatchAhead{"OddsWatch", "Ahead", 60};
inline constexpr IntSetting OddsWatchEvery{"OddsWatch", "Every", 2};
inline constexpr IntSetting OddsWatchNear{"OddsWatch", "Near", 10};
// The movers board ("オッズ急変"): the window W of its last use, in minutes.
inline constexpr IntSetting MoversWindow{"Movers", "Window", 10};
// Race-day alerts: Count rules in Rule1 .. RuleN, each in its text form ("rise,5,10",
// "below,4.5,RACEKEY,7"); the system sound and the desktop notification when one fires.
inline constexpr const char* AlertsSection = "Alerts";
inline constexpr IntSetting AlertsCount{"Alerts", "Count", 0};
inline constexpr BoolSetting AlertsSound{"Alerts", "Sound", true};
inline constexpr BoolSetting AlertsNotify{"Alerts", "Notify", true};
// The most rules kept.
inline constexpr int kMaxAlertRules = 50;

inline constexpr TextSetting CsvTimeTokutei{"CSVTime", "tokutei", "0930"};
inline constexpr IntSetting CsvTimeB4hasso{"CSVTime", "b4hasso", 10};
inline constexpr IntSetting CsvTimeProperty{"CSVTime", "property", 0};
inline constexpr IntSetting CsvTimeOzOrNin{"CSVTime", "OzOrNin", 0};

// The data service of the window and the tool: automatic, com, bridge or sim; the bridge's
// command line (empty: the bridge beside the program); seconds a bridge call may take
// (0: each call's own deadline).
inline constexpr TextSetting DataServiceUse{"DataService", "Use", "automatic"};
inline constexpr TextSetting DataServiceBridge{"DataService", "Bridge", ""};
inline constexpr IntSetting DataServiceBridgeDeadline{"DataService", "BridgeDeadline", 0};

// The backtest window's last choice (empty dates: the month of the newest stored day).
// Rule is the rule's name ("steam"); files of earlier versions hold its place in the list.
inline constexpr TextSetting BacktestFrom{"Backtest", "From", ""};
inline constexpr TextSetting BacktestTo{"Backtest", "To", ""};
inline constexpr TextSetting BacktestRule{"Backtest", "Rule", "favourite"};
inline constexpr TextSetting BacktestParam{"Backtest", "Param", ""};
inline constexpr IntSetting BacktestMinutes{"Backtest", "Minutes", 5};
inline constexpr IntSetting BacktestBet{"Backtest", "Bet", 0};

} // namespace tidemark::settings
