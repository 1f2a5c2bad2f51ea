#pragma once
// The tooltips of the palettes, panels and small dialogs (UTF-8).

#include <string_view>

namespace songloom::app::tip {

inline constexpr std::string_view kPhraseClear = "すでに入力されている内容をクリアし、新しいフレーズを表示します。";
inline constexpr std::string_view kPhraseOpen = "保存してあるフレーズ・データを読み込みます。";
inline constexpr std::string_view kPhraseSave = "フレーズ・データを保存します。";
inline constexpr std::string_view kPhrasePlay = "フレーズを再生します。";
inline constexpr std::string_view kPhraseCells =
    "コードパレットやキーボードパレットからドラッグ＆ドロップしてコードや音符を入力してください。";
inline constexpr std::string_view kPhraseOther = "フレーズを入力し、楽譜ウィンドウにドロップしてください。";

inline constexpr std::string_view kChordButtons = "コードをドラッグして、楽譜ウィンドウにドロップしてください。";
inline constexpr std::string_view kChordSelector =
    "選択肢にないコードを入力する場合は、コード名の書かれたボタンをダブルクリックしてください。";

inline constexpr std::string_view kKeyboardSplit = "音符を区切りたい位置にドロップしてください。";
inline constexpr std::string_view kKeyboardOther = "音を選択して、楽譜ウィンドウにドロップしてください。";

inline constexpr std::string_view kLibraryList = "曲をドラッグして、楽譜ウィンドウにドロップしてください。";

}  // namespace songloom::app::tip
