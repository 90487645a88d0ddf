#include "analysis/race_header.h"

#include <algorithm>

#include "records/keiba_func_nv.h"
#include "text/cp932.h"
#include "text/number_format.h"

namespace tidemark::analysis {

namespace {

using text::bytesAt;
using text::sj;

std::int64_t num(std::string_view ra, std::size_t pos, std::size_t len) { return text::readInt(bytesAt(ra, pos, len)); }
std::string d2(std::string_view ra, std::size_t pos, std::size_t len) { return text::formatInt(num(ra, pos, len), 2); }

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

std::string trackConditionText(std::string_view ra)
{
    if (KeibaFuncNV::IsBaneiTrack(bytesAt(ra, 20, 2)))
        return moistureText(bytesAt(ra, 889, 2));
    return KeibaFuncNV::GoingText(bytesAt(ra, 889, 1), 1) + sj("　") + KeibaFuncNV::GoingText(bytesAt(ra, 890, 1), 2);
}

RaceHeader raceHeader(std::string_view ra)
{
    namespace K = KeibaFuncNV;
    RaceHeader h;
    const std::string_view track = bytesAt(ra, 20, 2);

    h.TitleLabel1.append(bytesAt(ra, 12, 4)).append(sj("年")).append(d2(ra, 16, 2)).append(sj("月"));
    h.TitleLabel1.append(d2(ra, 18, 2)).append(sj("日(")).append(K::WeekdayText(bytesAt(ra, 28, 1), 1)).append(")");
    h.TitleLabel1.append(K::TrackName(track, 0)).append(d2(ra, 22, 2)).append(sj("回"));
    h.TitleLabel1.append(d2(ra, 24, 2)).append(sj("日")).append(d2(ra, 26, 2)).append("R   ");
    h.TitleLabel1.append(bytesAt(ra, 874, 2)).append(".").append(bytesAt(ra, 876, 2)).append(sj("発走 "));
    h.TitleLabel1.append(trackConditionText(ra));

    if (const std::int64_t edition = num(ra, 612, 3); edition >= 1)
        h.TitleLabel2.append(sj("第")).append(std::to_string(edition)).append(sj("回 "));
    h.TitleLabel2.append(bytesAt(ra, 33, 60));

    h.TitleLabel3.append(d2(ra, 882, 2)).append(sj("頭  ")).append(text::formatInt(num(ra, 698, 4), 4));
    h.TitleLabel3.append(sj("ﾒｰﾄﾙ ")).append(K::TrackKindText(bytesAt(ra, 706, 2))).append(" ");
    h.TitleLabel3.append(K::GradeText(bytesAt(ra, 615, 1), 1)).append(" ");
    h.TitleLabel3.append(K::RaceSymbolText(track, bytesAt(ra, 619, 3)));

    h.TitleLabel4.append(K::WeightKindText(bytesAt(ra, 622, 1))).append(" ");
    h.TitleLabel4.append(K::RaceKindText(bytesAt(ra, 617, 2), 4)).append(" ").append(bytesAt(ra, 638, 60));

    h.BashoLabel = K::TrackName(track, 2);
    std::string race = d2(ra, 26, 2);
    race.erase(std::remove(race.begin(), race.end(), ' '), race.end());
    h.RaceLabel = race;

    switch (num(ra, 706, 2)) {
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
