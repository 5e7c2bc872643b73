#pragma once
// A network between a desk and its server, on the loopback: connections to a port of this machine
// are forwarded to the server's socket, each chunk a few milliseconds late each way, as a LAN or a
// VPN delays them. The replies can be held back (a network that drops silently) and every
// connection cut (a cable pulled), so that what a desk meets there can be measured and tested.

#include <QString>

#include <atomic>
#include <memory>
#include <thread>

class LinkProxy {
public:
    // Forwards to the server's Unix socket at socketPath, delayMs late each way.
    LinkProxy(const QString& socketPath, int delayMs);
    ~LinkProxy();
    LinkProxy(const LinkProxy&) = delete;
    LinkProxy& operator=(const LinkProxy&) = delete;

    int port() const { return m_port; }
    // While held, what the server sends is kept back; released, it goes on in order.
    void holdReplies(bool hold) { m_hold = hold; }
    // Closes every connection now; new ones are taken as before.
    void cutAll() { m_cut = true; }
    // The chunks the desks sent so far: a round trip each, as a client waits for its answer.
    long long requests() const { return m_requests; }

private:
    void run();

    QString m_socketPath;
    int m_delayMs;
    int m_listener = -1;
    int m_wake[2] = {-1, -1};
    int m_port = 0;
    std::atomic<bool> m_hold{false}, m_cut{false}, m_stop{false};
    std::atomic<long long> m_requests{0};
    std::thread m_thread;
};
