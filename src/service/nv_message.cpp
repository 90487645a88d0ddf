#include "service/nv_message.h"

#include <string_view>

#include "text/cp932.h"

namespace tidemark {
namespace {

// Both channels open alike and fail alike.
std::string_view openExplanation(int result)
{
    switch (result) {
    case -1: return " 取得済みデータより最新のデータがありません。";
    case -2: return "セットアップダイアログでキャンセルが押されました。";
    case -111: return "dataspec パラメータが不正です。";
    case -112: return "fromdate パラメータが不正です。";
    case -114: return "key パラメータが不正です。";
    case -115: return "option パラメータが不正です。";
    case -116: return "dataspec とoption の組み合わせが不正です。";
    case -201: return "NVInit が行なわれていません。";
    case -202: return "前回のNVOpen/NVRTOpen/NVMVOpen に対してNVClose が呼ばれていません。（オープン中）";
    case -211: return "レジストリ内容が不正（レジストリ内容が不正に変更された）です。";
    case -301: return "認証エラーが発生しました。";
    case -302: return "サービスキーの有効期限切れです。";
    case -303: return "サービスキーが設定されていません。（サービスキーが空値）";
    case -401: return "NV-Link 内部エラーが発生しました。";
    case -411: return "サーバーエラー（HTTP ステータス404 NotFount ）が発生しました。";
    case -412: return "サーバーエラー（HTTP ステータス403 Forbidden ）が発生しました。";
    case -413: return "サーバーエラー（HTTP ステータス200,403,404 以外）が発生しました。";
    case -421: return "サーバーエラー（サーバーの応答が不正）が発生しました。";
    case -431: return "サーバーエラー（サーバーアプリケーション内部エラー）が発生しました。";
    case -501: return "セットアップ処理においてＣＤ －ＲＯＭ が無効です。";
    case -504: return "サーバーがメンテナンス中です。";
    default: return {};
    }
}

std::string_view readExplanation(int result)
{
    switch (result) {
    case 0: return "全ファイルの読み込みが終了しました。（ＥＯＦ ）";
    case -1: return "ファイルが切り替わりました。";
    case -3: return "ファイルダウンロード中";
    case -201: return "NVInitが行なわれていません。";
    case -202: return openExplanation(-202);
    case -203: return "NVOpenが行なわれていません。";
    case -402: return "ダウンロードしたファイルサイズが異常です。";
    case -403: return "ダウンロードしたファイル内容が異常です。";
    case -502: return "ダウンロードに失敗しました。(通信エラーやディスクエラー)";
    case -503: return "ファイルが見つかりません。";
    default: return {};
    }
}

std::string_view statusExplanation(int result)
{
    switch (result) {
    case -201: return "NVInitが行なわれていません。";
    case -203: return "NVOpenが行なわれていません。";
    case -502: return "ダウンロードに失敗しました。（通信エラーやディスクエラーなど）";
    default: return {};
    }
}

std::string_view setUIPropertiesExplanation(int result)
{
    switch (result) {
    case -100: return "パラメータが不正あるいはレジストリへの保存に失敗しました。";
    case -101: return "すでにサービスキーが登録されています。";
    default: return {};
    }
}

constexpr std::string_view kDone = "正常に実行されました。";

// The explanation in UTF-8, as the texts are written here.
std::string explanation(NvOperation op, int result)
{
    switch (op) {
    case NvOperation::NVSetUIProperties:
        return std::string(result == 0 ? kDone : setUIPropertiesExplanation(result));
    case NvOperation::NVOpen:
    case NvOperation::NVRTOpen:
        return std::string(result == 0 ? kDone : openExplanation(result));
    case NvOperation::NVStatus:
        if (result > 0)
            return "ダウンロード済みファイル数" + std::to_string(result);
        return std::string(result == 0 ? kDone : statusExplanation(result));
    case NvOperation::NVRead:
        if (result > 0)
            return "バッファにセットしたデータのサイズ" + std::to_string(result);
        return std::string(readExplanation(result));
    case NvOperation::NVClose:
        return std::string(result == 0 ? kDone : std::string_view{});
    }
    return {};
}

} // namespace

std::string nvMessage(NvOperation op, int result)
{
    return text::sj(explanation(op, result)) + "(" + std::to_string(result) + ")";
}

} // namespace tidemark
