#pragma once
// What the user picks on the chart pages: the horse and bracket-pair check lists beside
// the line charts and the horse selectors of the high/low place comparison charts. They
// are rebuilt whenever a race is opened, so a choice lasts until the next race.

#include <array>
#include <functional>
#include <string>
#include <vector>

namespace tidemark::presentation {

// A check list box: items and their ticks (same length).
struct CheckListState {
    std::vector<std::string> items; // CP932
    std::vector<bool> checked;

    int count() const { return static_cast<int>(items.size()); }
    void setItems(std::vector<std::string> texts, bool tick);
    void checkAll(bool tick);
    bool allChecked() const;
};

// A radio group: items and the chosen one (-1 = none).
struct RadioGroupState {
    std::vector<std::string> items;
    int itemIndex = -1;
};

// The lists whose handlers redraw a chart.
enum class ChartList {
    CheckListBox1, // odds: win
    CheckListBox2, // odds: lower place
    CheckListBox3, // odds: upper place
    CheckListBox4, // vote share: win
    CheckListBox5, // vote share: lower place
    CheckListBox6, // vote share: upper place
    CheckListBox7, // odds: bracket quinella (36 pairs)
    CheckListBox8, // vote share: bracket quinella (36 pairs)
    CheckListBox9, // win/place difference
    RadioGroup6,   // odds: high/low place comparison of one horse
    RadioGroup9,   // vote share: high/low place comparison of one horse
};

// Runs a list's change handler, which redraws its chart.
using ChartRedraw = std::function<void(ChartList)>;

struct ChartSelections {
    CheckListState CheckListBox1;
    CheckListState CheckListBox2;
    CheckListState CheckListBox3;
    CheckListState CheckListBox4;
    CheckListState CheckListBox5;
    CheckListState CheckListBox6;
    CheckListState CheckListBox7;
    CheckListState CheckListBox8;
    CheckListState CheckListBox9;
    RadioGroupState RadioGroup6;
    RadioGroupState RadioGroup9;

    // The bracket lists hold their 36 pairs from the start ("1-1" … "8-8").
    ChartSelections();

    CheckListState* checkList(ChartList list);
    RadioGroupState* radioGroup(ChartList list);
};

// "1-1" … "8-8": the items of the bracket-pair lists, in pair order.
std::string bracketPairItem(int pair);
// "1番": a horse item.
std::string horseItem(int horse);

// The race opening: the seven horse lists get one ticked item per horse, the two radio
// groups one item per horse with the first chosen, the bracket lists all 36 ticked; each
// list's handler runs after its list is set, in the order the window runs them (the horse
// lists 1-6 and 9, the radio groups 6 and 9, the bracket lists 7 and 8).
void resetChartSelections(ChartSelections& selections, int runnerCount, const ChartRedraw& redraw = {});

} // namespace tidemark::presentation
