#include <gtest/gtest.h>

#include "common/messages.h"
#include "common/reporter.h"

namespace songloom {
namespace {

TEST(ReporterFormat, TaggedLineIsTagDigitsBlankMessage)
{
    CapturingReporter r;
    EngineErrorMsg(r, 0xFF010059);
    ASSERT_EQ(r.lines().size(), 1u);
    EXPECT_EQ(r.lines()[0], "YRACFF010059 知識ベースを読み込めませんでした。");
}

TEST(ReporterFormat, EngineSlotWithoutRowAndOutOfRangeShowUndefinedText)
{
    CapturingReporter r;
    EngineErrorMsg(r, 0xFF010080);
    EngineErrorMsg(r, 0xFF0101EA);
    EngineErrorMsg(r, 0x00000001);
    EXPECT_EQ(r.lines()[0], "YRACFF010080 未定義のエラーが発生しました！");
    EXPECT_EQ(r.lines()[1], "YRACFF0101EA 未定義のエラーが発生しました！");
    EXPECT_EQ(r.lines()[2], "YRAC00000001 未定義のエラーが発生しました！");
}

TEST(ReporterGeneral, DefaultTextAndProcessContinues)
{
    CapturingReporter r;
    GeneralErrorMsg(r, 0x01000003);
    GeneralErrorMsg(r, 0x01000009);
    EXPECT_EQ(r.lines()[0], "GENE01000003 汎用処理でエラーが発生しました。");
    EXPECT_EQ(r.lines()[1], "GENE01000009 汎用処理でエラーが発生しました。");
}

TEST(ReporterGeneral, OnlyMemoryExhaustionEndsTheProcess)
{
    CapturingReporter r;
    EXPECT_THROW(GeneralErrorMsg(r, 0x01000002), CapturingReporter::TerminateRequested);
    // A file that cannot be opened must never end the program: the song in
    // memory would be lost.
    EXPECT_NO_THROW(GeneralErrorMsg(r, 0x01000007));
    EXPECT_TRUE(r.Has("GENE", 0x01000007));
    EXPECT_NE(r.lines()[1].find("ファイルが開けませんでした。"), std::string::npos);
}

TEST(ReporterGeneral, StderrSinkEndsWithTheCodeAsStatus)
{
    StderrReporter r;
    EXPECT_EXIT(GeneralErrorMsg(r, 0x01000002), testing::ExitedWithCode(0x01000002 & 0xFF),
                "GENE01000002 メモリが不足しています。");
}

TEST(ReporterUntagged, DriverBoxesCarryNoTag)
{
    CapturingReporter r;
    FSAlgoErrorMsg(r, 2);
    FSAlgoErrorMsg(r, 1);
    FirstSongCommonErrorMsg(r, 1);
    FirstSongCommonErrorMsg(r, 7);
    EXPECT_EQ(r.lines(), (std::vector<std::string>{"コード名が読み取れません。", "転調は使用できません。",
                                                  "音価が異常です。", "コード名が読み取れません。"}));
    EXPECT_FALSE(r.reports()[0].systemModal);
}

TEST(ReporterQuestions, ScriptedAnswersAndQuestionTexts)
{
    CapturingReporter r;
    r.ScriptAnswers({false, true});
    EXPECT_FALSE(EngineConfirmMsg(r, kAskLongPipeOrSiren));
    EXPECT_TRUE(EngineConfirmMsg(r, kAskResetStyle));
    ASSERT_EQ(r.questions().size(), 2u);
    EXPECT_NE(r.questions()[0].find("\nSongloom"), std::string::npos);
    EXPECT_EQ(r.questions()[1], "この操作を行うと、音楽スタイルが初期設定に戻りますが、よろしいですか？");
}

TEST(ReporterChordStructure, TwoTexts)
{
    CapturingReporter r;
    ChordStructureErrorMsg(r, 0x31000001);
    ChordStructureErrorMsg(r, 0x31000002);
    EXPECT_EQ(r.lines()[0], "CDST31000001 コードの構造を決める処理に異常が発生ました。");
    EXPECT_EQ(r.lines()[1], "CDST31000002 コードの構造を決める処理で未定義のエラーが発生しました。");
}

}  // namespace
}  // namespace songloom
