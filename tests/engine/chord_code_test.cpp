#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "common/reporter.h"
#include "harmony/chord_code.h"
#include "harmony/chord_template.h"
#include "support/test_paths.h"

namespace songloom::harmony {
namespace {

std::string Code(std::string_view name)
{
    CapturingReporter reporter;
    return ChordNameToCode(reporter, name).ToString();
}

TEST(ChordNameToCode, AccidentalsMoveTheRootAcrossLetterBoundaries)
{
    EXPECT_EQ(Code("F#m7"), "gmPs");
    EXPECT_EQ(Code("Bb7"), "bMPs");
    EXPECT_EQ(Code("Cb"), "BMPo");
    EXPECT_EQ(Code("E#"), "FMPo");
    EXPECT_EQ(Code("B#dim7"), "Cmd6");
    EXPECT_EQ(Code("Fb"), "EMPo");
    EXPECT_EQ(Code("Db7b5"), "dMds");
    EXPECT_EQ(Code("G#m7b5"), "amds");
    EXPECT_EQ(Code("A#"), "bMPo");
    EXPECT_EQ(Code("Ab"), "aMPo");
}

TEST(ChordNameToCode, EverySuffixOfTheVocabulary)
{
    const std::pair<const char*, const char*> rows[] = {
        {"G", "GMPo"},        {"G ", "GMPo"},      {"Gm", "GmPo"},       {"G7", "GMPs"},
        {"GM7", "GMPS"},      {"Gm7", "GmPs"},     {"GmM7", "GmPS"},     {"Gdim", "Gmdo"},
        {"Gsus4", "G4Po"},    {"G7sus4", "G4Ps"},  {"Gaug", "GMAo"},     {"GaugM7", "GMAS"},
        {"Gaug7", "GMAs"},    {"Gdim7", "Gmd6"},   {"Gm7b5", "Gmds"},    {"G6", "GMP6"},
        {"G9", "GMP9"},       {"Gm6", "GmP6"},     {"G7b5", "GMds"},
    };
    for (const auto& [name, code] : rows) EXPECT_EQ(Code(name), code) << name;
}

TEST(ChordNameToCode, UnknownSuffixesLeaveDashesAndAreCaseSensitive)
{
    EXPECT_EQ(Code("Cmaj7"), "C---");
    EXPECT_EQ(Code("Cm7 "), "C---");  // compared whole: a trailing blank does not match
    EXPECT_EQ(Code("CSUS4"), "C---");
    EXPECT_EQ(Code("CM7"), "CMPS");
    EXPECT_EQ(Code("Cm7"), "CmPs");
    EXPECT_EQ(Code(""), "----");
}

TEST(ChordNameToCode, BadLetterBeforeAnAccidentalIsReportedAndKept)
{
    CapturingReporter reporter;
    EXPECT_EQ(ChordNameToCode(reporter, "H#m").ToString(), "HmPo");
    ASSERT_EQ(reporter.reports().size(), 1u);
    EXPECT_EQ(reporter.reports()[0].message, "コード名が読み取れません。");

    reporter.Clear();
    // Without an accidental the letter is simply carried over.
    EXPECT_EQ(ChordNameToCode(reporter, "Hm").ToString(), "HmPo");
    EXPECT_TRUE(reporter.reports().empty());
}

std::string Display(ChordCode code, CapturingReporter& reporter)
{
    return ChordCodeToDisplayName(reporter, code);
}

TEST(ChordCodeToDisplayName, ShortNames)
{
    CapturingReporter reporter;
    EXPECT_EQ(Display("eMPs", reporter), "Eb 7");
    EXPECT_EQ(Display("NoCd", reporter), "N/C");
    EXPECT_EQ(Display("CMPS", reporter), "C M7");
    EXPECT_EQ(Display("AmPs", reporter), "Am 7");
    EXPECT_EQ(Display("gmPS", reporter), "Gbm M7");
    EXPECT_EQ(Display("Cmdo", reporter), "Cdim ");
    EXPECT_EQ(Display("Bmds", reporter), "Bdim 7");
    EXPECT_EQ(Display("Gmd6", reporter), "Gdim ");
    EXPECT_EQ(Display("DMPo", reporter), "D ");
    EXPECT_TRUE(reporter.reports().empty());
}

TEST(ChordCodeToDisplayName, SeventhFlatFiveReportsOnlyForNaturalRoots)
{
    CapturingReporter reporter;
    EXPECT_EQ(Display("CMds", reporter), "C 7b5");
    EXPECT_EQ(reporter.Count("YRAC", 0xFF01006B), 1u);
    reporter.Clear();
    EXPECT_EQ(Display("dMds", reporter), "Db 7b5");
    EXPECT_TRUE(reporter.reports().empty());
}

TEST(AppendBassName, SharpNamesOfThePitchClass)
{
    std::string text = "C ";
    AppendBassName(text, 61);
    EXPECT_EQ(text, "C onC#");
    const std::pair<int, const char*> rows[] = {{0, "onC"}, {46, "onA#"}, {71, "onB"}, {127, "onG"}};
    for (const auto& [pitch, name] : rows) {
        std::string t;
        AppendBassName(t, pitch);
        EXPECT_EQ(t, name) << pitch;
    }
    std::string unchanged = "Am";
    AppendBassName(unchanged, -1);
    EXPECT_EQ(unchanged, "Am");
}

TEST(FlatSpelling, RespellsSharpRootsExceptEAndB)
{
    EXPECT_EQ(FlatSpelling("C#m7"), "Dbm7");
    EXPECT_EQ(FlatSpelling("D#"), "Eb");
    EXPECT_EQ(FlatSpelling("F#7sus4"), "Gb7sus4");
    EXPECT_EQ(FlatSpelling("G#dim"), "Abdim");
    EXPECT_EQ(FlatSpelling("A#M7"), "BbM7");
    EXPECT_EQ(FlatSpelling("E#"), "E#");
    EXPECT_EQ(FlatSpelling("B#m"), "B#m");
    EXPECT_EQ(FlatSpelling("Bb"), "Bb");
    EXPECT_EQ(FlatSpelling("C"), "C");
    EXPECT_EQ(FlatSpelling(""), "");
}

// ---- templates ----

ChordKnowledgeBase Base(std::string_view text)
{
    ChordKnowledgeBase kb;
    kb.buffer.Assign(text);
    return kb;
}

TEST(LookUpChordTemplate, TriadsUseTheirMajorSeventhRecord)
{
    const auto kb = Base("CMPs 909099 090990|\r\nCMPS 9090 9909 0909|CmPS901090090909|");
    ChordTemplate out = kDefaultChordTemplate;
    EXPECT_TRUE(LookUpChordTemplate(kb, "CMPo", out));
    EXPECT_EQ(out.ToString(), "CMPS909099090909");
    EXPECT_EQ(out.code(), ChordCode("CMPS"));

    out = kDefaultChordTemplate;
    EXPECT_TRUE(LookUpChordTemplate(kb, "CmPo", out));
    EXPECT_EQ(out.ToString(), "CmPS901090090909");

    out = kDefaultChordTemplate;
    EXPECT_TRUE(LookUpChordTemplate(kb, "CMPs", out));
    EXPECT_EQ(out.ToString(), "CMPs909099090990");
}

TEST(LookUpChordTemplate, LineBreaksAndSpacesInsideTheCodeDoNotCount)
{
    const auto kb = Base("GM PS111111111111|\r\nG\nM\r P s 90 09 09 90 09 09|GMP|");
    ChordTemplate out = kDefaultChordTemplate;
    ASSERT_TRUE(LookUpChordTemplate(kb, "GMPs", out));
    EXPECT_EQ(out.ToString(), "GMPs900909900909");
    out = kDefaultChordTemplate;
    ASSERT_TRUE(LookUpChordTemplate(kb, "GMPo", out));  // served by the GMPS record
    EXPECT_EQ(out.ToString(), "GMPS111111111111");
    // Fewer than four characters are no code at all.
    const auto shortOnly = Base("AM P|");
    out = kDefaultChordTemplate;
    EXPECT_FALSE(LookUpChordTemplate(shortOnly, "AMPS", out));
    EXPECT_EQ(out, kDefaultChordTemplate);
}

TEST(LookUpChordTemplate, SuspendedChordsMarkTheFourthAndAvoidTheThird)
{
    const auto kb = Base("GMPS900909900909|GMPs000909900919|CMPS909099090909");
    ChordTemplate out = kDefaultChordTemplate;
    ASSERT_TRUE(LookUpChordTemplate(kb, "G4Po", out));
    // The fourth above G is C (pitch class 0); the digit below it wraps to B.
    EXPECT_EQ(out.ToString(), "GMPS900909900904");

    out = kDefaultChordTemplate;
    ASSERT_TRUE(LookUpChordTemplate(kb, "G4Ps", out));
    EXPECT_EQ(out.ToString(), "GMPs900909900914");

    out = kDefaultChordTemplate;
    ASSERT_TRUE(LookUpChordTemplate(kb, "C4Po", out));  // last record, no trailing "|"
    EXPECT_EQ(out.Digit(5), '9');
    EXPECT_EQ(out.Digit(4), '4');
}

TEST(LookUpChordTemplate, NoChordIsFixedAndMissingCodesKeepTheDefault)
{
    const ChordKnowledgeBase empty;
    ChordTemplate out = kDefaultChordTemplate;
    EXPECT_TRUE(LookUpChordTemplate(empty, "NoCd", out));
    EXPECT_EQ(out.ToString(), "NoCd900990990990");

    out = kDefaultChordTemplate;
    EXPECT_FALSE(LookUpChordTemplate(empty, "CMPS", out));
    EXPECT_EQ(out, kDefaultChordTemplate);

    const auto kb = Base("CMPS909099090909|");
    out = kDefaultChordTemplate;
    EXPECT_FALSE(LookUpChordTemplate(kb, "C---", out));  // an unknown suffix matches nothing
    EXPECT_FALSE(LookUpChordTemplate(kb, "G4Po", out));  // suspension only marks a found record
    EXPECT_EQ(out, kDefaultChordTemplate);
}

TEST(LookUpChordTemplate, FirstEqualRecordWinsAndShortRecordsAreSafe)
{
    auto kb = Base("CMPS111111111111|CMPS999999999999|");
    ChordTemplate out = kDefaultChordTemplate;
    ASSERT_TRUE(LookUpChordTemplate(kb, "CMPS", out));
    EXPECT_EQ(out.ToString(), "CMPS111111111111");

    kb = Base("DMPS99|");
    ASSERT_TRUE(LookUpChordTemplate(kb, "DMPo", out));
    EXPECT_EQ(out.ToString(), "DMPS990000000000");
}

TEST(ChordTemplateCache, GivesWhatALookUpGivesEveryTime)
{
    const auto kb = Base("CMPS909099090909|GMPS900909900909|GMPs000909900919|");
    ChordTemplateCache cache(kb);
    for (int round = 0; round < 2; ++round) {
        for (const ChordCode code : {ChordCode("CMPS"), ChordCode("G4Po"), ChordCode("GMPo"), ChordCode("NoCd"),
                                     ChordCode("AmPs"), ChordCode("GMPs")}) {
            ChordTemplate looked = kDefaultChordTemplate;
            LookUpChordTemplate(kb, code, looked);
            EXPECT_EQ(cache.Get(code), looked) << code.ToString() << " round " << round;
        }
    }
    EXPECT_EQ(cache.Get("AmPs"), kDefaultChordTemplate);  // no record: the default stands
}

TEST(NextChordTone, StepsUpToTheNextNine)
{
    EXPECT_EQ(NextChordTone(kDefaultChordTemplate, 60), 60);
    EXPECT_EQ(NextChordTone(kDefaultChordTemplate, 61), 62);
    EXPECT_EQ(NextChordTone(kDefaultChordTemplate, 70), 71);
    // Wraps past B to the next octave's C.
    EXPECT_EQ(NextChordTone(ChordTemplate("xxxx900000000000"), 61), 72);
    // No "9" at all: one octave up.
    EXPECT_EQ(NextChordTone(kEmptyChordTemplate, 64), 76);
    EXPECT_EQ(NextChordTone(kNoChordTemplate, 65), 66);
}

// ---- knowledge base file ----

class KnowledgeBaseLoad : public ::testing::Test {
protected:
    void Write(const std::string& name, const std::string& text)
    {
        std::ofstream(dir.File(name), std::ios::binary) << text;
    }
    bool Load(int scaleType, int melodyMethod = 8)
    {
        return LoadChordKnowledgeBase(reporter, kb, folder, scaleType, melodyMethod);
    }

