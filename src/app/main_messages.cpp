#include "app/main_messages.h"

#include "common/reporter.h"

namespace songloom::app {

std::string_view MainMessageText(int code)
{
    switch (code) {
    case main_message::kUnknownDrop: return "この内容は楽譜にドロップできません。";
    case main_message::kSeveralFiles: return "複数のファイルをドロップすることはできません。";
    case main_message::kNoSelection: return "対象の領域を指定してください。";
    case main_message::kTempoRepaired: return "設定されているテンポに異常があったので修正しました。";
    case main_message::kBadSettings: return "設定ファイルの値が異常です。";
    default: return "操作を完了できませんでした。";
    }
}

void ShowMainMessage(Reporter& reporter, int code) { ShowErrorBox(reporter, MainMessageText(code), false); }

std::string_view CommandTooltip(int command)
{
    switch (command) {
    case kCmdQuit: return kTipQuit;
    case kCmdClear: return kTipClear;
    case kCmdOpen: return kTipOpen;
    case kCmdSave: return kTipSave;
    case kCmdImport: return kTipImport;
    case kCmdExport: return kTipExport;
    case kCmdPlay: return kTipPlay;
    case kCmdLibrary: return kTipLibrary;
    case kCmdSongInfo: return kTipSongInfo;
    case kCmdOptions: return kTipOptions;
    case kCmdBarEdit: return kTipBarEdit;
    case kCmdHelp: return kTipHelp;
    default: return kTipOther;
    }
}

}  // namespace songloom::app
