#pragma once
// The odds watch of race day ("オッズ監視"): while today's races are loaded, it fetches
// the win/place/bracket ("0B41") and quinella ("0B42") odds of every race whose post is
// at most `ahead` minutes away and not yet past, in rounds every `every` minutes, nearest
// post first, and replaces the races' odds files as "ｵｯｽﾞ取得" does. In a race's last
// `near` minutes before its post, and after it until its final odds are in, the race is
// read every minute besides (0 leaves every race to the rounds).
//
// It works in the background: one race per step, driven by its own timer, so the window
// stays usable between races and its read loop pumps events within one. It holds the
// data service on a claim that gives way (nv_channel.h): a user's fetch or import goes
// first, the race it interrupted is fetched again once the service is free, and a step
// that finds the service in use waits for the next heartbeat. A service error on a race
// is logged and shown as the last error; the next request goes on.
//
// A race's last announcements come at and just after its post: the watch fetches it once
// more when the post has come, and again in the next rounds until the final odds are in
// (or kFinalWaitMinutes have passed). It stops by itself when every race of the day is
// done so. Texts are CP932.

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "acquisition/nv_channel.h"
#include "host/frame_pacer.h"
#include "host/host.h"
#include "store/record_store.h"

namespace tidemark::acquisition {

class OddsWatch {
public:
    // How often a waiting watch looks at the clock and the service.
    static constexpr int kHeartbeatMs = 1000;
    // The pause between two races of one round: events run in between.
    static constexpr int kNextRaceMs = 20;

    static constexpr int kMinAhead = 5;
    static constexpr int kMaxAhead = 240;
    static constexpr int kMinEvery = 1;
    static constexpr int kMaxEvery = 30;
    static constexpr int kMinNear = 0;
    static constexpr int kMaxNear = 30;
    static constexpr int kDefaultNear = 10;
    // How long after its post a race is asked for its final odds.
    static constexpr int kFinalWaitMinutes = 10;
    // Race cards of one day at most.
    static constexpr std::size_t kDaySlots = 96;

    enum class State {
        Off,               // not switched on
        NotToday,          // on, but the races given are not today's (or none are stored)
        Waiting,           // on, waiting for the next round or for a race to come near
        Fetching,          // reading a race's odds
        WaitingForService, // another acquisition holds the service
        Finished,          // every race has run and has its final odds; the watch has stopped itself
        Failed,            // a file could not be written; the watch has stopped
    };

    // programFolder: where ErrorLog.txt lives.
    OddsWatch(NvChannel& channel, Host& host, store::RecordStore& store, std::filesystem::path programFolder);
    ~OddsWatch();
    OddsWatch(const OddsWatch&) = delete;
    OddsWatch& operator=(const OddsWatch&) = delete;

    // Minutes ahead of the post (clamped to kMinAhead..kMaxAhead), between rounds
    // (kMinEvery..kMaxEvery) and of the minute-by-minute reads before the post
    // (kMinNear..kMaxNear; 0: none); they apply from the next round on.
    void setTimes(int aheadMinutes, int everyMinutes, int nearMinutes);
    int aheadMinutes() const noexcept { return m_ahead; }
    int everyMinutes() const noexcept { return m_every; }
    int nearMinutes() const noexcept { return m_near; }

    // The race cards of the loaded day (any order). Another day, or changed post times,
    // end the current round and start a new one at the next step; the same races again
    // (the day reloaded) change nothing.
    void setDay(const std::vector<std::string>& raceCards);
    // From now on the watch takes today's race cards from the store itself (at every
    // round, and as soon as the day turns), whatever day anyone else looks at.
    void followToday() { m_followToday = true; }
    // yyyymmdd of the races watched; empty when none.
    const std::string& dayKey() const noexcept { return m_dayKey; }

    // Switches the watch on (its first round at once) or off. Off closes nothing by
    // force: a race being read stops at its next record.
    void start();
    void stop();
    bool on() const noexcept { return m_on; }

    // One step, run by the watch's timer: a look at the clock and, when a race is due
    // and the service is free, the fetch of that race.
    void tick();

