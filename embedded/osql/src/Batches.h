// osql's input script: statements grouped into batches by "go" lines.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace osql {

// Splits a script into batches. A line holding only "go" (any case, blanks
// around it allowed) ends a batch; a line holding only "exit" or "quit" ends
// the script. Text after the last "go" is a batch too. Batches of blanks
// only are left out; a batch keeps its lines' ends but its last one, and a
// carriage return before a line feed is dropped.
std::vector<std::string> SplitBatches(std::string_view script);

} // namespace osql
