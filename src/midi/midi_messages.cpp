#include "midi/midi_messages.h"

#include <algorithm>
#include <string>

namespace songloom::midi {
namespace {

constexpr std::string_view kTrackDefault = "Midiのトラックデータでエラーが発生しました。";

// Always-shown texts. The codes that exist only as once-only warnings have no
// row here, so reporting them loudly shows the default text.
constexpr MessageRow kTrackTable[] = {
    {0x0D000001, "Midiのトラックデータで内部エラーが発生しました。"},
    {0x0D000002, "未定義のMIDIイベントが含まれていました。"},
    {0x0D000003, "チャネルに誤りがあります。"},
    {0x0D000005, "テンポに誤りがあります。"},
    {0x0D000006, "データの量が多すぎます。"},
    {0x0D000007, "MIDIファイルではないか、ファイルが壊れています。"},
    {0x0D000008, "ドラムで指定されている音が35(バスドラ)～81(オープントライアングル)の範囲内にありません。範囲内に調整しました。"},
    {0x0D00000C, "プログラム・チェンジで不正な番号がありました。0に調整しました。"},
    {0x0D00000D, "ノートオンが重複していました。"},
    {0x0D00000E, "ノートオフが重複していました。"},
    {0x0D000010, "このアルゴリズムで、トップノートは間引かないという機能は未実装です。(無視されます。)"},
    {0x0D000013, "ドラムのバンクセレクトで０以外の値が設定されていました。"},
    {0x0D000014, "ノートナンバーの異常が検出されました。"},
    {0x0D000015, "Midiのトラックデータでテンポデータの異常が検出されました。"},
    {0x0D000018, "中央音の検出に失敗しました。"},
    {0x0D000019, "演奏データが異常です。"},
    {0x0D00001A, "データの追加に失敗しました。"},
    {0x0D00001B, "演奏データが異常です。"},
    {0x0D00001C, "演奏データの分割に失敗しました。"},
    {0x0D00001D, "和音数に異常が発生しました。"},
    {0x0D00001E, "チャネルボリュームに異常が発生しました。"},
    {0x0D00001F, "トラックの結合で異常が発生しました。"},
    {0x0D000020, "チャネルに異常が発生しました。"},
    {0x0D000021, "音符に異常が発生しました。"},
    {0x0D000022, "データの追加で異常が発生しました。"},
    {0x0D000023, "データの処理で異常が発生しました。"},
    {0x0D000024, "値の異常が発生しました。"},
    {0x0D000025, "演奏開始の異常が発生しました。"},
    {0x0D000026, "トラックに異常が発生しました。"},
    {0x0D000027, "拍子に異常が発生しました。"},
    {0x0D000028, "データ追加に異常が発生しました。"},
    {0x0D000029, "データ操作に異常が発生しました。"},
    {0x0D00002A, "和音数の処理に異常が発生しました。"},
    {0x0D00002B, "ピッチベンドの処理に異常が発生しました。"},
    {0x0D00002C, "データ編集の処理に異常が発生しました。"},
    {0x0D00002D, "データ編集の処理に異常が発生しました。"},
};

constexpr MessageRow kTrackWarningTable[] = {
    {0x0D000002, "未定義のMIDIイベントが含まれていました。"},
    {0x0D000009, "複数のボリュームが設定されています。"},
    {0x0D00000A, "複数のパンが設定されています。"},
    {0x0D00000B, "サイズが大きすぎるイベントが含まれています。"},
    {0x0D00000F, "音の間引きに失敗しました。"},
    {0x0D000011, "複数のマスターボリュームが設定されています。"},
    {0x0D000012, "トップノートは間引かないを指定していますが、指定をはずして間引きました。"},
    {0x0D000016, "Poly Pressのイベントが含まれていました。"},
    {0x0D000017, "内部処理のエラーでノートナンバーが異常になりましたので０に修正しました。"},
    {0x0D00002E, "ノートオフのないノートオンがありましたので、トラックの終わりで止めました。"},
};

constexpr std::string_view kEventDefault = "音楽データのイベントでエラーが発生しました。";
constexpr MessageRow kEventTable[] = {
    {0x06000001, "イベントのデータサイズが大きすぎます。MFiの機種依存の音色設定が含まれている場合は問題ありません。"},
    {0x06000002, "イベントのデータでエラーが発生しました。"},
};

constexpr std::string_view kSysExDefault = "システムエクスクルーシブで未定義のエラーが発生しました。";
constexpr MessageRow kSysExTable[] = {
    {0x36000001, "システムエクスクルーシブでエラーが発生しました。"},
};

constexpr std::string_view kFormat0Default = "Midiのフォーマット0のデータでエラーが発生しました。";
constexpr MessageRow kFormat0Table[] = {
    {0x04000001, "フォーマット0のファイルではありません。"},
    {0x04000002, "ファイルが開けませんでした。"},
    {0x04000003, "トラック数に誤りがあります。"},
    {0x04000004, "MIDIファイルではないか、ファイルが壊れています。"},
    {0x04000005, "Midiのフォーマット0のデータで内部エラーが発生しました。"},
    {0x04000008, "小節数が異常です。"},
    {0x04000009, "演奏データが異常です。"},
    {0x0400000A, "演奏の停止中に異常が発生しました。"},
    {0x0400000B, "ファイルの終端で異常が発生しました。"},
};
constexpr MessageRow kFormat0WarningTable[] = {
    {0x04000007, "拍子記号の位置が異常です。"},
};

constexpr std::string_view kFormat1Default = "Midiのフォーマット１のデータでエラーが発生しました。";
constexpr MessageRow kFormat1Table[] = {
    {0x03000001, "トラック数のエラーです。"},
    {0x03000002, "フォーマット１ではありません。"},
    {0x03000003, "Midiのフォーマット１のデータで内部エラーが発生しました。"},
    {0x03000004, "MIDIファイルではないか、ファイルが壊れています。"},
    {0x03000005, "ファイルを開けませんでした。"},
    {0x03000006, "マスターボリュームが複数設定されています。"},
    {0x03000007, "ドラムにプログラムチェンジが設定されています。(または、チャネル10以外をドラムとして使用するシステムエクスクルーシブが設定されています。)"},
    {0x03000008, "扱えない拍子記号が含まれていました。"},
    {0x03000009, "設定されているテンポの数が多すぎます。"},
    {0x0300000A, "複数のSysExTrackがあります。"},
    {0x0300000B, "システムチャネルが重複しています。"},
    {0x0300000C, "チャネルが重複しています。"},
    {0x03000011, "複数プログラムチェンジのトラックを分割しようとしましたが、使用できるチャネルがありませんでした。"},
    {0x03000012, "ドラムトラックがありませんでした。"},
    {0x03000015, "プログラムチェンジが設定されていないトラックがありましたので０を設定しました。"},
    {0x03000016, "マスターボリュームが設定されていませんでしたので127を設定しました。"},
    {0x03000017, "１つのトラックに複数のピッチベンドセンシティビティが設定されていました。"},
    {0x03000018, "ピッチベンドセンシティビティに０が設定されているトラックがありました。"},
    {0x03000019, "データが大きすぎます。"},
    {0x0300001A, "チャネル数で異常が発生しました。"},
    {0x0300001B, "開始位置で異常が発生しました。"},
    {0x0300001D, "システムエクスクルーシブに異常が発生しました。"},
    {0x0300001E, "チャネルに異常が発生しました。"},
    {0x03000020, "プログラムチェンジに異常が発生しました。"},
    {0x03000021, "内部データに異常が発生しました。"},
};
constexpr MessageRow kFormat1WarningTable[] = {
    {0x0300000D, "拍子記号の位置が異常です。"},
    {0x0300000E, "ドラムからトーンにマッピングしようとしましたが、マッピングのためのあきチャネルがありませんでした。"},
    {0x0300000F, "異なるプログラムチェンジのドラムトラックを結合しようとしました。"},
    {0x03000010, "複数のプログラムチェンジのトラックを結合しようとしました。"},
    {0x03000013, "ドラムからトーンにマッピングしようとしましたが、すでに同じトーンのチャネルがありましたので、そのチャネルに挿入しました。"},
    {0x03000014, "ピッチベンドからノートの変換でエラーが発生しました。"},
};

constexpr std::string_view kFormat1TrackDefault = "Midiのフォーマット1のトラックデータでエラーが発生しました。";
constexpr MessageRow kFormat1TrackTable[] = {
    {0x2E00000C, "０ボイスには間引けません。"},
};
constexpr MessageRow kFormat1TrackWarningTable[] = {
    {0x03000017, "複数のピッチベンドセンシティビティが設定されていました。"},
    {0x2E00001A, "拍子記号の位置が異常です。"},
    {0x2E00001B, "ピッチベンドの変換可能範囲を超えて変換しようとしました。"},
};

bool HasRow(std::span<const MessageRow> table, std::uint32_t code)
{
    return std::any_of(table.begin(), table.end(), [&](const MessageRow& r) { return r.code == code; });
}

// The shared shape of every once-only reporter: code 0 clears the flags, a
// warning row is shown once, anything else goes to the loud reporter.
template <typename Loud>
void ReportOnce(Reporter& reporter, OnceOnlyWarnings& flags, std::uint32_t code, std::string_view tag,
                std::span<const MessageRow> warnings, std::string_view fallback, Loud loud,
                std::uint32_t flagCode)
{
    if (code == 0) {
        flags.Reset();
        return;
    }
    if (!HasRow(warnings, code)) {
        loud(reporter, code);
        return;
    }
    if (flags.MarkShown(flagCode)) ReportTagged(reporter, tag, code, warnings, fallback);
}

}  // namespace

bool OnceOnlyWarnings::MarkShown(std::uint32_t code)
{
    if (std::find(shown_.begin(), shown_.end(), code) != shown_.end()) return false;
    shown_.push_back(code);
    return true;
}

void ReportTrackError(Reporter& reporter, std::uint32_t code)
{
    ReportTagged(reporter, "MDTK", code, kTrackTable, kTrackDefault);
}

void ReportTrackWarning(Reporter& reporter, OnceOnlyWarnings& flags, std::uint32_t code)
{
    if (code != 0 && code >= 0x0D000002 && code <= 0x0D000017 && !HasRow(kTrackWarningTable, code)) {
        ReportTagged(reporter, "MDTK", code, {}, kTrackDefault);
        return;
    }
    // The two volume warnings share one flag.
    const std::uint32_t flag = code == mdtk::kManyMasterVolumes ? mdtk::kManyVolumes : code;
    ReportOnce(reporter, flags, code, "MDTK", kTrackWarningTable, kTrackDefault, ReportTrackError, flag);
}

void ReportEventError(Reporter& reporter, std::uint32_t code)
{
    ReportTagged(reporter, "MUEV", code, kEventTable, kEventDefault);
}

void ReportSysExError(Reporter& reporter, std::uint32_t code)
{
    ReportTagged(reporter, "MDSX", code, kSysExTable, kSysExDefault);
}

void ReportFormat0Error(Reporter& reporter, std::uint32_t code)
{
    ReportTagged(reporter, "M0DT", code, kFormat0Table, kFormat0Default);
}

void ReportFormat0Warning(Reporter& reporter, OnceOnlyWarnings& flags, std::uint32_t code)
{
    ReportOnce(reporter, flags, code, "M0DT", kFormat0WarningTable, kFormat0Default, ReportFormat0Error, code);
}

void ReportFormat1Error(Reporter& reporter, std::uint32_t code)
{
    ReportTagged(reporter, "M1DT", code, kFormat1Table, kFormat1Default);
}

void ReportFormat1Warning(Reporter& reporter, OnceOnlyWarnings& flags, std::uint32_t code)
{
    ReportOnce(reporter, flags, code, "M1DT", kFormat1WarningTable, kFormat1Default, ReportFormat1Error, code);
}

void ReportFormat1TrackError(Reporter& reporter, std::uint32_t code)
{
    ReportTagged(reporter, "M1TK", code, kFormat1TrackTable, kFormat1TrackDefault);
}

void ReportFormat1TrackWarning(Reporter& reporter, OnceOnlyWarnings& flags, std::uint32_t code)
{
    ReportOnce(reporter, flags, code, "M1TK", kFormat1TrackWarningTable, kFormat1TrackDefault,
               ReportFormat1TrackError, code);
}

namespace {

// 1234567 -> "1,234,567"
std::string GroupedDigits(std::uint64_t n)
{
    std::string digits = std::to_string(n);
    for (auto at = static_cast<std::ptrdiff_t>(digits.size()) - 3; at > 0; at -= 3) {
        digits.insert(static_cast<std::size_t>(at), 1, ',');
    }
    return digits;
}

}  // namespace

void ReportFileTooLarge(Reporter& reporter, std::uint64_t size, std::uint64_t limit)
{
    std::string text(LookUpMessage(kFormat1Table, m1dt::kTooLarge, kFormat1Default));
    text += "ファイルは" + GroupedDigits(size) + "バイトで、読めるのは" + GroupedDigits(limit) +
            "バイト(" + std::to_string(limit >> 20) + " MiB)までです。";
    reporter.Report(ErrorReport{"M1DT", m1dt::kTooLarge, std::move(text), true});
}

}  // namespace songloom::midi
