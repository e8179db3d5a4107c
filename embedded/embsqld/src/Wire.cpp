// Socket reads and writes with poll(2) time limits.
#include "Wire.h"

#include "tds/Bytes.h"

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace embsqld {

namespace {
constexpr std::size_t kSendChunk = 64 * 1024;
}

Wire::Wire(int fd, int wakeFd) : m_fd(fd), m_wakeFd(wakeFd) {}

Wire::~Wire() {
    ::close(m_fd);
}

bool Wire::ReadAvailable() {
    char buf[65536];
    for (;;) {
        const ssize_t n = ::recv(m_fd, buf, sizeof buf, MSG_DONTWAIT);
        if (n > 0) {
            m_in.Feed(std::string_view(buf, static_cast<std::size_t>(n)));
            if (static_cast<std::size_t>(n) < sizeof buf)
                return true;
            continue;
        }
        if (n == 0)
            return false;
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            return true;
        throw Disconnected(std::string("receive failed: ") + std::strerror(errno));
    }
}

Wire::Wait Wire::ReadPacket(tds::Packet& packet, std::chrono::milliseconds idle,
                            std::chrono::milliseconds partial) {
    using Clock = std::chrono::steady_clock;
    Clock::time_point deadline = Clock::now() + idle;
    bool begun = m_in.Pending() > 0;
    if (begun)
        deadline = Clock::now() + partial;
    for (;;) {
        if (std::optional<tds::Packet> p = m_in.Next()) {
            packet = std::move(*p);
            return Wait::Packet;
        }
        if (!begun && m_in.Pending() > 0) {
            begun = true;
            deadline = Clock::now() + partial;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            if (begun)
                throw Disconnected("the client stopped in the middle of a packet");
            return Wait::Idle;
        }
        pollfd fds[2] = {{m_fd, POLLIN, 0}, {m_wakeFd, POLLIN, 0}};
        const int rc = ::poll(fds, 2, static_cast<int>(std::min<long long>(left.count(), 1000)));
        if (rc < 0 && errno != EINTR)
            throw Disconnected(std::string("poll failed: ") + std::strerror(errno));
        if (rc > 0 && (fds[1].revents & POLLIN) != 0 && !begun)
            return Wait::Stopping;
        if (rc > 0 && (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
            if (!ReadAvailable()) {
                if (m_in.Pending() > 0)
                    throw Disconnected(
                        "the client closed the connection in the middle of a packet");
                throw Disconnected("the client closed the connection");
            }
        }
    }
}

void Wire::WriteAll(std::string_view bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n =
            ::send(m_fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            throw Disconnected(std::string("send failed: ") + std::strerror(errno));
        pollfd fd{m_fd, POLLOUT, 0};
        const int rc = ::poll(&fd, 1, static_cast<int>(m_sendTimeout.count()));
        if (rc == 0)
            throw Disconnected("the client read nothing for " +
                               std::to_string(m_sendTimeout.count() / 1000) + " seconds");
        if (rc < 0 && errno != EINTR)
            throw Disconnected(std::string("poll failed: ") + std::strerror(errno));
        if (rc > 0 && (fd.revents & (POLLERR | POLLHUP)) != 0 && (fd.revents & POLLOUT) == 0)
            throw Disconnected("the client went away");
    }
}

void Wire::Send(std::string_view bytes) {
    m_out.append(bytes);
    if (m_out.size() >= kSendChunk)
        Flush();
}

void Wire::Flush() {
    if (m_out.empty())
        return;
    std::string out;
    out.swap(m_out);
    WriteAll(out);
}

bool Wire::AttentionArrived() {
    if (m_attention)
        return true;
    pollfd fd{m_fd, POLLIN, 0};
    if (::poll(&fd, 1, 0) <= 0)
        return false;
    if (!ReadAvailable())
        throw Disconnected("the client closed the connection during a response");
    while (std::optional<tds::Packet> p = m_in.Next()) {
        if (p->header.type != static_cast<std::uint8_t>(tds::PacketType::Attention))
            throw tds::ProtocolError("the client sent a request of type " +
                                     std::to_string(p->header.type) +
                                     " before reading the last response");
        m_attention = true;
    }
    return m_attention;
}

} // namespace embsqld
