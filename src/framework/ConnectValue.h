// A value as it stands in an ODBC connection string, and the keys of one.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace fw {

// The value itself; or, when it holds ';' or starts with '{' (which would
// end its key early or add keys of its own) or starts or ends with a blank
// (which a driver trims), the value in braces with each '}' doubled, so that
// it reaches the driver whole. A '}' elsewhere stands as it is: every parser
// reads an unbraced value to the next ';', and some drivers (FreeTDS) do not
// read a doubled '}' in braces as one.
std::string ConnectValue(std::string_view value);
// The same, appended to `text` (no copy of the value is made on the way).
void AppendConnectValue(std::string& text, std::string_view value);

// A completed connection string without its PWD or Password key.
std::string WithoutPassword(std::string_view connectString);

// The keys a connection string gives, as written (blanks around them
// dropped), in order.
std::vector<std::string> ConnectKeys(std::string_view connectString);

} // namespace fw
