#include "analysis/race_header.h"

#include <algorithm>

#include "records/keiba_func_nv.h"
#include "records/record_view.h"
#include "text/cp932.h"
#include "text/number_format.h"

namespace tidemark::analysis {

namespace {

using text::sj;

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

} // namespace

std::string moistureText(std::string_view two)
{
    std::string out = sj("含水率(%):");
    if (two.size() != 2 || hexDigit(two[0]) < 0 || hexDigit(two[1]) < 0)
        return out;
    out += text::formatFixed((hexDigit(two[0]) * 16 + hexDigit(two[1])) / 10.0, 3, 1);
    return out;
}

std::string trackConditionText(std::string_view raRecord)
{
    const records::RaView ra(raRecord);
    if (ra.isBanei())
        return moistureText(ra.bytes(889, 2));
    return KeibaFuncNV::GoingText(ra.turfConditionCode(), 1) + sj("　") + KeibaFuncNV::GoingText(ra.dirtConditionCode(), 2);
}

RaceHeader raceHeader(std::string_view raRecord)
{
    namespace K = KeibaFuncNV;
    const records::RaView ra(raRecord);
    const auto d2 = [](std::int64_t v) { return text::formatInt(v, 2); };
    const std::string_view track = ra.trackCode();
    RaceHeader h;

    std::string& t1 = h.TitleLabel1;
    t1.append(ra.yearText()).append(sj("年")).append(d2(ra.month())).append(sj("月"));
    t1.append(d2(ra.dayOfMonth())).append(sj("日(")).append(K::WeekdayText(ra.weekdayCode(), 1)).append(")");
    t1.append(K::TrackName(track, 0)).append(d2(ra.meeting())).append(sj("回"));
    t1.append(d2(ra.meetingDay())).append(sj("日")).append(d2(ra.raceNumber())).append("R   ");
    t1.append(ra.startTime().substr(0, 2)).append(".").append(ra.bytes(876, 2)).append(sj("発走 "));
    t1.append(trackConditionText(raRecord));

    if (ra.edition() >= 1)
        h.TitleLabel2.append(sj("第")).append(std::to_string(ra.edition())).append(sj("回 "));
    h.TitleLabel2.append(ra.raceName());

    std::string& t3 = h.TitleLabel3;
    t3.append(d2(ra.runnerCount())).append(sj("頭  ")).append(text::formatInt(ra.distance(), 4));
    t3.append(sj("ﾒｰﾄﾙ ")).append(K::TrackKindText(ra.courseCode())).append(" ");
    t3.append(K::GradeText(ra.gradeCode(), 1)).append(" ");
    t3.append(K::RaceSymbolText(track, ra.raceSymbolCode()));

    h.TitleLabel4.append(K::WeightKindText(ra.weightRuleCode())).append(" ");
    h.TitleLabel4.append(K::RaceKindText(ra.raceKindCode(), 4)).append(" ").append(ra.conditionName());

    h.BashoLabel = K::TrackName(track, 2);
    std::string race = d2(ra.raceNumber());
    race.erase(std::remove(race.begin(), race.end(), ' '), race.end());
    h.RaceLabel = race;

    switch (ra.courseNumber()) {
    case 0:
    case 23:
    case 24:
    case 26:
        h.Panel3Colour = kDirtColour;
        break;
    case 11:
        h.Panel3Colour = kTurfColour;
        break;
    default:
        break;
    }
    return h;
}

} // namespace tidemark::analysis
