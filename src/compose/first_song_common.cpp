#include "compose/first_song_common.h"

#include <algorithm>
#include <array>
#include <map>

#include "arrange/data_files.h"
#include "arrange/engine_track.h"
#include "arrange/generators.h"
#include "arrange/melodic_line.h"
#include "arrange/melody_renderer.h"
#include "arrange/second_line.h"
#include "common/general.h"
#include "common/messages.h"
#include "harmony/chord_code.h"
#include "harmony/chord_entry.h"
#include "compose/fs_algo.h"
#include "compose/performance.h"
#include "midi/midi_file.h"
#include "midi/midi_track.h"

namespace songloom::compose {

// The driver speaks the chord vocabulary throughout.
using namespace harmony;
namespace {

using arrange::EngineContext;
using arrange::Tick;

constexpr Tick kClosingChordLength = 768;
constexpr int kMelodyMethod = 8;

Tick TotalChordTicks(const EngineContext& ctx)
{
    Tick total = 0;
    for (const auto& e : ctx.chords.entries) total += e.length;
    return total;
}

// Converts the tracks' shared melody into the source list: the user's notes
// and a closing chord.
void BuildMelodySource(EngineContext& ctx)
{
    ctx.melody.Clear();
    for (const auto& e : ctx.userMelody) ctx.melody.Append(ctx.reporter, e);
    ctx.melody.Append(ctx.reporter,
                      arrange::EngineNote::Chord(kClosingChordLength, kClosingChordCode.view()));
}

void Transpose(EngineContext& ctx, midi::CMidiTrack& track, int channel)
{
    const int octave = ctx.activeStyle.channelOctave[static_cast<std::size_t>(channel)];
    if (octave != 0) track.TransposeNotes(channel, 12 * octave);
}

// The second melodic line (4) and the melodic percussion line (5), each a
// track of its own when the style plays the channel.
void RenderLineChannel(EngineContext& ctx, int channel)
{
    if (ctx.activeStyle.channelInstrument[static_cast<std::size_t>(channel)] == arrange::kNoInstrument) return;
    auto track = arrange::NewEngineTrack(ctx);
    const auto& params = ctx.activeStyle.partParams[static_cast<std::size_t>(channel)];
    if (channel == arrange::kPercussionLineChannel && params.lineOption13 == 0) {
        arrange::GenerateMelodicLine(ctx, channel, ctx.percussionLine);
        arrange::RenderMelodyChannel(ctx, ctx.percussionLine, *track, channel);
    } else if (channel == arrange::kSecondLineChannel) {
        const arrange::NoteList line =
            arrange::MakeSecondLine(ctx.reporter, ctx.melody, arrange::LineChords(ctx.chords),
                                    static_cast<arrange::SecondLineMode>(ctx.activeStyle.secondLine),
                                    params.lowestNote, params.highestNote);
        arrange::RenderMelodyChannel(ctx, line, *track, channel);
    } else {
        arrange::RenderMelodyChannel(ctx, ctx.melody, *track, channel);
    }
    Transpose(ctx, *track, channel);
    arrange::FitPartToInstrument(*track, channel);
    ctx.tracks.push_back(std::move(track));
}

void RenderSecondMelody(EngineContext& ctx)
{
    if (ctx.secondMelodySwitch == 0) return;
    auto track = arrange::NewEngineTrack(ctx);
    arrange::RenderMelodyChannel(ctx, ctx.secondMelody, *track, arrange::kMelodyDoubleChannel);
    ctx.tracks.push_back(std::move(track));
}

void AddKeyChange(midi::CMidiTrack& track, std::int64_t at)
{
    midi::CMidiEvent e;
    e.Kind = midi::kKindMeta;
    e.Number = midi::kMetaKeySignature;
    const std::uint8_t cMajor[] = {0, 0};
    e.SetData(cMajor);
    e.DataLength = 2;
    track.InsertAtTime(at, std::move(e), 1);
}

void MergeWithClashRemoval(EngineContext& ctx)
{
    std::vector<const midi::CMidiTrack*> sources;
    for (const auto& t : ctx.tracks) sources.push_back(t.get());
    auto merged = arrange::NewEngineTrack(ctx);
    merged->MergeTracks(sources);
    merged->State = midi::TrackNotes;
    std::vector<std::pair<int, int>> pairs = {{1, 6}, {1, 4}, {6, 4}};
    if (ctx.activeStyle.accompaniment2Pattern == 13) {
        pairs.insert(pairs.end(), {{1, 7}, {6, 7}, {4, 7}});
    }
    for (const auto& [a, b] : pairs) RemoveClashes(*merged, a, b);
    ctx.tracks.clear();
    ctx.tracks.push_back(std::move(merged));
}

}  // namespace

LengthWindow ComposeLengthWindow(int formLength)
{
    constexpr int kHalfWidth = 4 / 2;
    return {std::max(5, formLength - kHalfWidth), formLength + kHalfWidth};
}

void BuildSongStructure(EngineContext& ctx)
{
    ctx.sections.clear();
    const Tick sectionLength = arrange::BarTicks(ctx.activeStyle.meter) * kSectionBars;
    Tick at = 0;
    for (const auto& record : DecodeChordRecords(ctx.chordRecords)) {
        const int number = static_cast<int>(at / sectionLength) + 1;
        if (ctx.sections.empty() || ctx.sections.back().number != number) {
            ctx.sections.push_back(ChordSection{number, {}});
        }
        ctx.sections.back().chords.push_back(record);
        at += record.length;
    }
}

void BuildDrumList(EngineContext& ctx)
{
    ctx.drums.clear();
    for (const auto& section : ctx.sections) {
        for (std::size_t i = 0; i < section.chords.size(); ++i) {
            const bool last = i + 1 == section.chords.size();
            ctx.drums.push_back(arrange::DrumRecord{
                section.chords[i].length,
                {arrange::SectionLetter(section.number), last ? 'E' : 'X', 'X', 'X'}});
        }
    }
}

std::unique_ptr<midi::CMidiTrack> MakeConductorTrack(EngineContext& ctx)
{
    auto track = arrange::NewEngineTrack(ctx);
    const int meter = ctx.activeStyle.meter;
    if (meter == arrange::kMeter44) {
        track->AddTimeSignature(0, 4, 2);
    } else if (meter == arrange::kMeter34) {
        track->AddTimeSignature(0, 3, 2);
    } else {
        track->AddTimeSignature(0, 7, 3);
    }
    track->AddTempo(ctx.activeStyle.tempo);
    // The file carries its own master volume, so the conversion for playing
    // has nothing to repair (and nothing to show) at every rendering.
    track->InsertMasterVolume(127);

    Tick lastEvent = 0;
    if (ctx.chordDisplay) {
        const auto& entries = ctx.chords.entries;
        if (entries.empty() || entries.front().length == 0) track->AddMarker(0, "N/C");
        Tick at = 0;
        std::int64_t previousMarker = -1;
        bool reported = false;
        for (const auto& entry : entries) {
            if (at == previousMarker && !reported) {
                EngineErrorMsg(ctx.reporter, kDisplayDataError);
                reported = true;
            }
            std::string name = ChordCodeToDisplayName(ctx.reporter, entry.code);
            if (entry.HasBassOffset() && entry.BassOffsetValue() != 0) {
                AppendBassName(name, RootPitchClass(entry.code.root()) + entry.BassOffsetValue());
            }
            track->AddMarker(at - lastEvent, name);
            lastEvent = at;
            previousMarker = at;
            at += entry.length;
        }
    }
    if (ctx.modulationFlag != 0) {
        for (const int at : ctx.modulationAt) AddKeyChange(*track, at);
    }
    track->AddEndOfTrack(std::max<Tick>(0, TotalChordTicks(ctx) - lastEvent));
    return track;
}

int RemoveClashes(midi::CMidiTrack& merged, int a, int b)
{
    // Notes of channel a that still sound: end time and pitch.
    std::vector<std::pair<std::int64_t, int>> sounding;
    std::int64_t time = 0;
    int removed = 0;
    for (std::int32_t i = 0; i < merged.EventCount(); ++i) {
        auto& e = merged.Event(i);
        time += e.DeltaTime;
        if (e.Kind != midi::kKindNote || e.Velocity == 0) continue;
        std::erase_if(sounding, [&](const auto& s) { return s.first <= time; });
        if (e.Channel == a) {
            sounding.emplace_back(time + e.Duration, e.Note);
        } else if (e.Channel == b) {
            const bool clash = std::any_of(sounding.begin(), sounding.end(), [&](const auto& s) {
                const int distance = std::abs(s.second - e.Note);
                return distance == 11 || distance == 13;
            });
            if (clash) {
                e.Kind = midi::kKindDeleted;
                ++removed;
            }
        }
    }
    if (removed > 0) merged.PurgeDeleted();
    return removed;
}

bool CheckEngineTracks(const std::vector<std::unique_ptr<midi::CMidiTrack>>& tracks)
{
    for (const auto& track : tracks) {
        if (!track || track->State != midi::TrackNotes || track->EventCount() == 0) return false;
        if (!track->Event(track->EventCount() - 1).IsEndOfTrack()) return false;
        for (const auto& e : track->Events()) {
            if (e.DeltaTime < 0) return false;
            if (e.Kind == midi::kKindNote && (e.Note < 0 || e.Note > 127 || e.Duration < 0)) return false;
            if (e.IsChannelEvent() && (e.Channel < 0 || e.Channel > 15)) return false;
        }
    }
    return true;
}

void CFirstSongCommon::ErrorMsg(Reporter& reporter, int code)
{
    FirstSongCommonErrorMsg(reporter, static_cast<std::uint32_t>(code));
}

void CFirstSongCommon::Prepare(int melodyInstrument, int bpm)
{
    auto& style = ctx_.activeStyle;
    ctx_.compositionMode = arrange::CompositionMode::kUserMelody;
    style.melodyOptions[2] = kMelodyMethod;
    ctx_.userMelodyFlag = 1;
    ctx_.secondMelodySwitch = 0;
    ctx_.modulationFlag = 0;
    ctx_.plainOrnamentSwitchA = 0;
    ctx_.outputMode = arrange::OutputMode::kWriteFile;
    style.channelInstrument[arrange::kMelodyChannel] = melodyInstrument;
    // The sound effects a style lists (waves, birds) play under the song.
    for (const int channel : {0, 1, 2, 3, 4, 6, 7, 8}) {
        style.channelMixer[static_cast<std::size_t>(channel)].doublingDelay = 0;
    }
    style.tempo = static_cast<std::int32_t>(TempoFromBpm(ctx_.reporter, bpm));
    if (style.noteDatabaseKind == 7) style.noteDatabaseKind = 1;
}

int CFirstSongCommon::Compose(const std::string& outputPath, std::string_view title,
                              std::string_view composer, const Progress& progress)
{
    file_.clear();
    output_.clear();
    outputMade_ = false;
    written_ = false;
    auto& style = ctx_.activeStyle;

    arrange::DataFileNames names;
    names.pattern = std::string(arrange::FieldView(style.patternDatabase));
    names.cadence = std::string(arrange::FieldView(style.cadenceDatabase));
    names.timeChart = ctx_.timeCharts.timeChart;
    names.cadenceTimeChart = ctx_.timeCharts.cadenceTimeChart;
    arrange::LoadDatabases(ctx_.reporter, ctx_.dataFiles, harmony::DataFolder{ctx_.workDir, true}, names,
                           style.noteDatabaseKind, style.melodyOptions[2]);

    const LengthWindow window = ComposeLengthWindow(style.formLength);
    const int beatsPerBar = style.meter == arrange::kMeter44 ? 4 : 3;
    int attempt = 0;
    attempts_ = 0;
    // The structure and its drum list follow from the chord records alone:
    // the attempts differ only in what the chord list draws.
    BuildSongStructure(ctx_);
    BuildDrumList(ctx_);
    for (;;) {
        ++attempts_;
        const int beats = BuildChordList(ctx_.EntryContext(), ctx_.chords, ctx_.sections);
        const int bars = beats / beatsPerBar;
        BuildMelodySource(ctx_);
        if (ctx_.modulationFlag != 0) CFSAlgo::ErrorMsg(ctx_.reporter, 1);
        if (attempt > 3 || ctx_.stopRetrying) break;
        ++attempt;
        if (window.Contains(bars + 2)) break;
    }
    RunEngine(outputPath, title, composer, progress);
    return 1;
}

void CFirstSongCommon::RunEngine(const std::string& outputPath, std::string_view title,
                                 std::string_view composer, const Progress& progress)
{
    auto& ctx = ctx_;
    const auto step = [&progress] {
        if (progress) progress();
    };
    ctx.tracks.clear();

    ctx.tracks.push_back(MakeConductorTrack(ctx));
    step();
    if (ctx.activeStyle.channelInstrument[arrange::kMelodyChannel] != arrange::kNoInstrument) {
        arrange::RenderMelody(ctx);
    }
    step();
    RenderSecondMelody(ctx);
    step();
    // Both accompaniment channels and the performance's ending read the
    // same voiced chords; nothing between them changes ctx.chords.
    arrange::AccompanimentSource accompaniment;
    if (ctx.activeStyle.channelInstrument[arrange::kAccompanimentChannel] != arrange::kNoInstrument ||
        ctx.activeStyle.channelInstrument[arrange::kAccompaniment2Channel] != arrange::kNoInstrument) {
        accompaniment = arrange::MakeAccompanimentSource(ctx);
    }
    arrange::RenderAccompanimentChannel(ctx, arrange::kAccompanimentChannel, accompaniment);
    step();
    arrange::RenderAccompanimentChannel(ctx, arrange::kAccompaniment2Channel, accompaniment);
    step();
    RenderLineChannel(ctx, arrange::kSecondLineChannel);
    step();
    RenderLineChannel(ctx, arrange::kPercussionLineChannel);
    step();
    arrange::RenderBassChannel(ctx);
    step();
    arrange::RenderDrumChannel(ctx);
    step();
    arrange::RenderEffectChannel(ctx);
    step();

    PerformTracks(ctx, accompaniment.chords);
    if (ctx.activeStyle.partParams[arrange::kMelodyChannel].partKind == kMergeSetting) {
        MergeWithClashRemoval(ctx);
    }
    for (auto& track : ctx.tracks) arrange::FinishEngineTrack(ctx, *track);
    if (!CheckEngineTracks(ctx.tracks)) EngineErrorMsg(ctx.reporter, kDataCheckError);

    if (!ctx.tracks.empty()) {
        auto& first = *ctx.tracks.front();
        // An empty text still takes one zero byte.
        const std::string nul(1, '\0');
        first.InsertTextMeta(midi::kMetaTrackName, title.empty() ? std::string_view(nul) : title);
        first.InsertTextMeta(midi::kMetaCopyright, composer.empty() ? std::string_view(nul) : composer);
    }

    // The tracks are finished: the file takes them over rather than copying.
    std::vector<midi::CMidiTrack*> tracks;
    for (const auto& t : ctx.tracks) tracks.push_back(t.get());
    midi::CMidiFile1 file(ctx.reporter, tracks, arrange::kTicksPerQuarter, midi::CMidiFile1::TakeTracks{});
    ctx.tracks.clear();
    file.SplitAndSerialize();
    file_ = std::move(file.Bytes);
    // A rendering can be made again from its song: it skips the disk flush.
    written_ = ctx.outputMode == arrange::OutputMode::kWriteFile &&
               WriteWholeFile(ctx.reporter, outputPath, file_, SaveFlush::kNone);
}

const std::vector<std::uint8_t>& CFirstSongCommon::Output() const
{
    if (!outputMade_) {
        output_ = file_;
        midi::ConvertToFormat0(ctx_.reporter, output_, kOutputBufferSize);
        outputMade_ = true;
    }
    return output_;
}

}  // namespace songloom::compose
