#include "presentation/page_captions.h"

#include <array>
#include <initializer_list>

#include "text/cp932.h"

namespace tidemark::presentation {

namespace {

using text::sj;

struct PageTabs {
    const char* caption; // UTF-8 here, CP932 outside
    std::initializer_list<const char*> inner;
};

// PageControl1 in tab order (MainPage order) with the captions of its inner page controls.
const std::array<PageTabs, kMainPageCount>& pageTabs()
{
    static const std::array<PageTabs, kMainPageCount> tabs{{
        {"出馬表", {}},
        {"３系列オッズ表", {"単勝", "複勝(低)", "複勝(高)", "馬連(疑似)"}},
        {"異常オッズ発見", {"単複比較", "時差比較"}},
        {"券種別オッズ比較", {}},
        {"断層表", {"単勝", "複勝(低)", "複勝(高)", "馬連"}},
        {"馬連マトリクス", {}},
        {"時系列ｵｯｽﾞ表", {"単勝", "複勝", "枠連", "馬連"}},
        {"時系列人気表", {"単勝", "複勝", "枠連", "馬連"}},
        {"時系列得票表", {"単勝", "複勝", "枠連", "馬連"}},
        {"馬連・枠連", {}},
        {"グラフ", {}},
        {"オッズ閲覧", {"単複枠", "馬連", "人気順"}},
        {"成績結果", {}},
        {"オッズ閲覧", {}},
    }};
    return tabs;
}

// PageControl7 and PageControl8, inside the two pages of "異常オッズ発見".
constexpr std::array<std::array<const char*, 2>, 2> kAnomalyTabs{{
    {"単÷複", "複÷単"},
    {"単勝", "複勝"},
}};

std::vector<std::string> converted(std::initializer_list<const char*> captions)
{
    std::vector<std::string> out;
    for (const char* c : captions)
        out.push_back(sj(c));
    return out;
}

// Position of `caption` among `captions`, -1 when absent.
int indexOf(const std::vector<std::string>& captions, const std::string& caption)
{
    for (std::size_t i = 0; i < captions.size(); ++i)
        if (captions[i] == caption)
            return static_cast<int>(i);
    return -1;
}

} // namespace

std::string mainPageCaption(MainPage page) { return sj(pageTabs()[static_cast<std::size_t>(page)].caption); }

std::vector<MainPage> shownMainPages()
{
    std::vector<MainPage> pages;
    for (int i = 0; i < kMainPageCount; ++i)
        if (mainPageAt(i) != MainPage::TabSheet1)
            pages.push_back(mainPageAt(i));
    return pages;
}

std::vector<std::string> innerPageCaptions(MainPage page)
{
    return converted(pageTabs()[static_cast<std::size_t>(page)].inner);
}

std::vector<std::string> innerInnerPageCaptions(MainPage page, int inner)
{
    if (page != MainPage::TabSheet50 || inner < 0 || inner >= static_cast<int>(kAnomalyTabs.size()))
        return {};
    const auto& tabs = kAnomalyTabs[static_cast<std::size_t>(inner)];
    return {sj(tabs[0]), sj(tabs[1])};
}

PageLookup findPage(const std::vector<std::string>& captions)
{
    PageLookup found;
    if (captions.empty()) {
        found.outcome = PageLookup::Outcome::Unknown;
        return found;
    }
    // The hidden TabSheet1 shares its caption with "オッズ閲覧" but can never be in front.
    bool known = false;
    for (MainPage page : shownMainPages())
        if (mainPageCaption(page) == captions[0]) {
            found.page.page = page;
            known = true;
            break;
        }
    if (!known) {
        found.outcome = PageLookup::Outcome::Unknown;
        return found;
    }
    for (std::size_t level = 1; level < captions.size(); ++level) {
        found.level = static_cast<int>(level);
        const std::vector<std::string> tabs = level == 1 ? innerPageCaptions(found.page.page)
                                              : level == 2 ? innerInnerPageCaptions(found.page.page, found.page.inner)
                                                           : std::vector<std::string>{};
        if (tabs.empty()) {
            found.outcome = PageLookup::Outcome::NoPagesInside;
            return found;
        }
        const int index = indexOf(tabs, captions[level]);
        if (index < 0) {
            found.outcome = PageLookup::Outcome::Unknown;
            return found;
        }
        (level == 1 ? found.page.inner : found.page.innerInner) = index;
    }
    found.level = 0;
    return found;
}

} // namespace tidemark::presentation
