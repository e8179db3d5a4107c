// embsql-admin: creates databases of the embedded server, adds logins,
// installs the dealer schema, fills demo data and writes sample files.
#include "embsql/Provision.h"

#include <charconv>
#include <iostream>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr const char* kUsage = R"(usage: embsql-admin COMMAND SERVER DATABASE [ARGS] [OPTIONS]

  create SERVER DATABASE                 create an empty database
  login SERVER DATABASE NAME [PASSWORD]  add a login or change its password
                                         (no PASSWORD, or "-": read it from stdin)
  schema SERVER DATABASE                 install or upgrade tables and procedures
  demo SERVER DATABASE [--groups N] [--clients N] [--replace]
                                         fill demo groups and clients (N clients
                                         per group; default 5 groups of 8)
  sample SERVER DATABASE FILE [--kind good|bad|mixed] [--rows N] [--type 1|2] [--crlf]
                                         write an operator's file for the bulk upload
  setup SERVER DATABASE LOGIN PASSWORD [--groups N] [--clients N]
                                         all of it: create (if missing), login,
                                         schema and demo data (replacing it)

Databases live in $EMBSQL_DATA_DIR (default /var/lib/solvanetoorbelle/embedded),
one file per database: <dir>/<server>/<database>.sqlite.
)";

struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct Arguments {
    std::vector<std::string> positional;
    std::map<std::string, std::string> options; // --name value, or "" for flags
};

Arguments Parse(int argc, char** argv) {
    static const std::map<std::string, bool> known = {
        {"--groups", true}, {"--clients", true}, {"--replace", false}, {"--kind", true},
        {"--rows", true},   {"--type", true},    {"--crlf", false}};
    Arguments args;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--", 0) != 0 || arg == "-") {
            args.positional.push_back(arg);
            continue;
        }
        const auto option = known.find(arg);
        if (option == known.end())
            throw UsageError("unknown option " + arg);
        if (option->second && i + 1 >= argc)
            throw UsageError(arg + " needs a value");
        args.options[arg] = option->second ? argv[++i] : "";
    }
    return args;
}

long long Number(const Arguments& args, const std::string& name, long long fallback) {
    const auto found = args.options.find(name);
    if (found == args.options.end())
        return fallback;
    long long value = 0;
    const std::string& text = found->second;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value <= 0)
        throw UsageError(name + " takes a positive whole number, not '" + text + "'");
    return value;
}

void Expect(const Arguments& args, std::size_t min, std::size_t max) {
    if (args.positional.size() < min || args.positional.size() > max)
        throw UsageError("wrong number of arguments for " + args.positional[0]);
}

std::string Password(const Arguments& args, std::size_t index) {
    if (args.positional.size() > index && args.positional[index] != "-")
        return args.positional[index];
    std::string password;
    std::getline(std::cin, password);
    if (!password.empty() && password.back() == '\r')
        password.pop_back();
    return password;
}

embsql::DemoSize Size(const Arguments& args) {
    embsql::DemoSize size;
    size.groups = Number(args, "--groups", size.groups);
    size.clientsPerGroup = Number(args, "--clients", size.clientsPerGroup);
    return size;
}

embsql::SampleOptions Sample(const Arguments& args) {
    embsql::SampleOptions options;
    options.rows = static_cast<std::size_t>(Number(args, "--rows", 10));
    const long long type = Number(args, "--type", 1);
    if (type != 1 && type != 2)
        throw UsageError("--type is 1 (Solvane to Orbelle) or 2 (Orbelle to Solvane)");
    options.conversionType = static_cast<int>(type);
    options.crlf = args.options.count("--crlf") != 0;
    const auto kind = args.options.find("--kind");
    const std::string name = kind == args.options.end() ? "good" : kind->second;
    if (name == "good")
        options.kind = embsql::SampleKind::Good;
    else if (name == "bad")
        options.kind = embsql::SampleKind::Bad;
    else if (name == "mixed")
        options.kind = embsql::SampleKind::Mixed;
    else
        throw UsageError("--kind is good, bad or mixed");
    return options;
}

int Run(const Arguments& args) {
    if (args.positional.size() < 3)
        throw UsageError("a command, a server and a database are needed");
    const std::string& command = args.positional[0];
    const std::string& server = args.positional[1];
    const std::string& database = args.positional[2];
    if (command == "create") {
        Expect(args, 3, 3);
        embsql::Admin::Create(server, database);
        std::cout << "Created " << embsql::DatabasePath(server, database).string() << "\n";
    } else if (command == "login") {
        Expect(args, 4, 5);
        embsql::Admin::Open(server, database)->AddLogin(args.positional[3], Password(args, 4));
        std::cout << "Login " << args.positional[3] << " is set.\n";
    } else if (command == "schema") {
        Expect(args, 3, 3);
        embsql::InstallSchema(*embsql::Admin::Open(server, database));
        std::cout << "Schema installed.\n";
    } else if (command == "demo") {
        Expect(args, 3, 3);
        const long long rows = embsql::FillDemoData(*embsql::Admin::Open(server, database),
                                                    Size(args), args.options.count("--replace"));
        std::cout << rows << " dealer rows written.\n";
    } else if (command == "sample") {
        Expect(args, 4, 4);
        const std::size_t rows = embsql::WriteSampleFile(*embsql::Admin::Open(server, database),
                                                         args.positional[3], Sample(args));
        std::cout << rows << " rows written to " << args.positional[3] << "\n";
    } else if (command == "setup") {
        Expect(args, 4, 5);
        const std::string password = Password(args, 4);
        std::unique_ptr<embsql::Admin> admin;
        try {
            admin = embsql::Admin::Open(server, database);
        } catch (const embsql::Error&) {
            admin = embsql::Admin::Create(server, database);
        }
        admin->AddLogin(args.positional[3], password);
        embsql::InstallSchema(*admin);
        const long long rows = embsql::FillDemoData(*admin, Size(args), true);
        std::cout << embsql::DatabasePath(server, database).string() << ": login "
                  << args.positional[3] << ", schema, " << rows << " dealer rows.\n";
    } else {
        throw UsageError("unknown command " + command);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    try {
        return Run(Parse(argc, argv));
    } catch (const UsageError& e) {
        std::cerr << "embsql-admin: " << e.what() << "\n\n" << kUsage;
        return 2;
    } catch (const embsql::Error& e) {
        std::cerr << "embsql-admin: " << e.what() << " (" << e.SqlState() << ", " << e.NativeError()
                  << ")\n";
        return 1;
    } catch (const std::exception& e) {
        std::cerr << "embsql-admin: " << e.what() << "\n";
        return 1;
    }
}
