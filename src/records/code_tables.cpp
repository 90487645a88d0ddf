#include "records/code_tables.h"

#include "text/cp932.h"

#include <initializer_list>
#include <span>
#include <utility>

namespace tidemark::records::code_tables {
namespace {

using Utf8Row = std::pair<std::string_view, std::string_view>;
using Utf8NumberRow = std::pair<std::int64_t, std::string_view>;

TextTable makeTable(std::initializer_list<Utf8Row> rows)
{
    TextTable t;
    for (const auto& [code, text] : rows)
        t.emplace(std::string(code), text::sj(text));
    return t;
}

NumberTable makeTable(std::initializer_list<Utf8NumberRow> rows)
{
    NumberTable t;
    for (const auto& [value, text] : rows)
        t.emplace(value, text::sj(text));
    return t;
}

// A track row as it reads in the source: the two-character name and, where it is not
// that name plus two blanks, the 6-byte name (foreign names shorter than 6 bytes are
// filled with half-width blanks).
struct TrackRow {
    std::string_view code;
    std::string_view form2;
    std::string_view form0 = {};
};

void addTracks(TrackTable& t, std::span<const TrackRow> rows)
{
    for (const TrackRow& r : rows) {
        TrackNames names;
        names.form2 = text::sj(r.form2);
        names.form0 = r.form0.empty() ? names.form2 + "  " : text::padRight(text::sj(r.form0), 6);
        t.emplace(std::string(r.code), std::move(names));
    }
}

// Tracks both code sets share: the central courses and the local tracks.
constexpr TrackRow kDomesticTracks[] = {
    {"01", "札幌"},
    {"02", "函館"},
    {"03", "福島"},
    {"04", "新潟"},
    {"05", "東京"},
    {"06", "中山"},
    {"07", "中京"},
    {"08", "京都"},
    {"09", "阪神"},
    {"10", "小倉"},
    {"30", "門別"},
    {"31", "北見"},
    {"32", "岩見", "岩見沢"},
    {"33", "帯広"},
    {"34", "旭川"},
    {"35", "盛岡"},
    {"36", "水沢"},
    {"37", "上山"},
    {"38", "三条"},
    {"39", "足利"},
    {"40", "宇都", "宇都宮"},
    {"41", "高崎"},
    {"42", "浦和"},
    {"43", "船橋"},
    {"44", "大井"},
    {"45", "川崎"},
    {"46", "金沢"},
    {"47", "笠松"},
    {"48", "名古", "名古屋"},
    {"49", "紀三", "紀三井"},
    {"50", "園田"},
    {"51", "姫路"},
    {"52", "益田"},
    {"53", "福山"},
    {"54", "高知"},
    {"55", "佐賀"},
    {"56", "荒尾"},
    {"57", "中津"},
    {"58", "札幌"},
    {"59", "函館"},
    {"60", "新潟"},
    {"61", "中京"},
};

// Only in the local-racing table: 春木 and the ばんえい tracks 81-84.
constexpr TrackRow kLocalOnlyTracks[] = {
    {"80", "春木"},
    {"81", "北ば", "北見ば"},
    {"82", "岩ば", "岩見ば"},
    {"83", "帯ば", "帯広ば"},
    {"84", "旭ば", "旭川ば"},
};

// Foreign countries. The blank rows are codes the provider keeps without a name.
constexpr TrackRow kForeignTracks[] = {
    {"A0", "他外", "他外国"},
    {"A2", "日本", "日本"},
    {"A4", "アメ", "ｱﾒﾘｶ"},
    {"A6", "イギ", "ｲｷﾞﾘｽ"},
    {"A8", "フラ", "ﾌﾗﾝｽ"},
    {"B0", "イン", "インド"},
    {"B2", "アイ", "ｱｲﾙﾗﾝﾄ"},
    {"B4", "ニュ", "ﾆｭｰｼﾞｰ"},
    {"B6", "オー", "ｵｰｽﾄﾗﾘ"},
    {"B8", "カナ", "カナダ"},
    {"C0", "イタ", "ｲﾀﾘｱ"},
    {"C2", "ドイ", "ドイツ"},
    {"C4", "    ", "      "},
    {"C5", "オマ", "ｵﾏｰﾝ"},
    {"C6", "イラ", "イラク"},
    {"C7", "ア首", "ｱﾗﾌﾞ首"},
    {"C8", "シリ", "シリア"},
    {"D0", "スウ", "ｽｳｪｰﾃﾞ"},
    {"D2", "ハン", "ﾊﾝｶﾞﾘｰ"},
    {"D4", "ポル", "ﾎﾟﾙﾄｶﾞ"},
    {"D6", "ロシ", "ロシア"},
    {"D8", "ウル", "ｳﾙｸﾞｱｲ"},
    {"E0", "ペル", "ペルー"},
    {"E2", "アル", "ｱﾙｾﾞﾝﾁ"},
    {"E4", "ブラ", "ﾌﾞﾗｼﾞﾙ"},
    {"E6", "ベル", "ﾍﾞﾙｷﾞｰ"},
    {"E8", "トル", "トルコ"},
    {"F0", "韓国", "韓国"},
    {"F1", "中国", "中国"},
    {"F2", "チリ", "チリ"},
    {"F4", "    ", "      "},
    {"F6", "    ", "      "},
    {"F8", "パナ", "パナマ"},
    {"G0", "香港", "香港"},
    {"G2", "スペ", "ｽﾍﾟｲﾝ"},
    {"G4", "    ", "      "},
    {"G6", "    ", "      "},
    {"G8", "    ", "      "},
    {"H0", "西独", "西ﾄﾞｲﾂ"},
    {"H2", "南ア", "南ｱﾌﾘｶ"},
    {"H4", "スイ", "スイス"},
    {"H6", "モナ", "モナコ"},
    {"H8", "フィ", "ﾌｨﾘﾋﾟﾝ"},
    {"I0", "プエ", "ﾌﾟｴﾙﾄﾘ"},
    {"I2", "コロ", "ｺﾛﾝﾋﾞｱ"},
    {"I4", "チェ", "ﾁｪｺｽﾛﾊ"},
    {"I6", "チェ", "チェコ"},
    {"I8", "スロ", "ｽﾛﾊﾞｷｱ"},
    {"J0", "エク", "ｴｸｱﾄﾞﾙ"},
    {"J2", "ギリ", "ｷﾞﾘｼｬ"},
    {"J4", "マレ", "ﾏﾚｰｼｱ"},
    {"J6", "メキ", "ﾒｷｼｺ"},
    {"J8", "モロ", "ﾓﾛｯｺ"},
    {"K0", "パキ", "ﾊﾟｷｽﾀﾝ"},
    {"K2", "ポー", "ﾎﾟｰﾗﾝﾄ"},
    {"K4", "パラ", "ﾊﾟﾗｸﾞｱ"},
    {"K6", "サウ", "ｻｳｼﾞｱﾗ"},
    {"K8", "キプ", "ｷﾌﾟﾛｽ"},
    {"L0", "タイ", "タイ　"},
    {"L2", "ウク", "ｳｸﾗｲﾅ"},
    {"L4", "ベネ", "ﾍﾞﾈｽﾞｴ"},
    {"L6", "ユー", "ﾕｰｺﾞｽﾗ"},
    {"L8", "デン", "ﾃﾞﾝﾏｰｸ"},
    {"M0", "シン", "ｼﾝｶﾞﾎﾟ"},
    {"M2", "澳門", "マカオ"},
};

// Countries only the central-racing table names.
constexpr TrackRow kCentralOnlyForeignTracks[] = {
    {"M4", "墺国", "ｵｰｽﾄﾘｱ"},
    {"M6", "約  ", "ﾖﾙﾀﾞﾝ"},
    {"M8", "華  ", "ｶﾀｰﾙ"},
    {"N0", "東ド", "ﾋｶﾞｼﾄﾞ"},
    {"N2", "バレ", "ﾊﾞｰﾚｰﾝ"},
};

} // namespace

std::string trackName(const TrackTable& table, std::string_view code, int form)
{
    auto it = table.find(code);
    switch (form) {
    case 0:
        return it == table.end() ? std::string(6, ' ') : it->second.form0;
    case 2:
        return it == table.end() ? std::string(4, ' ') : it->second.form2;
    default:
        return {};
    }
}

std::string lookup(const TextTable& table, std::string_view code, std::string_view fallback)
{
    auto it = table.find(code);
    return it == table.end() ? std::string(fallback) : it->second;
}

std::string lookup(const NumberTable& table, std::int64_t value, std::string_view fallback)
{
    auto it = table.find(value);
    return it == table.end() ? std::string(fallback) : it->second;
}

const std::string& blankRaceKind()
{
    static const std::string s = text::sj("　　　　");
    return s;
}

const std::string& blankGrade()
{
    static const std::string s = text::sj("　　 ");
    return s;
}

const std::string& noCircledNumber()
{
    static const std::string s = text::sj("－");
    return s;
}

const TrackTable& localTracks()
{
    static const TrackTable t = [] {
        TrackTable r;
        addTracks(r, kDomesticTracks);
        addTracks(r, kLocalOnlyTracks);
        addTracks(r, kForeignTracks);
        return r;
    }();
    return t;
}

const TrackTable& centralTracks()
{
    static const TrackTable t = [] {
        TrackTable r;
        addTracks(r, kDomesticTracks);
        addTracks(r, kForeignTracks);
        addTracks(r, kCentralOnlyForeignTracks);
        return r;
    }();
    return t;
}

const TextTable& generalSymbolFirst()
{
    static const TextTable t = makeTable({
        {"M", "九州産馬"},
        {"N", "(国際)"},
        {"a", "奨励馬・抽選馬"},
        {"b", "補助馬"},
        {"c", "北海道産馬"},
        {"d", "東北産馬"},
        {"e", "千葉県産馬"},
        {"f", "熊本県産馬"},
        {"g", "門別・平取産馬"},
        {"h", "浦賀・荻伏・様似産馬"},
        {"i", "新冠・静内・三石産馬"},
        {"j", "青毛・青鹿毛・黒鹿毛"},
        {"k", "栗毛"},
        {"l", "栗毛・栃栗毛"},
        {"m", "芦毛"},
        {"n", "白毛・芦毛"},
        {"o", "地元デビュー馬"},
    });
    return t;
}

const TextTable& generalSymbolSecond()
{
    static const TextTable t = makeTable({
        {"1", "牡"},
        {"2", "牝"},
        {"3", "牡・セン"},
        {"4", "牡・牝"},
        {"A", "選抜牝馬"},
        {"B", "選定牝馬"},
    });
    return t;
}

const TextTable& generalSymbolThird()
{
    static const TextTable t = makeTable({
        {"1", "(指定)"},
        {"7", "認定競走"},
        {"8", "指定競走"},
        {"9", "選定競走"},
        {"A", "地方全国交流"},
        {"B", "北海道・東北交流"},
        {"C", "北海道・東北・北関東交流"},
        {"D", "北海道・東北・南関東交流"},
        {"E", "北海道・東北・九州交流"},
        {"F", "北海道・東北・北関東・南関東交流"},
        {"G", "北海道・東北・北関東・南関東・九州交流"},
        {"M", "東北交流"},
        {"N", "東北・南関東交流"},
        {"O", "東北・九州交流"},
        {"P", "東北・南関東・東海交流"},
        {"Q", "東北・北陸・東海交流"},
        {"V", "北関東交流"},
        {"W", "北関東・南関東交流"},
        {"X", "南関東交流"},
        {"Y", "南関東・北陸・東海・近畿交流"},
        {"Z", "南関東・北陸・東海・近畿・中国交流"},
        {"a", "南関東・北陸・東海・近畿・中国・四国交流"},
        {"e", "北陸・東海交流"},
        {"f", "北陸・近畿交流"},
        {"g", "北陸・中国交流"},
        {"h", "北陸・東海・近畿交流"},
        {"i", "北陸・東海・近畿・中国交流"},
        {"j", "北陸・東海・近畿・中国・四国・九州交流"},
        {"m", "東海・近畿交流"},
        {"q", "近畿・中国交流"},
        {"r", "近畿・四国交流"},
        {"s", "近畿・中国・四国交流"},
        {"v", "中国交流"},
        {"w", "中国・四国交流"},
        {"y", "四国・九州交流"},
        {"z", "九州交流"},
    });
    return t;
}

const TextTable& baneiSymbolFirst()
{
    static const TextTable t = makeTable({
        {"A", "決勝"},
        {"B", "勝入"},
        {"C", "選抜"},
        {"D", "混合"},
        {"E", "決勝混合"},
        {"F", "勝入混合"},
        {"G", "選抜混合"},
    });
    return t;
}

const TextTable& baneiSymbolSecond()
{
    static const TextTable t = makeTable({
        {"1", "牡"},
        {"2", "牝"},
        {"3", "牡・セン"},
        {"4", "牡・牝"},
    });
    return t;
}

const TextTable& baneiSymbolThird()
{
    static const TextTable t = makeTable({
        {"A", "釧路・根室管内産駒選抜"},
        {"B", "十勝管内産駒選抜"},
        {"C", "網走管内産駒選抜"},
        {"D", "足寄町産駒選抜"},
        {"E", "幕別町産駒選抜"},
        {"F", "南北海道産駒選抜"},
        {"G", "産駒特別競走選抜"},
        {"H", "芦毛馬選抜"},
        {"I", "栗毛馬選抜"},
        {"J", "鹿毛馬選抜"},
        {"K", "青毛馬選抜"},
        {"L", "重馬体重馬選抜"},
        {"M", "指定特別競走優勝馬"},
        {"N", "重賞特別競走優勝馬"},
        {"O", "馬齢選抜"},
        {"P", "騎手指定選抜"},
        {"Q", "ファン投票選抜"},
    });
    return t;
}

const TextTable& localRaceKinds()
{
    static const TextTable t = makeTable({
        {"01", "混合２歳"},
        {"02", "混合３歳"},
        {"03", "混合４歳"},
        {"04", "混合３上"},
        {"05", "混合４上"},
        {"06", "混合５上"},
        {"07", "混２・３"},
        {"08", "混３・４"},
        {"09", "混合一般"},
        {"11", "サラ２歳"},
        {"12", "サラ３歳"},
        {"13", "サラ３上"},
        {"14", "サラ４上"},
        {"18", "障害３上"},
        {"19", "障害４上"},
        {"21", "アラ２歳"},
        {"22", "アラ３歳"},
        {"23", "アラ３上"},
        {"24", "アラ４上"},
        {"43", "サラ４歳"},
        {"46", "サラ５上"},
        {"47", "サ２・３"},
        {"48", "サ３・４"},
        {"49", "サラ一般"},
    });
    return t;
}

// Central racing knows the thoroughbred, steeplechase and Anglo-Arab kinds only.
const TextTable& centralRaceKinds()
{
    static const TextTable t = makeTable({
        {"11", "サラ２歳"},
        {"12", "サラ３歳"},
        {"13", "サラ３上"},
        {"14", "サラ４上"},
        {"18", "障害３上"},
        {"19", "障害４上"},
        {"21", "アラ２歳"},
        {"22", "アラ３歳"},
        {"23", "アラ３上"},
        {"24", "アラ４上"},
    });
    return t;
}

const TextTable& localGrades()
{
    static const TextTable t = makeTable({
        {"A", "G1   "},
        {"B", "G2   "},
        {"C", "G3   "},
        {"D", "重賞 "},
        {"E", "特別 "},
        {"-", "普通 "},
        {"P", "地区限定1"},
        {"Q", "地区限定2"},
        {"R", "地区限定3"},
        {"S", "地区限定"},
        {"T", "準重賞"},
    });
    return t;
}

const TextTable& centralGrades()
{
    static const TextTable t = makeTable({
        {"A", "G1   "},
        {"B", "G2   "},
        {"C", "G3   "},
        {"D", "重賞 "},
        {"E", "特別 "},
        {"F", "JG1  "},
        {"G", "JG2  "},
        {"H", "JG3  "},
        {"L", "List "},
    });
    return t;
}

const NumberTable& weekdays()
{
    static const NumberTable t = makeTable({
        {0, "　"},
        {1, "土"},
        {2, "日"},
        {3, "祝"},
        {4, "月"},
        {5, "火"},
        {6, "水"},
        {7, "木"},
        {8, "金"},
    });
    return t;
}

const TextTable& localWeightKinds()
{
    static const TextTable t = makeTable({
        {"1", "ﾊﾝﾃﾞ"},
        {"2", "別定"},
        {"3", "馬齢"},
        {"4", "定量"},
        {"6", "騎手ﾊﾝﾃﾞ"},
        {"7", "賞金ﾊﾝﾃﾞ"},
        {"8", "規定"},
        {"9", "見込"},
    });
    return t;
}

const TextTable& centralWeightKinds()
{
    static const TextTable t = makeTable({
        {"1", "ﾊﾝﾃﾞ"},
        {"2", "別定"},
        {"3", "馬齢"},
        {"4", "定量"},
    });
    return t;
}

const NumberTable& courseLong()
{
    static const NumberTable t = makeTable({
        {10, "芝 直線"},
        {11, "芝 左回り"},
        {12, "芝 左回り 外回り"},
        {13, "芝 左回り 内→外回り"},
        {14, "芝 左回り 外→内回り"},
        {15, "芝 左回り 内２周"},
        {16, "芝 左回り 外２周"},
        {17, "芝 右回り"},
        {18, "芝 右回り 外回り"},
        {19, "芝 右回り 内→外回り"},
        {20, "芝 右回り 外→内回り"},
        {21, "芝 右回り 内２周"},
        {22, "芝 右回り 外２周"},
        {23, "ﾀﾞｰﾄ 左回り"},
        {24, "ﾀﾞｰﾄ 右回り"},
        {25, "ﾀﾞｰﾄ 左回り 内回り"},
        {26, "ﾀﾞｰﾄ 右回り 外回り"},
        {27, "ｻﾝﾄﾞ 左回り"},
        {28, "ｻﾝﾄﾞ 右回り"},
        {29, "ﾀﾞｰﾄ 直線"},
        {51, "障害 芝　襷"},
        {52, "障害 芝→ﾀﾞｰﾄ"},
        {53, "障害 芝　左"},
        {54, "障害 芝"},
        {55, "障害 芝 外回り"},
        {56, "障害 芝 外→内回り"},
        {57, "障害 芝 内→外回り"},
        {58, "障害 内２周"},
        {59, "障害 外２周"},
        {90, "ばんえい障害"},
    });
    return t;
}

// Course 90 (ばんえい) has no short form.
const NumberTable& courseShort()
{
    static const NumberTable t = makeTable({
        {10, "芝直線"},
        {11, "芝左　"},
        {12, "芝左外"},
        {13, "芝左　"},
        {14, "芝左　"},
        {15, "芝左内"},
        {16, "芝左外"},
        {17, "芝右　"},
        {18, "芝右外"},
        {19, "芝右　"},
        {20, "芝右　"},
        {21, "芝右内"},
        {22, "芝右外"},
        {23, "ダ左　"},
        {24, "ダ右　"},
        {25, "ダ左内"},
        {26, "ダ右外"},
        {27, "ｻﾝﾄﾞ左"},
        {28, "ｻﾝﾄﾞ右"},
        {29, "ダ直線"},
        {51, "障害　"},
        {52, "障害　"},
        {53, "障害　"},
        {54, "障害　"},
        {55, "障害　"},
        {56, "障害　"},
        {57, "障害　"},
        {58, "障害　"},
        {59, "障害　"},
    });
    return t;
}

const NumberTable& conditionClasses()
{
    static const NumberTable t = makeTable({
        {5, "1勝ｸﾗｽ"},
        {10, "2勝ｸﾗｽ"},
        {16, "3勝ｸﾗｽ"},
        {100, "1億下"},
        {701, "新馬"},
        {702, "未出走"},
        {703, "未勝利"},
        {999, "オープン"},
    });
    return t;
}

const TextTable& goings()
{
    static const TextTable t = makeTable({
        {"1", "良"},
        {"2", "稍重"},
        {"3", "重"},
        {"4", "不良"},
    });
    return t;
}

const TextTable& sexes()
{
    static const TextTable t = makeTable({
        {"1", "牡"},
        {"2", "牝"},
        {"3", "ｾﾝ"},
    });
    return t;
}

const NumberTable& circledNumbers()
{
    static const NumberTable t = makeTable({
        {1, "①"},
        {2, "②"},
        {3, "③"},
        {4, "④"},
        {5, "⑤"},
        {6, "⑥"},
        {7, "⑦"},
        {8, "⑧"},
        {9, "⑨"},
        {10, "⑩"},
        {11, "⑪"},
        {12, "⑫"},
        {13, "⑬"},
        {14, "⑭"},
        {15, "⑮"},
        {16, "⑯"},
        {17, "⑰"},
        {18, "⑱"},
    });
    return t;
}

} // namespace tidemark::records::code_tables
