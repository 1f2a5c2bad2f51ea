#include "arrange/instruments.h"

#include <array>

#include "common/messages.h"
#include "common/packed_texts.h"

namespace songloom::arrange {
namespace {

constexpr std::uint32_t kWrongInstrument = 0xFF010156;
constexpr std::uint32_t kWrongInstrumentInStyle = 0xFF0101A4;

// Display names of codes 0-151, UTF-8 here; InstrumentName hands out CP932.
// 0-127 General MIDI programs, 128-135 extra voices, 136-151 groups.
constexpr std::array<std::string_view, kInstrumentCodeCount> kInstrumentNameSource = {
    // 0 pianos
    "ｸﾞﾗﾝﾄﾞ ﾋﾟｱﾉ", "ﾌﾞﾗｲﾄ ﾋﾟｱﾉ", "ｴﾚｸﾄﾘｯｸ ｸﾞﾗﾝﾄﾞ", "ﾎﾝｷｰﾄﾝｸ ﾋﾟｱﾉ",
    "ｴﾚｸﾄﾘｯｸ ﾋﾟｱﾉ1", "ｴﾚｸﾄﾘｯｸ ﾋﾟｱﾉ2", "ﾊｰﾌﾟｼｺｰﾄﾞ", "ｸﾗﾋﾞﾈｯﾄ",
    // 8 chromatic percussion
    "ﾁｪﾚｽﾀ", "ｸﾞﾛｯｹﾝｼｭﾋﾟｰﾙ", "ｵﾙｺﾞｰﾙ", "ﾋﾞﾌﾞﾗﾌｫﾝ",
    "ﾏﾘﾝﾊﾞ", "木琴", "ﾁｭｰﾌﾞﾗｰﾍﾞﾙ", "ﾀﾞﾙｼﾏｰ",
    // 16 organs
    "ﾄﾞﾛｰﾊﾞｰ ｵﾙｶﾞﾝ", "ﾊﾟｰｶｯｼﾌﾞ ｵﾙｶﾞﾝ", "ﾛｯｸ ｵﾙｶﾞﾝ", "ﾁｬｰﾁ ｵﾙｶﾞﾝ",
    "ﾘｰﾄﾞ ｵﾙｶﾞﾝ", "ｱｺｰﾃﾞｨｵﾝ", "ﾊｰﾓﾆｶ", "ﾀﾝｺﾞ ｱｺｰﾃﾞｨｵﾝ",
    // 24 guitars
    "ﾅｲﾛﾝ ｷﾞﾀｰ", "ｽﾁｰﾙ ｷﾞﾀｰ", "ｼﾞｬｽﾞ ｷﾞﾀｰ", "ｸﾘｰﾝ ｷﾞﾀｰ",
    "ﾐｭｰﾄ ｷﾞﾀｰ", "ｵｰﾊﾞｰﾄﾞﾗｲﾌﾞ ｷﾞﾀｰ", "ﾃﾞｨｽﾄｰｼｮﾝ ｷﾞﾀｰ", "ｷﾞﾀｰ ﾊｰﾓﾆｸｽ",
    // 32 basses
    "ｱｺｰｽﾃｨｯｸ ﾍﾞｰｽ", "ﾌｨﾝｶﾞｰ ﾍﾞｰｽ", "ﾋﾟｯｸ ﾍﾞｰｽ", "ﾌﾚｯﾄﾚｽ ﾍﾞｰｽ",
    "ｽﾗｯﾌﾟ ﾍﾞｰｽ1", "ｽﾗｯﾌﾟ ﾍﾞｰｽ2", "ｼﾝｾ ﾍﾞｰｽ1", "ｼﾝｾ ﾍﾞｰｽ2",
    // 40 strings
    "ﾊﾞｲｵﾘﾝ", "ﾋﾞｵﾗ", "ﾁｪﾛ", "ｺﾝﾄﾗﾊﾞｽ",
    "ﾄﾚﾓﾛ ｽﾄﾘﾝｸﾞｽ", "ﾋﾟﾁｶｰﾄ ｽﾄﾘﾝｸﾞｽ", "ﾊｰﾌﾟ", "ﾃｨﾝﾊﾟﾆ",
    // 48 ensembles
    "ｽﾄﾘﾝｸﾞｽ1", "ｽﾄﾘﾝｸﾞｽ2", "ｼﾝｾ ｽﾄﾘﾝｸﾞｽ1", "ｼﾝｾ ｽﾄﾘﾝｸﾞｽ2",
    "ｸﾜｲｱ ｱｰ", "ﾎﾞｲｽ ｳｰ", "ｼﾝｾ ﾎﾞｲｽ", "ｵｰｹｽﾄﾗ ﾋｯﾄ",
    // 56 brass
    "ﾄﾗﾝﾍﾟｯﾄ", "ﾄﾛﾝﾎﾞｰﾝ", "ﾁｭｰﾊﾞ", "ﾐｭｰﾄ ﾄﾗﾝﾍﾟｯﾄ",
    "ﾌﾚﾝﾁ ﾎﾙﾝ", "ﾌﾞﾗｽ ｾｸｼｮﾝ", "ｼﾝｾ ﾌﾞﾗｽ1", "ｼﾝｾ ﾌﾞﾗｽ2",
    // 64 reeds
    "ｿﾌﾟﾗﾉ ｻｯｸｽ", "ｱﾙﾄ ｻｯｸｽ", "ﾃﾅｰ ｻｯｸｽ", "ﾊﾞﾘﾄﾝ ｻｯｸｽ",
    "ｵｰﾎﾞｴ", "ｲﾝｸﾞﾘｯｼｭ ﾎﾙﾝ", "ﾊﾞｽｰﾝ", "ｸﾗﾘﾈｯﾄ",
    // 72 pipes
    "ﾋﾟｯｺﾛ", "ﾌﾙｰﾄ", "ﾘｺｰﾀﾞｰ", "ﾊﾟﾝ ﾌﾙｰﾄ",
    "ﾎﾞﾄﾙ ﾌﾞﾛｰ", "尺八", "口笛", "ｵｶﾘﾅ",
    // 80 synth leads
    "ｽｸｴｱ ﾘｰﾄﾞ", "ﾉｺｷﾞﾘ波 ﾘｰﾄﾞ", "ｶﾗｲｵﾍﾟ ﾘｰﾄﾞ", "ﾁﾌ ﾘｰﾄﾞ",
    "ﾁｬﾗﾝｺﾞ ﾘｰﾄﾞ", "ﾎﾞｲｽ ﾘｰﾄﾞ", "5度 ﾘｰﾄﾞ", "ﾍﾞｰｽ&ﾘｰﾄﾞ",
    // 88 synth pads
    "ﾆｭｰｴｲｼﾞ ﾊﾟｯﾄﾞ", "ｳｫｰﾑ ﾊﾟｯﾄﾞ", "ﾎﾟﾘｼﾝｾ ﾊﾟｯﾄﾞ", "ｸﾜｲｱ ﾊﾟｯﾄﾞ",
    "ﾎﾞｳﾄﾞ ﾊﾟｯﾄﾞ", "ﾒﾀﾘｯｸ ﾊﾟｯﾄﾞ", "ﾍｲﾛｰ ﾊﾟｯﾄﾞ", "ｽｲｰﾌﾟ ﾊﾟｯﾄﾞ",
    // 96 synth effects
    "雨音", "ｻｳﾝﾄﾞﾄﾗｯｸ", "ｸﾘｽﾀﾙ", "ｱﾄﾓｽﾌｨｱ",
    "ﾌﾞﾗｲﾄﾈｽ", "ｺﾞﾌﾞﾘﾝ", "ｴｺｰ ﾄﾞﾛｯﾌﾟ", "ｽﾍﾟｰｽ ｴﾌｪｸﾄ",
    // 104 ethnic
    "ｼﾀｰﾙ", "ﾊﾞﾝｼﾞｮｰ", "三味線", "琴",
    "ｶﾘﾝﾊﾞ", "ﾊﾞｸﾞﾊﾟｲﾌﾟ", "ﾌｨﾄﾞﾙ", "ｼｬﾅｲ",
    // 112 percussive
    "ﾃｨﾝｸﾙ ﾍﾞﾙ", "ｱｺﾞｺﾞ", "ｽﾁｰﾙ ﾄﾞﾗﾑ", "ｳｯﾄﾞﾌﾞﾛｯｸ",
    "太鼓", "ﾒﾛﾃﾞｨｯｸ ﾀﾑ", "ｼﾝｾ ﾄﾞﾗﾑ", "逆ｼﾝﾊﾞﾙ",
    // 120 sound effects
    "ﾌﾚｯﾄ ﾉｲｽﾞ", "ﾌﾞﾚｽ ﾉｲｽﾞ", "波の音", "鳥の声",
    "電話のﾍﾞﾙ", "ﾍﾘｺﾌﾟﾀｰ", "拍手", "銃声",
    // 128 extra voices
    "犬", "ﾗｯﾌﾟの音", "ｽﾃﾚｵｶﾞﾑﾗﾝ", "ｶﾞﾑﾗﾝの鐘", "二胡", "ﾃﾞｨｼﾞﾘﾄﾞｩ", "未定義1", "未定義2",
    // 136 instrument groups
    "ﾋﾟｱﾉｸﾞﾙｰﾌﾟ", "ｷﾞﾀｰｸﾞﾙｰﾌﾟ", "ﾋﾟｱﾉかｷﾞﾀｰ", "管楽器",
    "主旋律用ﾊﾞﾘｴｰｼｮﾝ", "硬い音のﾊﾞﾘｴｰｼｮﾝ", "柔かい音のﾊﾞﾘｴｰｼｮﾝ", "電子音ﾊﾞﾘｴｰｼｮﾝ",
    "生音ﾊﾞﾘｴｰｼｮﾝ", "未定義ﾊﾞﾘｴｰｼｮﾝ1", "未定義ﾊﾞﾘｴｰｼｮﾝ2", "未定義ﾊﾞﾘｴｰｼｮﾝ3",
    "未定義ﾊﾞﾘｴｰｼｮﾝ4", "未定義ﾊﾞﾘｴｰｼｮﾝ5", "未定義ﾊﾞﾘｴｰｼｮﾝ6", "未定義ﾊﾞﾘｴｰｼｮﾝ7",
};
constexpr auto kInstrumentNames = PackTexts<kInstrumentNameSource>();

constexpr int kPianoGroup[] = {0, 1, 2, 3, 4, 5, 6, 7};
constexpr int kGuitarGroup[] = {24, 25, 26, 27, 46};
constexpr int kPianoOrGuitarGroup[] = {0, 1, 2, 11, 4, 5, 6, 7, 24, 25, 26, 27, 30, 29};
constexpr int kWindGroup[] = {65, 22, 53, 21, 61, 62, 63, 71, 79, 56};
constexpr int kLeadVariationGroup[] = {65, 22, 53, 21, 61, 62, 63, 71, 79, 56,
                                       53, 68, 78, 80, 81, 100, 75, 90, 82};
constexpr int kHardVariationGroup[] = {8, 10, 11, 12, 15, 46, 98, 107, 108, 114};
constexpr int kSoftVariationGroup[] = {49, 52, 54, 89, 91, 94, 97, 102};
constexpr int kElectronicVariationGroup[] = {80, 21, 85, 87, 90, 100};
constexpr int kAcousticVariationGroup[] = {0, 24, 48, 56, 65, 75, 71, 22, 53};

constexpr std::array<std::span<const int>, 9> kGroups = {
    kPianoGroup,         kGuitarGroup,        kPianoOrGuitarGroup,
    kWindGroup,          kLeadVariationGroup, kHardVariationGroup,
    kSoftVariationGroup, kElectronicVariationGroup, kAcousticVariationGroup,
};
static_assert(sizeof(kLeadVariationGroup) / sizeof(int) <= kMaxGroupMembers);

}  // namespace

std::span<const int> InstrumentGroupMembers(InstrumentCode code)
{
    const int index = code - kFirstInstrumentGroup;
    if (index < 0 || index >= static_cast<int>(kGroups.size())) return {};
    return kGroups[static_cast<std::size_t>(index)];
}

InstrumentCode ResolveInstrument(Reporter& reporter, Random& random, InstrumentCode code, int /*channel*/)
{
    if (code < kFirstInstrumentGroup || code >= kInstrumentCodeCount) return code;
    const auto members = InstrumentGroupMembers(code);
    if (members.empty()) {
        // An undefined group has nothing to draw from; a piano keeps the
        // channel audible instead of indexing outside the group.
        EngineErrorMsg(reporter, kWrongInstrumentInStyle);
        return 0;
    }
    const int i = RandomBetween(random, 0, static_cast<int>(members.size()) - 1);
    return members[static_cast<std::size_t>(i)];
}

std::string_view InstrumentNameUtf8(InstrumentCode code)
{
    if (code == kNoInstrument) return "---";
    if (code < 0 || code >= kInstrumentCodeCount) return {};
    return kInstrumentNames[static_cast<std::size_t>(code)];
}

std::string InstrumentName(Reporter& reporter, InstrumentCode code)
{
    if (code != kNoInstrument && (code < 0 || code >= kInstrumentCodeCount)) {
        EngineErrorMsg(reporter, kWrongInstrument);
        return {};
    }
    return Utf8ToCp932(InstrumentNameUtf8(code));
}

}  // namespace songloom::arrange
