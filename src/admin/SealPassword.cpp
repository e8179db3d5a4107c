// sto-seal-password: reads a database password from standard input, seals it
// with the program's passphrase and prints the "Server PWD" hive line.
#include "admin/HiveLine.h"
#include "db/PasswordEncrypt.h"
#include "keycask.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string.h>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr const char* kProgram = "sto-seal-password";
constexpr const char* kValueName = "Server PWD";

// Leaves a password's memory zeroed when it goes out of scope.
struct Secret {
    std::string text;
    ~Secret() { explicit_bzero(text.data(), text.size()); }
};

// The terminal's settings while echo is off, for the signal handler.
termios g_savedTerminal;
volatile sig_atomic_t g_echoOff = 0;

void RestoreEchoAndDie(int signal) {
    if (g_echoOff)
        tcsetattr(STDIN_FILENO, TCSANOW, &g_savedTerminal);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

// Turns the terminal's echo off for its lifetime (when stdin is a terminal).
class NoEcho {
public:
    NoEcho() {
        if (tcgetattr(STDIN_FILENO, &g_savedTerminal) != 0)
            return;
        termios quiet = g_savedTerminal;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        std::signal(SIGINT, RestoreEchoAndDie);
        std::signal(SIGTERM, RestoreEchoAndDie);
        std::signal(SIGHUP, RestoreEchoAndDie);
        if (tcsetattr(STDIN_FILENO, TCSANOW, &quiet) == 0)
            g_echoOff = 1;
    }
    ~NoEcho() {
        if (g_echoOff)
            tcsetattr(STDIN_FILENO, TCSANOW, &g_savedTerminal);
        g_echoOff = 0;
    }
    NoEcho(const NoEcho&) = delete;
    NoEcho& operator=(const NoEcho&) = delete;
};

// One line typed at the terminal without echo; false at end of input.
bool PromptLine(const char* prompt, Secret* line) {
    std::cerr << prompt << std::flush;
    bool got = false;
    {
        NoEcho noEcho;
        got = static_cast<bool>(std::getline(std::cin, line->text));
    }
    std::cerr << '\n';
    return got;
}

// All of standard input, as bytes.
bool ReadAll(Secret* input) {
    char buffer[4096];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, stdin)) > 0)
        input->text.append(buffer, got);
    explicit_bzero(buffer, sizeof buffer);
    return !std::ferror(stdin);
}

int Fail(const std::string& message) {
    std::cerr << kProgram << ": " << message << '\n';
    return 1;
}

// Seals `password` into `sealed`; on failure returns the library's reason.
std::string Seal(const std::string& password, std::string* sealed) {
    if (kc_initialise() == 0)
        return "the cipher library cannot be initialised";
    const kc_handle handle = kc_create_handle(kPasswordContext);
    kc_status status = KC_E_BAD_HANDLE;
    if (handle != 0)
        status = kc_set_passphrase(handle, kPasswordPassphrase);
    unsigned char out[kMaxStoredPasswordBytes];
    unsigned int length = 0;
    if (status == KC_OK)
        status = kc_encrypt(handle, reinterpret_cast<const unsigned char*>(password.data()),
                            static_cast<unsigned int>(password.size()), out, sizeof out, &length);
    std::string reason;
    if (status == KC_OK) {
        sealed->assign(reinterpret_cast<const char*>(out), length);
    } else {
        char text[kPasswordBufferSize];
        kc_describe_status(handle, status, text, sizeof text);
        reason = text;
    }
    kc_release_handle(handle);
    kc_shutdown();
    return reason;
}

// Opens the value the way the program will at start-up.
bool OpensToPassword(const std::string& sealed, const std::string& password) {
    unsigned char input[kMaxStoredPasswordBytes] = {};
    std::memcpy(input, sealed.data(), sealed.size());
    unsigned char output[kPasswordBufferSize] = {};
    unsigned int length = 0;
    CPasswordEncrypt decoder;
    const bool opened =
        decoder.Decrypt(input, static_cast<unsigned int>(sealed.size()), output, &length) == 1 &&
        std::string(reinterpret_cast<const char*>(output), length) == password;
    explicit_bzero(output, sizeof output);
    return opened;
}

void Usage(std::ostream& out) {
    out << "Usage: " << kProgram << " < password\n"
        << "Reads a database password from standard input (asked for twice, without echo,\n"
        << "at a terminal; otherwise all input with one trailing newline removed), seals it\n"
        << "and prints the \"" << kValueName << "\" line for the program's registry hive.\n"
        << "At most " << kMaxPasswordLength << " bytes fit.\n";
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        Usage(std::cout);
        return 0;
    }
    if (argc != 1) {
        Usage(std::cerr);
        return 2;
    }

    Secret password;
    if (isatty(STDIN_FILENO)) {
        Secret again;
        if (!PromptLine("Password: ", &password) || !PromptLine("Password again: ", &again))
            return Fail("no password was given");
        if (password.text != again.text)
            return Fail("the two passwords differ; nothing was sealed");
    } else if (!ReadAll(&password)) {
        return Fail(std::string("cannot read standard input: ") + std::strerror(errno));
    }
    std::string& text = password.text;
    if (!text.empty() && text.back() == '\n')
        text.pop_back();
    if (!text.empty() && text.back() == '\r')
        text.pop_back();

    if (text.find('\0') != std::string::npos)
        return Fail("the password contains a zero byte, where the program would cut it short; "
                    "nothing was sealed");
    if (text.size() > kMaxPasswordLength)
        return Fail("the password is " + std::to_string(text.size()) + " bytes long; at most " +
                    std::to_string(kMaxPasswordLength) + " fit in the \"" + kValueName +
                    "\" value; nothing was sealed");
    if (text.empty())
        std::cerr << kProgram << ": warning: the password is empty\n";

    std::string sealed;
    if (const std::string reason = Seal(text, &sealed); !reason.empty())
        return Fail("cannot seal the password: " + reason);
    if (!OpensToPassword(sealed, text))
        return Fail("the sealed value does not open again; nothing was printed");

    std::cout << admin::FormatBinaryValue(kValueName, sealed) << '\n' << std::flush;
    if (!std::cout)
        return Fail("cannot write to standard output");
    return 0;
}
