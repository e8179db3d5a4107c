// Call statement, dated tool-file paths and tool command lines.
#include "convert/Commands.h"

#include "db/Statements.h"
#include "platform/CommandLine.h"
#include "platform/Wipe.h"
#include "server/Names.h"

namespace convert {

std::string CallStatement(server::ConversionType type, std::string_view groupId,
                          std::string_view clientId) {
    std::string statement =
        std::string("{call ") +
        (type == server::ConversionType::SolvaneToOrbelle ? server::kSingleProcedureToOrbelle
                                                          : server::kSingleProcedureToSolvane) +
        "('";
    statement += db::DoubleApostrophes(groupId);
    statement += "','";
    statement += db::DoubleApostrophes(clientId);
    statement += "')}";
    return statement;
}

std::string FolderOf(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1));
}

std::string CommandValue(std::string_view value) {
    if (value.find_first_of(" \t\"") == std::string_view::npos) {
        return std::string(value);
    }
    return platform::QuoteArgument(value);
}

std::string TargetDatabase(std::string_view database) {
    if (database.find_first_of(". \t[]") == std::string_view::npos) {
        return std::string(database);
    }
    std::string bracketed = "[";
    for (const char c : database) {
        bracketed += c;
        if (c == ']') {
            bracketed += ']';
        }
    }
    return bracketed + "]";
}

std::string QuotedPath(std::string_view path) {
    if (path.find('"') == std::string_view::npos && (path.empty() || path.back() != '\\')) {
        return "\"" + std::string(path) + "\"";
    }
    return platform::QuoteArgument(path);
}

UploadPlan PlanUpload(std::string_view filePath, std::string_view datePrefix,
                      server::ConversionType t, const db::Settings& s) {
    UploadPlan plan;
    const std::string folder = FolderOf(filePath);
    plan.errorPath = folder + std::string(datePrefix) + kErrorFileName;
    plan.outputPath = folder + std::string(datePrefix) + kOutputFileName;

    std::string password = CommandValue(s.password);
    const platform::WipeOnExit wipePassword(password);
    std::string login;
    login.reserve(password.size() + s.userId.size() + s.serverAddress.size() + 64);
    login.append(" -U").append(CommandValue(s.userId)).append(" -P").append(password);
    login.append(" -S").append(CommandValue(s.serverAddress));
    const platform::WipeOnExit wipeLogin(login);
    const std::string database = CommandValue(s.databaseName);
    const std::string type = std::to_string(static_cast<int>(t));
    // Each command is built in place, never moved, so no copy of the
    // password is left behind.
    const auto command = [](std::initializer_list<std::string_view> parts) {
        std::size_t size = 0;
        for (const std::string_view part : parts) {
            size += part.size();
        }
        std::string text;
        text.reserve(size);
        for (const std::string_view part : parts) {
            text.append(part);
        }
        return text;
    };
    plan.truncateCommand =
        command({"osql -Q \"truncate table ", server::kStagingTable, " \"  -d", database, login});
    plan.bulkCopyCommand =
        command({"bcp ", CommandValue(TargetDatabase(s.databaseName)), "..", server::kStagingTable,
                 " in ", QuotedPath(filePath), login, " -t, -c -o ", QuotedPath(plan.outputPath),
                 " -e ", QuotedPath(plan.errorPath)});
    plan.bulkProcedureCommand =
        command({"osql -Q \"exec ", server::kBulkProcedure, " ", type, "\"  -d", database, login,
                 " -w500 -o ", QuotedPath(plan.outputPath)});
    return plan;
}

UploadPlan::~UploadPlan() {
    platform::Wipe(truncateCommand);
    platform::Wipe(bulkCopyCommand);
    platform::Wipe(bulkProcedureCommand);
}

std::string MaskPassword(std::string_view commandLine, std::string_view password) {
    std::string shown = " -P" + CommandValue(password);
    const platform::WipeOnExit wipe(shown);
    std::string masked(commandLine);
    for (std::size_t at = masked.find(shown); at != std::string::npos;
         at = masked.find(shown, at + 1)) {
        masked.replace(at, shown.size(), " -P********");
    }
    return masked;
}

std::optional<std::string> FindTooLong(const UploadPlan& plan, std::string_view password) {
    const struct {
        const std::string& text;
        std::size_t limit;
        const char* what;
    } checks[] = {
        {plan.errorPath, kMaxErrorPath, "The path of the error file"},
        {plan.outputPath, kMaxOutputPath, "The path of the output file"},
        {plan.truncateCommand, kMaxCommand, "The command that empties the staging table"},
        {plan.bulkCopyCommand, kMaxCommand, "The command that loads the file"},
        {plan.bulkProcedureCommand, kMaxCommand, "The command that converts the loaded clients"},
    };
    for (const auto& check : checks) {
        if (check.text.size() > check.limit) {
            return std::string(check.what) + " is too long by " +
                   std::to_string(check.text.size() - check.limit) + " characters (" +
                   std::to_string(check.text.size()) + " characters, at most " +
                   std::to_string(check.limit) +
                   "); choose a file in a folder with a shorter path:\n" +
                   MaskPassword(check.text, password);
        }
    }
    return std::nullopt;
}

} // namespace convert
