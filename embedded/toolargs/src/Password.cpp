// Reading a login's password from the terminal or standard input.
#include "toolargs/Password.h"

#include <iostream>
#include <termios.h>
#include <unistd.h>

namespace toolargs {

std::string ReadPassword() {
    termios saved{};
    const bool terminal = isatty(STDIN_FILENO) != 0 && tcgetattr(STDIN_FILENO, &saved) == 0;
    if (terminal) {
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        std::cerr << "Password: " << std::flush;
        tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
    }
    std::string password;
    std::getline(std::cin, password);
    if (terminal) {
        tcsetattr(STDIN_FILENO, TCSANOW, &saved);
        std::cerr << "\n";
    }
    if (!password.empty() && password.back() == '\r')
        password.pop_back();
    return password;
}

} // namespace toolargs
