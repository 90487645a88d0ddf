#include "presentation/tokutei_jikoku_model.h"

#include <cstdint>
#include <utility>

#include "settings/settings_keys.h"
#include "text/cp932.h"
#include "text/file_io.h"
#include "text/number_format.h"

namespace tidemark {

using text::sj;

namespace {

// Shows the hourglass and marks the export as running for one scope, however it ends.
class ExportScope {
public:
    ExportScope(Host& host, bool& running) : m_host(host), m_running(running)
    {
        m_running = true;
        m_host.setBusyCursor(true);
    }
    ~ExportScope()
    {
        m_host.setBusyCursor(false);
        m_running = false;
    }
    ExportScope(const ExportScope&) = delete;
    ExportScope& operator=(const ExportScope&) = delete;

private:
    Host& m_host;
    bool& m_running;
};

// A radio group index from the settings; anything that is no item of the group selects
// the default item, so the export always has a kind to work with.
int itemIndex(std::int32_t stored, int items, int def)
{
    return stored >= 0 && stored < items ? static_cast<int>(stored) : def;
}

} // namespace

const TokuteiJikokuFormModel::Texts& TokuteiJikokuFormModel::texts()
{
    static const Texts t{
        sj("特定時刻オッズ出力"),
        sj("取得する時刻の種類"),
        {sj("当日特定時刻"), sj("前日特定時刻"), sj("発走前時刻")},
        sj("特定時刻で指定"),
        sj("時"),
        sj("分"),
        sj("（午前０時～２３時５９分までの任意の時刻を指定）"),
        sj("発走前時刻で指定"),
        sj("発走"),
        sj("分前"),
        sj("（発走何分前の時刻かを０～５９分前で指定）"),
        sj("出力項目"),
        {sj("オッズ"), sj("人気順位")},
        sj("出力したファイルを開く"),
        sj("CSVファイルを出力"),
        sj("各種表の内容をｸﾘｯﾌﾟﾎﾞｰﾄﾞにｺﾋﾟｰします"),
        sj("開催日が選択されていません。"),
        sj("次のファイルを開けませんでした。"),
    };
    return t;
}

TokuteiJikokuFormModel::TokuteiJikokuFormModel(Host& host, IniFile& settings, store::StoreLayout layout)
    : m_host(host), m_settings(settings), m_layout(std::move(layout))
{
}

bool TokuteiJikokuFormModel::N9Click(bool daySelected, results::ExportDay day)
{
    if (!daySelected) {
        m_host.beep();
        m_host.information(texts().noDaySelected);
        return false;
    }
    m_day = std::move(day);

    // "hhmm": characters 1–2 the hour, 3–4 the minute. A value that is not such a time
    // opens the window with the default 09:30 instead of refusing to open at all.
    const std::string tokutei = settings::CsvTimeTokutei.read(m_settings);
    std::int32_t hour = 0;
    std::int32_t minute = 0;
    if (!text::tryParseInt32(text::bytesAt(tokutei, 1, 2), hour) ||
        !text::tryParseInt32(text::bytesAt(tokutei, 3, 2), minute)) {
        hour = 9;
        minute = 30;
    }
    m_hour.setValue(hour);
    m_minute.setValue(minute);
    m_beforePost.setValue(settings::CsvTimeB4hasso.read(m_settings));
    m_kind = itemIndex(settings::CsvTimeProperty.read(m_settings), 3, 0);
    m_item = itemIndex(settings::CsvTimeOzOrNin.read(m_settings), 2, 0);
    return true;
}

void TokuteiJikokuFormModel::setRadioGroup1(int index)
{
    if (index >= 0 && index < 3)
        m_kind = index;
}

void TokuteiJikokuFormModel::setRadioGroup2(int index)
{
    if (index >= 0 && index < 2)
        m_item = index;
}

results::ExportChoice TokuteiJikokuFormModel::choice() const
{
    results::ExportChoice c;
    switch (m_kind) {
    case 1: c.moment.kind = results::MomentKind::PreviousDayClock; break;
    case 2: c.moment.kind = results::MomentKind::BeforePost; break;
    default: c.moment.kind = results::MomentKind::RaceDayClock; break;
    }
    c.moment.hour = m_hour.value;
    c.moment.minute = m_minute.value;
    c.moment.minutesBeforePost = m_beforePost.value;
    c.item = m_item == 1 ? results::ExportItem::Popularity : results::ExportItem::Odds;
    c.openFiles = m_openFiles;
    return c;
}

void TokuteiJikokuFormModel::ClipBtn1Click()
{
    if (m_exporting)
        return;
    {
        ExportScope scope(m_host, m_exporting);
        m_lastResult = results::ExportResult{};
        m_lastResult = results::runSpecificTimeExport(m_layout, m_day, choice(), m_host);
    }
    switch (m_lastResult.failure) {
    case results::ExportFailure::None:
        if (!m_lastResult.notOpened.empty()) {
            std::string text = texts().notOpened;
            for (const auto& path : m_lastResult.notOpened)
                text += "\r\n" + text::fromUtf8(text::utf8Path(path));
            m_host.beep();
            m_host.message(text);
        }
        break;
    case results::ExportFailure::NoRaceDay:
        m_host.beep();
        m_host.information(m_lastResult.message);
        break;
    case results::ExportFailure::File:
        m_host.beep();
        m_host.message(m_lastResult.message);
        break;
    }
}

bool TokuteiJikokuFormModel::FormCloseQuery()
{
    try {
        settings::CsvTimeTokutei.write(m_settings, text::formatZeroPad(m_hour.value * 100 + m_minute.value, 4));
        settings::CsvTimeB4hasso.write(m_settings, m_beforePost.value);
        settings::CsvTimeProperty.write(m_settings, m_kind);
        settings::CsvTimeOzOrNin.write(m_settings, m_item);
    } catch (const text::FileError& e) {
        m_host.beep();
        m_host.message(text::fromUtf8(e.what()));
    }
    return true;
}

} // namespace tidemark
