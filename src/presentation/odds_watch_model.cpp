#include "presentation/odds_watch_model.h"

#include "settings/settings_keys.h"
#include "text/cp932.h"
#include "text/file_io.h"

namespace tidemark::presentation {

using text::sj;

OddsWatchModel::OddsWatchModel(acquisition::NvChannel& channel, Host& host, store::RecordStore& store,
                               IniFile& settings, std::filesystem::path programFolder)
    : m_settings(settings), m_watch(channel, host, store, std::move(programFolder))
{
    m_watch.followToday();
    m_watch.setOnChange([this] { changed(); });
}

void OddsWatchModel::dayShown(std::string dayKey)
{
    if (dayKey == m_shownDay)
        return;
    m_shownDay = std::move(dayKey);
    changed();
}

std::string OddsWatchModel::switchCaption() { return sj("オッズ監視"); }
std::string OddsWatchModel::switchHint()
{
    return sj("本日の開催の発走が近いレースのオッズを自動で取得します（表示中の開催日によらず）");
}
std::string OddsWatchModel::settingsCaption() { return sj("監視設定"); }

void OddsWatchModel::OddsWatchBtnClick()
{
    if (m_watch.on()) {
        m_watch.stop();
    } else {
        settingsChanged();
        m_watch.start();
    }
    changed();
}

void OddsWatchModel::settingsChanged()
{
    m_watch.setTimes(settings::OddsWatchAhead.read(m_settings), settings::OddsWatchEvery.read(m_settings),
                     settings::OddsWatchNear.read(m_settings));
}

void OddsWatchModel::setOnRaceWritten(std::function<void(std::string_view)> onWritten)
{
    m_watch.setOnRaceWritten(std::move(onWritten));
}

std::string OddsWatchModel::statusText() const
{
    std::string text = m_watch.statusText();
    // Another day in the window: the races being read are not the ones shown.
    if (m_watch.on() && !text.empty() && !m_watch.dayKey().empty() && m_shownDay != m_watch.dayKey())
        text += sj("（本日分）");
    if (!m_watch.lastError().empty()) {
        if (!text.empty())
            text += sj("　");
        text += sj("最終エラー ") + m_watch.lastError();
    }
    return text;
}

void OddsWatchModel::changed()
{
    if (m_onChange)
        m_onChange();
}

const OddsWatchSettingsModel::Texts& OddsWatchSettingsModel::texts()
{
    static const Texts t{
        sj("オッズ監視設定"),
        sj("本日の開催の発走が近いレースの単複枠・馬連オッズを、発走が近い順に自動で取得します。ほかの開催日を表示している間も続けます。"),
        sj("発走前"),
        sj("分以内のレースを取得（5～240分）"),
        sj("取得間隔"),
        sj("分ごと（1～30分）"),
        sj("発走前"),
        sj("分からは1分ごとに取得（0～30分、0は使わない）"),
        "OK",
        sj("ｷｬﾝｾﾙ"),
    };
    return t;
}

OddsWatchSettingsModel::OddsWatchSettingsModel(IniFile& settings) : m_settings(settings)
{
    m_ahead.setValue(settings::OddsWatchAhead.read(m_settings));
    m_every.setValue(settings::OddsWatchEvery.read(m_settings));
    m_near.setValue(settings::OddsWatchNear.read(m_settings));
}

bool OddsWatchSettingsModel::okClick(Host& host)
{
    try {
        settings::OddsWatchAhead.write(m_settings, m_ahead.value);
        settings::OddsWatchEvery.write(m_settings, m_every.value);
        settings::OddsWatchNear.write(m_settings, m_near.value);
    } catch (const text::FileError& e) {
        host.beep();
        host.message(text::fromUtf8(e.what()));
        return false;
    }
    m_open = false;
    return true;
}

} // namespace tidemark::presentation
