#include "common/random.h"

#include <ctime>

namespace songloom {

std::uint32_t ClockSeed() { return static_cast<std::uint32_t>(std::time(nullptr)); }

}  // namespace songloom
