#include "presentation/page_captions.h"

#include <gtest/gtest.h>

#include "text/cp932.h"

using namespace tidemark;
using namespace tidemark::presentation;
using text::sj;

namespace {

// Every row of tabs names the page whose copy carries that tab in its title: a caption
// table out of step with the pages would name a neighbour's table.
TEST(PageCaptions, EveryTabNamesThePageWhoseTitleCarriesIt)
{
    int tables = 0;
    for (MainPage page : shownMainPages()) {
        const std::string caption = mainPageCaption(page);
        const std::vector<std::string> inner = innerPageCaptions(page);
        for (std::size_t i = 0; i < std::max<std::size_t>(inner.size(), 1); ++i) {
            std::vector<std::string> path{caption};
            if (!inner.empty())
                path.push_back(inner[i]);
            const std::vector<std::string> deeper = innerInnerPageCaptions(page, static_cast<int>(i));
            for (std::size_t j = 0; j < std::max<std::size_t>(deeper.size(), 1); ++j) {
                std::vector<std::string> full = path;
                if (!deeper.empty())
                    full.push_back(deeper[j]);
                const PageLookup found = findPage(full);
                ASSERT_EQ(found.outcome, PageLookup::Outcome::Found) << text::toUtf8(full.back());
                EXPECT_EQ(found.page.page, page);
                EXPECT_EQ(found.page.inner, inner.empty() ? 0 : static_cast<int>(i));
                EXPECT_EQ(found.page.innerInner, deeper.empty() ? 0 : static_cast<int>(j));
                const auto table = copyTableFor(found.page, sj("単勝人気"));
                if (!table)
                    continue;
                ++tables;
                for (std::size_t k = 1; k < full.size(); ++k)
                    EXPECT_NE(table->title.find(full[k] + "]"), std::string::npos)
                        << text::toUtf8(table->title) << " / " << text::toUtf8(full[k]);
            }
        }
    }
    // 出馬表, 券種別, マトリクス, 4 three-point, 4 anomaly, 4 gap, 12 time-series tables.
    EXPECT_EQ(tables, 27);
}

TEST(PageCaptions, LeftOutTabsAreTheFirstAndWrongOnesAreNamedByLevel)
{
    const PageLookup series = findPage({sj("時系列人気表")});
    EXPECT_EQ(series.outcome, PageLookup::Outcome::Found);
    EXPECT_EQ(series.page.page, MainPage::TabSheet12);
    EXPECT_EQ(series.page.inner, 0);

    // The hidden page shares the browse page's caption; only the shown one is meant.
    EXPECT_EQ(findPage({sj("オッズ閲覧")}).page.page, MainPage::TabSheet39);
    EXPECT_EQ(findPage({sj("オッズ閲覧"), sj("人気順")}).page.inner, 2);

    const PageLookup unknown = findPage({sj("時系列オッズ表")}); // the title's spelling, not the tab's
    EXPECT_EQ(unknown.outcome, PageLookup::Outcome::Unknown);
    EXPECT_EQ(unknown.level, 0);
    EXPECT_EQ(findPage({}).outcome, PageLookup::Outcome::Unknown);

    const PageLookup innerWrong = findPage({sj("異常オッズ発見"), sj("時差比較"), sj("単÷複")});
    EXPECT_EQ(innerWrong.outcome, PageLookup::Outcome::Unknown);
    EXPECT_EQ(innerWrong.level, 2);
    EXPECT_EQ(innerWrong.page.inner, 1);

    const PageLookup flat = findPage({sj("出馬表"), sj("単勝")});
    EXPECT_EQ(flat.outcome, PageLookup::Outcome::NoPagesInside);
    EXPECT_EQ(flat.level, 1);
    const PageLookup tooDeep = findPage({sj("断層表"), sj("馬連"), sj("馬連"), sj("馬連")});
    EXPECT_EQ(tooDeep.outcome, PageLookup::Outcome::NoPagesInside);
    EXPECT_EQ(tooDeep.level, 2);
}

} // namespace
