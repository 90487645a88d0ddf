#pragma once
// Captions, menu items and hints of the main window, as the program shows them
// (UTF-8 here; the shell shows them as they are, the engine compares CP932 forms).

namespace tidemark::texts {

inline constexpr const char* kAppTitle = "Tidemark２ for 地方競馬";
inline constexpr const char* kVersion = "Ver.1.15";
inline constexpr const char* kServiceIdPrefix = "SA418372/SD605291/TidemarkNV/";
inline constexpr const char* kManualFile = "Tidemark2NV.pdf";
// Where a user without the provider's client software is sent to get it.
inline constexpr const char* kDownloadGuideUrl = "https://www.keiba.go.jp/";

inline constexpr const char* kMenuFile = "ﾌｧｲﾙ(&F)";
inline constexpr const char* kMenuTokutei = "特定時刻オッズ出力";
inline constexpr const char* kMenuBacktest = "バックテスト";
inline constexpr const char* kHintBacktest = "保存済みのオッズでルールの成績を検証します";
inline constexpr const char* kMenuExit = "終了(&X)";
inline constexpr const char* kHintExit = "このｱﾌﾟﾘｹｰｼｮﾝを終了します";
inline constexpr const char* kMenuOption = "ｵﾌﾟｼｮﾝ(&O)";
inline constexpr const char* kMenuFirstTime = "初回データ時刻設定(&F)";
inline constexpr const char* kMenuAutoTime = "ﾃﾞｰﾀ自動取得時刻指定(&A)";
inline constexpr const char* kMenuThreeTimes = "３系列時刻指定";
inline constexpr const char* kMenuMaeuri = "前売り時のオッズを無視(&I)";
inline constexpr const char* kHintMaeuri = "前売りがあったレースで前日以前のオッズを無視するかどうか指定します";
inline constexpr const char* kMenuStdDev = "標準偏差表示";
inline constexpr const char* kMenuStdevSample = "標本標準偏差(STDEV)";
inline constexpr const char* kMenuStdevPopulation = "母集団標準偏差(STDEVP)";
inline constexpr const char* kMenuWindow = "ｳｨﾝﾄﾞｳ(&W)";
inline constexpr const char* kMenuHelp = "ﾍﾙﾌﾟ(&H)";
inline constexpr const char* kMenuManual = "使用解説書(&M)";
inline constexpr const char* kHintManual = "使用解説書を表示します";
inline constexpr const char* kMenuVersion = "ﾊﾞｰｼﾞｮﾝ情報(&A)...";

inline constexpr const char* kBtnJV = "データ取得";
inline constexpr const char* kBtnOzGet = "オッズ一括取得";
inline constexpr const char* kBtnClose = "終了";
inline constexpr const char* kBtnHelp = "ﾍﾙﾌﾟ";
inline constexpr const char* kBtnVersion = "ﾊﾞｰｼﾞｮﾝ情報";
inline constexpr const char* kBtnKekkaGet = "結果情報";
inline constexpr const char* kHintKekkaGet = "レース結果データを取得します";
inline constexpr const char* kBtnSokuhoOdds = "ｵｯｽﾞ取得";
inline constexpr const char* kHintSokuhoOdds = "速報オッズを取得します";
inline constexpr const char* kBtnMovers = "オッズ急変";
inline constexpr const char* kHintMovers = "単勝の支持が急に集まっている馬をその日の全レースから一覧にします";

inline constexpr const char* kVersionCaption = "ﾊﾞｰｼﾞｮﾝ情報";
inline constexpr const char* kOzGetCaption = "オッズ一括取得";
inline constexpr const char* kTokuteiCaption = "特定時刻オッズ出力";

// Shown in the status bar while the simulated service answers, so that nobody takes its
// odds for real ones.
inline constexpr const char* kSimulatedServiceCaption = "シミュレーション";

inline constexpr const char* kMsgInstallUmaConn =
    "地方競馬VANのホームページより【UmaConn】を入手し、インストールしてください。";
inline constexpr const char* kMsgNvInitError = "NVInitエラーが発生しました。：";
inline constexpr const char* kMsgManualMissing = "使用解説書[Tidemark2NV.pdf]が見つかりません。";

} // namespace tidemark::texts
