// osql: options, session (the embedded engine or a driver's), and the batch
// loop.
#include "Osql.h"

#include "Batches.h"
#include "ResultFormat.h"
#include "toolargs/Driver.h"
#include "toolargs/Options.h"
#include "toolargs/OutputFile.h"
#include "toolargs/Password.h"

#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <memory>

namespace osql {
namespace {

constexpr std::string_view kLetters = "Q:i:d:U:P::S:w:o:e?";

// Prints lines through the -w cut.
class Printer {
public:
    Printer(toolargs::OutputFile& out, std::size_t width) : m_out(out), m_width(width) {}
    void Line(std::string_view line) { m_out.Line(CutToWidth(line, m_width)); }
    void Lines(const std::vector<std::string>& lines) {
        for (const std::string& line : lines)
            Line(line);
    }

private:
    toolargs::OutputFile& m_out;
    std::size_t m_width;
};

std::optional<std::string> ReadScript(const Settings& settings, std::string& problem) {
    if (settings.query)
        return settings.query;
    if (settings.input) {
        std::ifstream in(*settings.input, std::ios::binary);
        if (!in) {
            problem = "Cannot open input file - " + *settings.input;
            return std::nullopt;
        }
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    return std::string(); // read from standard input once the password is known
}

using EachResult = std::function<void(embsql::Result&)>;

// Where the batches run: the embedded engine in this process, or a server
// through the ODBC driver named by $EMBSQL_TOOLS_DRIVER.
class Server {
public:
    virtual ~Server() = default;
    // Runs one batch, handing on its results in order. Throws embsql::Error.
    virtual void Run(const std::string& batch, const EachResult& each) = 0;
};

class EmbeddedServer : public Server {
public:
    explicit EmbeddedServer(std::unique_ptr<embsql::Session> session)
        : m_session(std::move(session)) {}
    void Run(const std::string& batch, const EachResult& each) override {
        for (const std::unique_ptr<embsql::Result>& result : m_session->Execute(batch))
            each(*result);
    }

private:
    std::unique_ptr<embsql::Session> m_session;
};

class DriverServer : public Server {
public:
    explicit DriverServer(std::unique_ptr<tooldriver::Connection> connection)
        : m_connection(std::move(connection)) {}
    void Run(const std::string& batch, const EachResult& each) override {
        m_connection->Execute(batch, each);
    }

private:
    std::unique_ptr<tooldriver::Connection> m_connection;
};

// Logs in. Throws embsql::Error.
std::unique_ptr<Server> Connect(const Settings& settings, const std::string& password) {
    if (const std::optional<std::string> driver = tooldriver::DriverFromEnvironment())
        return std::make_unique<DriverServer>(tooldriver::Connection::Open(
            tooldriver::ConnectString(*driver, settings.server, settings.database, settings.login,
                                      password),
            true));
    return std::make_unique<EmbeddedServer>(
        embsql::Session::Connect(settings.server, settings.database, settings.login, password));
}

// Runs one batch, printing its results' rows as they are read; false when
// it failed.
bool RunBatch(Server& server, const std::string& batch, const Settings& settings, Printer& print) {
    try {
        server.Run(batch, [&print](embsql::Result& result) {
            FormatResult(result, [&print](std::string_view line) { print.Line(line); });
        });
    } catch (const embsql::Error& e) {
        print.Lines(FormatError(e, settings.server));
        return false;
    }
    return true;
}

int RunAll(const Settings& settings, toolargs::OutputFile& out) {
    Printer print(out, settings.width);
    std::string problem;
    std::optional<std::string> script = ReadScript(settings, problem);
    if (!script) {
        print.Lines({problem});
        return 1;
    }
    // A password asked for comes first on standard input, the script after it.
    const std::string password = settings.password ? *settings.password : toolargs::ReadPassword();
    if (!settings.query && !settings.input)
        script = std::string(std::istreambuf_iterator<char>(std::cin), {});
    std::unique_ptr<Server> session;
    try {
        session = Connect(settings, password);
    } catch (const embsql::Error& e) {
        print.Lines(FormatError(e, settings.server));
        return 1;
    }
    // A -Q query is one batch whatever it holds; a script is split at "go".
    const std::vector<std::string> batches =
        settings.query ? std::vector<std::string>{*settings.query} : SplitBatches(*script);
    bool ok = true;
    for (const std::string& batch : batches) {
        if (settings.echo)
            print.Lines({batch});
        ok = RunBatch(*session, batch, settings, print) && ok;
    }
    return ok ? 0 : 1;
}

} // namespace

Settings ParseSettings(const std::vector<std::string>& args) {
    const toolargs::Options options = toolargs::Options::Parse(args, kLetters);
    Settings settings;
    settings.help = options.Has('?');
    if (!options.Positional().empty())
        throw toolargs::UsageError("unexpected argument '" + options.Positional().front() + "'");
    settings.query = options.Value('Q');
    settings.input = options.Value('i');
    if (settings.query && settings.input)
        throw toolargs::UsageError("-Q and -i cannot be given together");
    settings.database = options.ValueOr('d', "");
    settings.login = options.ValueOr('U', "");
    settings.password = options.Value('P');
    settings.server = options.ValueOr('S', settings.server);
    settings.width = static_cast<std::size_t>(options.Number('w', 80, 9, 65535));
    settings.output = options.Value('o');
    settings.echo = options.Has('e');
    if (!settings.help && settings.database.empty())
        throw toolargs::UsageError("a database is needed: name it with -d");
    if (!settings.help && settings.login.empty())
        throw toolargs::UsageError("a login is needed: name it with -U");
    return settings;
}

const char* Usage() {
    return "usage: osql -U login [-P password] [-S server] -d database\n"
           "            [-Q \"query\" | -i inputfile] [-o outputfile] [-w columnwidth] [-e]\n"
           "  -Q  run the query and exit      -i  run the script file (batches end at \"go\")\n"
           "  -d  database                    -U  login        -P  password (asked if missing)\n"
           "  -S  server (default (local))    -w  line width (default 80)\n"
           "  -o  write everything to the file, emptied first\n"
           "  -e  echo each batch before its results\n"
           "Without -Q or -i the batches are read from standard input.\n";
}

int Run(const Settings& settings) {
    try {
        const std::unique_ptr<toolargs::OutputFile> out = toolargs::OpenReport(settings.output);
        const int status = RunAll(settings, *out);
        if (!out->Close()) {
            std::cerr << "osql: the output could not be written in full\n";
            return 1;
        }
        return status;
    } catch (const std::exception& e) {
        std::cerr << "osql: " << e.what() << "\n";
        return 1;
    }
}

void ReportRefusedCommandLine(const std::vector<std::string>& args, std::string_view message) {
    const std::optional<std::string> output = toolargs::Options::Find(args, kLetters, 'o');
    if (!output)
        return;
    try {
        toolargs::OutputFile out(*output);
        out.Line("osql: " + std::string(message));
        out.Close();
    } catch (const std::exception& e) {
        std::cerr << "osql: " << e.what() << "\n";
    }
}

} // namespace osql
