#include "playback/playback_messages.h"

namespace songloom::playback {
namespace {

constexpr MessageRow kPlayerMessages[] = {
    {mdpl::kResolutionTooLarge, "分解能が大きすぎます。"},
    {mdpl::kNoTimer, "タイマーが使用できませんでした。"},
    {mdpl::kTempoTooSlow, "設定されているテンポが遅すぎます。"},
    {mdpl::kNotPlayable, "Midiの演奏機能で内部エラーが起きました。"},
    {mdpl::kBadPosition, "再生位置に誤りがあります。"},
    {mdpl::kBadTempo, "テンポに誤りがあります。"},
    {mdpl::kBadDelta, "演奏情報に誤りがあります。"},
};
constexpr std::string_view kPlayerDefault = "Midiの演奏機能でエラーが発生しました。";

constexpr MessageRow kSequencerMessages[] = {
    {mdsp::kNotPlayable, "Midiの演奏機能で内部エラーが発生しました。"},
};
constexpr std::string_view kSequencerDefault = "Midiの演奏機能でエラーが発生しました。";

constexpr MessageRow kStateMessages[] = {
    {mdss::kBadTimeSignature, "拍子が異常です。"},
};
constexpr std::string_view kStateDefault = "Midiの状態把握処理でエラーが発生しました。";

constexpr MessageRow kDeviceMessages[] = {
    {mdct::kOpenFailed,
     "Midiデバイスのオープンに失敗しました。音源とサウンドフォントの設定（playback.ini）と、ほかのプログラムが出力を使っていないかを確かめてください。"},
    {mdct::kCloseFailed, "Midiデバイスのクローズに失敗しました。"},
    {mdct::kProgramFailed, "Midiデバイスで音色を変更できませんでした。"},
    {mdct::kSysExFailed, "Midiデバイスでエクスクルーシブを送れませんでした。"},
    {mdct::kBadParameter, "Midiのパラメータに誤りがあります。"},
};
constexpr std::string_view kDeviceDefault = "Midi制御でエラーが発生しました。";

}  // namespace

void MidiPlayerErrorMsg(Reporter& reporter, std::uint32_t code)
{
    ReportTagged(reporter, "MDPL", code, kPlayerMessages, kPlayerDefault);
}

void MidiSequencerErrorMsg(Reporter& reporter, std::uint32_t code)
{
    ReportTagged(reporter, "MDSP", code, kSequencerMessages, kSequencerDefault);
}

void MidiStateErrorMsg(Reporter& reporter, std::uint32_t code)
{
    ReportTagged(reporter, "MDSS", code, kStateMessages, kStateDefault);
}

void MidiDeviceErrorMsg(Reporter& reporter, std::uint32_t code)
{
    ReportTagged(reporter, "MDCT", code, kDeviceMessages, kDeviceDefault);
}

}  // namespace songloom::playback
