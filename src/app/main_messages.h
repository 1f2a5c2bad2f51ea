#pragma once
// The numbers and texts the user meets in the main window: its plain
// messages (by code), its questions, the command buttons and their
// tooltips, and the durations of the sound previews.

#include <cstdint>
#include <string_view>

#include "common/reporter.h"

namespace songloom::app {

namespace main_message {
inline constexpr int kUnknownDrop = 0;
inline constexpr int kSeveralFiles = 3;
inline constexpr int kNoSelection = 5;
inline constexpr int kTempoRepaired = 7;
inline constexpr int kBadSettings = 10;
}  // namespace main_message

// Text of a main-window message; an unknown code gives the general text.
std::string_view MainMessageText(int code);
// Shows it in a plain box with an OK button.
void ShowMainMessage(Reporter& reporter, int code);

inline constexpr std::string_view kMorePagesQuestion =
    "これ以上、表示するページがありません。小節数を増やしますか？";
inline constexpr std::string_view kTransposeQuestion = "楽譜のコードとメロディを新しい調に移調しますか？";
inline constexpr std::string_view kSaveChangesQuestion = "楽譜が変更されています。保存しますか？";
// The status line while nothing can sound.
inline constexpr std::string_view kSilentPrefix = "音が出ません: ";

// The command buttons, in the order of the bar.
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
};
inline constexpr int kCommandButtons = 12;  // the main window's: 0 .. 11

// Durations in milliseconds.
namespace timing {
inline constexpr int kNoteOffMs = 500;
inline constexpr int kChordOffMs = 1000;
inline constexpr int kStrumOffMs = 700;
inline constexpr int kStrumSpacingMs = 50;
inline constexpr int kStartPictureMs = 1000;
inline constexpr int kQuitDelayMs = 500;
}  // namespace timing

// Tooltips of the main window's controls.
inline constexpr std::string_view kTipQuit = "Songloomを終了します。";
inline constexpr std::string_view kTipClear = "すでに入力されている内容をクリアし、新しい楽譜を表示します。";
inline constexpr std::string_view kTipOpen = "Songloomの形式のデータを読み込みます。";
inline constexpr std::string_view kTipSave = "Songloomの形式のデータを保存します。";
inline constexpr std::string_view kTipImport = "ＭＩＤＩファイルを読み込み、そのコードとメロディで新しい楽譜を作ります。";
inline constexpr std::string_view kTipExport = "指定された音楽スタイルでＭＩＤＩファイルを生成し、保存します。";
inline constexpr std::string_view kTipPlay = "指定された音楽スタイルで曲を再生します。";
inline constexpr std::string_view kTipLibrary = "ライブラリの曲の一覧を表示します。";
inline constexpr std::string_view kTipSongInfo = "拍子、調、小節数や、音楽スタイルの設定を行ないます。";
inline constexpr std::string_view kTipOptions = "キーボード・パレットの音域を設定します。";
inline constexpr std::string_view kTipBarEdit = "小節単位での挿入、削除やコピー、移動を行なうことができます。";
inline constexpr std::string_view kTipHelp = "ヘルプを表示します。";
inline constexpr std::string_view kTipCells = "フレーズパレットからドラッグ＆ドロップして楽譜を作成してください。";
inline constexpr std::string_view kTipOther = "スクロールバーで楽譜のページを移動できます。";

// The tooltip of a command button.
std::string_view CommandTooltip(int command);

}  // namespace songloom::app
