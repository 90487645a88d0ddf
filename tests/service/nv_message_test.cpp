#include "service/nv_message.h"

#include <gtest/gtest.h>

#include <string>

#include "text/cp932.h"

namespace tidemark {
namespace {

std::string utf8(NvOperation op, int result) { return text::toUtf8(nvMessage(op, result)); }

TEST(NvMessage, OpenAndRealTimeOpenShareTheirTable)
{
    for (NvOperation op : {NvOperation::NVOpen, NvOperation::NVRTOpen}) {
        EXPECT_EQ(utf8(op, 0), "正常に実行されました。(0)");
        EXPECT_EQ(utf8(op, -1), " 取得済みデータより最新のデータがありません。(-1)");
        EXPECT_EQ(utf8(op, -116), "dataspec とoption の組み合わせが不正です。(-116)");
        EXPECT_EQ(utf8(op, -201), "NVInit が行なわれていません。(-201)");
        EXPECT_EQ(utf8(op, -202),
                  "前回のNVOpen/NVRTOpen/NVMVOpen に対してNVClose が呼ばれていません。（オープン中）(-202)");
        EXPECT_EQ(utf8(op, -303), "サービスキーが設定されていません。（サービスキーが空値）(-303)");
        EXPECT_EQ(utf8(op, -411), "サーバーエラー（HTTP ステータス404 NotFount ）が発生しました。(-411)");
        EXPECT_EQ(utf8(op, -413), "サーバーエラー（HTTP ステータス200,403,404 以外）が発生しました。(-413)");
        EXPECT_EQ(utf8(op, -504), "サーバーがメンテナンス中です。(-504)");
        EXPECT_EQ(utf8(op, -3), "(-3)");
        EXPECT_EQ(utf8(op, 5), "(5)");
    }
}

TEST(NvMessage, OpenTextsAreTheProgramsCp932Bytes)
{
    std::string minus1 = nvMessage(NvOperation::NVOpen, -1);
    EXPECT_EQ(minus1.substr(0, 3), " \x8E\xE6"); // half-width blank, then 取
    std::string cdRom = nvMessage(NvOperation::NVOpen, -501);
    // "ＣＤ －ＲＯＭ": full-width letters, a half-width blank and the full-width minus 81 7C.
    EXPECT_NE(cdRom.find("\x82\x62\x82\x63 \x81\x7C\x82\x71\x82\x6E\x82\x6C"), std::string::npos);
    EXPECT_EQ(text::toUtf8(cdRom), "セットアップ処理においてＣＤ －ＲＯＭ が無効です。(-501)");
}

TEST(NvMessage, ReadCoversGetsResults)
{
    EXPECT_EQ(utf8(NvOperation::NVRead, 0), "全ファイルの読み込みが終了しました。（ＥＯＦ ）(0)");
    EXPECT_EQ(utf8(NvOperation::NVRead, 1520), "バッファにセットしたデータのサイズ1520(1520)");
    EXPECT_EQ(utf8(NvOperation::NVRead, -1), "ファイルが切り替わりました。(-1)");
    EXPECT_EQ(utf8(NvOperation::NVRead, -2), "(-2)");
    EXPECT_EQ(utf8(NvOperation::NVRead, -3), "ファイルダウンロード中(-3)");
    EXPECT_EQ(utf8(NvOperation::NVRead, -201), "NVInitが行なわれていません。(-201)");
    EXPECT_EQ(utf8(NvOperation::NVRead, -202),
              "前回のNVOpen/NVRTOpen/NVMVOpen に対してNVClose が呼ばれていません。（オープン中）(-202)");
    EXPECT_EQ(utf8(NvOperation::NVRead, -203), "NVOpenが行なわれていません。(-203)");
    EXPECT_EQ(utf8(NvOperation::NVRead, -403), "ダウンロードしたファイル内容が異常です。(-403)");
    EXPECT_EQ(utf8(NvOperation::NVRead, -502), "ダウンロードに失敗しました。(通信エラーやディスクエラー)(-502)");
    EXPECT_EQ(utf8(NvOperation::NVRead, -503), "ファイルが見つかりません。(-503)");
    EXPECT_EQ(utf8(NvOperation::NVRead, -504), "(-504)");
    // "（ＥＯＦ ）": a half-width blank before the full-width closing bracket.
    EXPECT_NE(nvMessage(NvOperation::NVRead, 0).find(" \x81\x6A(0)"), std::string::npos);
}

TEST(NvMessage, StatusSetUpAndClose)
{
    EXPECT_EQ(utf8(NvOperation::NVStatus, 0), "正常に実行されました。(0)");
    EXPECT_EQ(utf8(NvOperation::NVStatus, 12), "ダウンロード済みファイル数12(12)");
    EXPECT_EQ(utf8(NvOperation::NVStatus, -201), "NVInitが行なわれていません。(-201)");
    EXPECT_EQ(utf8(NvOperation::NVStatus, -203), "NVOpenが行なわれていません。(-203)");
    // Unlike NVRead's, this one has full-width brackets.
    EXPECT_EQ(utf8(NvOperation::NVStatus, -502), "ダウンロードに失敗しました。（通信エラーやディスクエラーなど）(-502)");
    EXPECT_EQ(utf8(NvOperation::NVStatus, -1), "(-1)");
    EXPECT_EQ(utf8(NvOperation::NVSetUIProperties, 0), "正常に実行されました。(0)");
    EXPECT_EQ(utf8(NvOperation::NVSetUIProperties, -100),
              "パラメータが不正あるいはレジストリへの保存に失敗しました。(-100)");
    EXPECT_EQ(utf8(NvOperation::NVSetUIProperties, -101), "すでにサービスキーが登録されています。(-101)");
    EXPECT_EQ(utf8(NvOperation::NVSetUIProperties, -1), "(-1)");
    EXPECT_EQ(utf8(NvOperation::NVClose, 0), "正常に実行されました。(0)");
    EXPECT_EQ(utf8(NvOperation::NVClose, -999), "(-999)");
    EXPECT_EQ(utf8(NvOperation::NVClose, -201), "(-201)");
}

} // namespace
} // namespace tidemark
