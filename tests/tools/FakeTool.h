// Small tools that the tool-run tests write into a folder put first on PATH:
// each writes given texts to the output and error files its command line
// names after -o and -e, after a pause, and exits with a non-zero status.
#pragma once

#include <string>

#include "support/TempDir.h"

namespace testing_support {

inline void WriteFakeTool(const std::filesystem::path& path, const std::string& outputText,
                          const std::string& errorText = "") {
    WriteFile(path,
              "#!/bin/sh\n"
              "out=''; err=''\n"
              "while [ $# -gt 0 ]; do\n"
              "  case \"$1\" in -o) out=$2; shift;; -e) err=$2; shift;; esac; shift\n"
              "done\n"
              "sleep 0.2\n"
              "[ -n \"$err\" ] && printf '%s' '" +
                  errorText +
                  "' > \"$err\"\n"
                  "[ -n \"$out\" ] && printf '%s' '" +
                  outputText +
                  "' > \"$out\"\n"
                  "exit 3\n",
              true);
}

inline const std::string kNothingCopied = "Starting copy...\n\n0 rows copied.\n";

} // namespace testing_support
