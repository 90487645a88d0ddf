#include "presentation/time_dialog_models.h"

#include "settings/settings_keys.h"
#include "text/cp932.h"
#include "text/number_format.h"

namespace tidemark {

using text::sj;

// ---- first-data time ------------------------------------------------------------------

const FirstTimeFormModel::Texts& FirstTimeFormModel::texts()
{
    static const Texts t{
        sj("初回データ時刻設定"),
        {sj("初回データを何時頃のオッズデータとするか設定します。"),
         sj("これにより曖昧な数字を示すことがある早朝のデータを"), sj("無視することができます。")},
        sj("午前"),
        sj("時"),
        sj("分"),
        sj("（午前０時～１１時５９分までの任意の時間を指定）"),
        sj("初回データ時刻設定を無視してすべての時刻のオッズを表示する場合は下記のチェックをしておいてください。"),
        sj("初回データ時刻設定を無視"),
        "OK",
    };
    return t;
}

FirstTimeFormModel::FirstTimeFormModel(IniFile& settings) : m_settings(settings)
{
    // Shown as "hhmm": characters 1–2 are the hours, 3–4 the minutes.
    const std::string hhmm = text::formatZeroPad(settings::TimeFirst.read(m_settings), 4);
    m_hour.setValue(static_cast<int>(text::readInt(text::bytesAt(hhmm, 1, 2))));
    m_minute.setValue(static_cast<int>(text::readInt(text::bytesAt(hhmm, 3, 2))));
    m_ignoreFirstTime = settings::TimeIgnoFirstTime.read(m_settings);
}

void FirstTimeFormModel::ignoreCheckClick(bool checked)
{
    m_ignoreFirstTime = checked;
    settings::TimeIgnoFirstTime.write(m_settings, checked);
}

void FirstTimeFormModel::okClick()
{
    settings::TimeFirst.write(m_settings, m_hour.value * 100 + m_minute.value);
    m_open = false;
}

// ---- results-fetch interval -------------------------------------------------------------

const OzGetTimeFormModel::Texts& OzGetTimeFormModel::texts()
{
    static const Texts t{
        sj("データ自動取得時刻指定"),
        sj("結果情報自動取得時刻指定"),
        sj("随時更新されるﾚｰｽ結果情報を何分おきに自動取得するか指定します。"),
        sj("分間隔"),
        "OK",
    };
    return t;
}

OzGetTimeFormModel::OzGetTimeFormModel(IniFile& settings) : m_settings(settings)
{
    m_interval.setValue(settings::TimeAutoRdataGetDialog.read(m_settings));
}

void OzGetTimeFormModel::okClick()
{
    settings::TimeAutoRdataGetDialog.write(m_settings, m_interval.value);
    m_open = false;
}

// ---- three time points ------------------------------------------------------------------

const TimeAddFormModel::Texts& TimeAddFormModel::texts()
{
    static const Texts t{
        sj("オッズデータ取得時刻調整"),
        sj("時系列から任意の時刻３系列を抜き出して素早くアクセスしたり、系列間の比較を行うための指定です。"
           "第１，２，３回目の時刻を指定してください。"),
        {sj("第１回目時刻"), sj("第２回目時刻"), sj("第３回目時刻")},
        sj("発走"),
        sj("分前"),
        sj("（発走何分前の時刻かを指定）"),
        sj("上記指定を利用しない"),
        sj("（チェックした場合は従来版の３分割時刻が採用されます）"),
        "OK",
        sj("１回目オッズの指定時刻は２回目オッズの指定時刻より前の時刻を指定してください。"),
        sj("２回目オッズの指定時刻は３回目オッズの指定時刻より前の時刻を指定してください。"),
    };
    return t;
}

TimeAddFormModel::TimeAddFormModel(IniFile& settings, Host& host) : m_settings(settings), m_host(host)
{
    m_first.setValue(settings::TimeFirst1.read(m_settings));
    m_second.setValue(settings::TimeSecond2.read(m_settings));
    m_third.setValue(settings::TimeThird3.read(m_settings));
    m_notUse = settings::TimeNotUse.read(m_settings);
}

void TimeAddFormModel::okClick()
{
    if (m_second.value >= m_first.value) {
        m_host.beep();
        m_host.information(texts().firstNotBeforeSecond);
        return;
    }
    if (m_third.value >= m_second.value) {
        m_host.beep();
        m_host.information(texts().secondNotBeforeThird);
        return;
    }
    settings::TimeFirst1.write(m_settings, m_first.value);
    settings::TimeSecond2.write(m_settings, m_second.value);
    settings::TimeThird3.write(m_settings, m_third.value);
    settings::TimeNotUse.write(m_settings, m_notUse);
    m_open = false;
}

} // namespace tidemark
