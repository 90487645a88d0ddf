#include "analysis/time_points.h"

#include <cstdlib>

#include "analysis/snapshot_series.h"
#include "text/cp932.h"
#include "text/text_functions.h"

namespace tidemark::analysis {

std::vector<std::string> ChosenTimePoints::lines(const std::vector<std::string>& list) const
{
    std::vector<std::string> out;
    for (const std::optional<int>& i : {first, second, third})
        if (i && *i >= 0 && static_cast<std::size_t>(*i) < list.size())
            out.push_back(list[static_cast<std::size_t>(*i)]);
    return out;
}

ChosenTimePoints chooseTimePoints(std::vector<std::string>& list, std::string_view postTime,
                                  std::string_view raceDay, const TimePointOptions& options)
{
    if (options.ignoreAdvanceSale)
        applyAdvanceSaleRule(list);

    ChosenTimePoints chosen;
    if (list.empty())
        return chosen;
    const int count = static_cast<int>(list.size());

    if (options.notUse) {
        chosen.first = 0;
        chosen.second = count / 2;
        chosen.third = count - 1;
    } else {
        // Targets before the post time; a blank post time gives blank targets, which
        // are 10000 minutes from everything and so never chosen.
        const std::string t1 = text::addMinutes(postTime, -options.firstMinutes);
        const std::string t2 = text::addMinutes(postTime, -options.secondMinutes);
        const std::string t3 = text::addMinutes(postTime, -options.thirdMinutes);
        int best1 = 10000, best2 = 10000, best3 = 10000;
        for (int i = 0; i < count; ++i) {
            const std::string& line = list[static_cast<std::size_t>(i)];
            if (text::bytesAt(line, 28, 4) != raceDay)
                continue;
            std::string_view h = text::bytesAt(line, 32, 4);
            if (int d = std::abs(text::minutesBetween(h, t3)); d < best3) {
                best3 = d;
                chosen.third = i;
            }
            if (int d = std::abs(text::minutesBetween(h, t2)); d < best2) {
                best2 = d;
                chosen.second = i;
            }
            if (int d = std::abs(text::minutesBetween(h, t1)); d < best1) {
                best1 = d;
                chosen.first = i;
            }
        }
    }
    // The second time point never lies after the third.
    if (chosen.second && chosen.third && *chosen.second > *chosen.third)
        chosen.second = chosen.third;
    return chosen;
}

} // namespace tidemark::analysis
