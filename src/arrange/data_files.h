#pragma once
// The five text files every rendering loads: pattern database, cadence
// database, time chart, cadence time chart and the chord knowledge base
// (note database). Only the note database is read further, by the
// chord-template lookup; the other four are kept as loaded.

#include <string>

#include "harmony/data_buffer.h"
#include "arrange/style_catalogue.h"
#include "arrange/style_record.h"
#include "common/reporter.h"
#include "harmony/chord_template.h"

namespace songloom::arrange {

// The data files' buffer, folder and record reader belong to the chord
// knowledge that reads them first.
using harmony::DataBuffer;
using harmony::DataFolder;
using harmony::kDataBufferCapacity;
using harmony::NextRecord;
using harmony::ReadDataFile;

// The file names a style selects, resolved by the DataFolder (working
// folder first, then the installed data folder; an absolute name is used
// as given).
struct DataFileNames {
    std::string pattern = "PATTERN.DB";
    std::string cadence = "RESOLUT.DB";
    std::string timeChart = "TIMECHT.DB";
    std::string cadenceTimeChart = "RESTIME.DB";
};

// The names for style: its pattern and cadence databases and the time charts
// chosen with it.
DataFileNames DataFileNamesFor(const StyleRecord& style, const TimeChartNames& timeCharts);

// The engine's data-file buffers; each keeps its text until the next load.
struct DataFiles {
    DataBuffer pattern;
    DataBuffer cadence;
    DataBuffer timeChart;
    DataBuffer cadenceTimeChart;
    harmony::ChordKnowledgeBase notes;
};

// Loads the four databases and then the note database. A missing pattern
// database reports YRAC 0xFF010035, shows the path with the reinstall
// advice, and returns 0 at once, every other buffer untouched. A missing
// cadence database, time chart or cadence time chart is reported (YRAC
// 0xFF010036, 0xFF010038, 0xFF010037), its buffer emptied, and the load
// goes on. Returns 1 otherwise. noteDatabaseKind and melodyMethod choose the
// note database as LoadNoteDatabase does.
int LoadDatabases(Reporter& reporter, DataFiles& files, const DataFolder& folder,
                  const DataFileNames& names, int noteDatabaseKind, int melodyMethod);

// The chord knowledge base for the style's note-database kind (see
// LoadChordKnowledgeBase). false when the file could not be read.
bool LoadNoteDatabase(Reporter& reporter, DataFiles& files, const DataFolder& folder,
                      int noteDatabaseKind, int melodyMethod);

// The text shown after the pattern-database report: the full path, then
// where it was looked for and the reinstall advice.
std::string MissingPatternDatabaseText(const std::string& path);

}  // namespace songloom::arrange