    State state() const noexcept { return m_state; }
    // What the status bar shows: the state, the race being read and the round's progress;
    // while waiting, the time of the next read and how old the nearest race's latest
    // stored announcement is: "オッズ監視中：次回 10:17　大井 2R 10:16発表(1分前)".
    const std::string& statusText() const noexcept { return m_status; }
    // Every race still watched, one a line in post order, with its latest announcement:
    // "大井 2R 10:20発走 10:16発表(1分前)" or "… 未取得".
    std::string freshnessText() const;
    // The last error, with its time: "10:31 大井 5R:ｵｯｽﾞ取得エラー：…"; empty when none.
    const std::string& lastError() const noexcept { return m_lastError; }
    int racesFetched() const noexcept { return m_racesFetched; }
    int requestErrors() const noexcept { return m_requestErrors; }

    // Runs after every change of the state, the status text or the last error.
    void setOnChange(std::function<void()> onChange) { m_onChange = std::move(onChange); }
    // Runs after the odds files of a race were written (its race key, bytes 12–27).
    void setOnRaceWritten(std::function<void(std::string_view raceKey)> onWritten)
    {
        m_onRaceWritten = std::move(onWritten);
    }
    // Asked between requests and records: true stops the watch (the companion tool's Ctrl-C).
    void setStopRequested(std::function<bool()> stopRequested) { m_stopRequested = std::move(stopRequested); }

private:
    struct Race {
        std::string key;      // bytes 12–27
        std::string name;     // "大井 5"
        int postMinute = -1;  // minutes after midnight; -1 when the card has no post time
        bool fetchedAfterPost = false; // read once its post had come
        bool finalIn = false;          // its final (or cancelled) announcement is stored
        std::string announced;         // MMDDhhmm of its latest announcement read; empty before
    };
    enum class Transfer { Complete, Failed, Stopped, Lost };

    bool stopRequested() const;
    bool isToday() const;
    void loadToday();
    // Still to be read: before its post within `ahead`, or after it without its final odds.
    bool due(const Race& race, int nowMinute) const;
    // Read every minute now: in its last `near` minutes, or after its post.
    bool near(const Race& race, int nowMinute) const;
    bool dayDone(int nowMinute) const;
    void startRound(int nowSecond);
    void minuteRound(int nowSecond);
    void enqueue(const Race& race);
    // Second of the day of the next read, once the queue is empty; -1 when none is left.
    int nextReadSecond(int nowSecond) const;
    std::string waitingText(int nowSecond) const;
    std::string freshness(const Race& race, int nowMinute) const;
    void fetchNext();
    Transfer transfer(std::string_view spec, const Race& race, std::vector<std::string>& buffer,
                      const NvChannel::BackgroundClaim& claim, bool& finalSeen);
    void closeTransfer(const Race& race);
    void giveWay();
    void requestError(const Race& race, std::string message);
    void fileError(const std::string& platformMessage);
    void finish();
    void schedule(int ms);
    void setState(State state, std::string status);
    void changed();

    NvChannel& m_channel;
    Host& m_host;
    std::unique_ptr<HostTimer> m_timer = m_host.makeTimer(TimerId::OddsWatchTimer);
    store::RecordStore& m_store;
    std::filesystem::path m_programFolder;
    FramePacer m_pacer{m_host}; // the desktop's turns between records
    std::function<void()> m_onChange;
    std::function<void(std::string_view)> m_onRaceWritten;
    std::function<bool()> m_stopRequested;

    int m_ahead = 60;
    int m_every = 2;
    int m_near = kDefaultNear;
    std::vector<Race> m_races;      // the day, by post time
    std::string m_dayKey;           // yyyymmdd of the races
    std::vector<Race> m_queue;      // this round's races still to fetch, nearest post first
    int m_roundSize = 0;
    int m_nextRoundSecond = 0;      // second of the day the next round is due
    int m_nextMinuteSecond = 0;     // second of the day the next minute's reads are due
    unsigned m_dayGeneration = 0;   // counts setDay changes, so a step sees its day replaced

    bool m_followToday = false;
    bool m_on = false;
    bool m_inStep = false;
    bool m_transferOpen = false;
    State m_state = State::Off;
    std::string m_status;
    std::string m_lastError;
    int m_racesFetched = 0;
    int m_requestErrors = 0;
};

} // namespace tidemark::acquisition
