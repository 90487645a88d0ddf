#pragma once
// The writers of the local record store. Acquisition (stored-data import, batch odds
// import, real-time fetches) is the only writer; every write loads the whole file,
// changes it in memory and replaces it atomically, so a crash or a full disk never
// leaves a half-written store file.
//
// A record is accepted with or without its trailing CR LF; stored, it is one line of
// exactly lineLength(kind) bytes followed by CR LF. Records that would corrupt the
// store are refused and reported, never written:
//   - a record of another kind, of the wrong length or with a line break inside (the
//     fixed-size readers would lose their alignment),
//   - a record whose date, track, meeting, day or race bytes are not digits (they
//     become part of a file name),
//   - a runner of a race above 12 or a horse outside 1–18 (no slot of its own).
// A platform file error throws text::FileError; files written before it stay.

#include "store/store_layout.h"

#include <cstddef>
#include <filesystem>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tidemark::store {

// Who stores the record. The results fetch never creates a race-card or runner file
// (only a day that was imported is updated) and stores payouts as delivered; the
// import creates day files and normalises payout lines.
enum class Origin { Import, ResultsFetch };

enum class StoreOutcome {
    Stored,       // the file holds the record (in a batch: once the batch is written)
    NoFile,       // results fetch for a day (or track) never imported: nothing written
    WrongKind,    // refused: bytes 1–2 are not the kind of this writer
    BadLine,      // refused: not lineLength(kind) bytes (+ CR LF), or a line break inside
    UnsafeKey,    // refused: key bytes are not digits
    OutsideSlots, // refused (SE): race outside 1–12 or horse outside 1–18
};

// True for the outcomes that mean the record was refused as faulty.
constexpr bool isRefusal(StoreOutcome o) noexcept
{
    switch (o) {
    case StoreOutcome::Stored:
    case StoreOutcome::NoFile:
        return false;
    case StoreOutcome::WrongKind:
    case StoreOutcome::BadLine:
    case StoreOutcome::UnsafeKey:
    case StoreOutcome::OutsideSlots:
        return true;
    }
    return true;
}

// Running counts of outcomes, for an import or fetch to report what it refused.
struct StoreTally {
    int stored = 0;
    int noFile = 0;
    int wrongKind = 0;
    int badLine = 0;
    int unsafeKey = 0;
    int outsideSlots = 0;

    void add(StoreOutcome o) noexcept;
    int refused() const noexcept { return wrongKind + badLine + unsafeKey + outsideSlots; }
};

// What one odds-file write did.
struct OddsWriteResult {
    bool written = false;        // the file holds the kept lines (left alone if it already did)
    std::filesystem::path file;  // that file; empty when nothing was kept
    int kept = 0;                // lines written
    int dropped = 0;             // data kind "0" or "9", or race number not positive
    int wrongKind = 0;           // refused: not an O1 (O2) record
    int badLine = 0;             // refused: wrong length or a line break inside
    int unsafeKey = 0;           // refused: key bytes not digits
    int otherRace = 0;           // refused: race key differs from the first kept record's

    int refused() const noexcept { return wrongKind + badLine + unsafeKey + otherRace; }
};

class RecordStore {
public:
    explicit RecordStore(StoreLayout layout);
    // Writes what a batch still holds; a file error there is lost, so end a batch with
    // endBatch() to see it.
    ~RecordStore();
    RecordStore(const RecordStore&) = delete;
    RecordStore& operator=(const RecordStore&) = delete;

    const StoreLayout& layout() const noexcept { return m_layout; }

    // Keyed update of the day's .nvRA file with one race card. Bytes 3–11 become
    // "000000000" (so the lines sort by race key); the line replaces the first line of
    // the same race key (bytes 12–27) or is appended; the lines are sorted ascending
    // without regard to case; a blank first line is dropped. From the results fetch a
    // missing day file is not created (NoFile).
    StoreOutcome storeRa(std::string_view record, Origin origin);

