// One client's socket: packets in (with time limits and a way to be woken
// for shutdown), packets out (buffered, with a time limit for a client that
// stops reading), and a look for an attention while a response is sent.
#pragma once

#include "tds/Packet.h"

#include <chrono>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace embsqld {

// The client closed the connection or the socket failed.
class Disconnected : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class Wire {
public:
    // Takes ownership of the socket `fd`. `wakeFd` becomes readable when the
    // server stops.
    Wire(int fd, int wakeFd);
    ~Wire();
    Wire(const Wire&) = delete;
    Wire& operator=(const Wire&) = delete;

    enum class Wait { Packet, Idle, Stopping };
    // Waits for the next whole packet. Idle when none began within
    // `idle`; a packet that has begun must complete within `partial`. Throws
    // Disconnected (end of stream: also when one stops midway) and
    // tds::ProtocolError (a bad header).
    Wait ReadPacket(tds::Packet& packet, std::chrono::milliseconds idle,
                    std::chrono::milliseconds partial);

    // Queues bytes to send; sends when enough are queued. Throws Disconnected
    // when the client is gone or reads nothing for the send time limit.
    void Send(std::string_view bytes);
    void Flush();
    void SetSendTimeout(std::chrono::milliseconds timeout) { m_sendTimeout = timeout; }

    // While a response is being sent: true when the client has sent an
    // attention. Throws tds::ProtocolError when it sent anything else, and
    // Disconnected when it went away.
    bool AttentionArrived();
    // Forgets an attention once it has been answered.
    void ClearAttention() { m_attention = false; }

private:
    // Reads what the socket has; false at end of stream.
    bool ReadAvailable();
    void WriteAll(std::string_view bytes);

    int m_fd;
    int m_wakeFd;
    tds::PacketAssembler m_in;
    std::string m_out;
    std::chrono::milliseconds m_sendTimeout{60000};
    bool m_attention = false;
};

} // namespace embsqld
