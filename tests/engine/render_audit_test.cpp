#include "harmony/render_audit.h"

#include <gtest/gtest.h>

#include "common/reporter.h"
#include "support/smf_builder.h"

namespace songloom::harmony {
namespace {

// Pitch classes a marker names, as a string of 12 flags ("1" a tone).
std::string Tones(std::string_view marker)
{
    const auto chord = ParseChordMarker(marker);
    if (!chord) return "none";
    std::string flags;
    for (const bool t : chord->tones) flags += t ? '1' : '0';
    return flags;
}

TEST(RenderAudit, ReadsEveryMarkerTheEngineWrites)
{
    //                       C C# D D# E F F# G G# A A# B
    EXPECT_EQ(Tones("C "), "100010010000");
    EXPECT_EQ(Tones("Am "), "100010000100");
    EXPECT_EQ(Tones("G 7"), "001001010001");    // G B D F
    EXPECT_EQ(Tones("Bb M7"), "001001000110");   // Bb D F A
    EXPECT_EQ(Tones("Cm 7"), "100100010010");    // C Eb G Bb
    EXPECT_EQ(Tones("Bdim "), "001001000001");   // B D F
    EXPECT_EQ(Tones("Bdim 7"), "001001000101");  // B D F A
    EXPECT_EQ(Tones("C 7b5"), "100010100010");   // C E Gb Bb
    EXPECT_EQ(Tones("C onE"), "100010010000");
    EXPECT_EQ(Tones("F onG"), "100001010100");   // F A C and the bass G
    EXPECT_EQ(Tones("Eb onA#"), "000100010010");  // the bass is the chord's seventh
    EXPECT_TRUE(ParseChordMarker("N/C")->noChord);
    for (const char* bad : {"", "H", "Cx", "C onH", "C 9", "intro"}) EXPECT_EQ(Tones(bad), "none") << bad;
}

TEST(RenderAudit, MeasuresChannelsAgainstTheSoundingChord)
{
    // 4/4 at 96 ticks: C for a bar, G 7 for a bar, then a bar of N/C.
    const auto bytes = test::SmfBuilder()
                           .Track([](auto& t) {
                               t.TimeSignature(4, 2).Text(6, "C ");
                               t.Delta(384).Text(6, "G 7");
                               t.Delta(384).Text(6, "N/C");
                               t.Delta(384);
                           })
                           .Track([](auto& t) {
                               // Bass: C (tone), D (not of C), then G and F under G 7.
                               t.NoteOn(2, 36, 100).Delta(192).NoteOff(2, 36);
                               t.Delta(0).NoteOn(2, 38, 100).Delta(192).NoteOff(2, 38);
                               t.Delta(0).NoteOn(2, 43, 100).Delta(96).NoteOff(2, 43);
                               t.Delta(0).NoteOn(2, 41, 100).Delta(96).NoteOff(2, 41);
                           })
                           .Track([](auto& t) {
                               // Drums: one off the map, a second note over a sounding one.
                               t.NoteOn(9, 36, 100).Delta(0).NoteOn(9, 30, 100);
                               t.Delta(10).NoteOn(9, 36, 90);
                               t.Delta(86).NoteOff(9, 36).Delta(0).NoteOff(9, 30).Delta(0).NoteOff(9, 36);
                           })
                           .Bytes();
    CapturingReporter reporter;
    midi::CMidiFile1 file(reporter, bytes, false);
    ASSERT_TRUE(file.Loaded());
    const RenderAudit audit = AuditRenderedFile(file);
    EXPECT_EQ(audit.barTicks, 384);
    EXPECT_EQ(audit.songTicks, 3 * 384);
    EXPECT_EQ(audit.chordMarkers, 3);

    const ChannelAudit* bass = audit.Channel(2);
    ASSERT_NE(bass, nullptr);
    EXPECT_EQ(bass->notes, 4);
    EXPECT_EQ(bass->lowest, 36);
    EXPECT_EQ(bass->highest, 43);
    EXPECT_EQ(bass->chordedTicks, 576);
    EXPECT_EQ(bass->chordToneTicks, 192 + 96 + 96);
    EXPECT_EQ(bass->longestSilence, 576);  // from its last note to the end

    const ChannelAudit* drums = audit.Channel(9);
    ASSERT_NE(drums, nullptr);
    EXPECT_EQ(drums->offPercussionMap, 1);
    EXPECT_EQ(drums->overlaps, 1);
    EXPECT_EQ(drums->longestSilence, 3 * 384 - 96);

    // Bass 66.7% < 70%; the drums rest for over two bars.
    const auto failures = AuditFailures(audit);
    ASSERT_EQ(failures.size(), 3u);
    EXPECT_NE(failures[0].find("bass 66.7%"), std::string::npos) << failures[0];
    EXPECT_NE(failures[1].find("channel 9: 1 notes off"), std::string::npos) << failures[1];
    EXPECT_NE(failures[2].find("channel 9: silent for 1056"), std::string::npos) << failures[2];
}

TEST(RenderAudit, AThreeFourFileCountsItsBarsAndChordlessFilesPass)
{
    const auto bytes = test::SmfBuilder()
                           .Track([](auto& t) { t.TimeSignature(3, 2).Delta(6 * 288); })
                           .Track([](auto& t) { t.NoteOn(3, 60, 100).Delta(6 * 288).NoteOff(3, 60); })
                           .Bytes();
    CapturingReporter reporter;
    midi::CMidiFile1 file(reporter, bytes, false);
    ASSERT_TRUE(file.Loaded());
    const RenderAudit audit = AuditRenderedFile(file);
    EXPECT_EQ(audit.barTicks, 288);
    EXPECT_EQ(audit.chordMarkers, 0);
    ASSERT_NE(audit.Channel(3), nullptr);
    EXPECT_EQ(audit.Channel(3)->chordedTicks, 0);
    EXPECT_TRUE(AuditFailures(audit).empty());

    // A time signature of 0/4 leaves the bar at 4/4.
    const auto zero = test::SmfBuilder()
                          .Track([](auto& t) { t.TimeSignature(0, 2).Delta(384); })
                          .Track([](auto& t) { t.NoteOn(3, 60, 100).Delta(384).NoteOff(3, 60); })
                          .Bytes();
    midi::CMidiFile1 zeroFile(reporter, zero, false);
    ASSERT_TRUE(zeroFile.Loaded());
    EXPECT_EQ(AuditRenderedFile(zeroFile).barTicks, 384);
}

TEST(RenderAudit, AnAnticipationCountsForTheChordItLeadsInto)
{
    // C for a bar, then F. Bass notes under C: F struck on beat 4 and held
    // over the barline (an anticipation of F); F struck on beat 3 and held
    // over it (too early); A struck on beat 4 but let go before F comes.
    const auto bytes = test::SmfBuilder()
                           .Track([](auto& t) {
                               t.TimeSignature(4, 2).Text(6, "C ");
                               t.Delta(384).Text(6, "F ");
                               t.Delta(384);
                           })
                           .Track([](auto& t) {
                               t.Delta(288).NoteOn(2, 41, 100).Delta(192).NoteOff(2, 41);
                           })
                           .Track([](auto& t) {
                               t.Delta(192).NoteOn(3, 53, 100).Delta(288).NoteOff(3, 53);
                           })
                           .Track([](auto& t) {
                               t.Delta(288).NoteOn(7, 57, 100).Delta(90).NoteOff(7, 57);
                           })
                           .Bytes();
    CapturingReporter reporter;
    midi::CMidiFile1 file(reporter, bytes, false);
    ASSERT_TRUE(file.Loaded());
    const RenderAudit audit = AuditRenderedFile(file);
    ASSERT_NE(audit.Channel(2), nullptr);
    EXPECT_EQ(audit.Channel(2)->chordToneTicks, 192);
    ASSERT_NE(audit.Channel(3), nullptr);
    EXPECT_EQ(audit.Channel(3)->chordedTicks, 288);
    EXPECT_EQ(audit.Channel(3)->chordToneTicks, 0);
    ASSERT_NE(audit.Channel(7), nullptr);
    EXPECT_EQ(audit.Channel(7)->chordToneTicks, 0);
}

}  // namespace
}  // namespace songloom::harmony
