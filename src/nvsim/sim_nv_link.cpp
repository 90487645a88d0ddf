#include "nvsim/sim_nv_link.h"

#include <algorithm>

#include "nvsim/sim_records.h"
#include "text/cp932.h"
#include "text/number_format.h"
#include "text/system_places.h"

namespace tidemark::nvsim {

namespace {

// Result codes of the component.
constexpr int kNothingNewer = -1;
constexpr int kNotReady = -3;
constexpr int kBadDataSpec = -111;
constexpr int kBadFromTime = -112;
constexpr int kBadKey = -114;
constexpr int kBadOption = -115;
constexpr int kNotInitialised = -201;
constexpr int kAlreadyOpen = -202;
constexpr int kNotOpen = -203;
constexpr int kBufferTooSmall = -402; // "the downloaded file size is abnormal"

bool allDigits(std::string_view s)
{
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::optional<text::DateTime> dateOfKey(std::string_view yyyymmdd)
{
    if (yyyymmdd.size() != 8 || !allDigits(yyyymmdd)) {
        return std::nullopt;
    }
    text::DateTime t;
    t.year = static_cast<int>(text::readInt(yyyymmdd.substr(0, 4)));
    t.month = static_cast<int>(text::readInt(yyyymmdd.substr(4, 2)));
    t.day = static_cast<int>(text::readInt(yyyymmdd.substr(6, 2)));
    t.hour = t.minute = t.second = 0;
    if (!text::isValidDate(t.year, t.month, t.day)) {
        return std::nullopt;
    }
    return t;
}

std::string stampText(SimMinute m)
{
    return text::formatDateTime("yyyymmddhhnnss", fromSimMinute(m));
}

} // namespace

text::DateTime systemClock() { return text::localNow(); }

SimNvLink::SimNvLink(SimConfig config, SimClock clock, std::function<int()> settingsDialog,
                     std::function<SimConfig()> reloadConfig)
    : m_config(std::move(config))
    , m_clock(clock ? std::move(clock) : SimClock(systemClock))
    , m_settingsDialog(std::move(settingsDialog))
    , m_reloadConfig(std::move(reloadConfig))
{
    applyConfig();
}

SimNvLink::~SimNvLink() = default;

void SimNvLink::applyConfig()
{
    const SteamPlan steam{m_config.steamRate, m_config.steamStrength};
    if (!m_world || m_world->seed() != m_config.seed || m_world->steam() != steam) {
        const text::DateTime today = m_clock();
        m_world = std::make_unique<SimWorld>(m_config.seed, today, today, steam);
        m_lastSeries.reset();
        if (m_transfer == Transfer::RealTime) {
            closeTransfer(); // the race it pointed into belongs to the old world
        }
    }
    refreshWindow();
}

void SimNvLink::refreshWindow()
{
    const text::DateTime today = text::DateTime::fromDayNumber(m_clock().dayNumber());
    const text::DateTime first = m_config.firstDay.value_or(today.addDays(-400));
    const text::DateTime last = m_config.lastDay.value_or(today.addDays(1));
    m_world->setWindow(first, last);
}

SimMinute SimNvLink::now() const
{
    return toSimMinute(m_clock());
}

std::optional<int> SimNvLink::fault(const char* call)
{
    const int n = ++m_callCounts[call];
    for (const auto& f : m_config.faults) {
        if (text::equalsNoCase(f.call, call) && n >= f.at && n - f.at < f.count) {
            return f.code;
        }
    }
    return std::nullopt;
}

int SimNvLink::NVInit(std::string_view serviceId)
{
    (void)serviceId;
    if (auto f = fault("NVInit")) {
        return *f;
    }
    m_initialised = true;
    return 0;
}

int SimNvLink::NVSetUIProperties()
{
    if (auto f = fault("NVSetUIProperties")) {
        return *f;
    }
    const int r = m_settingsDialog ? m_settingsDialog() : 0;
    if (r == 0 && m_reloadConfig && m_transfer == Transfer::None) {
        m_config = m_reloadConfig();
        applyConfig();
    }
    return r;
}

int SimNvLink::NVOpen(std::string_view dataSpec, std::string_view fromTime, int option, int& readCount,
                      int& downloadCount, std::string& lastFileTimeStamp)
{
    readCount = 0;
    downloadCount = 0;
    lastFileTimeStamp.clear();
    if (auto f = fault("NVOpen")) {
        return *f;
    }
    if (!m_initialised) {
        return kNotInitialised;
    }
    if (m_transfer != Transfer::None) {
        return kAlreadyOpen;
    }
    if (dataSpec != "RACE") {
        return kBadDataSpec;
    }
    const auto from = text::parseCompactDateTime(fromTime);
    if (!from) {
        return kBadFromTime;
    }
    if (option < 1 || option > 4) {
        return kBadOption;
    }
    refreshWindow();
    m_files = storedFiles(from->secondsSinceEpoch(), now());
    if (m_files.empty()) {
        return kNothingNewer;
    }
    m_downloadCount = 0;
    for (auto& file : m_files) {
        file.needsDownload = m_config.downloadSpeed > 0 && !m_downloaded.contains(file.name);
        if (file.needsDownload) {
            file.downloadOrdinal = ++m_downloadCount;
        }
    }
    m_fetched = 0;
    m_fileIndex = 0;
    m_recordIndex = 0;
    m_fileLoaded = false;
    m_fileRecords.clear();
    m_transfer = Transfer::Stored;
    readCount = static_cast<int>(m_files.size());
    downloadCount = m_downloadCount;
    lastFileTimeStamp = stampText(m_files.back().stamp);
    return 0;
}

std::vector<SimNvLink::StoredFile> SimNvLink::storedFiles(std::int64_t fromSeconds, SimMinute now) const
{
    // A file is newer than the from-time when its stamp is strictly later, so the
    // stamp of the last file read, given back as the next from-time, excludes it.
    auto newer = [fromSeconds](SimMinute stamp) { return stamp * 60 > fromSeconds; };
    std::vector<StoredFile> files;
    const SimWorld& w = *m_world;
    const std::int64_t today = fromSimMinute(now).dayNumber();
    const std::int64_t start = std::max(w.firstDay().dayNumber(), text::DateTime::fromSecondsSinceEpoch(fromSeconds).dayNumber() - 1);
    const std::int64_t end = std::min(w.lastDay().dayNumber(), today + 2);
    for (std::int64_t d = start; d <= end; ++d) {
        for (const auto& m : w.meetingsOn(text::DateTime::fromDayNumber(d))) {
            const std::string stem = text::formatDateTime("yyyymmdd", m.date) + m.track;
            const auto& races = w.races(m);
            StoredFile card;
            card.meeting = m;
            if (now >= races.front().drawAt()) {
                card.drawn = true;
                card.stamp = races.front().drawAt();
            } else if (now >= races.front().entriesAt()) {
                card.stamp = races.front().entriesAt();
            }
            card.name = std::string(card.drawn ? "NVC2" : "NVC1") + stem + ".nvd";
            if (card.stamp > 0 && newer(card.stamp)) {
                files.push_back(card);
            }
            SimMinute done = 0;
            for (const auto& r : races) {
                done = std::max(done, r.cancelled ? r.cancelAt : r.resultAt());
            }
            StoredFile result;
            result.meeting = m;
            result.results = true;
            result.stamp = done + 20;
            result.name = "NVR7" + stem + ".nvd";
            if (now >= result.stamp && newer(result.stamp)) {
                files.push_back(result);
            }
        }
    }
    std::sort(files.begin(), files.end(), [](const StoredFile& a, const StoredFile& b) {
        return a.stamp != b.stamp ? a.stamp < b.stamp : a.name < b.name;
    });
    return files;
}

std::vector<std::string> SimNvLink::fileRecords(const StoredFile& f) const
{
    std::vector<std::string> out;
    for (const auto& race : m_world->races(f.meeting)) {
        if (!f.results) {
            const CardStage stage = f.drawn ? CardStage::Drawn : CardStage::Entries;
            out.push_back(raRecord(race, stage, f.stamp));
            for (const auto& r : race.runners) {
                out.push_back(seRecord(race, r, stage, f.stamp, nullptr));
            }
            continue;
        }
        const OddsSeries series(race);
        const OddsSnapshot closing = series.closing();
        out.push_back(raRecord(race, CardStage::Result, f.stamp));
        for (const auto& r : race.runners) {
            out.push_back(seRecord(race, r, CardStage::Result, f.stamp, &closing));
        }
        if (!race.cancelled) {
            out.push_back(hrRecord(race, closing, f.stamp, false));
        }
    }
    return out;
}

std::vector<std::string> SimNvLink::dayResults(const text::DateTime& day, SimMinute at) const
{
    std::vector<std::string> out;
    for (const SimRace* race : m_world->racesOn(day)) {
        const SimMinute known = race->cancelled ? race->cancelAt : race->resultAt();
        if (known > at) {
            continue;
        }
        const OddsSeries series(*race);
        const OddsSnapshot closing = series.closing();
        out.push_back(raRecord(*race, CardStage::Result, known));
        for (const auto& r : race->runners) {
            out.push_back(seRecord(*race, r, CardStage::Result, known, &closing));
        }
        if (!race->cancelled) {
            out.push_back(hrRecord(*race, closing, known, true));
        }
    }
    return out;
}

int SimNvLink::NVStatus()
{
    if (auto f = fault("NVStatus")) {
        return *f;
    }
    if (!m_initialised) {
        return kNotInitialised;
    }
    if (m_transfer != Transfer::Stored) {
        return kNotOpen;
    }
    m_fetched = std::min(m_downloadCount, m_fetched + m_config.downloadSpeed);
    return m_fetched;
}

int SimNvLink::NVGets(std::string& buffer, int size, std::string& fileName)
{
    if (auto f = fault("NVGets")) {
        return *f;
    }
    return readNext(buffer, size, fileName);
}

int SimNvLink::NVRead(std::string& record, int size, std::string& fileName)
{
    if (auto f = fault("NVRead")) {
        return *f;
    }
    return readNext(record, size, fileName);
}

int SimNvLink::readNext(std::string& out, int size, std::string& fileName)
{
    out.clear();
    if (!m_initialised) {
        return kNotInitialised;
    }
    // A record larger than the caller's buffer is neither cut nor dropped: the call
    // fails and the record stays next in line.
    auto tooBig = [size](const std::string& record) { return record.size() > static_cast<std::size_t>(std::max(size, 0)); };
    auto deliver = [&](std::string record) {
        out = std::move(record);
        return static_cast<int>(out.size());
    };
    switch (m_transfer) {
    case Transfer::None:
        return kNotOpen;
    case Transfer::RealTime:
        fileName.clear();
        if (m_rtSeries) {
            if (m_rtIndex >= m_rtCount) {
                return 0;
            }
            std::string rec = m_rtChannel == RtChannel::Win
                ? o1Record(*m_rtRace, m_rtSeries->snapshot(m_rtIndex, OddsSeries::Pools::WinPlaceBracket))
                : o2Record(*m_rtRace, m_rtSeries->snapshot(m_rtIndex, OddsSeries::Pools::Quinella));
            if (tooBig(rec)) {
                return kBufferTooSmall;
            }
            ++m_rtIndex;
            return deliver(std::move(rec));
        }
        if (m_rtIndex >= m_rtRecords.size()) {
            return 0;
        }
        if (tooBig(m_rtRecords[m_rtIndex])) {
            return kBufferTooSmall;
        }
        return deliver(m_rtRecords[m_rtIndex++]);
    case Transfer::Stored:
        break;
    }
    if (m_fileIndex >= m_files.size()) {
        fileName.clear();
        return 0;
    }
    StoredFile& file = m_files[m_fileIndex];
    fileName = file.name;
    if (file.needsDownload && file.downloadOrdinal > m_fetched) {
        // Still downloading: the fetch goes on in the background while the caller waits.
        m_fetched = std::min(m_downloadCount, m_fetched + std::max(1, m_config.downloadSpeed));
        return kNotReady;
    }
    if (!m_fileLoaded) {
        m_fileRecords = fileRecords(file);
        m_fileLoaded = true;
        m_recordIndex = 0;
        m_downloaded.insert(file.name);
    }
    if (m_recordIndex < m_fileRecords.size()) {
        if (tooBig(m_fileRecords[m_recordIndex])) {
            return kBufferTooSmall;
        }
        return deliver(m_fileRecords[m_recordIndex++]);
    }
    ++m_fileIndex;
    m_fileLoaded = false;
    m_fileRecords.clear();
    return -1;
}

int SimNvLink::NVRTOpen(std::string_view dataSpec, std::string_view key)
{
    if (auto f = fault("NVRTOpen")) {
        return *f;
    }
    if (!m_initialised) {
        return kNotInitialised;
    }
    if (m_transfer != Transfer::None) {
        return kAlreadyOpen;
    }
    RtChannel channel;
    if (dataSpec == "0B41") {
        channel = RtChannel::Win;
    } else if (dataSpec == "0B42") {
        channel = RtChannel::Quinella;
    } else if (dataSpec == "0B12") {
        channel = RtChannel::Results;
    } else {
        return kBadDataSpec;
    }
    refreshWindow();
    const SimMinute at = now();
    if (channel == RtChannel::Results) {
        const auto day = dateOfKey(key);
        if (!day) {
            return kBadKey;
        }
        if (m_world->meetingsOn(*day).empty()) {
            return kNothingNewer;
        }
        m_rtRecords = dayResults(*day, at);
        m_rtSeries.reset();
    } else {
        if (key.size() != 16 || !allDigits(key) || !dateOfKey(key.substr(0, 8))) {
            return kBadKey;
        }
        const SimRace* race = m_world->findRace(key);
        if (race == nullptr) {
            return kNothingNewer;
        }
        m_rtRace = race;
        m_rtSeries = seriesOf(*race);
        m_rtCount = m_rtSeries->countUpTo(at);
    }
    m_rtChannel = channel;
    m_rtIndex = 0;
    m_transfer = Transfer::RealTime;
    return 0;
}

std::shared_ptr<const OddsSeries> SimNvLink::seriesOf(const SimRace& race)
{
    // The odds of a race are asked for twice in a row ("0B41", then "0B42"): one market
    // serves both.
    if (!m_lastSeries || m_lastSeriesRace != &race) {
        m_lastSeries = std::make_shared<const OddsSeries>(race);
        m_lastSeriesRace = &race;
    }
    return m_lastSeries;
}

void SimNvLink::closeTransfer()
{
    m_transfer = Transfer::None;
    m_files.clear();
    m_fileRecords.clear();
    m_fileLoaded = false;
    m_fileIndex = 0;
    m_recordIndex = 0;
    m_downloadCount = 0;
    m_fetched = 0;
    m_rtSeries.reset();
    m_rtRace = nullptr;
    m_rtRecords.clear();
    m_rtIndex = 0;
    m_rtCount = 0;
}

int SimNvLink::NVClose()
{
    closeTransfer(); // a failed close still leaves nothing open, so the next transfer can start
    if (auto f = fault("NVClose")) {
        return *f;
    }
    return 0;
}

void SimNvLink::NVCancel()
{
    if (m_transfer == Transfer::Stored) {
        closeTransfer();
    }
}

} // namespace tidemark::nvsim
