#pragma once
// One way to report a failure. A module formats its tag, code and message into
// an ErrorReport and hands it to the Reporter it was given; the sink decides
// how it is shown (message box in the app, one stderr line in the CLI, a
// recording in tests). Production code neither throws nor catches.

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace songloom {

struct ErrorReport {
    std::string tag;        // four letters; empty for the plain, untagged boxes
    std::uint32_t code = 0;
    std::string message;    // UTF-8
    bool systemModal = true;  // plain class-level boxes are not
};

// "TAG%08X message" for tagged reports, the bare message for untagged ones.
std::string FormatErrorLine(const ErrorReport& report);

class Reporter {
public:
    virtual ~Reporter() = default;
    // Shows one report; returns when it has been seen. A "YRAC" report is
    // followed by the engine's pause in interactive sinks only.
    virtual void Report(const ErrorReport& report) = 0;
    // An OK/Cancel question; true means OK.
    virtual bool Confirm(std::string_view question) = 0;
    // Shows the report and ends the process with the code as exit status.
    // Only "GENE" 0x01000002 (memory exhausted) comes here.
    [[noreturn]] virtual void Terminate(const ErrorReport& report) = 0;
};

// Prints "TAG%08X message" as one UTF-8 line on stderr; questions are
// answered with a fixed answer (the CLI has nobody to ask).
class StderrReporter : public Reporter {
public:
    explicit StderrReporter(bool answer = true) : answer_(answer) {}
    void Report(const ErrorReport& report) override;
    bool Confirm(std::string_view question) override;
    [[noreturn]] void Terminate(const ErrorReport& report) override;

private:
    bool answer_;
};

// Keeps every report; answers questions from a script (then a default).
// Terminate records the report and throws TerminateRequested so a test can
// see that the process would have ended.
class CapturingReporter : public Reporter {
public:
    struct TerminateRequested {
        std::uint32_t code;
    };

    void Report(const ErrorReport& report) override;
    bool Confirm(std::string_view question) override;
    [[noreturn]] void Terminate(const ErrorReport& report) override;

    void ScriptAnswers(std::vector<bool> answers) { answers_ = std::move(answers); }
    void SetDefaultAnswer(bool answer) { defaultAnswer_ = answer; }

    const std::vector<ErrorReport>& reports() const { return reports_; }
    const std::vector<std::string>& questions() const { return questions_; }
    std::vector<std::string> lines() const;
    bool Has(std::string_view tag, std::uint32_t code) const;
    std::size_t Count(std::string_view tag, std::uint32_t code) const;
    void Clear();

private:
    std::vector<ErrorReport> reports_;
    std::vector<std::string> questions_;
    std::vector<bool> answers_;
    std::size_t nextAnswer_ = 0;
    bool defaultAnswer_ = true;
};

// A row of a module's message table: code and UTF-8 text.
struct MessageRow {
    std::uint32_t code;
    std::string_view text;
};

// The text of code in table, or fallback when the code has no row.
std::string_view LookUpMessage(std::span<const MessageRow> table, std::uint32_t code,
                               std::string_view fallback);

// Formats and sends one tagged report: the shape every module's ErrorMsg has.
void ReportTagged(Reporter& reporter, std::string_view tag, std::uint32_t code,
                  std::span<const MessageRow> table, std::string_view fallback);

// Shows text as given in a plain OK box (no tag, no code).
void ShowErrorBox(Reporter& reporter, std::string_view text, bool systemModal = true);
// OK/Cancel with the text as given; true = OK.
bool ShowConfirmBox(Reporter& reporter, std::string_view text);

}  // namespace songloom
