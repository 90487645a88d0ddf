#include <gtest/gtest.h>

#include "analysis/race_header.h"
#include "analysis/race_store_fixture.h"

using namespace tidemark;
using namespace tidemark::analysis;
using text::sj;
using tidemark::testing::raceCard;

TEST(RaceHeader, TitleLinesByteForByte)
{
    records::RaBuilder b = raceCard(11, 14, "2010");
    b.weekday("5").edition(22).raceName(sj("東京記念")).distance(2400).course("24").grade("D").raceSymbol("N1A");
    b.weightRule("2").raceKind("13").conditionName(sj("重賞")).turfCondition("1").dirtCondition("3");
    RaceHeader h = raceHeader(b.build());
    EXPECT_EQ(h.TitleLabel1, sj("2024年 1月15日(火)大井  11回 2日11R   20.10発走 芝:良　ダ:重"));
    EXPECT_EQ(h.TitleLabel2, sj("第22回 東京記念") + std::string(60 - 8, ' '));
    EXPECT_EQ(h.TitleLabel3, sj("14頭  2400ﾒｰﾄﾙ ﾀﾞｰﾄ 右回り 重賞  (国際) 牡 地方全国交流"));
    EXPECT_EQ(h.TitleLabel4, sj("別定 サラ３上 重賞") + std::string(60 - 4, ' '));
    EXPECT_EQ(h.BashoLabel, sj("大井"));
    EXPECT_EQ(h.RaceLabel, "11");
    ASSERT_TRUE(h.Panel3Colour);
    EXPECT_EQ(*h.Panel3Colour, kDirtColour);
}

TEST(RaceHeader, ThreeCharacterTrackNoEditionAndSurfaceColours)
{
    records::RaBuilder b = raceCard(3, 9, "1500", "48");
    b.course("11").edition(0).weekday("9");
    RaceHeader h = raceHeader(b.build());
    EXPECT_EQ(h.TitleLabel1.substr(0, 30), sj("2024年 1月15日()名古屋11回 2日"));
    EXPECT_EQ(h.TitleLabel2, std::string(60, ' '));
    EXPECT_EQ(h.RaceLabel, "3");
    EXPECT_EQ(*h.Panel3Colour, kTurfColour);
    // Blank course: the sand colour; another course keeps the panel as it is.
    EXPECT_EQ(*raceHeader(raceCard(1).course("  ").build()).Panel3Colour, kDirtColour);
    EXPECT_FALSE(raceHeader(raceCard(1).course("17").build()).Panel3Colour);
}

TEST(RaceHeader, BaneiMoisture)
{
    EXPECT_EQ(moistureText("19"), sj("含水率(%):2.5"));
    EXPECT_EQ(moistureText("0A"), sj("含水率(%):1.0"));
    EXPECT_EQ(moistureText("  "), sj("含水率(%):"));
    records::RaBuilder b = raceCard(1, 10, "1450", "83");
    b.set(889, "19");
    const std::string title = raceHeader(b.build()).TitleLabel1;
    EXPECT_EQ(title.substr(title.size() - sj("発走 含水率(%):2.5").size()), sj("発走 含水率(%):2.5"));
    EXPECT_NE(title.find(sj("帯広ば")), std::string::npos);
}
