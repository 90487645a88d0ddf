// Record field readers over arbitrary bytes: every view of every kind, every odds slot
// through OddsField::parse, the code tables over the record's codes. A read past the
// end of a short line or a number that overflows is what this hunts for.

#include "records/keiba_func_nv.h"
#include "records/odds_field.h"
#include "records/record_view.h"
#include "text/cp932.h"
#include "text/number_format.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

using namespace tidemark;
using namespace tidemark::records;

// Unsigned, so that summing large field values wraps instead of overflowing the sink itself.
volatile std::uint64_t g_sink;

void use(std::int64_t v) { g_sink = g_sink + static_cast<std::uint64_t>(v); }
void use(std::string_view s) { g_sink = g_sink + s.size(); }
void use(const OddsField& f)
{
    use(f.tenths());
    use(static_cast<std::int64_t>(f.kind()));
    g_sink = g_sink + std::bit_cast<std::uint64_t>(f.value());
    use(f.format(5));
}

void common(const RecordView& v)
{
    use(v.recordKind());
    use(v.raceKey());
    use(v.year() + v.month() + v.dayOfMonth() + v.meeting() + v.meetingDay() + v.raceNumber());
    use(v.hasSafeKey() ? 1 : 0);
    use(v.isBanei() ? 1 : 0);
    use(KeibaFuncNV::TrackName(v.trackCode(), 0));
    use(KeibaFuncNV::TrackName(v.trackCode(), 2));
    use(KeibaFuncNV::RightNumber(v.raceNumberText()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view line(reinterpret_cast<const char*>(data), size);

    // Odds fields of every width the records use, and whatever else the input holds.
    for (std::size_t w = 0; w <= 8 && w <= line.size(); ++w)
        use(OddsField::parse(line.substr(0, w)));
    use(OddsField::parse(line));
    use(readHex(line.substr(0, std::min<std::size_t>(line.size(), 12))));
    use(text::readInt(line.substr(0, std::min<std::size_t>(line.size(), 12))));
    use(lineLengthOfKind(line.substr(0, std::min<std::size_t>(line.size(), 2))));

    const RaView ra(line);
    common(ra);
    use(ra.raceName());
    use(ra.distance() + ra.courseNumber() + ra.startTimeNumber() + ra.runnerCount() + ra.edition());
    use(static_cast<std::int64_t>(ra.moisture() * 10));
    use(KeibaFuncNV::RaceSymbolText(ra.trackCode(), ra.raceSymbolCode()));
    use(KeibaFuncNV::RaceKindText(ra.raceKindCode()));
    use(KeibaFuncNV::GradeText(ra.gradeCode()));
    use(KeibaFuncNV::WeekdayText(ra.weekdayCode()));
    use(KeibaFuncNV::WeightKindText(ra.weightRuleCode()));
    use(KeibaFuncNV::TrackKindText(ra.courseCode()));
    use(KeibaFuncNV::GoingText(ra.turfConditionCode(), 1));
    use(KeibaFuncNV::GoingText(ra.dirtConditionCode(), 2));
    use(KeibaFuncNV::AddMinutes(ra.startTime(), -30));
    use(KeibaFuncNV::BracketOfHorse(ra.runnerCount(), ra.raceNumber()));
    use(text::toUtf8(ra.raceName()));

    const SeView se(line);
    common(se);
    use(se.bracket() + se.horseNumber() + se.age() + se.finishPosition() + se.finalWinPopularity());
    use(static_cast<std::int64_t>(se.weightKilograms(se.isBanei()) * 10));
    use(se.finalWinOddsField());
    use(KeibaFuncNV::SexText(se.sexCode()));
    use(KeibaFuncNV::CircledNumber(se.horseNumberText()));

    const HrView hr(line);
    common(hr);
    for (const PayoutEntry& e : hr.payouts())
        use(e.index + e.count + e.numbers[0]);

    const O1View o1(line);
    common(o1);
    use(o1.announcementNumber() + o1.winVotes() + o1.placeVotes() + o1.bracketVotes());
    for (int h = 0; h <= kOddsHorseSlots + 1; ++h) {
        use(o1.win(h));
        use(o1.placeLow(h));
        use(o1.placeHigh(h));
        use(o1.winPopularity(h) + o1.placePopularity(h));
    }
    for (int k = 0; k <= kOddsBracketPairSlots + 1; ++k) {
        use(o1.bracketQuinella(k));
        use(o1.bracketPopularity(k));
    }

    const O2View o2(line);
    common(o2);
    use(o2.quinellaVotes());
    for (int k = 0; k <= kOddsQuinellaPairSlots + 1; ++k) {
        use(o2.quinella(k));
        use(o2.quinellaPopularity(k));
    }
    return 0;
}
