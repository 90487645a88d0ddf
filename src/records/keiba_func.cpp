#include "records/keiba_func.h"

#include "records/code_tables.h"
#include "records/pair_index.h"
#include "text/cp932.h"
#include "text/date_time.h"
#include "text/number_format.h"
#include "text/text_functions.h"

namespace tidemark::KeibaFunc {

namespace tables = records::code_tables;

std::string TrackName(std::string_view code, int form)
{
    return tables::trackName(tables::centralTracks(), code, form);
}

std::string RaceKindText(std::string_view code, int form)
{
    if (form != 4)
        return {};
    return tables::lookup(tables::centralRaceKinds(), code, tables::blankRaceKind());
}

std::string GradeText(std::string_view code, int form)
{
    if (form != 1)
        return {};
    return tables::lookup(tables::centralGrades(), code, tables::blankGrade());
}

std::string WeightKindText(std::string_view code)
{
    return tables::lookup(tables::centralWeightKinds(), code, {});
}

std::string CourseShortText(std::string_view code)
{
    return tables::lookup(tables::courseShort(), text::readInt(code), {});
}

std::string ConditionClassText(std::string_view code)
{
    return tables::lookup(tables::conditionClasses(), text::readInt(code), {});
}

std::string RightNumber(std::string_view s) { return text::rightNumber(s); }

std::string AddMinutes(std::string_view hhmm, int minutes) { return text::addMinutes(hhmm, minutes); }

std::string AddDays(std::string_view date, int days)
{
    std::string_view d = text::trim(date);
    if (d.empty())
        return {};
    // Only the date itself: a text with anything after the day is not a date here.
    if (d.size() != 10)
        return {};
    auto t = text::parseSlashDateTime(d);
    if (!t)
        return {};
    return text::formatDateTime("yyyy/mm/dd", t->addDays(days));
}

std::string BracketPairLabel(int k) { return records::bracketPairLabel(k); }

std::string QuinellaPairLabel(int k) { return records::quinellaPairLabel(k); }

} // namespace tidemark::KeibaFunc
