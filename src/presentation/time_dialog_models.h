#pragma once
// The three small time dialogs of the options menu, without widgets: the first-data time
// (TFirstTimeForm), the results-fetch interval (TOzGetTimeForm) and the three time points
// (TTimeAddForm). Each is created when its menu item opens it and read back by its view
// after every handler; isOpen() turns false when the dialog closes. Values are read from
// the settings file when the dialog opens and written only where the dialog writes them,
// so closing by the close box leaves the settings as they were. Texts are CP932.

#include <string>
#include <vector>

#include "host/host.h"
#include "settings/ini_file.h"

namespace tidemark {

// A spin box: its value always lies in [minValue, maxValue], as the control holds it.
struct SpinBoxState {
    int minValue = 0;
    int maxValue = 0;
    int value = 0;

    void setValue(int v) { value = v < minValue ? minValue : v > maxValue ? maxValue : v; }
};

// "初回データ時刻設定": from which morning time the day's odds count as data.
class FirstTimeFormModel {
public:
    struct Texts {
        std::string caption;
        std::vector<std::string> intro; // three lines
        std::string am, hourUnit, minuteUnit, rangeNote;
        std::string ignoreNote;
        std::string ignoreCheckCaption;
        std::string okCaption;
    };
    static const Texts& texts();

    // Opens the dialog: Time/First into the hour and minute boxes, Time/IgnoFirstTime
    // into the check box.
    explicit FirstTimeFormModel(IniFile& settings);

    const SpinBoxState& hour() const { return m_hour; }     // 0–11
    const SpinBoxState& minute() const { return m_minute; } // 0–59
    bool ignoreFirstTime() const { return m_ignoreFirstTime; }
    bool isOpen() const { return m_open; }

    void setHour(int v) { m_hour.setValue(v); }
    void setMinute(int v) { m_minute.setValue(v); }
    // The check box is stored at once, whether or not the dialog ends with OK.
    void ignoreCheckClick(bool checked);
    // Time/First := hour × 100 + minute; closes.
    void okClick();
    // The close box: nothing more is written.
    void closeBoxClick() { m_open = false; }

private:
    IniFile& m_settings;
    SpinBoxState m_hour{0, 11, 9};
    SpinBoxState m_minute{0, 59, 30};
    bool m_ignoreFirstTime = true;
    bool m_open = true;
};

// "データ自動取得時刻指定": every how many minutes the results fetch runs on a race day.
// The new interval applies from the next day load.
class OzGetTimeFormModel {
public:
    struct Texts {
        std::string caption;
        std::string heading;
        std::string explanation;
        std::string unit; // after the spin box
        std::string okCaption;
    };
    static const Texts& texts();

    // Opens the dialog with Time/AutoRdataGet (10 when absent, as this dialog offers it).
    explicit OzGetTimeFormModel(IniFile& settings);

    const SpinBoxState& interval() const { return m_interval; } // 5–59 minutes
    bool isOpen() const { return m_open; }

    void setInterval(int v) { m_interval.setValue(v); }
    // Writes Time/AutoRdataGet; closes.
    void okClick();
    void closeBoxClick() { m_open = false; }

private:
    IniFile& m_settings;
    SpinBoxState m_interval{5, 59, 10};
    bool m_open = true;
};

// "オッズデータ取得時刻調整": the three time points, in minutes before the start.
class TimeAddFormModel {
public:
    struct Texts {
        std::string caption;
        std::string explanation;
        std::vector<std::string> rowCaptions; // "第１回目時刻" … "第３回目時刻"
        std::string before, beforeUnit, rowNote; // "発走" [minutes] "分前" note
        std::string notUseCheckCaption;
        std::string notUseNote;
        std::string okCaption;
        std::string firstNotBeforeSecond; // refusals of OK
        std::string secondNotBeforeThird;
    };
    static const Texts& texts();

    // Opens the dialog with Time/First1, Second2, Third3 and NotUse.
    TimeAddFormModel(IniFile& settings, Host& host);

    const SpinBoxState& first() const { return m_first; } // 3–59 minutes each
    const SpinBoxState& second() const { return m_second; }
    const SpinBoxState& third() const { return m_third; }
    bool notUse() const { return m_notUse; }
    bool isOpen() const { return m_open; }

    void setFirst(int v) { m_first.setValue(v); }
    void setSecond(int v) { m_second.setValue(v); }
    void setThird(int v) { m_third.setValue(v); }
    void notUseCheckClick(bool checked) { m_notUse = checked; }
    // The points must lie ever closer to the start (first > second > third minutes
    // before it): otherwise beep, say which pair is out of order and stay open.
    // In order: write all four keys and close.
    void okClick();
    void closeBoxClick() { m_open = false; }

private:
    IniFile& m_settings;
    Host& m_host;
    SpinBoxState m_first{3, 59, 30};
    SpinBoxState m_second{3, 59, 20};
    SpinBoxState m_third{3, 59, 10};
    bool m_notUse = false;
    bool m_open = true;
};

} // namespace tidemark
