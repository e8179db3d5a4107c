// bcp's copy loop.
#include "CopyRows.h"

#include "RowCheck.h"

#include <exception>

namespace bcp {
namespace {

void RollBack(CopyTarget& table, bool open) {
    if (!open)
        return;
    try {
        table.Rollback();
    } catch (const embsql::Error&) {
        // Nothing was committed; the session's end rolls back regardless.
    }
}

} // namespace

CopyOutcome CopyRows(CopyTarget& table, const Settings& settings, RowReader& reader,
                     CopyReport& report) {
    CopyOutcome outcome;
    std::vector<std::optional<std::string>> values;
    long long rowNumber = 0;
    long long rejected = 0;
    long long inBatch = 0;
    bool open = false;
    try {
        std::string_view row;
        while (reader.Next(row)) {
            ++rowNumber;
            if (rowNumber < settings.firstRow)
                continue;
            if (settings.lastRow != 0 && rowNumber > settings.lastRow)
                break;
            std::optional<RowProblem> problem =
                SplitRow(row, settings.fieldTerminator, table.Columns().size(), values);
            if (!problem)
                problem = CheckRow(table, values);
            if (problem) {
                report.Error(problem->sqlState, 0, problem->message, false);
                report.Rejected(rowNumber, problem->column, problem->message, row);
                if (++rejected > settings.maxErrors) {
                    RollBack(table, open);
                    report.Line("BCP copy in failed: more than " +
                                std::to_string(settings.maxErrors) +
                                " rows were rejected; the rows of the open batch were not kept.");
                    return outcome;
                }
                continue;
            }
            if (!open) {
                table.Begin();
                open = true;
            }
            table.Insert(values);
            report.RowSent();
            if (++inBatch == settings.batchSize) {
                table.Commit();
                open = false;
                outcome.copied += inBatch;
                inBatch = 0;
            }
        }
        if (open) {
            table.Commit();
            open = false;
            outcome.copied += inBatch;
        }
        outcome.completed = true;
    } catch (const embsql::Error& e) {
        RollBack(table, open);
        report.Error(e.SqlState(), e.NativeError(), e.what(), FromServer(e));
        report.Line("BCP copy in failed: the rows of the open batch were not kept.");
    } catch (const std::exception& e) {
        RollBack(table, open);
        report.Error("S1000", 0, std::string("Unable to read the BCP host data-file: ") + e.what(),
                     false);
        report.Line("BCP copy in failed: the rows of the open batch were not kept.");
    }
    return outcome;
}

} // namespace bcp
