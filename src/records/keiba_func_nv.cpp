#include "records/keiba_func_nv.h"

#include "records/code_tables.h"
#include "records/pair_index.h"
#include "text/cp932.h"
#include "text/number_format.h"
#include "text/text_functions.h"

namespace tidemark::KeibaFuncNV {

namespace tables = records::code_tables;

std::string TrackName(std::string_view code, int form)
{
    return tables::trackName(tables::localTracks(), code, form);
}

bool IsBaneiTrack(std::string_view trackCode) noexcept
{
    return trackCode == "81" || trackCode == "82" || trackCode == "83" || trackCode == "84";
}

std::string RaceSymbolText(std::string_view trackCode, std::string_view symbolCode)
{
    const bool banei = IsBaneiTrack(trackCode);
    const auto& first = banei ? tables::baneiSymbolFirst() : tables::generalSymbolFirst();
    const auto& second = banei ? tables::baneiSymbolSecond() : tables::generalSymbolSecond();
    const auto& third = banei ? tables::baneiSymbolThird() : tables::generalSymbolThird();
    // A short field has no character there: that part is empty.
    auto part = [&](const tables::TextTable& table, std::size_t pos) {
        std::string_view c = text::bytesAt(symbolCode, pos, 1);
        return c.empty() ? std::string() : tables::lookup(table, c, {});
    };
    return part(first, 1) + " " + part(second, 2) + " " + part(third, 3);
}

std::string RaceKindText(std::string_view code, int form)
{
    if (form != 4)
        return {};
    return tables::lookup(tables::localRaceKinds(), code, tables::blankRaceKind());
}

std::string GradeText(std::string_view code, int form)
{
    if (form != 1)
        return {};
    return tables::lookup(tables::localGrades(), code, tables::blankGrade());
}

std::string WeekdayText(std::string_view code, int form)
{
    if (form != 1)
        return {};
    return tables::lookup(tables::weekdays(), text::readInt(code), {});
}

std::string WeightKindText(std::string_view code)
{
    return tables::lookup(tables::localWeightKinds(), code, {});
}

std::string TrackKindText(std::string_view code)
{
    return tables::lookup(tables::courseLong(), text::readInt(code), {});
}

std::string GoingText(std::string_view code, int form)
{
    std::string surface;
    switch (form) {
    case 1:
        surface = text::sj("芝:");
        break;
    case 2:
        surface = text::sj("ダ:");
        break;
    default:
        return {};
    }
    std::string going = tables::lookup(tables::goings(), code, {});
    return going.empty() ? std::string() : surface + going;
}

std::string SexText(std::string_view code)
{
    return tables::lookup(tables::sexes(), code, {});
}

std::string CircledNumber(std::string_view number)
{
    return tables::lookup(tables::circledNumbers(), text::readInt(number), tables::noCircledNumber());
}

int BracketOfHorse(int runnerCount, int horse) noexcept
{
    return records::BracketOfHorse(runnerCount, horse);
}

std::string RightNumber(std::string_view s) { return text::rightNumber(s); }

std::string AddMinutes(std::string_view hhmm, int minutes) { return text::addMinutes(hhmm, minutes); }

} // namespace tidemark::KeibaFuncNV
