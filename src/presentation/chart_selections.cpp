#include "presentation/chart_selections.h"

#include <algorithm>

#include "records/pair_index.h"
#include "text/cp932.h"

namespace tidemark::presentation {

void CheckListState::setItems(std::vector<std::string> texts, bool tick)
{
    items = std::move(texts);
    checked.assign(items.size(), tick);
}

void CheckListState::checkAll(bool tick) { checked.assign(items.size(), tick); }

bool CheckListState::allChecked() const
{
    return checked.size() == items.size() && std::all_of(checked.begin(), checked.end(), [](bool b) { return b; });
}

std::string bracketPairItem(int pair)
{
    const records::Pair p = records::bracketPair(pair);
    if (!p.valid())
        return {};
    return std::to_string(p.first) + "-" + std::to_string(p.second);
}

std::string horseItem(int horse) { return std::to_string(horse) + text::sj("番"); }

ChartSelections::ChartSelections()
{
    std::vector<std::string> pairs;
    for (int k = 1; k <= records::kBracketPairCount; ++k)
        pairs.push_back(bracketPairItem(k));
    CheckListBox7.setItems(pairs, false);
    CheckListBox8.setItems(std::move(pairs), false);
}

CheckListState* ChartSelections::checkList(ChartList list)
{
    switch (list) {
    case ChartList::CheckListBox1: return &CheckListBox1;
    case ChartList::CheckListBox2: return &CheckListBox2;
    case ChartList::CheckListBox3: return &CheckListBox3;
    case ChartList::CheckListBox4: return &CheckListBox4;
    case ChartList::CheckListBox5: return &CheckListBox5;
    case ChartList::CheckListBox6: return &CheckListBox6;
    case ChartList::CheckListBox7: return &CheckListBox7;
    case ChartList::CheckListBox8: return &CheckListBox8;
    case ChartList::CheckListBox9: return &CheckListBox9;
    case ChartList::RadioGroup6:
    case ChartList::RadioGroup9: return nullptr;
    }
    return nullptr;
}

RadioGroupState* ChartSelections::radioGroup(ChartList list)
{
    switch (list) {
    case ChartList::RadioGroup6: return &RadioGroup6;
    case ChartList::RadioGroup9: return &RadioGroup9;
    case ChartList::CheckListBox1:
    case ChartList::CheckListBox2:
    case ChartList::CheckListBox3:
    case ChartList::CheckListBox4:
    case ChartList::CheckListBox5:
    case ChartList::CheckListBox6:
    case ChartList::CheckListBox7:
    case ChartList::CheckListBox8:
    case ChartList::CheckListBox9: return nullptr;
    }
    return nullptr;
}

void resetChartSelections(ChartSelections& selections, int runnerCount, const ChartRedraw& redraw)
{
    const int runners = std::clamp(runnerCount, 0, records::kHorseCount);
    std::vector<std::string> horses;
    for (int h = 1; h <= runners; ++h)
        horses.push_back(horseItem(h));
    const auto run = [&redraw](ChartList list) {
        if (redraw)
            redraw(list);
    };

    for (ChartList list : {ChartList::CheckListBox1, ChartList::CheckListBox2, ChartList::CheckListBox3,
             ChartList::CheckListBox4, ChartList::CheckListBox5, ChartList::CheckListBox6, ChartList::CheckListBox9}) {
        selections.checkList(list)->setItems(horses, true);
        run(list);
    }
    for (ChartList list : {ChartList::RadioGroup6, ChartList::RadioGroup9}) {
        RadioGroupState& group = *selections.radioGroup(list);
        group.items = horses;
        group.itemIndex = horses.empty() ? -1 : 0;
        run(list);
    }
    for (ChartList list : {ChartList::CheckListBox7, ChartList::CheckListBox8}) {
        selections.checkList(list)->checkAll(true);
        run(list);
    }
}

} // namespace tidemark::presentation
