// Group and client statements, the connection text and the server line.
#include "db/Statements.h"

#include "framework/ConnectValue.h"

#include <cstdio>
#include <vector>

namespace db {

std::string Trim(std::string_view text) {
    const char* blanks = " \t\r\n\v\f";
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) {
        return {};
    }
    const std::size_t last = text.find_last_not_of(blanks);
    return std::string(text.substr(first, last - first + 1));
}

std::string DoubleApostrophes(std::string_view text) {
    std::string doubled;
    doubled.reserve(text.size());
    for (char c : text) {
        doubled += c;
        if (c == '\'') {
            doubled += '\'';
        }
    }
    return doubled;
}

std::string ClientListStatement(std::string_view groupId, server::DealerCategory category) {
    const std::string id = DoubleApostrophes(groupId);
    static const char* format = "select sDealerId from tbl_DealerMaster where sGroupCode "
                                "in(select sDealerCode from tbl_DealerMaster Where sDealerId = "
                                "'%s') and  nDealerCategory = %d";
    std::vector<char> buffer(id.size() + 256);
    std::snprintf(buffer.data(), buffer.size(), format, id.c_str(), static_cast<int>(category));
    return buffer.data();
}

std::string ConnectionText(std::string_view server, std::string_view database,
                           std::string_view userId, std::string_view password) {
    // Room for every value braced, so that the text is never moved and no
    // copy of the password is left behind.
    std::string text;
    text.reserve(64 + 2 * (server.size() + database.size() + userId.size() + password.size()));
    text = "ODBC;SERVER=";
    fw::AppendConnectValue(text, server);
    text += ";Database=";
    fw::AppendConnectValue(text, database);
    text += ";UID=";
    fw::AppendConnectValue(text, userId);
    text += ";PWD=";
    fw::AppendConnectValue(text, password);
    return text;
}

std::string ServerLine(std::string_view server, std::string_view database) {
    std::string line = "IPAddress:";
    line.append(server);
    line += "\t DatabaseName:";
    line.append(database);
    return line;
}

} // namespace db
