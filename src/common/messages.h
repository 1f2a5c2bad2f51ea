#pragma once
// The general-services ("GENE") and engine ("YRAC") reporters, the engine's
// questions, the chord-structure ("CDST") reporter and the two untagged
// class-level reporters of the composition driver.

#include <cstdint>
#include <string_view>

#include "common/reporter.h"

namespace songloom {

namespace gene {
inline constexpr std::uint32_t kNoMemory = 0x01000002;
inline constexpr std::uint32_t kGeneral = 0x01000003;
inline constexpr std::uint32_t kPerformance = 0x01000004;
inline constexpr std::uint32_t kFileNotFound = 0x01000005;
inline constexpr std::uint32_t kBadHex = 0x01000006;
inline constexpr std::uint32_t kCannotOpen = 0x01000007;
inline constexpr std::uint32_t kTooLarge = 0x0100000A;
inline constexpr std::uint32_t kBadParameter = 0x0100000B;
inline constexpr std::uint32_t kNoCurrentDir = 0x0100000C;
inline constexpr std::uint32_t kFileSize = 0x0100000D;
inline constexpr std::uint32_t kTimeSignature = 0x0100000E;
inline constexpr std::uint32_t kArrangement1 = 0x0100000F;
inline constexpr std::uint32_t kAnalysis = 0x01000010;
inline constexpr std::uint32_t kArrangement2 = 0x01000011;
inline constexpr std::uint32_t kBpmConversion = 0x01000012;
inline constexpr std::uint32_t kTempoConversion = 0x01000013;
}  // namespace gene

// Engine questions.
inline constexpr std::uint32_t kAskRemoveDelay = 0xFF01014B;
inline constexpr std::uint32_t kAskLongPipeOrSiren = 0xFF01014C;
inline constexpr std::uint32_t kAskResetStyle = 0xFF010155;

// "GENE": only 0x01000002 ends the process. 0x01000007 (a file cannot be
// opened or written) is reported and the operation fails; the caller keeps
// everything it holds in memory.
void GeneralErrorMsg(Reporter& reporter, std::uint32_t code);
// "YRAC": 0xFF010001..0xFF0101E9; other codes and empty slots show the
// undefined-error text.
void EngineErrorMsg(Reporter& reporter, std::uint32_t code);
// true = OK. Codes without a question ask nothing and answer OK.
bool EngineConfirmMsg(Reporter& reporter, std::uint32_t code);
bool EngineConfirmMsg(Reporter& reporter, std::string_view question);
// "CDST".
void ChordStructureErrorMsg(Reporter& reporter, std::uint32_t code);
// Untagged boxes of the composition driver.
void FirstSongCommonErrorMsg(Reporter& reporter, std::uint32_t code);
void FSAlgoErrorMsg(Reporter& reporter, std::uint32_t code);

std::string_view GeneralMessageText(std::uint32_t code);
std::string_view EngineMessageText(std::uint32_t code);

}  // namespace songloom
