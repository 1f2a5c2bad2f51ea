#include <gtest/gtest.h>

#include "midi/midi_track.h"

namespace songloom::midi {
namespace {

// A TrackNotes track from (delta, note, duration) triples on channel 0,
// closed by an End of Track `tail` ticks after the last note.
CMidiTrack NotesTrack(CapturingReporter& r, std::initializer_list<std::array<int, 3>> notes, int tail = 0)
{
    CMidiTrack t(r);
    t.State = TrackNotes;
    for (const auto& n : notes) t.AddNote(0, n[0], n[1], 100, n[2]);
    t.AddEndOfTrack(tail);
    return t;
}

std::vector<std::int64_t> Times(const CMidiTrack& t, std::int32_t kind = -1)
{
    std::vector<std::int64_t> out;
    std::int64_t now = 0;
    for (const auto& e : t.Events()) {
        now += e.DeltaTime;
        if (kind == -1 || e.Kind == kind) out.push_back(now);
    }
    return out;
}

template <typename Member>
std::vector<std::int32_t> Field(const CMidiTrack& t, Member CMidiEvent::*field, std::int32_t kind = kKindNote)
{
    std::vector<std::int32_t> out;
    for (const auto& e : t.Events()) {
        if (e.Kind == kind) out.push_back(e.*field);
    }
    return out;
}

TEST(MidiEdit, TransposeFoldsByOctavesIntoRange)
{
    CapturingReporter r;
    CMidiTrack t(r);
    t.State = TrackNotes;
    t.AddNote(0, 0, 120, 100, 10);
    t.AddNote(0, 0, 10, 100, 10);
    t.AddNote(1, 0, 60, 100, 10);
    t.AddNote(0, 0, 60, 0, 10);  // silent notes are left alone
    t.TransposeNotes(0, 24);
    EXPECT_EQ(Field(t, &CMidiEvent::Note), (std::vector<std::int32_t>{120, 34, 60, 60}));
    t.TransposeNotes(-1, -30);
    EXPECT_EQ(Field(t, &CMidiEvent::Note), (std::vector<std::int32_t>{90, 4, 30, 60}));
}

TEST(MidiEdit, ChangeResolutionCarriesRoundingAndHandlesShortNotes)
{
    CapturingReporter r;
    auto t = NotesTrack(r, {{100, 60, 480}, {100, 62, 4}, {100, 64, 240}}, 7);
    auto keep = t;
    EXPECT_TRUE(t.ChangeResolution(480, 96, true));
    EXPECT_EQ(Times(t, kKindNote), (std::vector<std::int64_t>{20, 60}));  // the 4-tick note is gone
    EXPECT_EQ(Field(t, &CMidiEvent::Duration), (std::vector<std::int32_t>{96, 48}));
    EXPECT_EQ(Times(t).back(), 61);
    EXPECT_TRUE(keep.ChangeResolution(480, 96, false));
    EXPECT_EQ(Field(keep, &CMidiEvent::Duration), (std::vector<std::int32_t>{96, 1, 48}));
    EXPECT_EQ(Times(keep, kKindNote), (std::vector<std::int64_t>{20, 40, 60}));
    EXPECT_FALSE(keep.ChangeResolution(96, 96, false));

    // Many odd deltas: the total stays within one tick of the exact value.
    CMidiTrack odd(r);
    odd.State = TrackNotes;
    for (int i = 0; i < 1000; ++i) odd.AddNote(0, 7, 60, 100, 7);
    odd.AddEndOfTrack(0);
    odd.ChangeResolution(480, 96, false);
    EXPECT_NEAR(static_cast<double>(Times(odd).back()), 7000.0 * 96 / 480, 1.0);

    // A ratio that is not whole (1024 -> 96) with odd deltas: every event
    // lands on its exactly scaled time, none drifts late.
    CMidiTrack fine(r);
    fine.State = TrackNotes;
    for (int i = 0; i < 1000; ++i) fine.AddNote(0, i == 0 ? 0 : 50, 60, 100, 40);
    fine.AddEndOfTrack(50);
    fine.ChangeResolution(1024, 96, false);
    const auto times = Times(fine, kKindNote);
    for (std::size_t i = 0; i < times.size(); ++i) {
        ASSERT_EQ(times[i], static_cast<std::int64_t>(i) * 50 * 96 / 1024) << i;
    }
    EXPECT_EQ(Times(fine).back(), 50000 * 96 / 1024);
}

TEST(MidiEdit, QuantizeSnapsToTheNearestGridLineRoundingHalfDown)
{
    CapturingReporter r;
    auto t = NotesTrack(r, {{59, 60, 30}, {2, 62, 30}, {119, 64, 30}, {120, 65, 30}});
    t.Quantize(4, 480);  // grid of 120 ticks
    EXPECT_EQ(Times(t, kKindNote), (std::vector<std::int64_t>{0, 120, 120, 240}));
    EXPECT_EQ(t.State, TrackNotes);
}

TEST(MidiEdit, InsertAtTimeKeepsLaterEventsInPlace)
{
    CapturingReporter r;
    auto t = NotesTrack(r, {{0, 60, 10}, {96, 62, 10}, {0, 64, 10}}, 96);
    auto marker = [](int number) {
        CMidiEvent e;
        e.Kind = kKindMeta;
        e.Number = number;
        return e;
    };
    t.InsertAtTime(50, marker(1), 2);
    t.InsertAtTime(96, marker(2), 2);  // first of its instant
    t.InsertAtTime(96, marker(3), 1);  // last of its instant
    t.InsertAtTime(500, marker(4), 2); // past the end: before the End of Track, which moves out
    EXPECT_EQ(Times(t), (std::vector<std::int64_t>{0, 50, 96, 96, 96, 96, 500, 500}));
    EXPECT_EQ(Field(t, &CMidiEvent::Number, kKindMeta), (std::vector<std::int32_t>{1, 2, 3, 4, kMetaEndOfTrack}));

    t.InsertAtTime(-1, marker(5), 2);
    EXPECT_EQ(t.Event(t.EventCount() - 2).Number, 5);
    EXPECT_EQ(Times(t).back(), 500);

    CMidiEvent end;
    end.Kind = kKindMeta;
    end.Number = kMetaEndOfTrack;
    t.InsertAtTime(800, end, 2);  // sets the delay of the existing End of Track
    EXPECT_EQ(Times(t).back(), 800);
    EXPECT_EQ(std::count_if(t.Events().begin(), t.Events().end(), [](const CMidiEvent& e) { return e.IsEndOfTrack(); }), 1);

    CMidiTrack empty(r);
    empty.InsertAtTime(30, marker(1), 2);
    EXPECT_EQ(Times(empty), (std::vector<std::int64_t>{30}));
}

TEST(MidiEdit, FixOverlapsEndsOrDropsARepeatedNote)
{
    CapturingReporter r;
    // 60 sounds 0-100 and again from 50: the second start overlaps the first.
    auto ended = NotesTrack(r, {{0, 60, 100}, {50, 60, 100}});
    auto dropped = ended;
    EXPECT_TRUE(ended.FixOverlaps(1));
    EXPECT_EQ(Times(ended, kKindNote), (std::vector<std::int64_t>{0, 50}));
    EXPECT_EQ(Field(ended, &CMidiEvent::Duration), (std::vector<std::int32_t>{50, 50}));
    EXPECT_TRUE(dropped.FixOverlaps(0));
    EXPECT_EQ(Times(dropped, kKindNote), (std::vector<std::int64_t>{0}));
    auto clean = NotesTrack(r, {{0, 60, 50}, {50, 60, 50}});
    EXPECT_FALSE(clean.FixOverlaps(1));
}

TEST(MidiEdit, MakeMonophonicKeepsTheTopNoteAndCutsAtTheNext)
{
    CapturingReporter r;
    auto t = NotesTrack(r, {{0, 60, 200}, {0, 67, 200}, {0, 64, 200}, {100, 55, 300}}, 500);
    t.MakeMonophonic();
    EXPECT_EQ(Field(t, &CMidiEvent::Note), (std::vector<std::int32_t>{67, 55}));
    EXPECT_EQ(Field(t, &CMidiEvent::Duration), (std::vector<std::int32_t>{100, 300}));
}

TEST(MidiEdit, MakeLegatoStretchesToTheNextStartWithinTheMaximum)
{
    CapturingReporter r;
    auto t = NotesTrack(r, {{0, 60, 10}, {0, 64, 10}, {100, 62, 10}, {500, 64, 10}}, 50);
    t.MakeLegato(384);
    EXPECT_EQ(Field(t, &CMidiEvent::Duration), (std::vector<std::int32_t>{100, 100, 384, 50}));
}

TEST(MidiEdit, MergeInterleavesByTimeWithTiesInSourceOrder)
{
    CapturingReporter r;
    auto a = NotesTrack(r, {{0, 60, 10}, {96, 61, 10}}, 10);
    auto b = NotesTrack(r, {{0, 70, 10}, {48, 71, 10}, {48, 72, 10}}, 200);
    CMidiTrack merged(r);
    const CMidiTrack* sources[] = {&a, &b};
    merged.MergeTracks(sources);
    EXPECT_EQ(Field(merged, &CMidiEvent::Note), (std::vector<std::int32_t>{60, 70, 71, 61, 72}));
    EXPECT_EQ(Times(merged), (std::vector<std::int64_t>{0, 0, 48, 96, 96, 296}));
    EXPECT_TRUE(merged.Events().back().IsEndOfTrack());
    EXPECT_EQ(merged.State, TrackNotes);
    merged.MergeTracks({});
    EXPECT_TRUE(r.Has("MDTK", 0x0D000026));
}

// Sources long enough that the taking merge gives back their merged parts
// several times while it runs.
TEST(MidiEdit, MergeTakingGivesTheSameTrackAndEmptiesItsSources)
{
    CapturingReporter r;
    std::vector<CMidiTrack> sources;
    for (int s = 0; s < 3; ++s) {
        CMidiTrack& t = sources.emplace_back(r, 4u << 20);
        t.State = TrackNotes;
        for (int i = 0; i < 90000 + s * 7000; ++i) t.AddNote(s, (i + s) % 3 == 0 ? 0 : 5 + s, 40 + i % 50, 90, 7 + s);
        t.AddMarker(0, "long text behind the notes");
        t.AddEndOfTrack(s * 10);
    }
    const std::vector<CMidiTrack> copies = sources;
    std::vector<const CMidiTrack*> constSources;
    std::vector<CMidiTrack*> takenSources;
    for (std::size_t s = 0; s < sources.size(); ++s) {
        constSources.push_back(&copies[s]);
        takenSources.push_back(&sources[s]);
    }
    CMidiTrack copied(r, 16u << 20);
    copied.MergeTracks(constSources);
    CMidiTrack taken(r, 16u << 20);
    taken.MergeTracksTaking(takenSources);
    ASSERT_EQ(taken.EventCount(), 3 * 90000 + 7000 + 14000 + 3 + 1);
    EXPECT_TRUE(taken.Events() == copied.Events());
    for (const auto& s : sources) EXPECT_EQ(s.EventCount(), 0);
    EXPECT_FALSE(r.Has("MDTK", 0x0D000006));
}

TEST(MidiEdit, ThinPitchBendsDropsInaudibleMiddlesAndRepeats)
{
    CapturingReporter r;
    CMidiTrack t(r);
    t.State = TrackMessages;
    auto bend = [&](int delta, int value) {
        CMidiEvent e(delta);
        e.Kind = kKindPitchBend;
        e.Channel = 0;
        e.SetPitchBend(value);
        t.AppendEvent(e);
    };
    bend(0, 8192);
    bend(10, 9000);
    bend(10, 10000);  // 9000 lies between its neighbours while nothing sounds
    bend(10, 10000);  // a repeat
    CMidiEvent on(10);
    on.Kind = kKindNoteOn;
    on.Channel = 0;
    on.Note = 60;
    on.Velocity = 100;
    t.AppendEvent(on);
    bend(10, 9000);
    bend(10, 8000);  // a note sounds: kept
    t.AddEndOfTrack(0);
    t.ThinPitchBends();
    EXPECT_EQ(Field(t, &CMidiEvent::Value, kKindPitchBend).size(), 4u);
    std::vector<std::int32_t> values;
    for (const auto& e : t.Events()) {
        if (e.Kind == kKindPitchBend) values.push_back(e.GetPitchBend());
    }
    EXPECT_EQ(values, (std::vector<std::int32_t>{8192, 10000, 9000, 8000}));
    EXPECT_EQ(Times(t).back(), 60);
}

TEST(MidiEdit, LimitsOfTheEventList)
{
    CapturingReporter r;
    CMidiTrack t(r);
    t.State = TrackNotes;
    for (int i = 0; i < kMaxTrackEvents; ++i) ASSERT_TRUE(t.AddNote(0, 1, 60, 100, 1));
    EXPECT_FALSE(t.AddNote(0, 1, 60, 100, 1));
    EXPECT_EQ(t.EventCount(), kMaxTrackEvents);
    EXPECT_EQ(r.Count("MDTK", 0x0D000006), 1u);
}

TEST(MidiEvent, DataAccessAndPitchBendClamp)
{
    CapturingReporter r;
    CMidiEvent e;
    std::vector<std::uint8_t> out;
    EXPECT_EQ(e.GetData(r, out), 0);
    EXPECT_EQ(e.DataByte(r, 0), 0);
    EXPECT_EQ(r.Count("MUEV", 0x06000002), 2u);
    e.SetTempo(600000);
    EXPECT_EQ(e.Data, (std::vector<std::uint8_t>{0x09, 0x27, 0xC0}));
    EXPECT_EQ(e.DataByte(r, 10), 0);  // inside the slack behind the data
    EXPECT_EQ(e.DataByte(r, 11), 0);
    EXPECT_EQ(r.Count("MUEV", 0x06000002), 3u);
    EXPECT_EQ(e.DataPointer(r, 11), nullptr);
    EXPECT_TRUE(e.SetPitchBend(16383));
    EXPECT_FALSE(e.SetPitchBend(-1));
    EXPECT_EQ(e.GetPitchBend(), 0);
    EXPECT_FALSE(e.SetPitchBend(20000));
    EXPECT_EQ(e.GetPitchBend(), 16383);
    e.SetMasterVolume(90);
    ClassifySysEx(e);
    EXPECT_EQ(e.Number, kSysExMasterVolume);
    EXPECT_EQ(e.Value, 90);
    e.ResizeData(4);
    EXPECT_EQ(e.Data, (std::vector<std::uint8_t>{0xF0, 0x07, 0x7F, 0x7F}));
}

TEST(MidiTrackQueries, ProgramsMetasAndMasterVolume)
{
    CapturingReporter r;
    CMidiTrack t(r);
    t.State = TrackNotes;
    t.AddBankAndProgram(2, 0, 3, 20);
    t.AddProgramChange(2, 5);
    const std::uint8_t xg[] = {0xF0, 0x08, 0x43, 0x10, 0x4C, 0x08, 0x04, 0x03, 0x21, 0xF7};
    CMidiEvent part;
    part.Kind = kKindSysEx;
    part.SetData(xg);
    t.AppendEvent(part);
    t.AddMarker(0, "Intro");
    t.InsertTextMeta(kMetaTrackName, "Bass");
    t.AddEndOfTrack(10);
    EXPECT_EQ(t.GetProgram(2), 5);
    EXPECT_EQ(t.GetProgram(4), 0x21);
    EXPECT_EQ(t.GetProgram(7), -1);
    EXPECT_TRUE(t.IsAbovePianoGroup(4));
    EXPECT_FALSE(t.IsAbovePianoGroup(2));
    EXPECT_EQ(t.FirstChannel(), 2);
    std::string text;
    EXPECT_TRUE(t.FindMetaText(kMetaMarker, text));
    EXPECT_EQ(text, "Intro");
    EXPECT_TRUE(t.Events()[t.EventCount() - 2].IsMeta(kMetaTrackName));  // behind the other time-0 events
    EXPECT_TRUE(t.RemoveMetaEvents(kMetaMarker, true));
    EXPECT_FALSE(t.FindMetaText(kMetaMarker, text));
    EXPECT_TRUE(t.RemoveControlChange(32));
    EXPECT_FALSE(t.RemoveControlChange(32));
    EXPECT_EQ(t.GetMasterVolume(), -1);
    t.InsertMasterVolume(100);
    t.InsertMasterVolume(200);
    EXPECT_TRUE(r.Has("MDTK", 0x0D000001));
    EXPECT_EQ(t.GetMasterVolume(), 100);
    EXPECT_EQ(t.GetMasterVolume(), 100);
    EXPECT_EQ(r.Count("MDTK", 0x0D000011), 1u);  // once only
    const std::vector<std::uint8_t> big(130, 'x');
    EXPECT_TRUE(t.AddMetaEvent(0, kMetaText, big));
    EXPECT_TRUE(r.Has("MDTK", 0x0D000028));
}

}  // namespace
}  // namespace songloom::midi