    test::TempDir dir;
    harmony::DataFolder folder{dir.path(), false};
    CapturingReporter reporter;
    ChordKnowledgeBase kb;
};

TEST_F(KnowledgeBaseLoad, ScaleTypeChoosesTheFile)
{
    Write("NOTE.DB", "CMPS909099090909|");
    Write("NOTE.DBB", "CMPS909199190919|");
    const std::pair<int, const char*> rows[] = {
        {1, "NOTE.DB"}, {6, "NOTE.DBB"}, {7, "NOTE.DB"}, {2, "NOTE.DB"}, {24, "NOTE.DB"}, {21, "NOTE.DB"}};
    for (const auto& [type, file] : rows) {
        kb.buffer.Clear();
        EXPECT_TRUE(Load(type));
        EXPECT_EQ(kb.buffer.Text(), std::string(file) == "NOTE.DBB" ? "CMPS909199190919|" : "CMPS909099090909|")
            << type;
    }
    EXPECT_TRUE(reporter.reports().empty());
}

TEST_F(KnowledgeBaseLoad, OtherTypesClearUnlessTheMethodNeedsAnEmptyBufferFilled)
{
    Write("NOTE.DB", "CMPS909099090909|");
    kb.buffer.Assign("old text|");
    EXPECT_TRUE(Load(0, 3));
    EXPECT_TRUE(kb.buffer.IsEmpty());

    kb.buffer.Assign("old text|");
    EXPECT_TRUE(Load(25, 8));  // method 8 keeps nothing old: cleared, not read
    EXPECT_TRUE(kb.buffer.IsEmpty());

    EXPECT_TRUE(Load(-1, 8));  // method 8 and an empty buffer: read with type 1
    EXPECT_EQ(kb.buffer.Text(), "CMPS909099090909|");
}

TEST_F(KnowledgeBaseLoad, MissingFileIsReportedAndKeepsTheBuffer)
{
    kb.buffer.Assign("CMPS909099090909|");
    EXPECT_FALSE(Load(1));
    EXPECT_EQ(reporter.Count("YRAC", 0xFF01000B), 1u);
    EXPECT_EQ(kb.buffer.Text(), "CMPS909099090909|");
}

TEST_F(KnowledgeBaseLoad, ExactlyFullFileIsReadWholeAndLongerIsCut)
{
    std::string text(harmony::kDataBufferCapacity - 1, 'x');
    text += '|';
    Write("NOTE.DB", text);
    ASSERT_TRUE(Load(1));
    EXPECT_EQ(kb.buffer.Text(), text);

    Write("NOTE.DB", text + "CMPS909099090909|");
    ASSERT_TRUE(Load(1));
    EXPECT_EQ(kb.buffer.Text(), text);
}

}  // namespace
}  // namespace songloom::harmony
