// Command lines as single texts: splitting one into arguments the way the
// Microsoft C runtime does, and quoting one argument so that it splits back whole.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Splits a command line into arguments: blanks and tabs separate; double quotes group;
// 2n backslashes before a quote give n backslashes and the quote toggles quoting; 2n+1
// give n and a literal quote; backslashes not before a quote are literal; "" inside a
// quoted part is a literal quote; an unclosed quote runs to the end. "" on its own is an
// empty argument. Every argument, the first included, follows these rules. Never fails;
// a line of only blanks gives no arguments.
std::vector<std::string> SplitCommandLine(std::string_view commandLine);

// The inverse for one argument: returned unchanged when it is non-empty and has no blank,
// tab or double quote; otherwise quoted so that SplitCommandLine gives it back whole.
std::string QuoteArgument(std::string_view argument);

} // namespace platform
