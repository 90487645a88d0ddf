#include "presentation/time_dialog_models.h"

#include "settings/settings_keys.h"
#include "text/cp932.h"
#include "text/number_format.h"

namespace tidemark::presentation {

using text::sj;

// ---- TFirstTimeForm ----

std::string FirstTimeModel::caption() { return sj("初回データ時刻設定"); }

std::vector<std::string> FirstTimeModel::texts()
{
    return {sj("初回データを何時頃のオッズデータとするか設定します。"),
            sj("これにより曖昧な数字を示すことがある早朝のデータを"),
            sj("無視することができます。"),
            sj("午前"), sj("時"), sj("分"),
            sj("（午前０時～１１時５９分までの任意の時間を指定）"),
            sj("初回データ時刻設定を無視してすべての時刻のオッズを表示する場合は下記のチェックをしておいてください。")};
}

std::string FirstTimeModel::checkBoxCaption() { return sj("初回データ時刻設定を無視"); }

FirstTimeModel::FirstTimeModel(IniFile& settings) : m_settings(settings) {}

void FirstTimeModel::FormShow()
{
    const std::string hhmm = text::formatZeroPad(settings::TimeFirst.read(m_settings), 4);
    hour.set(static_cast<int>(text::readInt(text::bytesAt(hhmm, 1, 2))));
    minute.set(static_cast<int>(text::readInt(text::bytesAt(hhmm, 3, 2))));
    m_ignore = settings::TimeIgnoFirstTime.read(m_settings);
}

void FirstTimeModel::CheckBox1Click(bool checked)
{
    m_ignore = checked;
    settings::TimeIgnoFirstTime.write(m_settings, checked);
}

bool FirstTimeModel::OKBtnClick()
{
    settings::TimeFirst.write(m_settings, hour.value * 100 + minute.value);
    return true;
}

// ---- TOzGetTimeForm ----

std::string OzGetTimeModel::caption() { return sj("データ自動取得時刻指定"); }

std::vector<std::string> OzGetTimeModel::texts()
{
    return {sj("結果情報自動取得時刻指定"), sj("随時更新されるﾚｰｽ結果情報を何分おきに自動取得するか指定します。"),
            sj("分間隔")};
}

OzGetTimeModel::OzGetTimeModel(IniFile& settings) : m_settings(settings) {}

void OzGetTimeModel::FormShow() { interval.set(settings::TimeAutoRdataGetDialog.read(m_settings)); }

bool OzGetTimeModel::OKBtnClick()
{
    settings::TimeAutoRdataGetDialog.write(m_settings, interval.value);
    return true;
}

// ---- TTimeAddForm ----

std::string TimeAddModel::caption() { return sj("オッズデータ取得時刻調整"); }

std::vector<std::string> TimeAddModel::texts()
{
    return {sj("時系列から任意の時刻３系列を抜き出して素早くアクセスしたり、系列間の比較を行うための指定です。第１，２，３回目の時刻を指定してください。"),
            sj("第１回目時刻"), sj("第２回目時刻"), sj("第３回目時刻"), sj("発走"), sj("分前"),
            sj("（発走何分前の時刻かを指定）"), sj("（チェックした場合は従来版の３分割時刻が採用されます）")};
}

std::string TimeAddModel::checkBoxCaption() { return sj("上記指定を利用しない"); }

TimeAddModel::TimeAddModel(Host& host, IniFile& settings) : m_host(host), m_settings(settings) {}

void TimeAddModel::FormShow()
{
    first.set(settings::TimeFirst1.read(m_settings));
    second.set(settings::TimeSecond2.read(m_settings));
    third.set(settings::TimeThird3.read(m_settings));
    notUse = settings::TimeNotUse.read(m_settings);
}

bool TimeAddModel::OKBtnClick()
{
    if (second.value >= first.value) {
        m_host.beep();
        m_host.information(sj("１回目オッズの指定時刻は２回目オッズの指定時刻より前の時刻を指定してください。"));
        return false;
    }
    if (third.value >= second.value) {
        m_host.beep();
        m_host.information(sj("２回目オッズの指定時刻は３回目オッズの指定時刻より前の時刻を指定してください。"));
        return false;
    }
    settings::TimeFirst1.write(m_settings, first.value);
    settings::TimeSecond2.write(m_settings, second.value);
    settings::TimeThird3.write(m_settings, third.value);
    settings::TimeNotUse.write(m_settings, notUse);
    return true;
}

} // namespace tidemark::presentation