namespace songloom::midi {
namespace {

TEST(MidiOrdering, EventsOfOneInstantMoveToTheFrontInOrder)
{
    CapturingReporter r;
    CMidiTrack t(r);
    t.State = TrackMessages;
    auto add = [&](std::int32_t kind, std::int32_t delta, std::int32_t a) {
        CMidiEvent e(delta);
        e.Kind = kind;
        e.Channel = kind == kKindMeta ? kNoChannel : 0;
        e.Note = a;
        e.Number = a;
        e.Velocity = 100;
        t.AppendEvent(e);
    };
    add(kKindNoteOff, 10, 60);
    add(kKindNoteOn, 0, 62);
    add(kKindControl, 0, 7);
    add(kKindNoteOff, 0, 64);
    add(kKindControl, 0, 10);
    add(kKindNoteOn, 0, 60);
    t.AddGmSystemOn();
    t.AddEndOfTrack(0);
    t.ControlsFirst();
    t.SysExFirst();
    t.NoteOffsFirst();
    std::vector<std::pair<std::int32_t, std::int32_t>> order;
    for (const auto& e : t.Events()) order.emplace_back(e.Kind, e.Kind == kKindSysEx ? 0 : e.Number);
    EXPECT_EQ(order, (std::vector<std::pair<std::int32_t, std::int32_t>>{
                         {kKindSysEx, 0}, {kKindControl, 7}, {kKindControl, 10}, {kKindNoteOff, 60},
                         {kKindNoteOff, 64}, {kKindNoteOn, 62}, {kKindNoteOn, 60}, {kKindMeta, kMetaEndOfTrack}}));
    EXPECT_EQ(t.Event(0).DeltaTime, 10);
    for (int i = 1; i < t.EventCount(); ++i) EXPECT_EQ(t.Event(i).DeltaTime, 0);

    t.AddMarker(0, "x");
    t.MoveToFront(kKindMeta, kMetaMarker, "x");
    EXPECT_TRUE(t.Event(0).IsMeta(kMetaMarker));
    EXPECT_EQ(t.Event(0).DeltaTime, 10);
}

}  // namespace
}  // namespace songloom::midi
