// The listener: accepts connections on one address, serves each on a thread
// of its own up to the connection limit, and stops on SIGTERM or SIGINT.
#pragma once

#include "Config.h"
#include "Log.h"

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace embsqld {

class Server {
public:
    // Binds the listening socket. Throws std::runtime_error when it cannot.
    Server(const Config& config, Log& log);
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // "HOST:PORT" as bound (the port the system chose for port 0).
    std::string Address() const;
    // Accepts and serves connections until Stop() (or a signal through
    // InstallSignalHandlers) and waits for the connections to end.
    void Run();
    // Safe from a signal handler.
    void Stop();
    // Makes SIGTERM and SIGINT call Stop() on `server`, and ignores SIGPIPE.
    static void InstallSignalHandlers(Server& server);

private:
    void Serve(int fd, int id, std::string peer);
    void ReapFinished();

    const Config& m_config;
    Log& m_log;
    int m_listen = -1;
    int m_wake[2] = {-1, -1};
    std::string m_address;
    std::atomic<int> m_active{0};
    std::mutex m_mutex;
    struct Worker {
        std::thread thread;
        bool done = false;
    };
    std::vector<std::unique_ptr<Worker>> m_workers;
    int m_nextId = 1;
};

} // namespace embsqld
