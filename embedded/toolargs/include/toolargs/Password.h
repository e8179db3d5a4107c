// The password of a server tool's login when -P is not given.
#pragma once

#include <string>

namespace toolargs {

// Asks for the password on the terminal ("Password: ", without echo) when
// standard input is one; otherwise reads one line of standard input (its
// line end dropped). Gives "" at end of input.
std::string ReadPassword();

} // namespace toolargs
