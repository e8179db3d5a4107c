// The texts a conversion sends: the single-account call statement, and the
// bulk upload's dated file paths and three tool command lines.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "db/Settings.h"
#include "server/Names.h"

namespace convert {

// "{call stp_ConvertSolvaneToOrbelle('G01','C123')}" from Solvane to Orbelle,
// stp_ConvertOrbelleToSolvane the other way: the standard call escape, which
// every ODBC driver that calls procedures passes on as a call with the two
// arguments; apostrophes in the ids doubled.
std::string CallStatement(server::ConversionType type, std::string_view groupId,
                          std::string_view clientId);

// The folder of a path: up to and including its last '/', or empty text.
std::string FolderOf(std::string_view path);

// A value for an attached option (-U, -P, -S, -d, the database of the bulk-copy
// target): as it is, unless it holds a blank, a tab or a double quote, which
// would split it or end it; then quoted so that the tool receives it whole.
std::string CommandValue(std::string_view value);
// A database name as the first part of a bulk-copy target: as it is, or, when
// it holds a '.', a blank or a bracket, between brackets with ']' doubled, so
// that the tool does not take it for more than one part.
std::string TargetDatabase(std::string_view database);
// A file path between double quotes, escaped only when it needs it.
std::string QuotedPath(std::string_view path);

// The command lines carry the password: they are wiped when the plan goes.
struct UploadPlan {
    ~UploadPlan();
    std::string errorPath;  // at most kMaxErrorPath characters
    std::string outputPath; // at most kMaxOutputPath characters
    std::string truncateCommand;
    std::string bulkCopyCommand;
    std::string bulkProcedureCommand;
};

inline constexpr std::size_t kMaxOutputPath = 255;
inline constexpr std::size_t kMaxErrorPath = 511;
inline constexpr std::size_t kMaxCommand = 511;

inline constexpr const char* kErrorFileName = "ClientConversionError.log";
inline constexpr const char* kOutputFileName = "ClientConversionOutput.log";

// The dated tool-file paths in the folder of `filePath` and the three command
// lines, with the server, database, login and password of `settings`.
UploadPlan PlanUpload(std::string_view filePath, std::string_view datePrefix,
                      server::ConversionType type, const db::Settings& settings);

// A message naming the first path or command that does not fit its buffer
// and by how much, with the command shown and `password` masked in it; or
// nullopt when everything fits.
std::optional<std::string> FindTooLong(const UploadPlan& plan, std::string_view password);

// The command line with the value of its -P option (the password, as
// CommandValue gave it) replaced by asterisks.
std::string MaskPassword(std::string_view commandLine, std::string_view password);

} // namespace convert
