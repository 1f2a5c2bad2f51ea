#include "arrange/data_files.h"

#include "common/messages.h"

namespace songloom::arrange {
namespace {

constexpr std::uint32_t kPatternError = 0xFF010035;
constexpr std::uint32_t kCadenceError = 0xFF010036;
constexpr std::uint32_t kCadenceTimeChartError = 0xFF010037;
constexpr std::uint32_t kTimeChartError = 0xFF010038;

// Reads one optional database; a failure is reported and empties the buffer.
void LoadOrEmpty(Reporter& reporter, DataBuffer& buffer, const DataFolder& folder,
                 const std::string& name, std::uint32_t errorCode)
{
    if (ReadDataFile(folder.Resolve(name), buffer)) return;
    EngineErrorMsg(reporter, errorCode);
    buffer.Clear();
}

}  // namespace

DataFileNames DataFileNamesFor(const StyleRecord& style, const TimeChartNames& timeCharts)
{
    DataFileNames names;
    names.pattern = std::string(FieldView(style.patternDatabase));
    names.cadence = std::string(FieldView(style.cadenceDatabase));
    names.timeChart = timeCharts.timeChart;
    names.cadenceTimeChart = timeCharts.cadenceTimeChart;
    return names;
}

std::string MissingPatternDatabaseText(const std::string& path)
{
    return path + "がプログラムフォルダ内に見つかりませんでした。\n再度インストールを行ってください。";
}

int LoadDatabases(Reporter& reporter, DataFiles& files, const DataFolder& folder,
                  const DataFileNames& names, int noteDatabaseKind, int melodyMethod)
{
    const std::string patternPath = folder.Resolve(names.pattern);
    if (!ReadDataFile(patternPath, files.pattern)) {
        EngineErrorMsg(reporter, kPatternError);
        ShowErrorBox(reporter, MissingPatternDatabaseText(patternPath));
        return 0;
    }
    LoadOrEmpty(reporter, files.cadence, folder, names.cadence, kCadenceError);
    LoadOrEmpty(reporter, files.timeChart, folder, names.timeChart, kTimeChartError);
    LoadOrEmpty(reporter, files.cadenceTimeChart, folder, names.cadenceTimeChart, kCadenceTimeChartError);
    LoadNoteDatabase(reporter, files, folder, noteDatabaseKind, melodyMethod);
    return 1;
}

bool LoadNoteDatabase(Reporter& reporter, DataFiles& files, const DataFolder& folder,
                      int noteDatabaseKind, int melodyMethod)
{
    return harmony::LoadChordKnowledgeBase(reporter, files.notes, folder, noteDatabaseKind, melodyMethod);
}

}  // namespace songloom::arrange
