// Plain text rules of the activity log and of the bulk copy's progress and verdict.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/Clock.h"

namespace tools {

// "<day><month, 2 digits><year, 4 digits>SolvaneToOrbelle.log", e.g.
// 7122026SolvaneToOrbelle.log for 7 December 2026.
std::string LogFileName(const SYSTEMTIME& st);

// "<hour>:<mm>:<ss>: <message> ": the message up to its first zero byte,
// copied as it is (never used as a format).
std::string FormatLogEntry(const SYSTEMTIME& st, std::string_view message);
// The entry's parts, for a caller that must not copy a long message: the stamp
// "<hour>:<mm>:<ss>: ", then LogMessage, then kLogEntryEnd.
std::string LogStamp(const SYSTEMTIME& st);
std::string_view LogMessage(std::string_view message); // up to its first zero byte
inline constexpr std::string_view kLogEntryEnd = " ";

// The bytes an entry takes in the log file: the entry and its line end, each
// line feed stored as CR LF (so a CR LF inside it becomes CR CR LF).
std::string LogFileBytes(std::string_view entry);
// The same for a part of an entry (no line end added), appended to `bytes`.
void AppendLogFileBytes(std::string_view part, std::string& bytes);

// The top line of an Output pane that no longer holds the run's first entries:
// "Earlier entries are in the log file NAME." while the log file has taken
// every entry, "Earlier entries are not shown: the log file NAME could not be
// written." otherwise.
std::string EarlierEntriesLine(std::string_view fileName, bool logComplete);

// True when a bulk copy's output reports that it copied nothing: the first
// "0 rows copied." stands after a line feed, not at the very start, and the
// tool is exactly "bcp".
bool BulkCopyCopiedNothing(std::string_view output, std::string_view toolName);

// The rows a bulk copy reports sent so far: the count of the last complete
// "... Total sent: N" line of its output (a line end follows the digits), or
// nullopt when there is none yet.
std::optional<long long> LastRowsSent(std::string_view output);

// "The activity log NAME could not be written (REASON): entries are shown in
// the Output pane only.", REASON the system's text for `error`.
std::string LogFailureMessage(std::string_view fileName, int error);

// The invalid-format message shown and logged for such a copy.
inline constexpr const char* kInvalidFileFormat = "Invalid File Format. Please check the logs.";

} // namespace tools
