#include "common/reporter.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace songloom {

std::string FormatErrorLine(const ErrorReport& report)
{
    if (report.tag.empty()) {
        return report.message;
    }
    char digits[9];
    std::snprintf(digits, sizeof digits, "%08X", static_cast<unsigned>(report.code));
    std::string line;
    line.reserve(report.tag.size() + 9 + report.message.size());
    line.append(report.tag).append(digits).append(" ").append(report.message);
    return line;
}

void StderrReporter::Report(const ErrorReport& report)
{
    std::string line = FormatErrorLine(report);
    // One report, one line: line breaks inside a message become blanks.
    std::replace(line.begin(), line.end(), '\n', ' ');
    std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
}

bool StderrReporter::Confirm(std::string_view question)
{
    std::string text(question);
    std::replace(text.begin(), text.end(), '\n', ' ');
    std::fprintf(stderr, "%s [%s]\n", text.c_str(), answer_ ? "OK" : "Cancel");
    return answer_;
}

void StderrReporter::Terminate(const ErrorReport& report)
{
    Report(report);
    std::exit(static_cast<int>(report.code));
}

void CapturingReporter::Report(const ErrorReport& report) { reports_.push_back(report); }

bool CapturingReporter::Confirm(std::string_view question)
{
    questions_.emplace_back(question);
    if (nextAnswer_ < answers_.size()) {
        return answers_[nextAnswer_++];
    }
    return defaultAnswer_;
}

void CapturingReporter::Terminate(const ErrorReport& report)
{
    reports_.push_back(report);
    throw TerminateRequested{report.code};
}

std::vector<std::string> CapturingReporter::lines() const
{
    std::vector<std::string> out;
    out.reserve(reports_.size());
    for (const auto& r : reports_) {
        out.push_back(FormatErrorLine(r));
    }
    return out;
}

bool CapturingReporter::Has(std::string_view tag, std::uint32_t code) const
{
    return Count(tag, code) > 0;
}

std::size_t CapturingReporter::Count(std::string_view tag, std::uint32_t code) const
{
    return static_cast<std::size_t>(std::count_if(reports_.begin(), reports_.end(), [&](const auto& r) {
        return r.tag == tag && r.code == code;
    }));
}

void CapturingReporter::Clear()
{
    reports_.clear();
    questions_.clear();
    answers_.clear();
    nextAnswer_ = 0;
}

std::string_view LookUpMessage(std::span<const MessageRow> table, std::uint32_t code,
                               std::string_view fallback)
{
    for (const auto& row : table) {
        if (row.code == code) {
            return row.text;
        }
    }
    return fallback;
}

void ReportTagged(Reporter& reporter, std::string_view tag, std::uint32_t code,
                  std::span<const MessageRow> table, std::string_view fallback)
{
    reporter.Report(ErrorReport{std::string(tag), code,
                                std::string(LookUpMessage(table, code, fallback)), true});
}

void ShowErrorBox(Reporter& reporter, std::string_view text, bool systemModal)
{
    reporter.Report(ErrorReport{"", 0, std::string(text), systemModal});
}

bool ShowConfirmBox(Reporter& reporter, std::string_view text) { return reporter.Confirm(text); }

}  // namespace songloom
