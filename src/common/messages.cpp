#include "common/messages.h"

#include <array>

namespace songloom {
namespace {

constexpr std::string_view kGeneFallback = "汎用処理でエラーが発生しました。";
constexpr std::string_view kYracFallback = "未定義のエラーが発生しました！";
constexpr std::uint32_t kYracFirst = 0xFF010001;
constexpr std::uint32_t kYracLast = 0xFF0101E9;

constexpr MessageRow kGeneTable[] = {
    {0x01000002, "メモリが不足しています。"},
    {0x01000004, "処理が追いつきません。ほかのプログラムを終了してから、もう一度操作してください。"},
    {0x01000005, "ファイルが見つかりませんでした。"},
    {0x01000006, "16進数のデータの記述に誤りがあります。"},
    {0x01000007, "ファイルが開けませんでした。\nファイルの場所と名前、読み書きの権限、ディスクの空きを確かめてください。"},
    {0x0100000A, "データが大きすぎます。"},
    {0x0100000B, "パラメータに誤りがあります。"},
    {0x0100000C, "カレントディレクトリが取得できませんでした。"},
    {0x0100000D, "ファイルサイズにエラーがあります。"},
    {0x0100000E, "拍子にエラーがあります。"},
    {0x0100000F, "自動編曲中にエラーが発生しました。(1)"},
    {0x01000010, "楽曲解析中にエラーが発生しました。"},
    {0x01000011, "自動編曲中にエラーが発生しました。(2)"},
    {0x01000012, "BPM変換でエラーが発生しました。"},
    {0x01000013, "テンポ変換でエラーが発生しました。"},
};

constexpr MessageRow kYracTable[] = {
    {0xFF01014B, "ディレイが設定されているので編集できません。ディレイを解除しますか？"},
    {0xFF01014C, "長管効果かサイレン効果を使用しています。\nSongloomでファイルの作成はできますが、再生はできないかもしれません。使用しますか？"},
    {0xFF010155, "この操作を行うと、音楽スタイルが初期設定に戻りますが、よろしいですか？"},
    {0xFF010001, "ドラムパターンのエラーです！"},
    {0xFF010002, "ドラム音のエラーです！"},
    {0xFF010004, "３拍子のエラーです！"},
    {0xFF010005, "７拍子のエラーです！"},
    {0xFF010007, "コード長のエラーです！"},
    {0xFF01000B, "DBBファイルのエラーです！"},
    {0xFF01000D, "音階のエラーです！"},
    {0xFF010010, "編集の初期化に失敗しました！"},
    {0xFF010022, "ルート音のエラーです！"},
    {0xFF010023, "３度音のエラーです！"},
    {0xFF010024, "５度音のエラーです！"},
    {0xFF010025, "７度音のエラーです！"},
    {0xFF010027, "伴奏パターンのエラーです！"},
    {0xFF010028, "トラック情報のエラーです！"},
    {0xFF010029, "メロディの音の長さのエラーです！"},
    {0xFF010031, "タイムチャート用のメモリが割り当てられません！"},
    {0xFF010035, "パターンファイルにエラーがあります！"},
    {0xFF010036, "ケイデンスファイルにエラーがあります！"},
    {0xFF010037, "ケイデンスのタイムチャートファイルにエラーがあります！"},
    {0xFF010038, "タイムチャートファイルにエラーがあります！"},
    {0xFF01003C, "８分の７の作成に失敗しました！"},
    {0xFF01006B, "ディミニッシュコードにエラーがあります！"},
    {0xFF01006F, "メロディ作成のポイントを決める際に、エラーが発生しました。"},
    {0xFF010133, "拍子のエラーが起きました！"},
    {0xFF010134, "音符のために使用できるメモリがなくなりました！"},
    {0xFF010156, "楽器の指定に誤りがあります。"},
    {0xFF0101A4, "楽器の指定に誤りがあります。"},
    {0xFF0101AA, "データチェックで異常が発見されました。"},
    {0xFF0101AB, "メロディの生成で異常が発生しました。"},
    {0xFF0101AC, "メロディの生成のアルゴリズムで異常が発生しました。"},
    {0xFF0101AD, "パターンの処理に失敗しました。"},
    {0xFF0101AE, "パターンの処理でイベントの数が異常です。"},
    {0xFF0101AF, "無限ループに陥る可能性があります。"},
    {0xFF0101B0, "調整アルゴリズムでエラーが発生しました。"},
    {0xFF0101B1, "調整アルゴリズムでエラーが発生しました。"},
    {0xFF0101B2, "アルゴリズムの指定に誤りがあります。"},
    {0xFF0101B3, "長さを決めるアルゴリズムで異常が発生しました。"},
    {0xFF0101B4, "メロディトラックのデータタイプに誤りがあります。"},
    {0xFF0101B5, "オブリガートの長さに誤りがあります。"},
    {0xFF0101B7, "変換の際に音符の長さに異常が発生しました。"},
    {0xFF0101B8, "変換の際に音符のオクターブに異常が発生しました。"},
    {0xFF0101C6, "コード進行の指定に誤りがあります。"},
    {0xFF0101CD, "表示データの処理で異常が発生しました。"},
    {0xFF0101CE, "装飾音の処理で異常が発生しました。"},
    {0xFF0101CF, "ベースのリフの処理で異常が発生しました。"},
    {0xFF0101D0, "ドラムのパターン作成処理で異常が発生しました。"},
    {0xFF0101D2, "環境音の音色指定に誤りがあります。"},
    {0xFF0101D3, "リフの音の長さに異常があります。"},
    {0xFF0101D4, "拍子と符割の指定に矛盾があります。"},
    {0xFF0101DC, "発音タイミングの情報に誤りがあります。"},
    {0xFF0101DD, "ピッチベンド情報に誤りがあります。"},
    {0xFF010059, "知識ベースを読み込めませんでした。"},
    {0xFF01005A, "サビの知識ベースを読み込めませんでした。"},
};

constexpr MessageRow kQuestions[] = {
    {kAskRemoveDelay, "ディレイが設定されているので編集できません。ディレイを解除しますか？"},
    {kAskLongPipeOrSiren,
     "長管効果かサイレン効果を使用しています。\nSongloomでファイルの作成はできますが、再生はできないかもしれません。使用しますか？"},
    {kAskResetStyle, "この操作を行うと、音楽スタイルが初期設定に戻りますが、よろしいですか？"},
};

}  // namespace

std::string_view GeneralMessageText(std::uint32_t code)
{
    return LookUpMessage(kGeneTable, code, kGeneFallback);
}

std::string_view EngineMessageText(std::uint32_t code)
{
    if (code < kYracFirst || code > kYracLast) {
        return kYracFallback;
    }
    return LookUpMessage(kYracTable, code, kYracFallback);
}

void GeneralErrorMsg(Reporter& reporter, std::uint32_t code)
{
    ErrorReport report{"GENE", code, std::string(GeneralMessageText(code)), true};
    if (code == gene::kNoMemory) {
        reporter.Terminate(report);
    }
    reporter.Report(report);
}

void EngineErrorMsg(Reporter& reporter, std::uint32_t code)
{
    reporter.Report(ErrorReport{"YRAC", code, std::string(EngineMessageText(code)), true});
}

bool EngineConfirmMsg(Reporter& reporter, std::uint32_t code)
{
    const std::string_view text = LookUpMessage(kQuestions, code, {});
    if (text.empty()) {
        return true;
    }
    return reporter.Confirm(text);
}

bool EngineConfirmMsg(Reporter& reporter, std::string_view question)
{
    return reporter.Confirm(question);
}

void ChordStructureErrorMsg(Reporter& reporter, std::uint32_t code)
{
    const std::string_view text = code == 0x31000001
        ? "コードの構造を決める処理に異常が発生ました。"
        : "コードの構造を決める処理で未定義のエラーが発生しました。";
    reporter.Report(ErrorReport{"CDST", code, std::string(text), true});
}

void FirstSongCommonErrorMsg(Reporter& reporter, std::uint32_t code)
{
    ShowErrorBox(reporter, code == 1 ? "音価が異常です。" : "コード名が読み取れません。", false);
}

void FSAlgoErrorMsg(Reporter& reporter, std::uint32_t code)
{
    ShowErrorBox(reporter, code == 1 ? "転調は使用できません。" : "コード名が読み取れません。", false);
}

}  // namespace songloom
