#include "acquisition/odds_watch.h"

#include <algorithm>
#include <optional>

#include "acquisition/realtime_read.h"
#include "records/keiba_func_nv.h"
#include "records/record_view.h"
#include "service/error_log.h"
#include "service/nv_message.h"
#include "store/record_reader.h"
#include "store/store_layout.h"
#include "text/cp932.h"
#include "text/date_time.h"
#include "text/file_io.h"
#include "text/number_format.h"
#include "text/text_functions.h"

namespace tidemark::acquisition {

namespace {

using text::sj;

int secondOfDay(const text::DateTime& t) { return (t.hour * 60 + t.minute) * 60 + t.second; }

// The first tick of a clock that ticks at `base` and every `period` seconds, at or after `from`.
int firstTickFrom(int base, int period, int from)
{
    return base >= from ? base : base + (from - base + period - 1) / period * period;
}

// MMDDhhmm of the latest announcement in a race's win-odds file; empty when none can be read.
std::string storedAnnouncement(const store::RecordStore& store, const std::string& raceKey)
{
    try {
        const std::vector<std::string> lines =
            store::readLines(store.layout().oddsFile(store::StoreKind::O1, raceKey), store::StoreKind::O1);
        if (!lines.empty())
            return std::string(records::O1View(lines.back()).announcementTime());
    } catch (const text::FileError&) {
        // Only the status misses it; the next read tells again.
    }
    return {};
}

} // namespace

OddsWatch::OddsWatch(NvChannel& channel, Host& host, store::RecordStore& store, std::filesystem::path programFolder)
    : m_channel(channel), m_host(host), m_store(store), m_programFolder(std::move(programFolder))
{
}

OddsWatch::~OddsWatch()
{
    m_timer->stop();
}

void OddsWatch::setTimes(int aheadMinutes, int everyMinutes, int nearMinutes)
{
    m_ahead = std::clamp(aheadMinutes, kMinAhead, kMaxAhead);
    m_every = std::clamp(everyMinutes, kMinEvery, kMaxEvery);
    m_near = std::clamp(nearMinutes, kMinNear, kMaxNear);
}

void OddsWatch::setDay(const std::vector<std::string>& raceCards)
{
    std::vector<Race> races;
    std::string dayKey;
    for (const std::string& card : raceCards) {
        const records::RaView ra(card);
        if (ra.raceNumber() <= 0 || !ra.isRace())
            continue;
        Race race;
        race.key = std::string(ra.raceKey());
        race.name = KeibaFuncNV::TrackName(ra.trackCode(), 2) + text::rightNumber(ra.raceNumberText());
        race.postMinute = text::minuteOfHhmm(ra.startTime());
        if (dayKey.empty())
            dayKey = std::string(ra.dayKey());
        races.push_back(std::move(race));
    }
    std::sort(races.begin(), races.end(), [](const Race& a, const Race& b) {
        return a.postMinute != b.postMinute ? a.postMinute < b.postMinute : a.key < b.key;
    });
    const auto same = [](const Race& a, const Race& b) { return a.key == b.key && a.postMinute == b.postMinute; };
    if (dayKey == m_dayKey && std::equal(races.begin(), races.end(), m_races.begin(), m_races.end(), same))
        return;
    // What is known of the races that stay as they were stays known.
    if (dayKey == m_dayKey)
        for (Race& race : races)
            for (const Race& old : m_races)
                if (same(race, old)) {
                    race.fetchedAfterPost = old.fetchedAfterPost;
                    race.finalIn = old.finalIn;
                    race.announced = old.announced;
                }
    m_races = std::move(races);
    m_dayKey = std::move(dayKey);
    m_queue.clear();
    m_nextRoundSecond = 0;
    m_nextMinuteSecond = 0;
    ++m_dayGeneration;
}

void OddsWatch::start()
{
    if (m_on)
        return;
    m_on = true;
    m_queue.clear();
    m_nextRoundSecond = 0;
    m_nextMinuteSecond = 0;
    m_lastError.clear();
    m_racesFetched = 0;
    m_requestErrors = 0;
    setState(State::Waiting, sj("オッズ監視中"));
    schedule(0);
}

void OddsWatch::stop()
{
    m_on = false;
    m_queue.clear();
    m_timer->stop();
    setState(State::Off, {});
}

bool OddsWatch::stopRequested() const { return m_stopRequested && m_stopRequested(); }

bool OddsWatch::isToday() const
{
    return !m_dayKey.empty() && m_dayKey == text::formatDateTime("yyyymmdd", m_host.now());
}

void OddsWatch::loadToday()
{
    const std::optional<std::string> label = store::dayLabelOfDate(text::formatDateTime("yyyymmdd", m_host.now()));
    std::vector<std::string> cards;
    try {
        if (!label || !store::tryReadRecords(m_store.layout().raFile(*label), store::StoreKind::RA, cards, kDaySlots))
            cards.clear();
    } catch (const text::FileError& e) {
        // The races known so far stay; the next round tries the file again.
        m_lastError = text::formatDateTime("hh:nn", m_host.now()) + " " + text::fromUtf8(e.what());
        changed();
        return;
    }
    std::erase_if(cards, [](const std::string& ra) { return records::RaView(ra).raceNumber() <= 0; });
    setDay(cards);
}

bool OddsWatch::due(const Race& race, int nowMinute) const
{
    if (race.postMinute < 0 || race.finalIn)
        return false;
    if (race.postMinute > nowMinute)
        return race.postMinute - nowMinute <= m_ahead;
    return nowMinute - race.postMinute <= kFinalWaitMinutes;
}

bool OddsWatch::near(const Race& race, int nowMinute) const
{
    return m_near > 0 && due(race, nowMinute) && race.postMinute - nowMinute <= m_near;
}

bool OddsWatch::dayDone(int nowMinute) const
{
    return std::none_of(m_races.begin(), m_races.end(), [&](const Race& r) {
        return r.postMinute >= 0 && !r.finalIn &&
               (r.postMinute > nowMinute || nowMinute - r.postMinute <= kFinalWaitMinutes);
    });
}

void OddsWatch::schedule(int ms) { m_timer->start(ms, [this] { tick(); }); }

void OddsWatch::tick()
{
    // A tick that arrives while a step pumps events waits for the step to end.
    if (m_inStep || !m_on)
        return;
    if (stopRequested()) {
        stop();
        return;
    }
    struct StepGuard {
        bool& flag;
        explicit StepGuard(bool& f) : flag(f) { flag = true; }
        ~StepGuard() { flag = false; }
    } guard(m_inStep);

    if (m_followToday && (!isToday() || (m_queue.empty() && secondOfDay(m_host.now()) >= m_nextRoundSecond)))
        loadToday();
    if (!isToday()) {
        m_queue.clear();
        setState(State::NotToday, m_followToday ? sj("オッズ監視：本日の出馬表がありません")
                                                : sj("オッズ監視：本日の開催日を選ぶと始まります"));
        schedule(kHeartbeatMs);
        return;
    }
    const text::DateTime now = m_host.now();
    const int nowMinute = now.hour * 60 + now.minute;
    if (dayDone(nowMinute)) {
        finish();
        return;
    }
    std::erase_if(m_queue, [&](const Race& r) { return !due(r, nowMinute); });
    const int nowSecond = secondOfDay(now);
    if (m_queue.empty() && nowSecond >= m_nextRoundSecond)
        startRound(nowSecond);
    // Near the off the round's pace is too slow: those races join the queue every minute,
    // also while a long round is still being read.
    if (m_near > 0 && nowSecond >= m_nextMinuteSecond)
        minuteRound(nowSecond);
    // A race whose post has come is read once more at once: its last announcements.
    for (const Race& r : m_races)
        if (r.postMinute >= 0 && r.postMinute <= nowMinute && !r.fetchedAfterPost && due(r, nowMinute))
            enqueue(r);
    if (m_queue.empty()) {
        setState(State::Waiting, waitingText(nowSecond));
        schedule(kHeartbeatMs);
        return;
    }
    if (m_channel.held()) {
        setState(State::WaitingForService, sj("オッズ監視：他のデータ取得の終了待ち"));
        schedule(kHeartbeatMs);
        return;
    }
    fetchNext();
    if (!m_on)
        return;
    schedule(m_queue.empty() || m_state == State::WaitingForService ? kHeartbeatMs : kNextRaceMs);
}

void OddsWatch::startRound(int nowSecond)
{
    const int nowMinute = nowSecond / 60;
    m_queue.clear();
    // m_races is in post order: the races past their post, then the nearest post.
    for (const Race& r : m_races)
        if (due(r, nowMinute))
            m_queue.push_back(r);
    m_roundSize = static_cast<int>(m_queue.size());
    m_nextRoundSecond = nowSecond + m_every * 60;
    m_nextMinuteSecond = nowSecond + 60;
}

void OddsWatch::minuteRound(int nowSecond)
{
    const int nowMinute = nowSecond / 60;
    for (const Race& r : m_races)
        if (near(r, nowMinute))
            enqueue(r);
    // The minutes keep the phase of the round that set them.
    m_nextMinuteSecond = firstTickFrom(m_nextMinuteSecond, 60, nowSecond + 1);
}

void OddsWatch::enqueue(const Race& race)
{
    if (std::any_of(m_queue.begin(), m_queue.end(), [&](const Race& q) { return q.key == race.key; }))
        return;
    if (m_queue.empty())
        m_roundSize = 0;
    // The queue stays in post order: the nearest post first.
    const auto at = std::find_if(m_queue.begin(), m_queue.end(), [&](const Race& q) {
        return q.postMinute != race.postMinute ? q.postMinute > race.postMinute : q.key > race.key;
    });
    m_queue.insert(at, race);
    ++m_roundSize;
}

int OddsWatch::nextReadSecond(int nowSecond) const
{
    const int nowMinute = nowSecond / 60;
    int best = -1;
    const auto consider = [&](int second) {
        second = std::max(second, nowSecond);
        if (best < 0 || second < best)
            best = second;
    };
    for (const Race& r : m_races) {
        const int lastMinute = r.postMinute + kFinalWaitMinutes; // the last minute it is asked at
        if (r.postMinute < 0 || r.finalIn || nowMinute > lastMinute)
            continue;
        const int round = firstTickFrom(m_nextRoundSecond, m_every * 60, (r.postMinute - m_ahead) * 60);
        if (round / 60 <= lastMinute)
            consider(round);
        if (m_near > 0) {
            const int minute = firstTickFrom(m_nextMinuteSecond, 60, (r.postMinute - m_near) * 60);
            if (minute / 60 <= lastMinute)
                consider(minute);
        }
        if (!r.fetchedAfterPost)
            consider(r.postMinute * 60);
    }
    return best;
}

std::string OddsWatch::freshness(const Race& race, int nowMinute) const
{
    if (race.announced.size() != 8)
        return sj("未取得");
    const int minute = text::minuteOfHhmm(std::string_view(race.announced).substr(4));
    if (race.announced.substr(0, 4) != text::formatDateTime("mmdd", m_host.now()))
        return race.announced.substr(0, 2) + "/" + race.announced.substr(2, 2) + " " + text::hhColonNn(minute) +
               sj("発表");
    std::string t = text::hhColonNn(minute) + sj("発表");
    if (minute >= 0 && nowMinute >= minute)
        t += "(" + std::to_string(nowMinute - minute) + sj("分前)");
    return t;
}

std::string OddsWatch::waitingText(int nowSecond) const
{
    const int nowMinute = nowSecond / 60;
    std::string t = sj("オッズ監視中");
    if (const int next = nextReadSecond(nowSecond); next >= 0)
        t += sj("：次回 ") + text::hhColonNn(next / 60);
    // The race a bettor looks at: the nearest post to come, else the one just run.
    const Race* nearest = nullptr;
    for (const Race& r : m_races)
        if (due(r, nowMinute)) {
            nearest = &r;
            if (r.postMinute > nowMinute)
                break;
        }
    if (nearest)
        t += sj("　") + nearest->name + sj("R ") + freshness(*nearest, nowMinute);
    return t;
}

std::string OddsWatch::freshnessText() const
{
    const text::DateTime now = m_host.now();
    const int nowMinute = now.hour * 60 + now.minute;
    std::string t;
    if (!isToday())
        return t;
    for (const Race& r : m_races)
        if (due(r, nowMinute)) {
            if (!t.empty())
                t += "\n";
            t += r.name + sj("R ") + text::hhColonNn(r.postMinute) + sj("発走 ") + freshness(r, nowMinute);
        }
    return t;
}

void OddsWatch::fetchNext()
{
    const Race race = m_queue.front(); // a copy: the day may be replaced while this step pumps
    const unsigned generation = m_dayGeneration;
    const int position = m_roundSize - static_cast<int>(m_queue.size()) + 1;
    const text::DateTime started = m_host.now();
    const bool afterPost = race.postMinute <= started.hour * 60 + started.minute;
    bool written = false;
    bool lost = false;
    bool stopped = false;
    bool finalSeen = false;
    std::string announced;
    {
        NvChannel::BackgroundClaim claim(m_channel, [this] { giveWay(); });
        if (!claim) {
            setState(State::WaitingForService, sj("オッズ監視：他のデータ取得の終了待ち"));
            return;
        }
        setState(State::Fetching, sj("オッズ監視中：") + race.name + sj("R 取得中 (") + std::to_string(position) + "/" +
                                      std::to_string(m_roundSize) + ")");
        std::vector<std::string> buffer;
        try {
            for (const auto& [spec, kind] : {std::pair{"0B41", store::StoreKind::O1}, std::pair{"0B42", store::StoreKind::O2}}) {
                buffer.clear();
                bool final = false;
                const Transfer t = transfer(spec, race, buffer, claim, final);
                if (t == Transfer::Lost) {
                    lost = true;
                    break;
                }
                if (t == Transfer::Stopped) {
                    stopped = true;
                    break;
                }
                // A broken read holds only part of the series: the file keeps the whole one.
                if (t == Transfer::Complete && m_store.storeOdds(kind, buffer).written)
                    written = true;
                // The win series carries the final announcement of the race, and its
                // latest moment.
                if (t == Transfer::Complete && kind == store::StoreKind::O1) {
                    finalSeen = final;
                    for (auto rec = buffer.rbegin(); rec != buffer.rend(); ++rec)
                        if (const records::O1View v(*rec); v.recordKind() == "O1") {
                            announced = std::string(v.announcementTime());
                            break;
                        }
                }
            }
        } catch (const text::FileError& e) {
            fileError(e.what());
            return;
        }
    }
    if (written) {
        ++m_racesFetched;
        if (m_onRaceWritten)
            m_onRaceWritten(race.key);
    }
    if (stopped) {
        if (m_on)
            stop(); // asked to stop from outside (Ctrl-C)
        return;
    }
    if (lost) {
        // A user's acquisition took the service: this race again once it is free.
        setState(State::WaitingForService, sj("オッズ監視：他のデータ取得の終了待ち"));
        return;
    }
    if (generation == m_dayGeneration && !m_queue.empty() && m_queue.front().key == race.key)
        m_queue.erase(m_queue.begin());
    if (generation == m_dayGeneration)
        for (Race& r : m_races)
            if (r.key == race.key) {
                r.fetchedAfterPost = r.fetchedAfterPost || afterPost;
                r.finalIn = r.finalIn || finalSeen;
                // Nothing new from the service: the race's odds are as old as its file says.
                if (announced.empty() && r.announced.empty())
                    announced = storedAnnouncement(m_store, r.key);
                if (!announced.empty())
                    r.announced = announced;
            }
    setState(State::Waiting, sj("オッズ監視中：") + race.name + sj("R 取得済 (") + std::to_string(position) + "/" +
                                 std::to_string(m_roundSize) + ")");
}

OddsWatch::Transfer OddsWatch::transfer(std::string_view spec, const Race& race, std::vector<std::string>& buffer,
                                        const NvChannel::BackgroundClaim& claim, bool& finalSeen)
{
    const int r = m_channel.link().NVRTOpen(spec, race.key);
    if (r != 0) {
        requestError(race, nvMessage(NvOperation::NVRTOpen, r));
        closeTransfer(race);
        return Transfer::Failed;
    }
    m_transferOpen = true;
    const std::string_view wanted = spec == "0B41" ? "O1" : "O2";
    const RealtimeRead read = readRealtime(
        m_channel.link(), m_host,
        [this] {
            // Once a frame: a cancel is seen at the first turn after it.
            if (m_pacer.due())
                m_host.processEvents();
        },
        [this, &claim] { return !claim.held() || !m_on || stopRequested(); },
        [&buffer, &finalSeen, wanted](std::string_view rec) {
            // Final odds ("3"), confirmed ones ("4", "5") or the race called off ("9"):
            // nothing more will be announced.
            const records::RecordView view(rec);
            const std::string_view dataKind = view.dataKind();
            if (view.recordKind() == wanted && (dataKind == "3" || dataKind == "4" || dataKind == "5" || dataKind == "9"))
                finalSeen = true;
            buffer.emplace_back(records::withoutLineEnd(rec));
        });
    if (!claim.held())
        return Transfer::Lost; // closed by giveWay()
    switch (read.end) {
    case RealtimeRead::End::Complete:
        closeTransfer(race);
        return Transfer::Complete;
    case RealtimeRead::End::Stopped:
        closeTransfer(race);
        return Transfer::Stopped;
    case RealtimeRead::End::Failed:
        requestError(race, nvMessage(NvOperation::NVRead, read.code));
        closeTransfer(race);
        return Transfer::Failed;
    }
    return Transfer::Failed;
}

void OddsWatch::closeTransfer(const Race& race)
{
    m_transferOpen = false;
    const int r = m_channel.link().NVClose();
    if (r != 0)
        requestError(race, nvMessage(NvOperation::NVClose, r));
}

void OddsWatch::giveWay()
{
    if (m_transferOpen) {
        m_transferOpen = false;
        m_channel.link().NVClose();
    }
}

void OddsWatch::requestError(const Race& race, std::string message)
{
    ++m_requestErrors;
    const text::DateTime now = m_host.now();
    const std::string line = race.name + sj("R:ｵｯｽﾞ監視エラー：") + message;
    m_lastError = text::formatDateTime("hh:nn", now) + " " + line;
    try {
        ErrorLog(m_programFolder).append(line, now);
    } catch (const text::FileError&) {
        // The status bar still shows it; the watch goes on.
    }
    changed();
}

void OddsWatch::fileError(const std::string& platformMessage)
{
    const text::DateTime now = m_host.now();
    const std::string message = text::fromUtf8(platformMessage);
    m_lastError = text::formatDateTime("hh:nn", now) + " " + message;
    try {
        ErrorLog(m_programFolder).append(message, now);
    } catch (const text::FileError&) {
    }
    m_on = false;
    m_queue.clear();
    m_timer->stop();
    setState(State::Failed, sj("オッズ監視：停止しました（ファイルを書けません）"));
}

void OddsWatch::finish()
{
    m_on = false;
    m_queue.clear();
    m_timer->stop();
    setState(State::Finished, sj("オッズ監視：本日の全レースが発走しました"));
}

void OddsWatch::setState(State state, std::string status)
{
    if (state == m_state && status == m_status)
        return;
    m_state = state;
    m_status = std::move(status);
    changed();
}

void OddsWatch::changed()
{
    if (m_onChange)
        m_onChange();
}

} // namespace tidemark::acquisition
