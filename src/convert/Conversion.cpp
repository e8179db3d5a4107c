// The single-account request, database error texts and the upload file check.
#include "convert/Conversion.h"

#include <cerrno>
#include <filesystem>

#include "convert/Commands.h"
#include "db/Statements.h"

namespace convert {

SingleRequest PrepareSingleConversion(server::ConversionType type, std::string_view groupText,
                                      std::string_view clientText) {
    const std::string groupId = db::Trim(groupText);
    const std::string clientId = db::Trim(clientText);
    if (groupId.empty()) {
        return {kNoGroup, {}};
    }
    if (clientId.empty()) {
        return {kNoClient, {}};
    }
    return {nullptr, CallStatement(type, groupId, clientId)};
}

std::string ErrorText(const CDBException& e) {
    std::string text = e.m_strError;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
        text.pop_back();
    }
    return text;
}

std::optional<CFileException> CheckUploadFile(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        return CFileException(CFileException::fileNotFound, ENOENT, path);
    }
    return std::nullopt;
}

} // namespace convert
