#pragma once
// The stored-data import: downloads through the service's stored-data channel every
// race card (RA), runner (SE) and payout (HR) record published since a chosen moment
// and files them into the day files of the store. It is the state and the behaviour
// of the "データ取込" window; the window shows the texts and bars kept here and hands
// every click and tick of TimerNVStatus to the methods below.
//
// Phases: idle → (start) downloading (TimerNVStatus polls NVStatus every 10 ms) →
// reading (NVGets until the end, giving the desktop a turn once a frame) → closed → idle.
// A download count of 0 goes straight to reading. Every transfer that was opened is
// closed, also after a service error, a cancel or a file error.

#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "acquisition/nv_channel.h"
#include "host/frame_pacer.h"
#include "host/host.h"
#include "settings/ini_file.h"
#include "store/record_store.h"
#include "text/date_time.h"

namespace tidemark::acquisition {

struct ProgressBar {
    int maximum = 100;
    int position = 0;
    bool operator==(const ProgressBar&) const = default;
};

class StoredDataImport {
public:
    enum class Phase { Idle, Downloading, Reading };

    static constexpr int kStatusIntervalMs = 10;
    static constexpr int kGetsBufferSize = 110000;
    // At the end of a service file the store batch is written once it holds this many
    // day files (well below the store's own limit, so a batch is written all or none).
    static constexpr std::size_t kWriteAtFiles = store::RecordStore::kBatchFiles / 2;

    StoredDataImport(NvChannel& channel, Host& host, store::RecordStore& store, IniFile& settings);
    StoredDataImport(const StoredDataImport&) = delete;
    StoredDataImport& operator=(const StoredDataImport&) = delete;
    ~StoredDataImport();

    // Runs after every change of a text, a bar, the picker or the phase; while records are
    // read, on a desktop that paces its turns, once a frame with the latest texts (every
    // end of the read shows its last texts).
    void setOnChange(std::function<void()> onChange) { m_onChange = std::move(onChange); }
    // Runs when a close of the window that had to wait for the running read may go on.
    void setOnCloseReady(std::function<void()> onCloseReady) { m_onCloseReady = std::move(onCloseReady); }

    // Window opened: the picker takes NvDataGet/LastTime (default now minus 366 days).
    void open();
    // The calendar picked a date; the time of day stays.
    void setDate(int year, int month, int day);
    // A whole start moment, date and time of day (the headless tool's --since).
    void setStart(const text::DateTime& moment);
    // "データ取込".
    void start();
    // TimerNVStatus tick.
    void statusTick();
    // "データ取込中止" (asks first).
    void cancel();
    // "UmaConn設定": the service's own settings dialog.
    void serviceSettings();
    // The window asks to close. True when it may close now; otherwise a read is running,
    // it has been told to stop, and onCloseReady runs once its transfer is closed.
    bool requestClose();

    const text::DateTime& picker() const noexcept { return m_picker; }
    // The picker's date as 'yyyy"年"mm"月"dd"日"'.
    const std::string& getDateLabel() const noexcept { return m_getDateLabel; }
    const std::string& progressLabel() const noexcept { return m_progressLabel; }
    const std::string& mkDataLabel() const noexcept { return m_mkDataLabel; }
    const ProgressBar& downloadBar() const noexcept { return m_downloadBar; }
    const ProgressBar& readBar() const noexcept { return m_readBar; }
    Phase phase() const noexcept { return m_phase; }

    int readCount() const noexcept { return m_readCount; }
    int downloadCount() const noexcept { return m_downloadCount; }
    int filesRead() const noexcept { return m_filesRead; }

private:
    void setPicker(const text::DateTime& t);
    void changed();
    // A change made while reading: shown at once, or at the next turn of a paced desktop.
    void progressed();
    // The desktop's turn in the read loop, once a frame: the latest texts, then its events.
    void giveTurn();
    void showPending();
    // Opens the transfer after the user's go-ahead; false when it ended at once.
    void openTransfer();
    void readLoop();
    void route(std::string_view recordBytes);
    store::StoreOutcome storeRecord(std::string_view kind, std::string_view recordBytes);
    // The read loop files its records through a store batch, written at safe points:
    // the end of a service file (once the batch holds kWriteAtFiles files), before
    // every box, on a cancel, at the end (before LastTime moves on) and on every error.
    // A file error while writing the batch replaces no file; the records before the
    // first one of the failed file are then written, the rest stored one by one, which
    // leaves exactly what record-by-record writes would have left, and rethrown.
    void beginStoreBatch();
    void writeStoreBatch();
    void endStoreBatch();
    std::filesystem::path fileOfRecord(std::string_view recordBytes) const;
    void finishRead();
    void closeStep();
    // Ends the transfer after a platform file error and shows it.
    void failWithFileError(const std::string& platformMessage);

    NvChannel& m_channel;
    Host& m_host;
    std::unique_ptr<HostTimer> m_statusTimer = m_host.makeTimer(TimerId::TimerNVStatus);
    store::RecordStore& m_store;
    IniFile& m_settings;
    std::function<void()> m_onChange;
    std::function<void()> m_onCloseReady;
    FramePacer m_pacer;
    bool m_changePending = false;

    text::DateTime m_picker;
    std::string m_getDateLabel;
    std::string m_progressLabel;
    std::string m_mkDataLabel;
    ProgressBar m_downloadBar;
    ProgressBar m_readBar;

    Phase m_phase = Phase::Idle;
    bool m_holdsChannel = false;
    bool m_cancel = false;
    bool m_closeRequested = false;
    int m_readCount = 0;
    int m_downloadCount = 0;
    std::string m_timeStamp;
    std::int64_t m_startDate = 0;
    int m_filesRead = 0;
    bool m_batchOpen = false;
    std::vector<std::string> m_unwritten; // records stored in the batch since it was last written
    std::string m_deferredError;          // a file error at a safe point reached from an event
};

} // namespace tidemark::acquisition
