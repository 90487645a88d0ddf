#include "acquisition/stored_data_import.h"

#include <algorithm>
#include <exception>
#include <iterator>
#include <utility>

#include "records/keiba_func_nv.h"
#include "records/record_view.h"
#include "service/nv_message.h"
#include "settings/settings_keys.h"
#include "text/cp932.h"
#include "text/file_io.h"
#include "text/number_format.h"

namespace tidemark::acquisition {

namespace {

using text::sj;

constexpr const char* kDateLabelPattern = "yyyy\"年\"mm\"月\"dd\"日\"";
// The service offers stored data from this date on.
constexpr std::string_view kFirstServiceDate = "20100201";
constexpr std::string_view kNoTimeStamp = "00000000000000";

std::string num(std::int64_t v) { return text::formatInt(v); }

std::string dateLabel(const text::DateTime& t) { return text::formatDateTime(sj(kDateLabelPattern), t); }

} // namespace

StoredDataImport::StoredDataImport(NvChannel& channel, Host& host, store::RecordStore& store,
                                   IniFile& settings)
    : m_channel(channel), m_host(host), m_store(store), m_settings(settings), m_pacer(host)
{
}

StoredDataImport::~StoredDataImport()
{
    // The window must not go while its transfer is open (requestClose sees to that);
    // should it happen anyway, the transfer is stopped and closed so that the service
    // stays usable for the next one.
    m_statusTimer->stop();
    try {
        endStoreBatch();
    } catch (...) {
        // Nobody is left to tell.
    }
    if (m_phase != Phase::Idle) {
        m_channel.link().NVCancel();
        m_channel.link().NVClose();
        m_host.setBusyCursor(false);
    }
    if (m_holdsChannel)
        m_channel.release();
}

void StoredDataImport::changed()
{
    m_changePending = false;
    if (m_onChange)
        m_onChange();
}

void StoredDataImport::progressed()
{
    if (m_pacer.paced())
        m_changePending = true;
    else
        changed();
}

void StoredDataImport::showPending()
{
    if (m_changePending)
        changed();
}

void StoredDataImport::giveTurn()
{
    if (!m_pacer.due())
        return;
    showPending();
    m_host.processEvents();
}

void StoredDataImport::setPicker(const text::DateTime& t)
{
    m_picker = t;
    m_getDateLabel = dateLabel(t);
}

void StoredDataImport::open()
{
    const text::DateTime now = m_host.now();
    std::string stored = settings::readLastTime(m_settings, now);
    auto moment = text::parseSlashDateTime(stored);
    // A hand-edited value that is no moment falls back to the default.
    if (!moment)
        moment = text::parseSlashDateTime(settings::lastTimeDefault(now));
    setPicker(moment ? *moment : now.addDays(-366));
    changed();
}

void StoredDataImport::setDate(int year, int month, int day)
{
    if (!text::isValidDate(year, month, day))
        return;
    text::DateTime t = m_picker;
    t.year = year;
    t.month = month;
    t.day = day;
    setPicker(t);
    changed();
}

void StoredDataImport::setStart(const text::DateTime& moment)
{
    setPicker(moment);
    changed();
}

void StoredDataImport::start()
{
    if (m_phase != Phase::Idle || m_channel.busy()) {
        refuseWhileBusy(m_host);
        return;
    }
    if (text::formatDateTime("yyyymmdd", m_picker) < kFirstServiceDate) {
        m_host.beep();
        m_host.information(sj("取得開始日付は2010年2月1日以降を指定してください。それ以前のデータは提供されておりません。"));
        return;
    }
    m_host.information(text::formatDateTime(sj("yyyy\"年\"mm\"月\"dd\"日\"hh\"時\"nn\"分\"ss\"秒\""), m_picker) +
                       sj("以降のデータ取込を開始します。データ作成が終了するまで本ソフトを操作したり他のアプリケーションを操作することは極力避けてください。"));
    // The box pumps events: check again before opening.
    if (m_phase != Phase::Idle || !m_channel.tryClaim()) {
        refuseWhileBusy(m_host);
        return;
    }
    m_holdsChannel = true;
    openTransfer();
}

void StoredDataImport::openTransfer()
{
    m_statusTimer->stop();
    m_cancel = false;
    m_closeRequested = false;
    m_downloadBar.position = 0;
    m_readBar.position = 0;

    const std::string fromTime = text::formatDateTime("yyyymmddhhnnss", m_picker);
    m_startDate = text::readInt(std::string_view(fromTime).substr(0, 8));
    m_host.setBusyCursor(true);

    m_readCount = 0;
    m_downloadCount = 0;
    m_timeStamp.clear();
    m_filesRead = 0;
    m_phase = Phase::Downloading; // the transfer is open from here on
    changed();

    const int r = m_channel.link().NVOpen("RACE", fromTime, 1, m_readCount, m_downloadCount, m_timeStamp);
    // A service in another process is waited for with the window's events served: a
    // cancel among them has closed the transfer already.
    if (m_phase != Phase::Downloading)
        return;
    if (r == -1 || (r == 0 && m_readCount <= 0)) {
        m_host.beep();
        m_host.information(sj("最新のデータがありません。"));
        closeStep();
        return;
    }
    if (r != 0) {
        m_host.beep();
        m_host.information(sj("NVOpenエラー:") + nvMessage(NvOperation::NVOpen, r));
        closeStep();
        return;
    }

    m_progressLabel = sj("NVOpen正常:") + nvMessage(NvOperation::NVOpen, 0);
    changed();
    m_progressLabel = sj("ReadCount:") + num(m_readCount) + sj(", DownloadCount:") + num(m_downloadCount);
    changed();
    if (m_downloadCount > 0) {
        m_progressLabel = sj("ダウンロード中・・・");
        m_downloadBar.maximum = m_downloadCount;
        changed();
        m_statusTimer->start(kStatusIntervalMs, [this] { statusTick(); });
        return;
    }
    m_downloadBar = {100, 100};
    readLoop();
}

void StoredDataImport::statusTick()
{
    if (m_phase != Phase::Downloading) {
        m_statusTimer->stop();
        return;
    }
    const int s = m_channel.link().NVStatus();
    if (m_phase != Phase::Downloading)
        return; // cancelled and closed while the service was asked
    if (s < 0) {
        // Stopped before the box: the box pumps events and the timer would tick on.
        m_statusTimer->stop();
        m_host.beep();
        m_host.information(sj("JVStatusエラー:") + nvMessage(NvOperation::NVStatus, s));
        closeStep();
        return;
    }
    if (s > m_downloadCount)
        return;
    if (s == m_downloadCount)
        m_statusTimer->stop();
    m_progressLabel = sj("ダウンロード中．．．(") + num(s) + "/" + num(m_downloadCount) + ")";
    m_downloadBar.position = s;
    changed();
    if (s == m_downloadCount)
        readLoop();
}

void StoredDataImport::readLoop()
{
    m_phase = Phase::Reading;
    m_progressLabel = sj("データ読込み中．．．(0/") + num(m_readCount) + ")";
    m_readBar = {m_readCount, 0};
    m_filesRead = 0;
    changed();

    std::string buffer;
    std::string fileName;
    m_pacer.restart();
    beginStoreBatch();
    try {
        for (;;) {
            giveTurn();
            if (!m_deferredError.empty())
                throw text::FileError(std::exchange(m_deferredError, {}));
            if (m_cancel) {
                endStoreBatch();
                break;
            }
            buffer.clear();
            const int n = m_channel.link().NVGets(buffer, kGetsBufferSize, fileName);
            if (n > 0) {
                route(text::bytesAt(buffer, 1, static_cast<std::size_t>(n)));
            } else if (n == -1) {
                // A file of the service ends: a safe point to write the batch, done
                // once it holds many day files (each write is flushed to disk).
                if (m_store.batchFiles() >= kWriteAtFiles)
                    writeStoreBatch();
                ++m_filesRead;
                m_readBar.position = m_filesRead;
                m_progressLabel = sj("データ読込み中．．．(") + num(m_filesRead) + "/" + num(m_readCount) + ")";
                m_mkDataLabel.clear();
                progressed();
            } else if (n == -2 || n == -3) {
                continue;
            } else if (n < -3 && m_cancel) {
                // The call was given up for a cancel served while it waited.
                endStoreBatch();
                break;
            } else if (n < -3) {
                endStoreBatch();
                showPending(); // the box stands over the texts of the last record read
                m_host.beep();
                m_host.information(sj("NVReadエラー:") + nvMessage(NvOperation::NVRead, n));
                break;
            } else {
                // Everything on disk before the next start moves past these files.
                endStoreBatch();
                finishRead();
                break;
            }
        }
    } catch (const std::exception& e) {
        // Platform file errors, and anything else that ends the read: what was read
        // before is written, and the transfer closed, before the message.
        const std::string message = e.what();
        try {
            endStoreBatch();
        } catch (const std::exception&) {
            // The first error is the one shown.
        }
        failWithFileError(message);
        return;
    }
    closeStep();
}

void StoredDataImport::beginStoreBatch()
{
    if (m_batchOpen)
        return;
    m_store.beginBatch();
    m_batchOpen = true;
    m_unwritten.clear();
}

void StoredDataImport::writeStoreBatch()
{
    if (!m_batchOpen)
        return;
    std::vector<std::string> records;
    records.swap(m_unwritten);
    std::vector<std::string> tail; // from the first record of a file that could not be written
    for (;;) {
        try {
            m_store.flushAllOrNone();
            break;
        } catch (const text::FileError&) {
            // No file was replaced. Stored one at a time, the records would have been
            // written up to the first one of that file: those before it are stored
            // again and written together, the rest one at a time below.
            const std::filesystem::path failed = m_store.failedFile();
            const auto first = std::find_if(records.begin(), records.end(), [&](const std::string& rec) {
                return fileOfRecord(rec) == failed;
            });
            if (first == records.end())
                throw;
            tail.insert(tail.begin(), std::make_move_iterator(first), std::make_move_iterator(records.end()));
            records.erase(first, records.end());
            for (const std::string& rec : records)
                storeRecord(records::RecordView(rec).recordKind(), rec);
            m_unwritten.clear();
        }
    }
    if (tail.empty())
        return;
    // Record by record from the first one of the failed file: the error comes from
    // exactly the record a record-by-record import would have stopped at.
    m_batchOpen = false;
    m_store.endBatch();
    for (const std::string& rec : tail)
        storeRecord(records::RecordView(rec).recordKind(), rec);
    // Written after all (the fault has passed): the read goes on in a batch.
    beginStoreBatch();
}

std::filesystem::path StoredDataImport::fileOfRecord(std::string_view rec) const
{
    const std::string_view kind = records::RecordView(rec).recordKind();
    const store::StoreKind k = kind == "RA" ? store::StoreKind::RA
                             : kind == "SE" ? store::StoreKind::SE
                                            : store::StoreKind::HR;
    return m_store.layout().fileOf(k, rec).value_or(std::filesystem::path());
}

void StoredDataImport::endStoreBatch()
{
    if (!m_batchOpen)
        return;
    writeStoreBatch();
    m_batchOpen = false;
    m_unwritten.clear();
    m_store.endBatch();
}

store::StoreOutcome StoredDataImport::storeRecord(std::string_view kind, std::string_view rec)
{
    store::StoreOutcome o = store::StoreOutcome::WrongKind;
    if (kind == "RA")
        o = m_store.storeRa(rec, store::Origin::Import);
    else if (kind == "SE")
        o = m_store.storeSe(rec, store::Origin::Import);
    else if (kind == "HR")
        o = m_store.storeHr(rec, store::Origin::Import);
    if (o == store::StoreOutcome::Stored && m_batchOpen)
        m_unwritten.emplace_back(rec);
    return o;
}

void StoredDataImport::route(std::string_view rec)
{
    const records::RecordView view(rec);
    const std::string_view kind = view.recordKind();
    const bool isRa = kind == "RA";
    const bool isSe = kind == "SE";
    const bool isHr = kind == "HR";
    if (!isRa && !isSe && !isHr)
        return;

    // A difference of the numbers yyyymmdd: ten "days" back within the month, and no
    // day of the previous month once the start is past the 10th.
    const bool inDateRange = text::readInt(view.dayKey()) >= m_startDate - 10;
    const std::int64_t race = view.raceNumber();
    if (!inDateRange || race <= 0)
        return;

    const std::string track = KeibaFuncNV::TrackName(view.trackCode(), 2);
    const std::string dayText = std::string(view.yearText()) + sj("年") + std::string(view.monthText()) + sj("月") +
                                std::string(view.dayText()) + sj("日");
    const std::string raceText = std::string(view.raceNumberText()) + "R";

    if (isRa) {
        const int runners = records::RaView(rec).runnerCount();
        if (runners < 1 || runners > 18)
            return;
        if (storeRecord(kind, rec) != store::StoreOutcome::Stored)
            return;
        m_mkDataLabel = sj("開催:") + dayText + track + raceText;
    } else if (isSe) {
        const records::SeView se(rec);
        const int horse = se.horseNumber();
        if (horse < 1 || horse > 18)
            return;
        if (storeRecord(kind, rec) != store::StoreOutcome::Stored)
            return;
        m_mkDataLabel = sj("馬毎:") + track + raceText + "/" +
                        KeibaFuncNV::CircledNumber(se.horseNumberText()) +
                        std::string(text::bytesAt(se.horseName(), 1, 18));
    } else {
        if (storeRecord(kind, rec) != store::StoreOutcome::Stored)
            return;
        m_mkDataLabel = sj("払戻:") + dayText + track + raceText;
    }
    progressed();
}

void StoredDataImport::finishRead()
{
    m_progressLabel = sj("データ読込み完了(") + num(m_filesRead) + "/" + num(m_readCount) + ")";
    m_downloadBar.position = 0;
    m_readBar.position = 0;
    changed();
    const std::string_view stamp = text::trim(m_timeStamp);
    if (!stamp.empty() && stamp != kNoTimeStamp) {
        if (auto moment = text::parseCompactDateTime(stamp)) {
            setPicker(*moment);
            settings::writeLastTime(m_settings, text::formatDateTime("yyyy/mm/dd hh:nn:ss", *moment));
        }
    }
    m_progressLabel = sj("データ作成が完了しました。");
    changed();
}

void StoredDataImport::closeStep()
{
    m_statusTimer->stop();
    const int r = m_channel.link().NVClose();
    m_host.setBusyCursor(false);
    m_phase = Phase::Idle;
    if (m_holdsChannel) {
        m_channel.release();
        m_holdsChannel = false;
    }
    changed();
    m_host.beep();
    if (r != 0)
        m_host.information(sj("NVCloseエラー:") + nvMessage(NvOperation::NVClose, r));
    if (m_closeRequested) {
        m_closeRequested = false;
        if (m_onCloseReady)
            m_onCloseReady();
    }
}

void StoredDataImport::failWithFileError(const std::string& platformMessage)
{
    const bool closeRequested = m_closeRequested;
    m_closeRequested = false;
    closeStep();
    m_host.message(text::fromUtf8(platformMessage));
    if (closeRequested && m_onCloseReady)
        m_onCloseReady();
}

void StoredDataImport::cancel()
{
    // No ticks while the box is up: a tick could start the read inside the box.
    const bool wasDownloading = m_phase == Phase::Downloading;
    if (wasDownloading)
        m_statusTimer->stop();
    // The box pumps events and the program may be closed from it: what the running
    // read holds goes to disk first. Its file error ends the read at its next turn.
    if (m_phase == Phase::Reading) {
        try {
            writeStoreBatch();
        } catch (const std::exception& e) {
            m_deferredError = e.what();
        }
    }
    if (!m_host.confirm(sj("データ取込を中止します。実行しますか？"))) {
        if (wasDownloading && m_phase == Phase::Downloading)
            m_statusTimer->start(kStatusIntervalMs, [this] { statusTick(); });
        return;
    }
    m_statusTimer->stop();
    // Only our own transfer is cancelled; with nothing open there is nothing to stop.
    if (m_phase != Phase::Idle)
        m_channel.link().NVCancel();
    m_cancel = true;
    m_host.beep();
    m_host.information(sj("NVCancel:キャンセルされました"));
    m_progressLabel = sj("NVCancel:キャンセルされました");
    changed();
    // A read stops at its next turn and closes; a download wait has no loop to do it.
    if (m_phase == Phase::Downloading)
        closeStep();
}

void StoredDataImport::serviceSettings()
{
    // The component's dialog is a call of the service like any other: background work
    // (the odds watch) closes its transfer first.
    int r = 0;
    {
        NvChannel::Claim claim(m_channel);
        if (m_phase != Phase::Idle || !claim) {
            refuseWhileBusy(m_host);
            return;
        }
        r = m_channel.link().NVSetUIProperties();
    }
    if (r != 0) {
        m_host.beep();
        m_host.information(sj("NVSetUIPropertiesエラー：") + nvMessage(NvOperation::NVSetUIProperties, r));
    }
}

bool StoredDataImport::requestClose()
{
    switch (m_phase) {
    case Phase::Idle:
        return true;
    case Phase::Downloading:
        m_statusTimer->stop();
        m_channel.link().NVCancel();
        m_cancel = true;
        closeStep();
        return true;
    case Phase::Reading:
        m_cancel = true;
        m_closeRequested = true;
        return false;
    }
    return true;
}

} // namespace tidemark::acquisition
