// embsql-admin: creates databases of the embedded server, adds logins,
// installs the dealer schema, fills demo data and writes sample files.
#include "embsql/Provision.h"

#include <charconv>
#include <iostream>
#include <map>
#include <optional>
#include <string>
#include <strings.h>
#include <vector>

namespace {

constexpr const char* kUsage = R"(usage: embsql-admin COMMAND SERVER DATABASE [ARGS] [OPTIONS]

  create SERVER DATABASE                 create an empty database
  login SERVER DATABASE NAME [PASSWORD] [--role operator|admin]
                                         add a login or change its password
                                         (no PASSWORD, or "-": read it from stdin);
                                         a new login is an operator unless --role
                                         says otherwise, an existing one keeps its
                                         role unless --role is given
  schema SERVER DATABASE                 install or upgrade tables and procedures
  demo SERVER DATABASE [--groups N] [--clients N] [--replace]
                                         fill demo groups and clients (N clients
                                         per group; default 5 groups of 8)
  sample SERVER DATABASE FILE [--kind good|bad|mixed] [--rows N] [--type 1|2] [--crlf]
                                         write an operator's file for the bulk upload
  setup SERVER DATABASE LOGIN PASSWORD [--admin NAME PASSWORD] [--groups N] [--clients N]
                                         all of it: create (if missing), LOGIN as
                                         the operator, schema and demo data
                                         (replacing it); --admin adds an
                                         administrator too

Roles: an operator may do what the program does and nothing more (read
tbl_DealerMaster, execute the three conversion procedures, truncate and load
tbl_ConvertSolvaneToOrbelle); an administrator may do everything.

Databases live in $EMBSQL_DATA_DIR (default /var/lib/solvanetoorbelle/embedded),
one file per database: <dir>/<server>/<database>.sqlite.
)";

struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct Arguments {
    std::vector<std::string> positional;
    // --name and its values (none for flags)
    std::map<std::string, std::vector<std::string>> options;
    const std::string* Value(const std::string& name) const {
        const auto found = options.find(name);
        return found == options.end() || found->second.empty() ? nullptr : &found->second[0];
    }
};

Arguments Parse(int argc, char** argv) {
    // Each option and how many values follow it.
    static const std::map<std::string, int> known = {
        {"--groups", 1}, {"--clients", 1}, {"--replace", 0}, {"--kind", 1}, {"--rows", 1},
        {"--type", 1},   {"--crlf", 0},    {"--role", 1},    {"--admin", 2}};
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
        if (i + option->second >= argc)
            throw UsageError(arg + " needs " + (option->second == 1 ? "a value" : "two values"));
        std::vector<std::string>& values = args.options[arg];
        values.assign(argv + i + 1, argv + i + 1 + option->second);
        i += option->second;
    }
    return args;
}

long long Number(const Arguments& args, const std::string& name, long long fallback) {
    const std::string* found = args.Value(name);
    if (found == nullptr)
        return fallback;
    long long value = 0;
    const std::string& text = *found;
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
    const std::string* kind = args.Value("--kind");
    const std::string name = kind == nullptr ? "good" : *kind;
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

enum class LoginRole { Operator, Admin };

std::optional<LoginRole> RoleOption(const Arguments& args) {
    const std::string* role = args.Value("--role");
    if (role == nullptr)
        return std::nullopt;
    if (*role == "operator")
        return LoginRole::Operator;
    if (*role == "admin")
        return LoginRole::Admin;
    throw UsageError("--role is operator or admin, not '" + *role + "'");
}

// Adds or changes a login; gives it `role`'s rights when asked to.
void SetLogin(embsql::Admin& admin, const std::string& name, const std::string& password,
              std::optional<LoginRole> role) {
    admin.AddLogin(name, password);
    if (role == LoginRole::Admin)
        admin.SetRights(name, embsql::Role::Admin, {});
    else if (role == LoginRole::Operator)
        admin.SetRights(name, embsql::Role::User, embsql::ProgramPermissions());
}

bool IsLogin(embsql::Admin& admin, const std::string& name) {
    for (const std::string& login : admin.Logins())
        if (strcasecmp(login.c_str(), name.c_str()) == 0)
            return true;
    return false;
}

int Run(const Arguments& args) {
    if (args.positional.size() < 3)
        throw UsageError("a command, a server and a database are needed");
    const std::string& command = args.positional[0];
    const std::string& server = args.positional[1];
    const std::string& database = args.positional[2];
    if (args.options.count("--role") != 0 && command != "login")
        throw UsageError("--role goes with the login command");
    if (args.options.count("--admin") != 0 && command != "setup")
        throw UsageError("--admin goes with the setup command");
    if (command == "create") {
        Expect(args, 3, 3);
        embsql::Admin::Create(server, database);
        std::cout << "Created " << embsql::DatabasePath(server, database).string() << "\n";
    } else if (command == "login") {
        Expect(args, 4, 5);
        const std::string& name = args.positional[3];
        std::optional<LoginRole> role = RoleOption(args);
        const std::string password = Password(args, 4);
        const std::unique_ptr<embsql::Admin> admin = embsql::Admin::Open(server, database);
        if (!role && !IsLogin(*admin, name))
            role = LoginRole::Operator;
        SetLogin(*admin, name, password, role);
        std::cout << "Login " << name << " is set"
                  << (admin->RoleOf(name) == embsql::Role::Admin ? " (administrator)" : "")
                  << ".\n";
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
        const std::string& login = args.positional[3];
        const auto adminOption = args.options.find("--admin");
        if (adminOption != args.options.end() &&
            strcasecmp(adminOption->second[0].c_str(), login.c_str()) == 0)
            throw UsageError("--admin needs a login of its own, not the operator's " + login);
        const std::string password = Password(args, 4);
        std::unique_ptr<embsql::Admin> admin;
        try {
            admin = embsql::Admin::Open(server, database);
        } catch (const embsql::Error&) {
            admin = embsql::Admin::Create(server, database);
        }
        // The procedures must exist before the operator may execute them.
        embsql::InstallSchema(*admin);
        SetLogin(*admin, login, password, LoginRole::Operator);
        if (adminOption != args.options.end())
            SetLogin(*admin, adminOption->second[0], adminOption->second[1], LoginRole::Admin);
        const long long rows = embsql::FillDemoData(*admin, Size(args), true);
        std::cout << embsql::DatabasePath(server, database).string() << ": operator " << login
                  << (adminOption != args.options.end()
                          ? ", administrator " + adminOption->second[0]
                          : std::string())
                  << ", schema, " << rows << " dealer rows.\n";
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
