#include "tcpbreaker.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int connectTo(int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(quint16(port));
    if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0)
        return fd;
    if (fd >= 0)
        ::close(fd);
    return -1;
}

bool sendAll(int fd, const char *data, qsizetype size)
{
    while (size > 0) {
        const ssize_t n = ::send(fd, data, size_t(size), MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        data += n;
        size -= n;
    }
    return true;
}

} // namespace

TcpBreaker::TcpBreaker(int serverPort) : m_serverPort(serverPort)
{
    m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (m_listen < 0 || ::bind(m_listen, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0 ||
        ::listen(m_listen, 16) != 0 || ::getsockname(m_listen, reinterpret_cast<sockaddr *>(&a), &len) != 0)
        return;
    m_port = ntohs(a.sin_port);
    m_accepting = std::thread([this] { acceptLoop(); });
}

TcpBreaker::~TcpBreaker()
{
    m_stop = true;
    {
        std::lock_guard<std::mutex> hold(m_lock);
        for (int fd : m_sockets)
            ::shutdown(fd, SHUT_RDWR);
    }
    if (m_listen >= 0)
        ::shutdown(m_listen, SHUT_RDWR);
    if (m_accepting.joinable())
        m_accepting.join(); // no relay starts after this
    for (std::thread &t : m_threads)
        t.join();
    if (m_listen >= 0)
        ::close(m_listen);
    for (int fd : m_sockets)
        ::close(fd);
}

void TcpBreaker::arm(const QByteArray &text, Cut cut)
{
    std::lock_guard<std::mutex> hold(m_lock);
    m_trigger = text;
    m_cut = cut;
}

void TcpBreaker::acceptLoop()
{
    while (!m_stop) {
        pollfd p{m_listen, POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0)
            continue;
        const int client = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0)
            continue;
        std::lock_guard<std::mutex> hold(m_lock);
        m_sockets.push_back(client);
        m_threads.emplace_back([this, client] { relay(client); });
    }
}

// Both directions in one loop. Once cut, the client side is closed and whatever the server
// still sends is read and dropped, so the server finishes its work undisturbed.
void TcpBreaker::relay(int client)
{
    const int server = connectTo(m_serverPort);
    if (server < 0) {
        ::shutdown(client, SHUT_RDWR);
        return;
    }
    {
        std::lock_guard<std::mutex> hold(m_lock);
        m_sockets.push_back(server);
    }
    bool cut = false;
    char buffer[65536];
    while (!m_stop) {
        pollfd p[2] = {{client, short(cut ? 0 : POLLIN), 0}, {server, POLLIN, 0}};
        if (::poll(p, 2, 100) <= 0)
            continue;
        if (!cut && (p[0].revents & (POLLIN | POLLHUP | POLLERR))) {
            const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
            if (n <= 0)
                break;
            const QByteArray data = QByteArray::fromRawData(buffer, n);
            bool trips = false;
            Cut how = Cut::AfterForwarding;
            {
                std::lock_guard<std::mutex> hold(m_lock);
                trips = !m_trigger.isEmpty() && data.contains(m_trigger);
                how = m_cut;
                if (trips)
                    m_trigger.clear();
            }
            if (trips && how == Cut::BeforeForwarding) {
                ++m_cuts;
                break; // the server sees the connection end instead
            }
            if (!sendAll(server, buffer, n))
                break;
            if (trips) {
                ++m_cuts;
                cut = true;
                ::shutdown(client, SHUT_RDWR);
            }
        }
        if (p[1].revents & (POLLIN | POLLHUP | POLLERR)) {
            const ssize_t n = ::recv(server, buffer, sizeof buffer, 0);
            if (n <= 0)
                break;
            if (!cut && !sendAll(client, buffer, n))
                break;
        }
    }
    ::shutdown(client, SHUT_RDWR);
    ::shutdown(server, SHUT_RDWR);
}
