#include "arrange/style_record.h"

#include <cstring>

namespace songloom::arrange {

std::uint8_t ChannelMixer::Byte(int index) const
{
    switch (index) {
    case kMixVolume: return volume;
    case kMixChorus: return chorus;
    case kMixReverb: return reverb;
    case kMixBrightness: return brightness;
    case kMixAttack: return attack;
    case kMixDecay: return decay;
    case kMixRelease: return release;
    case kMixResonance: return resonance;
    case kMixPan: return pan;
    case kMixDoublingDelay: return doublingDelay;
    default:
        if (index > kMixDoublingDelay && index < 16)
            return unread[static_cast<std::size_t>(index - kMixDoublingDelay - 1)];
        return 0;
    }
}

void ChannelMixer::SetByte(int index, std::uint8_t value)
{
    switch (index) {
    case kMixVolume: volume = value; break;
    case kMixChorus: chorus = value; break;
    case kMixReverb: reverb = value; break;
    case kMixBrightness: brightness = value; break;
    case kMixAttack: attack = value; break;
    case kMixDecay: decay = value; break;
    case kMixRelease: release = value; break;
    case kMixResonance: resonance = value; break;
    case kMixPan: pan = value; break;
    case kMixDoublingDelay: doublingDelay = value; break;
    default:
        if (index > kMixDoublingDelay && index < 16)
            unread[static_cast<std::size_t>(index - kMixDoublingDelay - 1)] = value;
        break;
    }
}

std::string_view StyleRecord::Name() const { return FieldView(name); }

std::string_view StyleRecord::Description() const { return FieldView(description); }

void SetFieldBytes(char* field, std::size_t size, std::string_view cp932)
{
    if (size == 0) return;
    const std::string cut = TruncateCp932(cp932, size - 1);
    std::memset(field, 0, size);
    std::memcpy(field, cut.data(), cut.size());
}

}  // namespace songloom::arrange
