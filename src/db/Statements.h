// The statements start-up and the client list send, built as plain text.
#pragma once

#include <string>
#include <string_view>

#include "server/Names.h"

namespace db {

inline constexpr const char* kGroupListStatement =
    "select sDealerId from tbl_DealerMaster where nDealerCategory = 7";

// Removes leading and trailing white space.
std::string Trim(std::string_view text);

// A text with every apostrophe doubled, so that it stays one string literal.
std::string DoubleApostrophes(std::string_view text);

// The client list of a group (trimmed id) in a client category.
std::string ClientListStatement(std::string_view groupId, server::DealerCategory category);

// The connection text: "ODBC;SERVER=..;Database=..;UID=..;PWD=..", each
// value as it stands unless it must be braced to reach the driver whole.
std::string ConnectionText(std::string_view server, std::string_view database,
                           std::string_view userId, std::string_view password);

// "IPAddress:<server>\t DatabaseName:<database>"
std::string ServerLine(std::string_view server, std::string_view database);

} // namespace db
