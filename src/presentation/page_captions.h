#pragma once
// The captions of the pages of PageControl1 and of the page controls inside them, as
// their tabs show them, and the page in front that a row of such captions names ("時系列ｵｯｽﾞ表"
// then "単勝"): how someone without the window says which table they mean.

#include <string>
#include <string_view>
#include <vector>

#include "presentation/clipboard_export.h"

namespace tidemark::presentation {

// The caption of a page of PageControl1 (CP932). TabSheet1's tab never shows.
std::string mainPageCaption(MainPage page);
// The pages whose tabs show, in tab order (every page but TabSheet1).
std::vector<MainPage> shownMainPages();
// The captions of the page control inside a page, in tab order; empty when it has none.
std::vector<std::string> innerPageCaptions(MainPage page);
// The captions of the page control inside inner page `inner`: on "異常オッズ発見" PageControl7
// (単複比較) and PageControl8 (時差比較); empty elsewhere.
std::vector<std::string> innerInnerPageCaptions(MainPage page, int inner);

struct PageLookup {
    enum class Outcome {
        Found,
        Unknown,      // no page of that caption at `level`
        NoPagesInside // a caption given for `level`, but the page above holds no page control
    };
    Outcome outcome = Outcome::Found;
    ActivePage page; // the pages named so far (complete when Found)
    int level = 0;   // 0 PageControl1, 1 its inner page control, 2 the one inside that
};

// The page in front when the tabs of `captions` (CP932, outermost first, at most three)
// are chosen. A page control whose caption is left out shows its first page, as it does
// when the window opens.
PageLookup findPage(const std::vector<std::string>& captions);

} // namespace tidemark::presentation
