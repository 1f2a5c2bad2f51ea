#include "arrange/engine_track.h"

#include <algorithm>

#include "arrange/style_record.h"
#include "common/messages.h"
#include "midi/midi_track.h"

namespace songloom::arrange {
namespace {

constexpr std::uint32_t kWrongInstrument = 0xFF010156;
constexpr int kUntouched = 64;
// Mixer byte and the controller it is sent as, in the order of the set-up.
constexpr std::pair<int, int> kEffectControllers[] = {
    {kMixReverb, 91}, {kMixChorus, 93},  {kMixBrightness, 74}, {kMixResonance, 71},
    {kMixRelease, 72}, {kMixAttack, 73}, {kMixDecay, 75},
};
// Greatest gap between the last event and the end of track.
constexpr Tick kMaxFinishGap = 768;

}  // namespace

int MixerByte(const EngineContext& ctx, int channel, int byte)
{
    if (channel < 0 || channel >= kStyleChannels) return 0;
    return ctx.activeStyle.channelMixer[static_cast<std::size_t>(channel)].Byte(byte);
}

std::unique_ptr<midi::CMidiTrack> NewEngineTrack(EngineContext& ctx)
{
    auto track = std::make_unique<midi::CMidiTrack>(ctx.reporter);
    track->State = midi::TrackNotes;
    return track;
}

void AppendEngineNote(EngineContext& /*ctx*/, midi::CMidiTrack& track, int channel, Tick delta,
                      int note, int velocity, Tick duration)
{
    if (duration < 0) duration = 0;
    if (note > 127 || (note < 13 && velocity != 0)) {
        note = 0;
        velocity = 0;
    }
    if (note == 0 && velocity == 0) duration = 1;
    track.AddNote(channel, delta, note, velocity, duration);
}

void SendProgram(EngineContext& ctx, midi::CMidiTrack& track, int channel, int program)
{
    int gm = -1;
    if (program >= 0 && program <= 127) {
        gm = program;
    } else {
        switch (program) {
        case 128: gm = 53; break;              // dog: voice oohs stand in
        case 130: case 131: gm = 112; break;   // gamelan voices: tinkle bell
        case 132: gm = 40; break;              // erhu: violin
        case 133: gm = 90; break;              // didgeridoo: polysynth pad
        default: break;
        }
    }
    if (gm < 0) {
        EngineErrorMsg(ctx.reporter, kWrongInstrument);
        return;
    }
    if (channel == 9 && gm == 0) return;
    track.AddProgramChange(channel, gm);
}

void SetUpChannel(EngineContext& ctx, midi::CMidiTrack& track, int channel, int program,
                  int mixerChannel, Tick startOffset)
{
    SendProgram(ctx, track, channel, program);
    track.AddControlChange(channel, 7, MixerByte(ctx, mixerChannel, kMixVolume));
    for (const auto& [byte, controller] : kEffectControllers) {
        const int value = MixerByte(ctx, mixerChannel, byte);
        if (value != kUntouched) track.AddControlChange(channel, controller, value);
    }
    if (track.EventCount() > 0) track.Event(0).DeltaTime = startOffset;
    track.AddControlChange(channel, 101, 0);
    track.AddControlChange(channel, 100, 0);
    track.AddControlChange(channel, 6, 12);
}

void FinishEngineTrack(EngineContext& /*ctx*/, midi::CMidiTrack& track)
{
    // A track built from scratch holds notes with durations: that is the
    // noted state every later operation expects.
    if (track.State == midi::TrackEmpty) track.State = midi::TrackNotes;
    for (std::int32_t i = 0; i < track.EventCount(); ++i) {
        auto& e = track.Event(i);
        if (e.Kind == midi::kKindNote && (e.Velocity == 0 || e.Note == 0)) e.Kind = midi::kKindDeleted;
    }
    track.PurgeDeleted();
    if (track.EventCount() > 0 && track.Event(track.EventCount() - 1).IsEndOfTrack()) return;

    std::int64_t time = 0;
    std::int64_t end = 0;
    for (const auto& e : track.Events()) {
        time += e.DeltaTime;
        end = std::max(end, time);
        if (e.Kind == midi::kKindNote) end = std::max(end, time + e.Duration);
    }
    const std::int64_t rounded = (end + 95) / 96 * 96;
    const std::int64_t gap = std::clamp<std::int64_t>(rounded - time, 0, kMaxFinishGap);
    track.AddEndOfTrack(static_cast<std::int32_t>(gap));
}

void SetPanControls(midi::CMidiTrack& track, int value)
{
    for (std::int32_t i = 0; i < track.EventCount(); ++i) {
        auto& e = track.Event(i);
        if (e.Kind != midi::kKindControl || e.Number != 10) continue;
        e.SetControlChange(e.Channel, 10, value);
    }
}

std::unique_ptr<midi::CMidiTrack> MakeDoublingTrack(EngineContext& /*ctx*/,
                                                    const midi::CMidiTrack& source, int toChannel,
                                                    Tick delay, int panValue)
{
    auto copy = std::make_unique<midi::CMidiTrack>(source, midi::kStandardCapacity);
    for (std::int32_t i = 0; i < copy->EventCount(); ++i) {
        auto& e = copy->Event(i);
        if (!e.IsChannelEvent()) continue;
        e.Channel = toChannel;
        // Channel messages keep their status byte in Data as well.
        if (e.Kind != midi::kKindNote && !e.Data.empty()) {
            e.Data[0] = static_cast<std::uint8_t>((e.Data[0] & 0xF0) | (toChannel & 0x0F));
        }
    }
    // Fine tuning by RPN 1 at the head: 56/0 is an eighth of a semitone flat,
    // enough to thicken the sound without being heard as out of tune.
    const std::pair<int, int> tuning[] = {{101, 0}, {100, 1}, {6, 56}, {38, 0}};
    std::int32_t at = 0;
    for (const auto& [controller, value] : tuning) {
        midi::CMidiEvent e;
        e.SetControlChange(toChannel, controller, value);
        copy->InsertEvent(at++, 2, std::move(e));
    }
    copy->Event(0).DeltaTime += delay;
    SetPanControls(*copy, panValue);
    return copy;
}

}  // namespace songloom::arrange
