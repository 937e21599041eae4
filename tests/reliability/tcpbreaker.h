#pragma once

#include <QByteArray>
#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

// A TCP relay on 127.0.0.1 in front of a server, that breaks a connection the way a network
// does: armed with a text, it cuts the client off when the client sends that text, either
// after handing it on (the server does the work, the answer never arrives) or before (the
// server never sees it). Connections made later are relayed as usual.
class TcpBreaker
{
public:
    enum class Cut { AfterForwarding, BeforeForwarding };

    explicit TcpBreaker(int serverPort);
    ~TcpBreaker();
    TcpBreaker(const TcpBreaker &) = delete;
    TcpBreaker &operator=(const TcpBreaker &) = delete;

    int port() const { return m_port; }
    void arm(const QByteArray &text, Cut cut);
    // True once an armed cut happened (and the breaker is disarmed again).
    bool hasCut() const { return m_cuts > 0; }
    int cuts() const { return m_cuts; }

private:
    void acceptLoop();
    void relay(int client);

    int m_serverPort;
    int m_listen = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_cuts{0};
    std::mutex m_lock;
    QByteArray m_trigger;
    Cut m_cut = Cut::AfterForwarding;
    std::thread m_accepting;
    std::vector<std::thread> m_threads; // one per relayed connection
    std::vector<int> m_sockets;
};
