#include "nvsim/sim_names.h"

#include <array>
#include <set>
#include <string_view>

#include "text/cp932.h"

namespace tidemark::nvsim {

namespace {

// Name parts are written in UTF-8 and converted once, on first use.
std::vector<std::string> convertAll(const std::vector<std::string_view>& utf8)
{
    std::vector<std::string> out;
    for (auto s : utf8) {
        out.push_back(text::sj(s));
    }
    return out;
}

const std::vector<std::string_view> kPrefixes = {
    "サクラ", "メイショウ", "トーセン", "ゴールド", "シルバー", "マルヨ", "エスケー", "スマート",
    "ミラクル", "ハッピー", "ラブリー", "グランド", "ダイワ", "キタサン", "ヤマノ", "アポロ",
    "ベスト", "フジノ", "コスモ", "ユメノ", "ハクサン", "カシノ", "サンライズ", "ウィン",
    "ノーブル", "リアル", "スター", "ブルー", "レッド", "クイーン", "キング", "オウケン",
};
const std::vector<std::string_view> kSuffixes = {
    "ボーイ", "ヒメ", "スター", "キング", "ローズ", "ダンサー", "ライト", "ブレイブ",
    "ハート", "ドリーム", "フラワー", "ウイング", "ジョー", "マリー", "タイガー", "アロー",
    "ソング", "ミライ", "カゼ", "ホープ", "リボン", "サンデー", "エース", "ナイト",
    "ムーン", "ルビー", "パール", "ロード", "ファイト", "クロス", "ビート", "ラン",
};
const std::vector<std::string_view> kWholeNames = {
    "アマネ", "イブキ", "カグラ", "シズカ", "ハヤテ", "ミナモ", "ユウナギ", "ツバサ",
    "ホマレ", "アカツキ", "サザナミ", "ヒバリ", "コハク", "ヨイヤミ", "ナデシコ", "ムサシ",
};
const std::vector<std::string_view> kSurnames = {
    "森", "御神本", "矢野", "笹川", "本田", "真島", "町田", "吉原", "山崎", "岡部",
    "赤岡", "永森", "下原", "田中", "鈴木", "佐藤", "高橋", "渡辺", "伊藤", "中村",
    "小林", "加藤", "吉田", "山口", "松本", "井上", "木村", "清水", "阿部", "石川",
    "桑村", "丸野", "宮川", "池谷", "藤田", "張田", "今野", "和田", "庄司", "的場",
};
const std::vector<std::string_view> kGiven = {
    "泰斗", "訓史", "一騎", "翔", "正", "大輔", "忠", "勝", "健", "誠",
    "博", "茂", "隆", "進", "剛", "翼", "優", "亮", "悠", "仁",
    "雅", "豊", "実", "学", "聡", "望", "光", "武", "秀", "潤",
};
const std::vector<std::string_view> kSpecialStems = {
    "ゴールドジュニア", "スプリング", "サマーナイト", "オータム", "ウインター", "ブルーバード",
    "ネクストスター", "ジャスミン", "アイリス", "コスモス", "カトレア", "ポインセチア",
    "ハイビスカス", "ローレル", "サファイア", "エメラルド", "トパーズ", "オパール",
    "新春", "桜花", "若葉", "青葉", "七夕", "名月", "紅葉", "初雪", "師走",
};

struct GradedNames {
    std::string_view track;
    std::array<std::string_view, 4> names;
};
const std::vector<GradedNames> kGraded = {
    {"30", {"北海道スプリントカップ", "ブリーダーズゴールドカップ", "北斗盃", "王冠賞"}},
    {"35", {"マーキュリーカップ", "マイルチャンピオンシップ南部杯", "岩手ダービー", "ジュニアグランプリ"}},
    {"36", {"桐花賞", "やまびこ賞", "東北優駿", "ひまわり賞"}},
    {"42", {"さきたま杯", "浦和記念", "桜花賞", "ニューイヤーカップ"}},
    {"43", {"ダイオライト記念", "かしわ記念", "クイーン賞", "平和賞"}},
    {"44", {"東京大賞典", "帝王賞", "東京ダービー", "羽田盃"}},
    {"45", {"川崎記念", "全日本２歳優駿", "スパーキングレディーカップ", "鎌倉記念"}},
    {"46", {"白山大賞典", "北國王冠", "石川ダービー", "百万石賞"}},
    {"47", {"東海ダービー", "オグリキャップ記念", "ラブミーチャン記念", "岐阜金賞"}},
    {"48", {"名古屋大賞典", "かきつばた記念", "名古屋グランプリ", "東海菊花賞"}},
    {"50", {"兵庫チャンピオンシップ", "兵庫ゴールドトロフィー", "園田金盃", "兵庫ダービー"}},
    {"51", {"姫路チャンピオンズカップ", "兵庫ユースカップ", "白鷺賞", "兵庫クイーンセレクト"}},
    {"54", {"黒船賞", "高知県知事賞", "高知優駿", "珊瑚冠賞"}},
    {"55", {"佐賀記念", "サマーチャンピオン", "九州大賞典", "九州ダービー栄城賞"}},
    {"83", {"ばんえい記念", "帯広記念", "ばんえいダービー", "ばんえいオークス"}},
};

std::size_t charCount(const std::string& cp932)
{
    return cp932.size() / 2; // every part is full-width
}

} // namespace

std::string horseName(SimRandom& rng)
{
    static const auto prefixes = convertAll(kPrefixes);
    static const auto suffixes = convertAll(kSuffixes);
    static const auto whole = convertAll(kWholeNames);
    for (;;) {
        std::string name;
        const int form = rng.uniform(0, 9);
        // Each part is drawn in a statement of its own, the end first: the order of the
        // operands of + is the compiler's choice, the world's must not be.
        if (form == 0) {
            name = rng.pick(whole);
        } else if (form == 1) {
            const std::string& end = rng.pick(whole);
            name = rng.pick(prefixes) + end;
        } else {
            const std::string& end = rng.pick(suffixes);
            name = rng.pick(prefixes) + end;
        }
        if (charCount(name) >= 2 && charCount(name) <= 9) {
            return name;
        }
    }
}

std::string personShortName(SimRandom& rng)
{
    static const auto surnames = convertAll(kSurnames);
    static const auto given = convertAll(kGiven);
    const std::string& givenName = rng.pick(given); // drawn first, as the horse names' ends
    std::string name = rng.pick(surnames) + givenName;
    if (name.size() > 8) {
        name.resize(8);
    }
    const std::string blank = text::sj("　");
    while (name.size() < 8) {
        name += blank;
    }
    return name;
}

std::vector<std::string> roster(SimRandom& rng, int count)
{
    std::vector<std::string> names;
    std::set<std::string> seen;
    int guard = 0;
    while (static_cast<int>(names.size()) < count && guard++ < count * 50) {
        std::string n = personShortName(rng);
        if (seen.insert(n).second) {
            names.push_back(n);
        }
    }
    while (static_cast<int>(names.size()) < count) {
        names.push_back(personShortName(rng));
    }
    return names;
}

std::string specialRaceStem(SimRandom& rng)
{
    static const auto stems = convertAll(kSpecialStems);
    return rng.pick(stems);
}

std::string gradedRaceName(SimRandom& rng, const std::string& trackCode)
{
    for (const auto& g : kGraded) {
        if (g.track == trackCode) {
            return text::sj(g.names[static_cast<std::size_t>(rng.uniform(0, 3))]);
        }
    }
    return text::sj("地方競馬記念");
}

} // namespace tidemark::nvsim
