#pragma once
// The simulated data-service component: the calls of the provider's component over a
// simulated world of local racing. Stored data ("RACE") holds the race cards and
// results files published up to the clock's now; the real-time channel gives a race's
// odds announcements up to now ("0B41" win/place/bracket, "0B42" quinella) and the
// results of a day's races that have run ("0B12"). One transfer is open at a time.
//
// What the clock has published, per track and race day D:
//   D-2 16:00  entries: race cards, runners without gates (horse number "00")
//   D-1 12:00  gates drawn: the card again with horse numbers and brackets
//   D-1 17:00  advance sale of some races (odds announcements until 21:00)
//   race day   the sale opens in the morning, an announcement every 1-3 minutes,
//              the final one at the post time; results a few minutes after it
//   last race  + 20 minutes: the day's results file (RA, SE, HR) in stored data
// Stored files carry these moments as their time stamps; NVOpen gives those newer
// than the from-time. Files fetched once stay at hand for later transfers.

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "nvsim/odds_series.h"
#include "nvsim/sim_config.h"
#include "nvsim/sim_world.h"
#include "service/nv_link.h"
#include "text/date_time.h"

namespace tidemark::nvsim {

using SimClock = std::function<text::DateTime()>;

class SimNvLink : public NvLink {
public:
    // `clock` is the local wall clock (tests fix it). `settingsDialog` shows the
    // component's settings dialog and answers 0 (saved) or -100/-2; after it the
    // settings are read again through `reloadConfig`. Both may be empty.
    SimNvLink(SimConfig config, SimClock clock, std::function<int()> settingsDialog = {},
              std::function<SimConfig()> reloadConfig = {});
    ~SimNvLink() override;

    int NVInit(std::string_view serviceId) override;
    int NVSetUIProperties() override;
    int NVOpen(std::string_view dataSpec, std::string_view fromTime, int option, int& readCount,
               int& downloadCount, std::string& lastFileTimeStamp) override;
    int NVStatus() override;
    int NVGets(std::string& buffer, int size, std::string& fileName) override;
    int NVRead(std::string& record, int size, std::string& fileName) override;
    int NVRTOpen(std::string_view dataSpec, std::string_view key) override;
    int NVClose() override;
    void NVCancel() override;

    const SimWorld& world() const { return *m_world; }
    const SimConfig& config() const { return m_config; }

private:
    struct StoredFile {
        std::string name;
        SimMinute stamp = 0;
        SimMeeting meeting;
        bool results = false;   // results file, else race card
        bool drawn = false;     // card with gates drawn
        bool needsDownload = false;
        int downloadOrdinal = 0;
    };
    enum class Transfer { None, Stored, RealTime };
    enum class RtChannel { Win, Quinella, Results };

    void applyConfig();
    void refreshWindow();
    std::optional<int> fault(const char* call);
    SimMinute now() const;
    std::vector<StoredFile> storedFiles(std::int64_t fromSeconds, SimMinute now) const;
    std::vector<std::string> fileRecords(const StoredFile& f) const;
    std::vector<std::string> dayResults(const text::DateTime& day, SimMinute now) const;
    int readNext(std::string& out, int size, std::string& fileName);
    std::shared_ptr<const OddsSeries> seriesOf(const SimRace& race);
    void closeTransfer();

    SimConfig m_config;
    SimClock m_clock;
    std::function<int()> m_settingsDialog;
    std::function<SimConfig()> m_reloadConfig;
    std::unique_ptr<SimWorld> m_world;
    std::map<std::string, int> m_callCounts;
    bool m_initialised = false;
    Transfer m_transfer = Transfer::None;

    // Stored-data transfer.
    std::vector<StoredFile> m_files;
    std::set<std::string> m_downloaded; // files fetched in an earlier transfer stay at hand
    int m_downloadCount = 0;
    int m_fetched = 0;
    std::size_t m_fileIndex = 0;
    std::vector<std::string> m_fileRecords;
    bool m_fileLoaded = false;
    std::size_t m_recordIndex = 0;

    // Real-time transfer.
    RtChannel m_rtChannel = RtChannel::Win;
    const SimRace* m_rtRace = nullptr;
    std::shared_ptr<const OddsSeries> m_rtSeries;
    std::shared_ptr<const OddsSeries> m_lastSeries; // of the race last asked for
    const SimRace* m_lastSeriesRace = nullptr;
    std::size_t m_rtCount = 0;
    std::vector<std::string> m_rtRecords; // results of a day
    std::size_t m_rtIndex = 0;
};

// The local wall clock of this machine.
text::DateTime systemClock();

} // namespace tidemark::nvsim
