// The conversion command's decisions without a window: the checked request
// for one account, a database error's text, and the checks of an upload file.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "framework/Exception.h"
#include "server/Names.h"

namespace convert {

inline constexpr const char* kNoGroup = "Please Select GroupCode";
inline constexpr const char* kNoClient = "Please Enter Solvane Id";
inline constexpr const char* kFileNotFound = "File Not Found";
inline constexpr const char* kFileUploaded = "File Uploaded.Please refer Logs for Details";
inline constexpr const char* kFileUploadedWithoutLog =
    "File Uploaded. The activity log could not be written: please see the Output pane for details";

// A single-account conversion as the operator asked for it.
struct SingleRequest {
    // kNoGroup or kNoClient when a trimmed id is empty (the group is checked
    // first); null when the request can run.
    const char* refusal = nullptr;
    std::string statement; // the call statement, when there is no refusal
};

// Trims both ids and builds the call statement of the direction `type`.
SingleRequest PrepareSingleConversion(server::ConversionType type, std::string_view groupText,
                                      std::string_view clientText);

// A database error's text without the line end that closes its last record.
std::string ErrorText(const CDBException& e);

// Why the chosen upload file cannot be loaded, as the file error to report;
// nullopt when it exists.
std::optional<CFileException> CheckUploadFile(const std::string& path);

} // namespace convert
