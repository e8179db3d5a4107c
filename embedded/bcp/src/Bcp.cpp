// bcp: opening the files and the table, then the copy.
#include "Bcp.h"

#include "CopyReport.h"
#include "CopyRows.h"
#include "CopyTarget.h"
#include "RowReader.h"
#include "toolargs/OutputFile.h"
#include "toolargs/Password.h"

#include <iostream>
#include <memory>

namespace bcp {
namespace {

// Everything after the report is open: a failure before the copy starts is
// reported, and the summary says that nothing was copied.
int Copy(const Settings& settings, toolargs::OutputFile& out) {
    std::unique_ptr<toolargs::OutputFile> errorFile;
    if (settings.errors) {
        try {
            errorFile = std::make_unique<toolargs::OutputFile>(*settings.errors);
        } catch (const std::exception& e) {
            CopyReport report(out, nullptr);
            report.Error("S1000", 0, "Unable to open BCP error-file " + std::string(e.what()),
                         false);
            report.Summary(0);
            return 1;
        }
    }
    CopyReport report(out, std::move(errorFile));
    const auto fail = [&report]() {
        report.Summary(0);
        report.Close();
        return 1;
    };
    std::unique_ptr<CopyTarget> table;
    try {
        const std::string password =
            settings.password ? *settings.password : toolargs::ReadPassword();
        table = OpenTarget(settings, password);
    } catch (const embsql::Error& e) {
        report.Error(e.SqlState(), e.NativeError(), e.what(), FromServer(e));
        return fail();
    }
    std::unique_ptr<RowReader> reader;
    try {
        reader = std::make_unique<RowReader>(settings.file, settings.rowTerminator);
    } catch (const std::exception& e) {
        report.Error("S1000", 0,
                     "Unable to open BCP host data-file \"" + settings.file + "\": " + e.what(),
                     false);
        return fail();
    }
    report.Starting();
    const CopyOutcome outcome = CopyRows(*table, settings, *reader, report);
    report.Summary(outcome.copied);
    if (!report.Close()) {
        std::cerr << "bcp: the output or error file could not be written in full\n";
        return 1;
    }
    return outcome.completed ? 0 : 1;
}

} // namespace

int Run(const Settings& settings) {
    try {
        const std::unique_ptr<toolargs::OutputFile> out = toolargs::OpenReport(settings.output);
        return Copy(settings, *out);
    } catch (const std::exception& e) {
        std::cerr << "bcp: " << e.what() << "\n";
        return 1;
    }
}

void ReportRefusedCommandLine(const std::vector<std::string>& args, std::string_view message) {
    const std::optional<std::string> output = FindOutputFile(args);
    if (!output)
        return;
    try {
        toolargs::OutputFile out(*output);
        CopyReport report(out, nullptr);
        report.Line("bcp: " + std::string(message));
        report.Summary(0);
        report.Close();
    } catch (const std::exception& e) {
        std::cerr << "bcp: " << e.what() << "\n";
    }
}

} // namespace bcp
