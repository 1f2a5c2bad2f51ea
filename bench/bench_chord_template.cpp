// Chord-template lookups scan the knowledge-base text from its start for
// every chord of every generator; this measures that scan on the shipped
// NOTE.DB, first and last record, and one chord entry with snapping.
#include <benchmark/benchmark.h>

#include <string>

#include "harmony/data_buffer.h"
#include "common/random.h"
#include "common/reporter.h"
#include "harmony/chord_entry.h"
#include "harmony/chord_template.h"

namespace {

using namespace songloom;

harmony::ChordKnowledgeBase ShippedBase()
{
    harmony::ChordKnowledgeBase kb;
    harmony::ReadDataFile(std::string(SONGLOOM_SOURCE_DIR) + "/data/NOTE.DB", kb.buffer);
    return kb;
}

void LookUp(benchmark::State& state, harmony::ChordCode code)
{
    const auto kb = ShippedBase();
    for (auto _ : state) {
        harmony::ChordTemplate out = harmony::kDefaultChordTemplate;
        benchmark::DoNotOptimize(harmony::LookUpChordTemplate(kb, code, out));
        benchmark::DoNotOptimize(out);
    }
}
BENCHMARK_CAPTURE(LookUp, first_record, harmony::ChordCode("CMPS"));
BENCHMARK_CAPTURE(LookUp, last_record, harmony::ChordCode("BMds"));
BENCHMARK_CAPTURE(LookUp, missing, harmony::ChordCode("C---"));

void MakeSnappedEntry(benchmark::State& state)
{
    const auto kb = ShippedBase();
    CapturingReporter reporter;
    Random random(1);
    harmony::ChordEntryContext context{reporter, random, kb};
    context.snapToTemplate = true;
    for (auto _ : state) {
        benchmark::DoNotOptimize(harmony::MakeChordEntry(context, harmony::ChordRecord{384, "amPs"}, {}));
    }
}
BENCHMARK(MakeSnappedEntry);

}  // namespace
