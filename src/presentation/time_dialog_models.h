#pragma once
// The three small settings dialogs of the "ｵﾌﾟｼｮﾝ(&O)" menu: the first-data time
// (TFirstTimeForm), the automatic results interval (TOzGetTimeForm) and the three time
// points (TTimeAddForm). Each is created when opened and destroyed when closed; the
// settings are read when it opens and written by OK (closing by the close box writes
// nothing, except the first-data check box, which is written at once).

#include <string>
#include <vector>

#include "host/host.h"
#include "settings/ini_file.h"

namespace tidemark::presentation {

// A spin box: a value kept inside its range.
struct SpinValue {
    int minimum = 0;
    int maximum = 0;
    int value = 0;
    void set(int v) noexcept { value = v < minimum ? minimum : (v > maximum ? maximum : v); }
};

// "初回データ時刻設定".
class FirstTimeModel {
public:
    static std::string caption();
    // The dialog's texts, top to bottom (CP932).
    static std::vector<std::string> texts();
    static std::string checkBoxCaption(); // "初回データ時刻設定を無視"

    explicit FirstTimeModel(IniFile& settings);

    // Time/First (formatted "0000": hours, then minutes) and Time/IgnoFirstTime.
    void FormShow();
    // The check box was clicked: Time/IgnoFirstTime is written at once.
    void CheckBox1Click(bool checked);
    // OK: Time/First := hour × 100 + minute. Always closes (returns true).
    bool OKBtnClick();

    SpinValue hour{0, 11, 9};
    SpinValue minute{0, 59, 30};
    bool ignoreFirstTime() const noexcept { return m_ignore; }

private:
    IniFile& m_settings;
    bool m_ignore = true;
};

// "データ自動取得時刻指定".
class OzGetTimeModel {
public:
    static std::string caption();
    static std::vector<std::string> texts();

    explicit OzGetTimeModel(IniFile& settings);

    // Time/AutoRdataGet, offered as 10 when it is not stored.
    void FormShow();
    // OK: writes Time/AutoRdataGet (the results timer takes it at the next day load).
    bool OKBtnClick();

    SpinValue interval{5, 59, 10};

private:
    IniFile& m_settings;
};

// "オッズデータ取得時刻調整".
class TimeAddModel {
public:
    static std::string caption();
    static std::vector<std::string> texts();
    static std::string checkBoxCaption(); // "上記指定を利用しない"

    TimeAddModel(Host& host, IniFile& settings);

    // Time/First1, Second2, Third3 and NotUse.
    void FormShow();
    // OK: refuses time points out of order (the dialog stays open: false); otherwise
    // writes the four keys and closes (true).
    bool OKBtnClick();

    SpinValue first{3, 59, 30};
    SpinValue second{3, 59, 20};
    SpinValue third{3, 59, 10};
    bool notUse = false;

private:
    Host& m_host;
    IniFile& m_settings;
};

} // namespace tidemark::presentation
