#pragma once
// The main window's own plain messages (ShowMainMessage), its questions and
// the numbers of its commands, window messages, timers and hot keys.

#include <cstdint>
#include <string_view>

namespace songloom::app {

namespace main_message {
inline constexpr int kClassName = 0;
inline constexpr int kSeveralFiles = 3;
inline constexpr int kNoSelection = 5;
inline constexpr int kTempoRepaired = 7;
inline constexpr int kBadSettings = 10;
}  // namespace main_message

// Text of ShowMainMessage(code); unknown codes give the class name.
std::string_view MainMessageText(int code);

inline constexpr std::string_view kMorePagesQuestion =
    "これ以上、表示するページがありません。小節数を増やしますか？";

// Commands of the numbered dispatcher.
enum Command : int {
    kCmdClear = 0,
    kCmdOpen = 1,
    kCmdSave = 2,
    kCmdImport = 3,
    kCmdExport = 4,
    kCmdPlay = 5,
    kCmdLibrary = 6,
    kCmdSongInfo = 7,
    kCmdOptions = 8,
    kCmdBarEdit = 9,
    kCmdHelp = 10,
    kCmdQuit = 11,
    kCmdPhraseClear = 12,
    kCmdPhraseOpen = 13,
    kCmdPhraseSave = 14,
    kCmdPhrasePlay = 15,
    kCmdGuitar = 16,
    kCmdScale = 17,
    kCmdBarEditApply = 18,
    kCmdBarEditUndo = 19,
    kCmdChordSelectorTake = 20,
};

// Window messages posted to the main window (wParam, lParam passed through).
namespace wm {
inline constexpr std::uint32_t kStartUp = 0x800C;
inline constexpr std::uint32_t kScoreBarToPhrase = 0x800D;
inline constexpr std::uint32_t kKeyboardNoteTaken = 0x800E;  // to the keyboard palette
inline constexpr std::uint32_t kNotePreview = 0x800F;
inline constexpr std::uint32_t kChordPreview = 0x8010;
inline constexpr std::uint32_t kAskMorePages = 0x8011;
inline constexpr std::uint32_t kBarCount = 0x8012;
inline constexpr std::uint32_t kKey = 0x8013;
inline constexpr std::uint32_t kTimeSignature = 0x8014;
inline constexpr std::uint32_t kCategory = 0x8015;
inline constexpr std::uint32_t kStyle = 0x8016;
inline constexpr std::uint32_t kStrumPreview = 0x8017;
inline constexpr std::uint32_t kBarEditRefresh = 0x801B;
inline constexpr std::uint32_t kKeyboardRange = 0x801C;
}  // namespace wm

// Window timers: id and milliseconds.
namespace timer {
inline constexpr int kNoteOff = 100;
inline constexpr int kChordOff = 101;
inline constexpr int kStrumOff = 102;
inline constexpr int kStartPicture = 103;
inline constexpr int kNoteOffMs = 500;
inline constexpr int kChordOffMs = 1000;
inline constexpr int kStrumOffMs = 700;
inline constexpr int kStartPictureMs = 1000;
}  // namespace timer

// Tooltips of the main window's controls.
inline constexpr std::string_view kTipQuit = "Songloomを終了します。";
inline constexpr std::string_view kTipClear = "すでに入力されている内容をクリアし、新しい楽譜を表示します。";
inline constexpr std::string_view kTipOpen = "Songloomの形式のデータを読み込みます。";
inline constexpr std::string_view kTipSave = "Songloomの形式のデータを保存します。";
inline constexpr std::string_view kTipExport = "指定された音楽スタイルでＭＩＤＩファイルを生成し、保存します。";
inline constexpr std::string_view kTipPlay = "指定された音楽スタイルで曲を再生します。";
inline constexpr std::string_view kTipSongInfo = "拍子、調、小節数や、音楽スタイルの設定を行ないます。";
inline constexpr std::string_view kTipBarEdit = "小節単位での挿入、削除やコピー、移動を行なうことができます。";
inline constexpr std::string_view kTipHelp = "ヘルプを表示します。";
inline constexpr std::string_view kTipCells = "フレーズパレットからドラッグ＆ドロップして楽譜を作成してください。";
inline constexpr std::string_view kTipOther = "スクロールバーで楽譜のページを移動できます。";

// The tooltip of a command button; commands without their own text (import,
// library, options) share the window's general one.
std::string_view CommandTooltip(int command);

}  // namespace songloom::app
