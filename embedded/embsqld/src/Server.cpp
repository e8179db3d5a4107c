// Listening, accepting, a thread per connection, and shutdown.
#include "Server.h"

#include "ClientSession.h"
#include "Wire.h"

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace embsqld {

namespace {

Server* g_server = nullptr;

void OnSignal(int) {
    if (g_server != nullptr)
        g_server->Stop();
}

std::string PeerName(const sockaddr_storage& addr) {
    char host[NI_MAXHOST];
    char port[NI_MAXSERV];
    if (getnameinfo(reinterpret_cast<const sockaddr*>(&addr), sizeof addr, host, sizeof host, port,
                    sizeof port, NI_NUMERICHOST | NI_NUMERICSERV) != 0)
        return "?";
    return std::string(host) + ":" + port;
}

} // namespace

Server::Server(const Config& config, Log& log) : m_config(config), m_log(log) {
    if (pipe2(m_wake, O_CLOEXEC | O_NONBLOCK) != 0)
        throw std::runtime_error(std::string("pipe: ") + std::strerror(errno));
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const std::string port = std::to_string(config.port);
    const int rc = getaddrinfo(config.host.c_str(), port.c_str(), &hints, &found);
    if (rc != 0)
        throw std::runtime_error("cannot resolve " + config.host + ": " + gai_strerror(rc));
    std::string lastError = "no address";
    for (addrinfo* a = found; a != nullptr; a = a->ai_next) {
        const int fd = socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0) {
            lastError = std::strerror(errno);
            continue;
        }
        const int one = 1;
        setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        if (bind(fd, a->ai_addr, a->ai_addrlen) != 0 || listen(fd, 128) != 0) {
            lastError = std::strerror(errno);
            close(fd);
            continue;
        }
        m_listen = fd;
        break;
    }
    freeaddrinfo(found);
    if (m_listen < 0)
        throw std::runtime_error("cannot listen on " + config.host + ":" + port + ": " + lastError);
    sockaddr_storage bound{};
    socklen_t len = sizeof bound;
    getsockname(m_listen, reinterpret_cast<sockaddr*>(&bound), &len);
    char host[NI_MAXHOST];
    char serv[NI_MAXSERV];
    getnameinfo(reinterpret_cast<sockaddr*>(&bound), len, host, sizeof host, serv, sizeof serv,
                NI_NUMERICHOST | NI_NUMERICSERV);
    m_address = std::string(host) + ":" + serv;
}

Server::~Server() {
    if (g_server == this)
        g_server = nullptr;
    for (auto& w : m_workers)
        if (w->thread.joinable())
            w->thread.join();
    if (m_listen >= 0)
        close(m_listen);
    close(m_wake[0]);
    close(m_wake[1]);
}

std::string Server::Address() const {
    return m_address;
}

void Server::Stop() {
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = write(m_wake[1], &byte, 1);
}

void Server::InstallSignalHandlers(Server& server) {
    g_server = &server;
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
    signal(SIGPIPE, SIG_IGN);
}

void Server::ReapFinished() {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (auto it = m_workers.begin(); it != m_workers.end();) {
        if ((*it)->done) {
            (*it)->thread.join();
            it = m_workers.erase(it);
        } else {
            ++it;
        }
    }
}

void Server::Run() {
    for (;;) {
        pollfd fds[2] = {{m_listen, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
        const int rc = poll(fds, 2, 1000);
        ReapFinished();
        if (rc < 0 && errno != EINTR)
            throw std::runtime_error(std::string("poll: ") + std::strerror(errno));
        if (rc > 0 && (fds[1].revents & POLLIN) != 0)
            break;
        if (rc <= 0 || (fds[0].revents & POLLIN) == 0)
            continue;
        sockaddr_storage peer{};
        socklen_t len = sizeof peer;
        const int fd = accept4(m_listen, reinterpret_cast<sockaddr*>(&peer), &len, SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno != EINTR && errno != EAGAIN && errno != ECONNABORTED)
                m_log.Write(0, std::string("accept failed: ") + std::strerror(errno));
            if (errno == EMFILE || errno == ENFILE)
                usleep(100000);
            continue;
        }
        const std::string name = PeerName(peer);
        if (m_active.load() >= m_config.maxConnections) {
            m_log.Write(0, "refused " + name + ": " + std::to_string(m_config.maxConnections) +
                               " connections are open already");
            close(fd);
            continue;
        }
        const int one = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        const int id = m_nextId++;
        ++m_active;
        std::lock_guard<std::mutex> lock(m_mutex);
        m_workers.push_back(std::make_unique<Worker>());
        Worker* worker = m_workers.back().get();
        worker->thread = std::thread([this, fd, id, name, worker] {
            Serve(fd, id, name);
            std::lock_guard<std::mutex> done(m_mutex);
            worker->done = true;
        });
    }
    m_log.Write(0, "stopping: waiting for " + std::to_string(m_active.load()) + " connections");
    close(m_listen);
    m_listen = -1;
    std::vector<std::unique_ptr<Worker>> workers;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        workers.swap(m_workers);
    }
    for (auto& w : workers)
        w->thread.join();
    m_log.Write(0, "stopped");
}

void Server::Serve(int fd, int id, std::string peer) {
    m_log.Write(id, "connection from " + peer);
    {
        Wire wire(fd, m_wake[0]);
        wire.SetSendTimeout(std::chrono::milliseconds(m_config.idleTimeout));
        ClientSession session(wire, m_log, m_config, id,
                              static_cast<std::uint16_t>(50 + id % 30000));
        session.Run();
    }
    m_log.Write(id, "connection closed");
    --m_active;
}

} // namespace embsqld
