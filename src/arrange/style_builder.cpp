// Turns the compact catalogue rows into style records.
#include <algorithm>
#include <charconv>
#include <optional>
#include <set>

#include "arrange/catalogue_cp932.h"
#include "arrange/bass_patterns.h"
#include "arrange/drum_part.h"
#include "arrange/engine_context.h"
#include "arrange/style_catalogue.h"
#include "arrange/style_data.h"
#include "common/text.h"

namespace songloom::arrange {
namespace {

std::vector<std::string_view> Split(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = text.find(separator, start);
        const std::string_view part =
            text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (!part.empty()) parts.push_back(part);
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    return parts;
}

bool ParseInt(std::string_view text, int& value)
{
    const char* first = text.data();
    const char* last = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(first, last, value);
    return ec == std::errc() && ptr == last;
}

bool ParseInts(std::string_view text, std::vector<int>& values)
{
    values.clear();
    for (std::string_view part : Split(text, ',')) {
        int v = 0;
        if (!ParseInt(part, v)) return false;
        values.push_back(v);
    }
    return !values.empty();
}

std::string RowLabel(int category, int slot)
{
    return std::to_string(category) + "/" + std::to_string(slot);
}

// Writes a text into a fixed field, noting a text that would be cut.
template <std::size_t N>
void SetText(std::array<char, N>& field, std::string_view utf8, const std::string& where,
             std::vector<std::string>& faults)
{
    std::string cp932;
    if (const auto known = CatalogueCp932(utf8)) {
        cp932 = *known;  // it converts back: the build checked
    } else {
        cp932 = Utf8ToCp932(utf8);
        if (Cp932ToUtf8(cp932) != utf8) faults.push_back(where + ": text without a CP932 form");
    }
    if (cp932.size() > N - 1) faults.push_back(where + ": text longer than " + std::to_string(N - 1) + " bytes");
    SetField(field, cp932);
}

bool SetMixerByte(ChannelMixer& mixer, std::string_view key, int value)
{
    static constexpr std::pair<std::string_view, int> kKeys[] = {
        {"vol", kMixVolume}, {"cho", kMixChorus},  {"rev", kMixReverb},    {"bri", kMixBrightness},
        {"att", kMixAttack}, {"dec", kMixDecay},   {"rel", kMixRelease},   {"res", kMixResonance},
        {"pan", kMixPan},    {"dly", kMixDoublingDelay},
    };
    for (const auto& [name, index] : kKeys) {
        if (name == key) {
            mixer.SetByte(index, static_cast<std::uint8_t>(value));
            return true;
        }
    }
    return false;
}

std::int32_t* PartParamField(PartParams& p, std::string_view key)
{
    if (key == "kind") return &p.partKind;
    if (key == "var") return &p.partVariant;
    if (key == "rest") return &p.restInsertion;
    if (key == "orn") return &p.ornament;
    if (key == "orn2") return &p.ornament2;
    if (key == "flag") return &p.partFlag;
    if (key == "hi") return &p.highestNote;
    if (key == "lo") return &p.lowestNote;
    if (key == "lm") return &p.lineMethod;
    if (key == "r10") return &p.renderOption;
    if (key == "rim") return &p.rhythmImitation;
    if (key == "pim") return &p.pitchImitation;
    if (key == "o13") return &p.lineOption13;
    if (key == "o14") return &p.lineOption14;
    return nullptr;
}

std::int32_t* ScalarField(StyleRecord& r, std::string_view key)
{
    if (key == "chord") return &r.chordOption;
    if (key == "formA") return &r.formA;
    if (key == "formB") return &r.formB;
    if (key == "copy") return &r.copyMode;
    if (key == "intro") return &r.introOption;
    if (key == "harm") return &r.harmonyOption;
    if (key == "gm") return &r.grids.gridMode;
    if (key == "line2") return &r.secondLine;
    if (key == "comp") return &r.comping;
    return nullptr;
}

template <std::size_t N>
bool SetArray(std::array<std::int32_t, N>& field, const std::vector<int>& values)
{
    if (values.size() > N) return false;
    std::copy(values.begin(), values.end(), field.begin());
    return true;
}

// One "key=value" or "key.channel=value" token.
bool ApplyExtra(std::string_view token, StyleRecord& r)
{
    const std::size_t eq = token.find('=');
    if (eq == std::string_view::npos) return false;
    std::string_view key = token.substr(0, eq);
    const std::string_view value = token.substr(eq + 1);
    int channel = -1;
    if (const std::size_t dot = key.find('.'); dot != std::string_view::npos) {
        if (!ParseInt(key.substr(dot + 1), channel) || channel < 0 || channel >= kPartParamBlocks)
            return false;
        key = key.substr(0, dot);
    }
    if (key == "tpl") {
        if (value.size() != kChordTemplateBytes - 1) return false;
        SetField(r.defaultChordTemplate, value);
        return true;
    }
    if (key == "seed") {
        // Digits 0/1 repeated over the 96 steps.
        if (value.empty() || value.find_first_not_of("01") != std::string_view::npos) return false;
        for (std::size_t i = 0; i < r.rhythmSeed.size(); ++i)
            r.rhythmSeed[i] = static_cast<std::uint8_t>(value[i % value.size()] - '0');
        return true;
    }
    if (key == "bass" && channel < 0) {
        // The genre's bass figure by its name.
        GenreBass figure = GenreBass::kNone;
        if (!GenreBassFromName(value, figure)) return false;
        r.genreBass = static_cast<std::int32_t>(figure);
        return true;
    }
    std::vector<int> values;
    if (!ParseInts(value, values)) return false;
    if (channel >= 0) {
        if (values.size() != 1) return false;
        const int v = values[0];
        const auto c = static_cast<std::size_t>(channel);
        if (std::int32_t* field = PartParamField(r.partParams[c], key)) {
            *field = v;
            return true;
        }
        if (channel >= kStyleChannels) return false;
        if (key == "ins") r.channelInstrument[c] = v;
        else if (key == "oct") r.channelOctave[c] = v;
        else if (key == "den") r.channelDensity[c] = v;
        else return SetMixerByte(r.channelMixer[c], key, v);
        return true;
    }
    if (std::int32_t* field = ScalarField(r, key)) {
        if (values.size() != 1) return false;
        *field = values[0];
        return true;
    }
    if (key == "mo") return SetArray(r.melodyOptions, values);
    if (key == "vf") return SetArray(r.voiceFlags, values);
    if (key == "cw") return SetArray(r.choiceWeights, values);
    if (key == "co") return SetArray(r.choiceOffsets, values);
    if (key == "cont") return SetArray(r.grids.continueSwitch, values);
    if (key == "strum") return SetArray(r.grids.strumSwitch, values);
    return false;
}

std::string_view DatabaseSuffix(std::string_view code)
{
    if (code == "1") return ".DB";
    if (code == "2") return ".DB2";
    if (code == "B") return ".DBB";
    return {};
}

constexpr std::array<int, 8> kRowChannels = {1, 2, 3, 4, 5, 7, 8, 9};

}  // namespace

void ApplyStyleRow(const StyleRow& row, StyleRecord& r, std::vector<std::string>& faults)
{
    const std::string where = RowLabel(row.category, row.slot);
    SetText(r.name, row.name, where + " name", faults);
    SetText(r.description, row.description, where + " description", faults);
    for (std::size_t i = 0; i < kRowChannels.size(); ++i)
        r.channelInstrument[static_cast<std::size_t>(kRowChannels[i])] = row.instruments[i];
    r.meter = row.meter;
    r.tempo = row.tempo;
    r.rhythmFeel = row.feel;
    if (row.patterns[0] != 0) r.accompanimentPattern = row.patterns[0];
    if (row.patterns[1] != 0) r.bassPattern = row.patterns[1];
    if (row.patterns[2] != 0) r.drumPattern = row.patterns[2];
    if (row.patterns[3] != 0) r.accompaniment2Pattern = row.patterns[3];

    const auto db = Split(row.databases, '/');
    int set = 0;
    if (db.size() == 3 && !DatabaseSuffix(db[0]).empty() && !DatabaseSuffix(db[1]).empty() &&
        ParseInt(db[2], set)) {
        SetField(r.patternDatabase, "PATTERN" + std::string(DatabaseSuffix(db[0])));
        SetField(r.cadenceDatabase, "RESOLUT" + std::string(DatabaseSuffix(db[1])));
        r.databaseSet = set;
    } else {
        faults.push_back(where + ": databases \"" + std::string(row.databases) + "\"");
    }
    if (row.timeChart != 0) r.timeChartIndex = row.timeChart;
    if (row.noteDatabase != 0) r.noteDatabaseKind = row.noteDatabase;
    if (row.formLength != 0) r.formLength = row.formLength;
    r.partParams[1].highestNote = row.highestNote;
    r.partParams[1].lowestNote = row.lowestNote;

    for (std::string_view token : Split(row.mixer, ' ')) {
        const std::size_t colon = token.find(':');
        int channel = -1;
        std::vector<int> values;
        if (colon == std::string_view::npos || !ParseInt(token.substr(0, colon), channel) || channel < 0 ||
            channel >= kStyleChannels || !ParseInts(token.substr(colon + 1), values) || values.size() > 4) {
            faults.push_back(where + ": mixer \"" + std::string(token) + "\"");
            continue;
        }
        ChannelMixer& m = r.channelMixer[static_cast<std::size_t>(channel)];
        constexpr int kOrder[] = {kMixVolume, kMixPan, kMixReverb, kMixChorus};
        for (std::size_t i = 0; i < values.size(); ++i)
            m.SetByte(kOrder[i], static_cast<std::uint8_t>(values[i]));
    }
    for (std::string_view token : Split(row.extra, ' ')) {
        if (!ApplyExtra(token, r)) faults.push_back(where + ": \"" + std::string(token) + "\"");
    }
}

void ApplyDrumRow(const DrumRow& row, StyleRecord& record)
{
    record.drumVariation = row.variation;
    record.drumKitProgram = row.kitProgram;
    if (row.pattern != 0) record.drumPattern = row.pattern;
    if (row.sounds != 0) record.channelInstrument[kDrumChannel] = row.sounds;
}

void ApplyGridRow(const GridRow& row, GridBlock& block, std::vector<std::string>& faults)
{
    const std::string where = RowLabel(row.category, row.slot) + " grid " + std::to_string(row.grid);
    if (row.grid < 0 || row.grid >= kGridCount) {
        faults.push_back(where + ": no such grid");
        return;
    }
    StepGrid& grid = block.grids[static_cast<std::size_t>(row.grid)];
    for (std::string_view token : Split(row.cells, ' ')) {
        const std::size_t colon = token.find(':');
        const std::string_view pattern = colon == std::string_view::npos ? "" : token.substr(colon + 1);
        const std::string_view head = token.substr(0, colon);
        if (head == "L") {
            std::vector<int> notes;
            if (!ParseInts(pattern, notes) || notes.size() > static_cast<std::size_t>(kGridRows) ||
                std::any_of(notes.begin(), notes.end(), [](int n) { return n < 35 || n > 127; })) {
                faults.push_back(where + ": labels \"" + std::string(pattern) + "\"");
                continue;
            }
            for (std::size_t r = 0; r < notes.size(); ++r) grid.rowLabels[r] = notes[r] - 35;
            continue;
        }
        if (pattern.size() != kGridSteps || pattern.find_first_not_of("x.") != std::string_view::npos) {
            faults.push_back(where + ": \"" + std::string(token) + "\"");
            continue;
        }
        int rowIndex = 0;
        std::array<std::int32_t, kGridSteps>* target = nullptr;
        if (head == "H") target = &grid.holds;
        else if (ParseInt(head, rowIndex) && rowIndex >= 0 && rowIndex < kGridRows)
            target = &grid.cells[static_cast<std::size_t>(rowIndex)];
        if (!target) {
            faults.push_back(where + ": row \"" + std::string(head) + "\"");
            continue;
        }
        for (int c = 0; c < kGridSteps; ++c)
            (*target)[static_cast<std::size_t>(c)] = pattern[static_cast<std::size_t>(c)] == 'x' ? 1 : 0;
    }
}

std::vector<std::string> StyleDataFaults()
{
    std::vector<std::string> faults;
    std::set<int> seen;
    Random random(1);
    for (const StyleRow& row : CatalogueStyleRows()) {
        const std::string where = RowLabel(row.category, row.slot);
        if (row.category < 0 || row.category >= kStyleCategories || row.slot < 1 ||
            row.slot >= kStylesPerCategory) {
            faults.push_back(where + ": outside the catalogue");
            continue;
        }
        if (!seen.insert(row.category * kStylesPerCategory + row.slot).second)
            faults.push_back(where + ": second row for the slot");
        StyleRecord record;
        ApplyStyleDefaults(random, record);
        ApplyStyleRow(row, record, faults);
    }
    std::set<int> drumSlots;
    for (const DrumRow& drums : CatalogueDrumRows()) {
        const std::string where = RowLabel(drums.category, drums.slot) + " drums";
        const int index = drums.category * kStylesPerCategory + drums.slot;
        std::optional<StyleRow> owner;
        for (const StyleRow& row : CatalogueStyleRows())
            if (row.category * kStylesPerCategory + row.slot == index) owner = row;
        if (!owner) {
            faults.push_back(where + ": no style in the slot");
            continue;
        }
        if (!drumSlots.insert(index).second) faults.push_back(where + ": second drum row for the slot");
        StyleRecord record;
        ApplyStyleDefaults(random, record);
        std::vector<std::string> ignored;  // the style rows' own faults are listed above
        ApplyStyleRow(*owner, record, ignored);
        ApplyDrumRow(drums, record);
        if (!DrumGrooveExists(record.drumPattern, record.drumVariation))
            faults.push_back(where + ": pattern " + std::to_string(record.drumPattern) + " has no groove " +
                             std::to_string(record.drumVariation));
        if (record.drumKitProgram != kKitByPattern && (record.drumKitProgram < 0 || record.drumKitProgram > 127))
            faults.push_back(where + ": kit program " + std::to_string(record.drumKitProgram));
    }
    for (const GridRow& row : CatalogueGridRows()) {
        if (!seen.count(row.category * kStylesPerCategory + row.slot))
            faults.push_back(RowLabel(row.category, row.slot) + ": grid for a slot without a style");
        GridBlock block;
        ApplyGridRow(row, block, faults);
    }
    for (const RandomStyleRow& row : CatalogueRandomRows()) {
        StyleRecord record;
        SetText(record.name, row.name, RowLabel(row.category, 0) + " name", faults);
        SetText(record.description, row.description, RowLabel(row.category, 0) + " description", faults);
    }
    return faults;
}

}  // namespace songloom::arrange