    // Keyed update of the day's .nvHR file with one payout record. From the import
    // bytes 3–11 become "000000000"; from the results fetch the line is stored as
    // delivered. Both create the file when missing. Sorted like .nvRA.
    StoreOutcome storeHr(std::string_view record, Origin origin);

    // Slot update of the day's runner file of the record's track: the line goes to
    // slot runnerSlot(race 26–27, horse 29–30), every other slot stays. A new file
    // starts as 216 lines of 553 blanks (import only; the results fetch writes only
    // into an existing file: NoFile).
    StoreOutcome storeSe(std::string_view record, Origin origin);

    // Replaces the odds file of one race (kind O1 or O2) with the records one request
    // returned: records of data kind "0" or "9" and of race number not positive are
    // dropped, faulty ones refused, byte 3 of the rest becomes "0"; the kept lines are
    // sorted ascending (without regard to case) and written to
    // Data/yyyymmdd/TTKKNNRR of the first kept record, creating the date folder. When
    // nothing is kept the existing file is not touched.
    OddsWriteResult storeOdds(StoreKind kind, std::span<const std::string> records);

    // Batches of day-file updates (RA, SE, HR). Every update is a whole-file rewrite
    // flushed to disk, well over a thousand of them for a busy race day; within a
    // batch the day files stay in memory and each changed file is written once, at
    // endBatch(), at flush(), or when the batch holds kBatchFiles files. An import
    // opens a batch before its read loop and ends it after (also on cancel). Outcomes are the same as
    // without a batch. While a batch is open this store must be the only writer of the
    // day files. A file error throws from the call that writes; every other file of
    // the batch is still written, and the batch is emptied. Batches nest: the
    // outermost endBatch() writes. StoreBatch below opens and ends one for a scope.
    static constexpr std::size_t kBatchFiles = 32;
    void beginBatch() noexcept { ++m_batchDepth; }
    void flush();
    // Writes what the batch holds all or none: every changed file goes to its
    // temporary file first, and only once all of them are on disk are they renamed
    // over the old ones. On a file error before the renames no file is replaced, the
    // batch is emptied, failedFile() names the file and the error is thrown: a caller
    // that kept the records can store those before the first one of that file again
    // and so stop at exactly the record that cannot be written.
    void flushAllOrNone();
    const std::filesystem::path& failedFile() const noexcept { return m_failedFile; }
    // Day files the open batch holds.
    std::size_t batchFiles() const noexcept { return m_files.size(); }
    void endBatch();
    bool inBatch() const noexcept { return m_batchDepth > 0; }

private:
    struct DayFile {
        bool onDisk = false;            // the file exists on disk ...
        std::string diskBytes;          // ... with these bytes
        bool exists = false;            // on disk or created in this batch
        std::vector<std::string> lines; // current content
        bool pending = false;           // lines not yet written
    };

    StoreOutcome keyedUpdate(StoreKind kind, std::string_view record, Origin origin);
    DayFile& dayFile(const std::filesystem::path& file);
    void save(DayFile& day);
    void startUpdate();

    StoreLayout m_layout;
    std::map<std::filesystem::path, DayFile> m_files;
    int m_batchDepth = 0;
    std::filesystem::path m_failedFile;
};

// A batch for the life of a scope, e.g. one import's read loop. commit() ends it and
// reports a file error; a scope left without commit() (an error, a cancel) still
// writes what the batch holds.
class StoreBatch {
public:
    explicit StoreBatch(RecordStore& store) noexcept : m_store(store) { m_store.beginBatch(); }
    ~StoreBatch();
    StoreBatch(const StoreBatch&) = delete;
    StoreBatch& operator=(const StoreBatch&) = delete;

    void commit();

private:
    RecordStore& m_store;
    bool m_open = true;
};

// The line a record is stored as, when it is one: the record without its CR LF if it
// has one, exactly lineLength(kind) bytes without a CR or LF; nullopt otherwise.
std::optional<std::string_view> storedLine(StoreKind kind, std::string_view record) noexcept;

} // namespace tidemark::store
