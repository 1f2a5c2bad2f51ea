#pragma once
// The playback subsystem's four reporters: the player ("MDPL"), the playback
// thread ("MDSP"), the state chase ("MDSS") and the output device ("MDCT").

#include <cstdint>

#include "common/reporter.h"

namespace songloom::playback {

namespace mdpl {
inline constexpr std::uint32_t kResolutionTooLarge = 0x08000001;
inline constexpr std::uint32_t kNoTimer = 0x08000002;
inline constexpr std::uint32_t kTempoTooSlow = 0x08000003;
inline constexpr std::uint32_t kNotPlayable = 0x08000004;
inline constexpr std::uint32_t kBadPosition = 0x08000005;
inline constexpr std::uint32_t kBadTempo = 0x08000006;
inline constexpr std::uint32_t kBadDelta = 0x08000007;
}  // namespace mdpl

namespace mdsp {
inline constexpr std::uint32_t kNotPlayable = 0x09000001;
}  // namespace mdsp

namespace mdss {
inline constexpr std::uint32_t kBadTimeSignature = 0x37000002;
}  // namespace mdss

namespace mdct {
inline constexpr std::uint32_t kOpenFailed = 0x07000001;
inline constexpr std::uint32_t kCloseFailed = 0x07000002;
inline constexpr std::uint32_t kProgramFailed = 0x07000003;
inline constexpr std::uint32_t kSysExFailed = 0x07000004;
inline constexpr std::uint32_t kBadParameter = 0x07000005;
}  // namespace mdct

void MidiPlayerErrorMsg(Reporter& reporter, std::uint32_t code);     // "MDPL"
void MidiSequencerErrorMsg(Reporter& reporter, std::uint32_t code);  // "MDSP"
void MidiStateErrorMsg(Reporter& reporter, std::uint32_t code);      // "MDSS"
void MidiDeviceErrorMsg(Reporter& reporter, std::uint32_t code);     // "MDCT"

}  // namespace songloom::playback
