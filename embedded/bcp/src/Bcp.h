// The bcp command: a character-mode copy of a data file into a table of
// the embedded server (or of any server an ODBC driver reaches), reported
// as the real tool reports it.
#pragma once

#include "BcpSettings.h"

#include <string_view>
#include <vector>

namespace bcp {

// Runs the copy. The report goes to settings.output (emptied first) or
// standard output, rejected rows to settings.errors (emptied first). Every
// report that got as far as the output file ends with a blank line and "N
// rows copied.", failures included, so that a reader of the file can tell
// that nothing was copied. Returns 0 when the whole file was read and every
// batch committed (rejected rows within the limit allowed), 1 otherwise.
// Never throws.
int Run(const Settings& settings);

// Reports a command line that was refused: writes "bcp: MESSAGE" and the
// closing lines of a copy that copied nothing ("0 rows copied.") into the
// -o file, when `args` name one that can be opened. Never throws.
void ReportRefusedCommandLine(const std::vector<std::string>& args, std::string_view message);

} // namespace bcp
