// The store writers fed with arbitrary records inside a scratch program folder. Every
// part of the input is one record; its first byte picks the writer (and the origin) and
// the rest is the record. Afterwards every store file must be whole records of its kind,
// every file must lie inside Data, and nothing may appear beside the program folder.

#include "fuzz_support.h"
#include "records/record_view.h"
#include "store/record_reader.h"
#include "store/record_store.h"
#include "text/file_io.h"

#include <cstddef>
#include <cstring>
#include <cstdint>
#include <string>
#include <vector>

using namespace tidemark;
using store::StoreKind;

namespace {

// The kind a store file holds, by its name.
bool kindOfFile(const std::filesystem::path& p, StoreKind& kind)
{
    const std::string ext = p.extension().string();
    if (ext == ".nvRA") kind = StoreKind::RA;
    else if (ext == ".nvSEr") kind = StoreKind::SE;
    else if (ext == ".nvHR") kind = StoreKind::HR;
    else if (ext == ".nvO1") kind = StoreKind::O1;
    else if (ext == ".nvO2") kind = StoreKind::O2;
    else return false;
    return true;
}

void checkStore(const store::StoreLayout& layout)
{
    namespace fs = std::filesystem;
    for (const auto& e : fs::recursive_directory_iterator(layout.programFolder())) {
        if (e.is_directory())
            continue;
        const fs::path rel = fs::relative(e.path(), layout.dataFolder());
        if (rel.empty() || *rel.begin() == "..")
            fuzz::broken("a file outside Data");
        StoreKind kind{};
        if (!kindOfFile(e.path(), kind))
            fuzz::broken("a store file of no kind (a temporary file left behind?)");
        const std::string bytes = text::readFile(e.path());
        const std::size_t size = store::recordSize(kind);
        if (bytes.empty() || bytes.size() % size != 0)
            fuzz::broken("a store file that is not whole records");
        // Line ends only where records end: every CR and LF of the file found with memchr
        // (a byte-by-byte scan would take most of the run).
        for (const char end : {'\r', '\n'}) {
            const std::size_t endAt = end == '\r' ? size - 2 : size - 1;
            std::size_t found = 0;
            const char* const first = bytes.data();
            const char* const last = first + bytes.size();
            for (const char* p = first; (p = static_cast<const char*>(std::memchr(p, end, static_cast<std::size_t>(last - p))));
                 ++p) {
                if (static_cast<std::size_t>(p - first) % size != endAt)
                    fuzz::broken("a store record with a line end inside");
                ++found;
            }
            if (found != bytes.size() / size)
                fuzz::broken("a store record without its line end");
        }
        for (std::size_t at = 0; at < bytes.size(); at += size) {
            const std::string_view rec(bytes.data() + at, size);
            if (kind != StoreKind::SE || rec.substr(0, 2) == "SE")
                if (rec.substr(0, 2) != store::kindId(kind))
                    fuzz::broken("a record of another kind in a store file");
        }
        if (kind == StoreKind::SE && bytes.size() != size * store::kRunnerSlots)
            fuzz::broken("a runner file without its 216 slots");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static fuzz::Scratch scratch;
    const auto parts = fuzz::splitParts(data, size);
    store::StoreLayout layout(scratch.fresh());
    layout.createFolders();
    {
        store::RecordStore store(layout);
        std::vector<std::string> o1, o2;
        bool batched = false;
        for (std::string_view part : parts) {
            if (part.empty())
                continue;
            const unsigned op = static_cast<unsigned char>(part[0]);
            const std::string_view rec = part.substr(1);
            const store::Origin origin = (op & 8) ? store::Origin::ResultsFetch : store::Origin::Import;
            switch (op % 8) {
            case 0: store.storeRa(rec, origin); break;
            case 1: store.storeSe(rec, origin); break;
            case 2: store.storeHr(rec, origin); break;
            case 3: o1.emplace_back(rec); break;
            case 4: o2.emplace_back(rec); break;
            case 5: store.storeOdds(StoreKind::O1, o1); o1.clear(); break;
            case 6: store.storeOdds(StoreKind::O2, o2); o2.clear(); break;
            case 7:
                if (batched) store.endBatch(); else store.beginBatch();
                batched = !batched;
                break;
            }
        }
        store.storeOdds(StoreKind::O1, o1);
        store.storeOdds(StoreKind::O2, o2);
        if (batched)
            store.endBatch();
    }
    checkStore(layout);
    scratch.checkNothingOutside();
    return 0;
}
