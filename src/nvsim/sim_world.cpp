#include "nvsim/sim_world.h"

#include <algorithm>
#include <numeric>

#include "nvsim/sim_names.h"
#include "nvsim/market_path.h"
#include "nvsim/sim_math.h"
#include "nvsim/sim_random.h"
#include "text/cp932.h"
#include "text/date_time.h"
#include "text/number_format.h"

namespace tidemark::nvsim {

SimMinute toSimMinute(const text::DateTime& t) noexcept
{
    return t.dayNumber() * 1440 + t.hour * 60 + t.minute;
}

text::DateTime fromSimMinute(SimMinute m) noexcept
{
    std::int64_t day = m / 1440;
    std::int64_t rest = m % 1440;
    if (rest < 0) {
        rest += 1440;
        --day;
    }
    text::DateTime t = text::DateTime::fromDayNumber(day);
    t.hour = static_cast<int>(rest / 60);
    t.minute = static_cast<int>(rest % 60);
    return t;
}

SimMinute atClock(const text::DateTime& day, int hhmm) noexcept
{
    return day.dayNumber() * 1440 + (hhmm / 100) * 60 + hhmm % 100;
}

int bracketOf(int n, int h) noexcept
{
    if (n <= 8) {
        return h;
    }
    if (n <= 16) {
        const int k = (n - h) / 2;
        return k < n - 8 ? 8 - k : h;
    }
    if (n == 17) {
        return h <= 14 ? (h + 1) / 2 : 8;
    }
    if (h <= 12) {
        return (h + 1) / 2;
    }
    return h <= 15 ? 7 : 8;
}

std::string SimRace::dayKey() const
{
    return text::formatDateTime("yyyymmdd", date);
}

std::string SimRace::key() const
{
    return dayKey() + track + text::formatZeroPad(meeting, 2) + text::formatZeroPad(dayOfMeeting, 2)
        + text::formatZeroPad(raceNo, 2);
}

namespace {

struct TrackProfile {
    const char* code;
    int firstPost;  // hhmm of race 1 on a usual day
    int minRaces;
    int maxRaces;
    int maxRunners;
    bool bigFields; // now and then 17 or 18 runners
    const char* course;
    std::vector<int> distances;
    int pool; // expected win votes of an ordinary race in the middle of the card
};

const std::vector<TrackProfile>& profiles()
{
    static const std::vector<TrackProfile> p = {
        {"30", 1450, 11, 12, 16, true, "24", {1000, 1100, 1200, 1500, 1600, 1700, 1800, 2000}, 9000},
        {"35", 1140, 10, 12, 16, false, "23", {1000, 1200, 1400, 1600, 1800, 2000}, 8000},
        {"36", 1110, 10, 12, 12, false, "24", {850, 1300, 1400, 1600, 1800, 2000}, 7000},
        {"42", 1045, 11, 12, 12, false, "23", {800, 1300, 1400, 1500, 1600, 1900, 2000}, 22000},
        {"43", 1455, 11, 12, 14, false, "23", {1000, 1200, 1500, 1600, 1700, 1800, 2200}, 25000},
        {"44", 1450, 11, 12, 16, true, "24", {1000, 1200, 1400, 1500, 1600, 1650, 1700, 1800, 2000}, 40000},
        {"45", 1440, 11, 12, 14, false, "23", {900, 1400, 1500, 1600, 2000, 2100}, 28000},
        {"46", 1030, 10, 12, 12, false, "24", {900, 1300, 1400, 1500, 1700, 1900, 2000, 2100}, 7000},
        {"47", 1050, 8, 11, 10, false, "24", {800, 1400, 1600, 1800, 1900, 2500}, 6000},
        {"48", 1030, 11, 12, 12, false, "24", {920, 1500, 1700, 2000, 2100}, 9000},
        {"50", 1040, 11, 12, 12, false, "24", {820, 1230, 1400, 1700, 1870, 2400}, 11000},
        {"51", 1040, 8, 10, 12, false, "24", {800, 1400, 1500, 1800, 2000}, 9000},
        {"54", 1450, 10, 12, 12, false, "24", {800, 1300, 1400, 1600, 1900, 2400}, 13000},
        {"55", 1045, 11, 12, 12, false, "24", {900, 1300, 1400, 1750, 1800, 2000, 2500}, 8000},
        {"83", 1425, 11, 12, 10, false, "90", {200}, 8000},
    };
    return p;
}

const TrackProfile& profileOf(std::string_view code)
{
    for (const auto& p : profiles()) {
        if (code == p.code) {
            return p;
        }
    }
    return profiles().front();
}

// Weeks run Monday to Sunday; 1970-01-01 was a Thursday.
std::int64_t weekIndex(std::int64_t dayNumber) noexcept
{
    const std::int64_t shifted = dayNumber + 3;
    return shifted >= 0 ? shifted / 7 : (shifted - 6) / 7;
}

// The fixed pattern of local racing: the southern Kanto circuit rotates week by week,
// the others keep their weekdays and seasons.
bool racesOnDay(std::string_view track, const text::DateTime& d) noexcept
{
    const std::int64_t n = d.dayNumber();
    const int dow = d.dayOfWeek(); // 1 Sunday … 7 Saturday
    const int month = d.month;
    const std::int64_t week = weekIndex(n);
    const bool weekdays = dow >= 2 && dow <= 6;
    if (track == "42" || track == "43" || track == "44" || track == "45") {
        static constexpr const char* kRotation[6] = {"44", "45", "43", "44", "42", "45"};
        const auto slot = static_cast<std::size_t>(((week % 6) + 6) % 6);
        return weekdays && track == kRotation[slot];
    }
    if (track == "30") {
        return month >= 4 && month <= 11 && dow >= 3 && dow <= 5;
    }
    const bool iwateDays = dow == 7 || dow == 1 || dow == 2;
    if (track == "35") {
        return iwateDays && month >= 4 && month <= 11 && week % 2 != 0;
    }
    if (track == "36") {
        return iwateDays && ((month >= 4 && month <= 11 && week % 2 == 0) || month == 3 || month == 12);
    }
    if (track == "46") {
        return month >= 3 && month <= 12 && (dow == 1 || dow == 3);
    }
    if (track == "47") {
        return week % 2 == 0 && dow >= 3 && dow <= 5;
    }
    if (track == "48") {
        return week % 2 != 0 && dow >= 2 && dow <= 5;
    }
    if (track == "50") {
        return month >= 4 && dow >= 4 && dow <= 6;
    }
    if (track == "51") {
        return month <= 3 && dow >= 4 && dow <= 6;
    }
    if (track == "54" || track == "55") {
        return dow == 7 || dow == 1;
    }
    if (track == "83") {
        return dow == 7 || dow == 1 || dow == 2;
    }
    return false;
}

// A meeting is a run of racing days without a gap of three days or more; meetings are
// counted from the first of January.
void meetingNumbers(std::string_view track, const text::DateTime& d, int& meeting, int& day)
{
    text::DateTime jan1 = d;
    jan1.month = 1;
    jan1.day = 1;
    const std::int64_t first = jan1.dayNumber();
    meeting = 0;
    day = 0;
    std::int64_t lastRace = first - 100;
    for (std::int64_t n = first; n <= d.dayNumber(); ++n) {
        if (!racesOnDay(track, text::DateTime::fromDayNumber(n))) {
            continue;
        }
        if (n - lastRace >= 3) {
            ++meeting;
            day = 0;
        }
        ++day;
        lastRace = n;
    }
    meeting = std::clamp(meeting, 1, 99);
    day = std::clamp(day, 1, 99);
}

bool isHoliday(const text::DateTime& d) noexcept
{
    static constexpr int kFixed[][2] = {{1, 1}, {1, 2}, {1, 3}, {2, 11}, {2, 23}, {4, 29}, {5, 3},
        {5, 4}, {5, 5}, {8, 11}, {11, 3}, {11, 23}};
    for (const auto& h : kFixed) {
        if (d.month == h[0] && d.day == h[1]) {
            return true;
        }
    }
    return false;
}

char weekdayCode(const text::DateTime& d) noexcept
{
    if (isHoliday(d)) {
        return '3';
    }
    static constexpr char kCodes[8] = {'0', '2', '4', '5', '6', '7', '8', '1'};
    return kCodes[d.dayOfWeek()];
}

int hhmmPlus(int hhmm, int minutes) noexcept
{
    const int total = (hhmm / 100) * 60 + hhmm % 100 + minutes;
    return (total / 60) * 100 + total % 60;
}

char goingCode(SimRandom& rng) noexcept
{
    const double u = rng.unit();
    return u < 0.5 ? '1' : u < 0.75 ? '2' : u < 0.9 ? '3' : '4';
}

int fieldSize(SimRandom& rng, const TrackProfile& p) noexcept
{
    if (p.bigFields && rng.chance(0.03)) {
        return rng.uniform(17, 18);
    }
    const double u = rng.unit();
    int n;
    if (u < 0.08) {
        n = rng.uniform(5, 7);
    } else if (u < 0.16) {
        n = 8;
    } else if (u < 0.7) {
        n = rng.uniform(9, 12);
    } else {
        n = rng.uniform(13, 16);
    }
    return std::min(n, p.maxRunners);
}

std::string fw(std::string_view utf8)
{
    return text::sj(utf8);
}

// "Ｃ２三" and friends: the class names of ordinary races, full-width.
std::string className(SimRandom& rng)
{
    static const std::vector<std::string_view> kClasses = {"Ａ１", "Ａ２", "Ｂ１", "Ｂ２", "Ｂ３",
        "Ｃ１", "Ｃ１", "Ｃ２", "Ｃ２", "Ｃ３", "Ｃ３"};
    static const std::vector<std::string_view> kGroups = {"", "一", "二", "三", "四"};
    // The group is drawn first, in a statement of its own: the order of the operands of
    // + is the compiler's choice, the world's must not be.
    const std::string group = fw(kGroups[static_cast<std::size_t>(rng.uniform(0, 4))]);
    return fw(kClasses[static_cast<std::size_t>(rng.uniform(0, 10))]) + group;
}

void dressRace(SimRace& race, SimRandom& rng, int racesOfDay)
{
    const bool main = race.raceNo == racesOfDay - 1 || (racesOfDay < 10 && race.raceNo == racesOfDay);
    const bool young = race.date.month >= 6 && race.raceNo <= 2 && rng.chance(0.6);
    const bool threeYear = !young && race.date.month <= 10 && race.raceNo <= 4 && rng.chance(0.4);
    const bool fillies = rng.chance(0.06);
    const std::string cls = className(rng);
    if (race.banei()) {
        race.kind = "09";
        race.condition = fw("ばんえい　") + cls;
    } else if (young) {
        race.kind = "11";
        race.weightRule = '3';
        race.condition = fw("サラ系２歳");
        if (rng.chance(0.3)) {
            race.conditionCode = "701";
            race.condition += fw("新馬");
        }
    } else if (threeYear) {
        race.kind = "12";
        race.weightRule = '3';
        race.condition = fw("サラ系３歳　") + cls;
    } else {
        race.kind = race.date.month <= 3 ? "14" : "13";
        race.condition = (race.date.month <= 3 ? fw("サラ系４歳以上　") : fw("サラ系３歳以上　"))
            + cls;
    }
    if (fillies && !race.banei()) {
        race.symbol = " 2 ";
    }
    if (main && rng.chance(0.12)) {
        // A graded race of the track; a few are open to horses from other circuits.
        race.name = gradedRaceName(rng, race.track);
        race.edition = rng.uniform(1, 70);
        race.conditionCode = "999";
        race.weightRule = rng.chance(0.5) ? '2' : '4';
        if (!race.banei() && rng.chance(0.3)) {
            race.grade = static_cast<char>('A' + rng.uniform(0, 2));
            race.symbol = "N A";
        } else {
            race.grade = 'D';
            race.symbol = race.banei() ? "A  " : "  X";
        }
    } else if (main || race.raceNo == racesOfDay || rng.chance(0.15)) {
        race.grade = 'E';
        const std::string suffix = rng.chance(0.5) ? fw("特別") : fw("賞"); // before the stem, as always
        race.name = specialRaceStem(rng) + suffix;
        if (rng.chance(0.2)) {
            race.weightRule = '1';
        }
    } else {
        race.grade = '-';
        race.name = race.kind == "11" ? fw("サラ系２歳") : cls;
    }
    race.shortName = race.name.substr(0, std::min<std::size_t>(race.name.size(), 12));
    if (race.shortName.size() % 2 != 0) {
        race.shortName.pop_back();
    }
}

void drawRunners(SimRace& race, SimRandom& rng, const std::vector<std::string>& trainers,
                 const std::vector<std::string>& jockeys, int n)
{
    const bool filliesOnly = race.symbol[1] == '2';
    const bool young = race.kind == "11";
    const bool threeYear = race.kind == "12";
    std::vector<std::size_t> jockeyOrder(jockeys.size());
    std::iota(jockeyOrder.begin(), jockeyOrder.end(), 0);
    for (std::size_t i = jockeyOrder.size(); i > 1; --i) {
        std::swap(jockeyOrder[i - 1], jockeyOrder[static_cast<std::size_t>(rng.uniform(0, static_cast<int>(i) - 1))]);
    }
    for (int h = 1; h <= n; ++h) {
        SimRunner r;
        r.number = h;
        r.bracket = bracketOf(n, h);
        r.name = horseName(rng);
        for (int retry = 0; retry < 20 && std::any_of(race.runners.begin(), race.runners.end(),
                                                     [&](const SimRunner& o) { return o.name == r.name; });
             ++retry) {
            r.name = horseName(rng); // two horses of one race never share a name
        }
        const double u = rng.unit();
        r.sex = filliesOnly ? '2' : (u < 0.55 ? '1' : u < 0.9 ? '2' : '3');
        r.age = young ? 2 : threeYear ? 3 : rng.uniform(race.kind == "14" ? 4 : 3, 9);
        r.trainer = rng.pick(trainers);
        r.jockey = jockeys[jockeyOrder[static_cast<std::size_t>(h - 1) % jockeyOrder.size()]];
        if (race.banei()) {
            r.weight = 480 + 10 * rng.uniform(0, 52);
        } else {
            r.weight = 520 + 5 * rng.uniform(0, 10) - (r.sex == '2' ? 20 : 0);
        }
        r.strength = simExp(1.2 * rng.normal());
        r.form = r.strength * simExp(0.4 * rng.normal());
        race.runners.push_back(r);
    }
    for (auto& r : race.runners) {
        if (rng.chance(0.012)) {
            r.scratch = Scratch::BeforeSale;
        } else if (rng.chance(0.008)) {
            r.scratch = Scratch::AfterSale;
            const SimMinute lo = race.saleStart + 30;
            const SimMinute hi = std::max(lo, race.postAt() - 10);
            r.scratchAt = lo + rng.uniform(0, static_cast<int>(hi - lo));
        }
    }
    // Keep at least five runners in every race.
    int running = 0;
    for (const auto& r : race.runners) {
        running += r.scratch == Scratch::None;
    }
    for (auto& r : race.runners) {
        if (running >= 5) {
            break;
        }
        if (r.scratch != Scratch::None) {
            r.scratch = Scratch::None;
            ++running;
        }
    }
}

// Money follows the card: later races, special and graded races, weekends and holidays
// draw more, around the track's own size.
double expectedPool(const TrackProfile& p, const SimRace& race, int racesOfDay)
{
    SimRandom rng(mixSeed(race.seed, "pool"));
    const double position = racesOfDay > 1
        ? 0.7 + 0.6 * static_cast<double>(race.raceNo - 1) / static_cast<double>(racesOfDay - 1)
        : 1.0;
    double grade = 1.0;
    switch (race.grade) {
    case 'A':
    case 'B':
    case 'C':
        grade = 4.0;
        break;
    case 'D':
        grade = 2.2;
        break;
    case 'E':
        grade = 1.3;
        break;
    default:
        break;
    }
    const int dow = race.date.dayOfWeek();
    const double day = dow == 1 || dow == 7 || race.weekday == '3' ? 1.15 : 1.0;
    return static_cast<double>(p.pool) * position * grade * day * simExp(0.25 * rng.normal());
}

// Now and then somebody knows: a runner the crowd underrates draws a block of money a
// few minutes before the post, and runs as well as they know it will. Every draw is
// made whatever the plan, so a higher rate only adds races and the same runner is
// chosen in a race at any rate.
void plantSteam(SimRace& race, const SteamPlan& plan)
{
    SimRandom rng(mixSeed(race.seed, "steam"));
    const double which = rng.unit();
    const double who = rng.unit();
    const int before = rng.uniform(4, 20);
    const int lasting = rng.uniform(1, 4);
    if (plan.ratePercent <= 0 || plan.strengthPercent <= 0 || which * 100.0 >= plan.ratePercent) {
        return;
    }
    // The crowd's view of the field: its shares of the money and its favourite.
    double crowd = 0;
    double truth = 0;
    std::size_t top = race.runners.size();
    for (std::size_t i = 0; i < race.runners.size(); ++i) {
        const SimRunner& r = race.runners[i];
        if (r.scratch == Scratch::None) {
            crowd += crowdWeight(r.strength);
            truth += r.form;
            if (top == race.runners.size() || r.strength > race.runners[top].strength) {
                top = i;
            }
        }
    }
    // Not the crowd's favourite and not a hopeless case: the runners a tip can move.
    std::vector<std::size_t> candidates;
    for (std::size_t i = 0; i < race.runners.size(); ++i) {
        const SimRunner& r = race.runners[i];
        const double share = crowdWeight(r.strength) / crowd;
        if (r.scratch == Scratch::None && i != top && share >= 0.05 && share <= 0.25) {
            candidates.push_back(i);
        }
    }
    const SimMinute at = race.postAt() - before;
    if (candidates.empty() || at < race.saleStart + 10) {
        return;
    }
    SimRunner& chosen = race.runners[candidates[std::min(candidates.size() - 1,
        static_cast<std::size_t>(who * static_cast<double>(candidates.size())))]];
    race.steamHorse = chosen.number;
    race.steamAt = at;
    race.steamMinutes = lasting;
    race.steamBoost = 1.0 + plan.strengthPercent / 100.0;
    // What they know: the runner's true chance is the crowd's share times the boost,
    // and it runs to that chance (the others keep theirs in proportion).
    const double chance = std::min(0.9, race.steamBoost * crowdWeight(chosen.strength) / crowd);
    chosen.form = chance / (1.0 - chance) * (truth - chosen.form);
}

// Finishing order by the horses' form (Plackett–Luce); now and then a dead heat.
void runRace(SimRace& race, SimRandom& rng)
{
    std::vector<std::size_t> left;
    for (std::size_t i = 0; i < race.runners.size(); ++i) {
        if (race.runners[i].scratch == Scratch::None) {
            left.push_back(i);
        }
    }
    std::vector<std::size_t> order;
    while (!left.empty()) {
        double total = 0;
        for (auto i : left) {
            total += race.runners[i].form;
        }
        double u = rng.unit() * total;
        std::size_t pickAt = left.size() - 1;
        for (std::size_t k = 0; k < left.size(); ++k) {
            u -= race.runners[left[k]].form;
            if (u < 0) {
                pickAt = k;
                break;
            }
        }
        order.push_back(left[pickAt]);
        left.erase(left.begin() + static_cast<std::ptrdiff_t>(pickAt));
    }
    for (std::size_t k = 0; k < order.size(); ++k) {
        race.runners[order[k]].finish = static_cast<int>(k) + 1;
    }
    if (order.size() >= 4 && rng.chance(0.03)) {
        const auto at = static_cast<std::size_t>(rng.uniform(0, 2)); // dead heat for 1st, 2nd or 3rd
        race.runners[order[at + 1]].finish = race.runners[order[at]].finish;
    }
}

} // namespace

SimWorld::SimWorld(std::uint64_t seed, const text::DateTime& firstDay, const text::DateTime& lastDay,
                   SteamPlan steam)
    : m_seed(seed)
    , m_steam(steam)
    , m_first(text::DateTime::fromDayNumber(firstDay.dayNumber()))
    , m_last(text::DateTime::fromDayNumber(lastDay.dayNumber()))
{
}

void SimWorld::setWindow(const text::DateTime& firstDay, const text::DateTime& lastDay)
{
    m_first = text::DateTime::fromDayNumber(firstDay.dayNumber());
    m_last = text::DateTime::fromDayNumber(lastDay.dayNumber());
}

bool SimWorld::inWindow(const text::DateTime& day) const
{
    const auto n = day.dayNumber();
    return n >= m_first.dayNumber() && n <= m_last.dayNumber() && day.year >= 2010;
}

std::vector<SimMeeting> SimWorld::meetingsOn(const text::DateTime& day) const
{
    std::vector<SimMeeting> out;
    if (!inWindow(day)) {
        return out;
    }
    const text::DateTime date = text::DateTime::fromDayNumber(day.dayNumber());
    for (const auto& p : profiles()) {
        if (racesOnDay(p.code, date)) {
            SimMeeting m;
            m.date = date;
            m.track = p.code;
            meetingNumbers(p.code, date, m.meeting, m.dayOfMeeting);
            out.push_back(m);
        }
    }
    return out;
}

const std::vector<SimRace>& SimWorld::races(const SimMeeting& meeting) const
{
    const std::string id = text::formatDateTime("yyyymmdd", meeting.date) + meeting.track;
    auto it = m_cache.find(id);
    if (it == m_cache.end()) {
        it = m_cache.emplace(id, generate(meeting)).first;
    }
    return it->second;
}

std::vector<const SimRace*> SimWorld::racesOn(const text::DateTime& day) const
{
    std::vector<const SimRace*> out;
    for (const auto& m : meetingsOn(day)) {
        for (const auto& r : races(m)) {
            out.push_back(&r);
        }
    }
    return out;
}

const SimRace* SimWorld::findRace(std::string_view key) const
{
    if (key.size() != 16) {
        return nullptr;
    }
    const std::int64_t y = text::readInt(key.substr(0, 4));
    const std::int64_t mo = text::readInt(key.substr(4, 2));
    const std::int64_t d = text::readInt(key.substr(6, 2));
    if (!text::isValidDate(static_cast<int>(y), static_cast<int>(mo), static_cast<int>(d))) {
        return nullptr;
    }
    text::DateTime date;
    date.year = static_cast<int>(y);
    date.month = static_cast<int>(mo);
    date.day = static_cast<int>(d);
    date.hour = date.minute = date.second = 0;
    for (const auto& m : meetingsOn(date)) {
        if (key.substr(8, 2) != m.track) {
            continue;
        }
        for (const auto& r : races(m)) {
            if (r.key() == key) {
                return &r;
            }
        }
    }
    return nullptr;
}

std::vector<SimRace> SimWorld::generate(const SimMeeting& m) const
{
    const TrackProfile& p = profileOf(m.track);
    const std::uint64_t daySeed = mixSeed(mixSeed(m_seed, static_cast<std::uint64_t>(m.date.dayNumber())), m.track);
    SimRandom rng(daySeed);
    // The track's people change slowly: a roster per track and year.
    SimRandom people(mixSeed(mixSeed(m_seed, m.track), static_cast<std::uint64_t>(m.date.year)));
    const auto trainers = roster(people, 24);
    const auto jockeys = roster(people, 20);

    const int count = rng.uniform(p.minRaces, p.maxRaces);
    const int interval = rng.chance(0.5) ? 30 : rng.uniform(25, 35);
    const int firstPost = hhmmPlus(p.firstPost, 5 * rng.uniform(-2, 2));
    char dirt = goingCode(rng);
    const int moisture = rng.uniform(5, 95);
    const bool advanceDay = rng.chance(0.25);
    const SimMinute daySale = atClock(m.date, std::max(830, hhmmPlus(firstPost, -150)));

    std::vector<SimRace> races;
    for (int i = 1; i <= count; ++i) {
        SimRace r;
        r.date = m.date;
        r.track = m.track;
        r.meeting = m.meeting;
        r.dayOfMeeting = m.dayOfMeeting;
        r.raceNo = i;
        r.seed = mixSeed(daySeed, static_cast<std::uint64_t>(i));
        SimRandom rr(r.seed);
        r.postTime = hhmmPlus(firstPost, (i - 1) * interval + (i > 1 ? rr.uniform(0, 1) * 5 : 0));
        r.weekday = weekdayCode(m.date);
        r.distance = rr.pick(p.distances);
        r.course = p.course;
        if (m.track == "35" && rr.chance(0.2)) {
            r.course = "11"; // the turf course of Morioka
            r.turfGoing = goingCode(rr);
            r.dirtGoing = '0';
        } else if (i == 7 && rr.chance(0.3)) {
            dirt = std::min<char>('4', static_cast<char>(dirt + 1)); // rain through the afternoon
        }
        if (r.course != "11") {
            r.dirtGoing = dirt;
        }
        r.moisture = std::clamp(moisture + rr.uniform(-3, 3), 1, 99);
        if (r.banei()) {
            // Moisture goes in the two going bytes as hexadecimal digits.
            static constexpr char kHex[] = "0123456789ABCDEF";
            r.turfGoing = kHex[(r.moisture >> 4) & 0xF];
            r.dirtGoing = kHex[r.moisture & 0xF];
        }
        r.saleStart = std::min(daySale, r.postAt() - 60);
        r.advanceSale = advanceDay || (i == count - 1 && rr.chance(0.3));
        if (r.advanceSale) {
            r.advanceStart = atClock(m.date.addDays(-1), 1700) + rr.uniform(0, 20);
            r.advanceEnd = atClock(m.date.addDays(-1), 2100);
        }
        r.resultDelay = rr.uniform(3, 8);
        dressRace(r, rr, count);
        drawRunners(r, rr, trainers, jockeys, fieldSize(rr, p));
        r.poolVotes = expectedPool(p, r, count);
        if (rr.chance(0.006)) {
            r.cancelled = true;
            r.cancelAt = std::max(r.saleStart + 10, r.postAt() - rr.uniform(5, 60));
        } else {
            plantSteam(r, m_steam);
            runRace(r, rr);
        }
        races.push_back(std::move(r));
    }
    return races;
}

} // namespace tidemark::nvsim
