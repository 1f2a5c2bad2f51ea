#pragma once
// Instrument codes of the style records: display names and the instrument
// groups from which a program is drawn when a channel is set up.

#include <span>
#include <string>
#include <string_view>

#include "arrange/style_record.h"
#include "common/random.h"
#include "common/reporter.h"

namespace songloom::arrange {

inline constexpr int kMaxGroupMembers = 20;

// The GM programs of group code 136-151 (empty for 145-151 and any other code).
std::span<const int> InstrumentGroupMembers(InstrumentCode code);

// The program a channel plays: codes below 136 come back unchanged (the
// caller passes the style's channelInstrument of that channel); a group code
// draws one member with equal chance. An empty group (145-151) cannot give a
// program: YRAC 0xFF0101A4 and 0 (piano). Codes above 151 come back unchanged
// for the program sender to refuse.
InstrumentCode ResolveInstrument(Reporter& reporter, Random& random, InstrumentCode code, int channel);

// Display text in CP932: "---" for 256, the name table for 0-151; any other
// code reports YRAC 0xFF010156 and returns an empty string.
std::string InstrumentName(Reporter& reporter, InstrumentCode code);
// The same name in UTF-8 for the CLI and the UI ("" for codes without one,
// nothing reported).
std::string_view InstrumentNameUtf8(InstrumentCode code);

}  // namespace songloom::arrange
