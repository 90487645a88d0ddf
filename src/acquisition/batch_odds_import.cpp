#include "acquisition/batch_odds_import.h"

#include <algorithm>
#include <filesystem>
#include <stdexcept>

#include "acquisition/realtime_read.h"
#include "records/keiba_func_nv.h"
#include "records/record_view.h"
#include "service/nv_message.h"
#include "store/record_reader.h"
#include "text/cp932.h"
#include "text/file_io.h"
#include "text/number_format.h"
#include "text/text_functions.h"

namespace tidemark::acquisition {

namespace {

using text::sj;

// Odds series of the real-time channel reach back to this date.
constexpr std::string_view kFirstOddsDate = "20031001";

// "yyyymmdd" of a day label: characters 1–4, 7–8 and 11–12.
std::string labelDate(std::string_view label)
{
    return std::string(text::bytesAt(label, 1, 4)) + std::string(text::bytesAt(label, 7, 2)) +
           std::string(text::bytesAt(label, 11, 2));
}

std::string blankSlot() { return std::string(BatchOddsImport::kSlotBytes, ' '); }

} // namespace

BatchOddsImport::BatchOddsImport(NvChannel& channel, Host& host, store::RecordStore& store)
    : m_channel(channel), m_host(host), m_store(store), m_pacer(host)
{
    m_dayTable.fill(blankSlot());
}

void BatchOddsImport::changed()
{
    m_changePending = false;
    if (m_onChange)
        m_onChange();
}

void BatchOddsImport::progressed()
{
    if (m_pacer.paced())
        m_changePending = true;
    else
        changed();
}

void BatchOddsImport::giveTurn()
{
    if (!m_pacer.due())
        return;
    if (m_changePending)
        changed();
    m_host.processEvents();
}

bool BatchOddsImport::hasSelection() const noexcept
{
    return m_selected >= 0 && static_cast<std::size_t>(m_selected) < m_dateItems.size();
}

std::string BatchOddsImport::selectedLabel() const
{
    return hasSelection() ? m_dateItems[static_cast<std::size_t>(m_selected)] : std::string();
}

void BatchOddsImport::setDateList(std::vector<std::string> labels)
{
    m_dateItems = std::move(labels);
    m_selected = static_cast<int>(m_dateItems.size());
    if (m_dateItems.empty()) {
        changed();
        return;
    }
    const std::string today = text::formatDateTime("yyyymmdd", m_host.today());
    for (std::size_t i = 0; i < m_dateItems.size(); ++i) {
        if (labelDate(m_dateItems[i]) <= today) {
            m_selected = static_cast<int>(i);
            break;
        }
    }
    loadDayTable();
    changed();
}

void BatchOddsImport::showFor(std::string_view mainDayLabel)
{
    if (mainDayLabel.empty())
        return;
    for (std::size_t i = 0; i < m_dateItems.size(); ++i) {
        if (m_dateItems[i] == mainDayLabel) {
            selectDay(static_cast<int>(i));
            return;
        }
    }
}

void BatchOddsImport::selectDay(int index)
{
    m_selected = index;
    loadDayTable();
    changed();
}

void BatchOddsImport::loadDayTable()
{
    if (!hasSelection())
        return;
    std::filesystem::path file;
    try {
        file = m_store.layout().raFile(selectedLabel());
    } catch (const std::invalid_argument&) {
        return; // not a day label: no day file
    }
    std::vector<std::string> records;
    if (!store::tryReadRecords(file, store::StoreKind::RA, records, kDaySlots))
        return;
    m_dayTable.fill(blankSlot());
    for (std::size_t i = 0; i < records.size() && i < kDaySlots; ++i)
        m_dayTable[i] = std::move(records[i]);
}

void BatchOddsImport::importDay()
{
    if (!hasSelection())
        return;
    {
        NvChannel::Claim claim(m_channel);
        if (!claim) {
            refuseWhileBusy(m_host);
            return;
        }
        m_running = true;
        try {
            runDay();
        } catch (const text::FileError& e) {
            endWithFileError(e.what());
        }
        m_running = false;
    }
    showToldBoxes();
}

bool BatchOddsImport::runDay()
{
    m_errorLabel.clear();
    m_racesTried = 0;
    m_racesWithError = 0;
    m_racesImported = 0;
    m_host.setBusyCursor(true);
    m_bar = {m_raceListCount ? m_raceListCount() : 0, 0};
    m_channel.clearCancel();
    changed();

    loadDayTable();
    m_quiet = true;
    const int races = static_cast<int>(std::count_if(m_dayTable.begin(), m_dayTable.end(),
                                     [](const std::string& slot) { return records::RaView(slot).raceNumber() > 0; }));

    m_pacer.restart();
    for (std::size_t i = 0; i < kDaySlots && !m_channel.cancelRequested(); ++i) {
        m_raceError = false;
        ++m_bar.position;
        progressed();
        giveTurn();

        const std::string slot = m_dayTable[i];
        const records::RaView ra(slot);
        if (ra.raceNumber() <= 0)
            continue;
        const std::string track = KeibaFuncNV::TrackName(ra.trackCode(), 2);
        const std::string race = text::rightNumber(ra.raceNumberText());
        m_raceLabel = "[" + track + race + "R]";
        const std::string key(ra.raceKey());

        m_progressLabel = sj("単複枠データ読込み中:") + track + race + "R";
        progressed();
        giveTurn();
        bool gotOdds = fetchOdds("0B41", key, store::StoreKind::O1);

        // A cancel during the first request ends the race too: its quinella request
        // would only open and close again.
        if (!m_channel.cancelRequested()) {
            m_progressLabel = sj("馬連　データ読込み中:") + track + race + "R";
            progressed();
            giveTurn();
            gotOdds = fetchOdds("0B42", key, store::StoreKind::O2) || gotOdds;
        }

        if (m_raceError)
            ++m_racesWithError;
        else if (gotOdds && !m_channel.cancelRequested())
            ++m_racesImported;
        ++m_racesTried;
    }

    m_quiet = false;
    m_bar = {100, 100};
    changed();
    const bool cancelled = m_channel.cancelRequested();
    if (!m_batch) {
        const std::string label = selectedLabel();
        if (cancelled) {
            tellAfterwards(Box::Information,
                           label + sj("のデータ作成がキャンセルされしました。データが不完全でないか確認をお奨めします。"));
        } else {
            std::string text = label + sj("のデータ作成が完了しました。") + "\r\n" + sj("対象R:") +
                               text::formatInt(m_racesTried) + sj("R/");
            if (m_racesWithError == 0)
                text += sj("エラー発生Rはありませんでした。");
            else
                text += sj("【注意】確認してください。⇒エラー発生R:") + text::formatInt(m_racesWithError) + "R";
            tellAfterwards(Box::Information, std::move(text));
        }
    }
    m_host.setBusyCursor(false);
    return races > 0 && m_racesImported == races;
}

bool BatchOddsImport::fetchOdds(std::string_view spec, std::string_view key, store::StoreKind kind)
{
    std::vector<std::string>& buffer = kind == store::StoreKind::O1 ? m_o1Buffer : m_o2Buffer;
    const int r = m_channel.link().NVRTOpen(spec, key);
    if (r != 0 && m_channel.cancelRequested()) {
        // Given up for the cancel, not failed.
        closeStep();
        return false;
    }
    if (r != 0) {
        m_host.beep();
        m_errorLabel = sj("NVRTOpenエラー:") + m_raceLabel + nvMessage(NvOperation::NVRTOpen, r);
        m_raceError = true;
        changed();
        closeStep();
        return false;
    }
    buffer.clear();
    const bool complete = readLoop(buffer);
    closeStep();
    // A cancelled or broken read holds only part of the series; writing it would
    // replace the whole stored series with that part.
    if (!complete)
        return false;
    return m_store.storeOdds(kind, buffer).kept > 0;
}

bool BatchOddsImport::readLoop(std::vector<std::string>& buffer)
{
    // Kept as delivered: the odds writer keeps only the odds of the race asked for and
    // sets their data kind to "0" itself.
    const RealtimeRead read = readRealtime(
        m_channel.link(), m_host, [this] { giveTurn(); }, [this] { return m_channel.cancelRequested(); },
        [&buffer](std::string_view rec) { buffer.emplace_back(records::withoutLineEnd(rec)); });
    if (read.end == RealtimeRead::End::Failed) {
        m_host.beep();
        m_errorLabel = sj("NVReadエラー:") + nvMessage(NvOperation::NVRead, read.code);
        m_raceError = true;
        changed();
    }
    return read.end == RealtimeRead::End::Complete;
}

void BatchOddsImport::closeStep()
{
    const int r = m_channel.link().NVClose();
    m_host.setBusyCursor(false);
    if (r != 0) {
        m_host.beep();
        m_errorLabel = sj("NVCloseエラー:") + nvMessage(NvOperation::NVClose, r);
        // A transfer that did not close is not a clean race: count it.
        m_raceError = true;
        changed();
    }
}

void BatchOddsImport::endWithFileError(const std::string& platformMessage)
{
    m_quiet = false;
    m_host.setBusyCursor(false);
    changed();
    m_toldBoxes.emplace_back(Box::Message, text::fromUtf8(platformMessage));
}

void BatchOddsImport::tellAfterwards(Box box, std::string text)
{
    m_toldBoxes.emplace_back(box, std::move(text));
    if (!m_running)
        showToldBoxes();
}

void BatchOddsImport::showToldBoxes()
{
    // Taken first: a box pumps events, and a click there may start the next import.
    std::vector<std::pair<Box, std::string>> boxes = std::move(m_toldBoxes);
    m_toldBoxes.clear();
    for (auto& [box, text] : boxes) {
        switch (box) {
        case Box::Information:
            m_host.beep();
            m_host.information(text);
            break;
        case Box::Message:
            m_host.message(text);
            break;
        }
    }
}

void BatchOddsImport::importPeriod(Period period)
{
    if (!hasSelection())
        return;
    m_errorLabel.clear();
    changed();
    const std::string selected = selectedLabel();
    const std::string year(text::bytesAt(selected, 1, 4));
    const std::string month(text::bytesAt(selected, 7, 2));
    const std::string question =
        period == Period::Month
            ? year + sj("年") + month + sj("月のオッズデータ取込（全日分）を開始します。これには相応の時間がかかります。開始してよろしいですか？")
            : year + sj("年のオッズデータ取込（全日分）を開始します。これには相応の時間がかかります。開始してよろしいですか？");
    if (!m_host.confirm(question))
        return;
    {
        NvChannel::Claim claim(m_channel);
        if (!claim) {
            refuseWhileBusy(m_host);
            return;
        }
        m_running = true;
        m_channel.clearCancel();
        m_batch = true;
        int started = 0;
        int whole = 0; // days whose every race came in
        bool lastWhole = true;
        const std::string wanted = period == Period::Month ? year + month : year;
        try {
            for (std::size_t i = 0; i < m_dateItems.size(); ++i) {
                const std::string date = labelDate(m_dateItems[i]);
                if (date < kFirstOddsDate || date.substr(0, wanted.size()) != wanted)
                    continue;
                m_selected = static_cast<int>(i);
                loadDayTable();
                changed();
                ++started;
                lastWhole = runDay();
                if (lastWhole)
                    ++whole;
                if (m_channel.cancelRequested())
                    break;
            }
            m_batch = false;
            changed();
            if (started > 0)
                tellAfterwards(Box::Information, periodReport(started, whole, m_channel.cancelRequested(), lastWhole));
        } catch (const text::FileError& e) {
            m_batch = false;
            endWithFileError(e.what());
        }
        m_running = false;
    }
    showToldBoxes();
}

std::string BatchOddsImport::periodReport(int started, int whole, bool cancelled, bool lastWhole) const
{
    std::string text;
    if (cancelled)
        text = sj("オッズデータ取込を中止しました。") + "\r\n";
    text += text::formatInt(whole) + sj("日分のオッズを取り込みました。");
    if (cancelled && !lastWhole)
        text += "\r\n" + sj("【注意】") + selectedLabel() + sj("のデータは不完全です。");
    else if (!cancelled && whole < started)
        text += "\r\n" + sj("【注意】オッズが揃わなかった日:") + text::formatInt(started - whole) + sj("日");
    return text;
}

void BatchOddsImport::cancel()
{
    if (!m_host.confirm(sj("データ取込を中止します。実行しますか？")))
        return;
    m_channel.requestCancel();
    m_progressLabel = sj("NVCancel:キャンセルされました");
    changed();
    // While an import runs, the box waits for it to stop and give the service back.
    tellAfterwards(Box::Information, sj("NVCancel:キャンセルされました"));
}

} // namespace tidemark::acquisition
