#include "bench/LinkProxy.h"

#include <QFile>

#include <arpa/inet.h>
#include <chrono>
#include <deque>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Chunk {
    Clock::time_point due;
    std::string bytes;
};

// One way of one connection: what was read from `from` and waits to be written to `to`.
struct Way {
    int from = -1, to = -1;
    bool reply = false;  // the server's way back to the desk
    std::deque<Chunk> queue;
};

struct Link {
    Way up, down;
    bool closed = false;
    ~Link()
    {
        ::close(up.from);
        ::close(up.to);
    }
};

bool writeAll(int fd, const std::string& bytes)
{
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) return false;
        done += std::size_t(n);
    }
    return true;
}

int connectTo(const QString& socketPath)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    const QByteArray path = QFile::encodeName(socketPath);
    if (fd < 0 || std::size_t(path.size()) >= sizeof a.sun_path) return -1;
    std::copy(path.begin(), path.end(), a.sun_path);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) return fd;
    ::close(fd);
    return -1;
}

}  // namespace

LinkProxy::LinkProxy(const QString& socketPath, int delayMs) : m_socketPath(socketPath), m_delayMs(delayMs)
{
    m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
    const int on = 1;
    ::setsockopt(m_listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof a;
    if (::bind(m_listener, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 && ::listen(m_listener, 128) == 0 &&
        ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&a), &size) == 0)
        m_port = ntohs(a.sin_port);
    if (::pipe(m_wake) != 0) m_wake[0] = m_wake[1] = -1;
    m_thread = std::thread([this] { run(); });
}

LinkProxy::~LinkProxy()
{
    m_stop = true;
    if (m_wake[1] >= 0 && ::write(m_wake[1], "x", 1) < 0) {
    }
    m_thread.join();
    for (const int fd : {m_listener, m_wake[0], m_wake[1]})
        if (fd >= 0) ::close(fd);
}

void LinkProxy::run()
{
    std::vector<std::unique_ptr<Link>> links;
    const auto delay = std::chrono::milliseconds(m_delayMs);
    while (!m_stop) {
        if (m_cut.exchange(false)) links.clear();
        std::vector<pollfd> fds = {{m_listener, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
        // A link closed on either side delivers what it holds and reads no more.
        for (const auto& l : links)
            fds.push_back({l->closed ? -1 : l->up.from, POLLIN, 0}), fds.push_back({l->closed ? -1 : l->down.from, POLLIN, 0});
        // Wake for the first chunk due, checking now and then for a hold released or a cut.
        int timeout = 20;
        const Clock::time_point now = Clock::now();
        for (const auto& l : links)
            for (const Way* w : {&l->up, &l->down})
                if (!w->queue.empty() && !(w->reply && m_hold)) {
                    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(w->queue.front().due - now);
                    timeout = std::min(timeout, std::max(0, int(left.count())));
                }
        ::poll(fds.data(), fds.size(), timeout);
        if (fds[0].revents & POLLIN) {
            const int desk = ::accept(m_listener, nullptr, nullptr);
            const int server = desk < 0 ? -1 : connectTo(m_socketPath);
            if (server < 0) {
                if (desk >= 0) ::close(desk);
            } else {
                const int on = 1;
                ::setsockopt(desk, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
                auto l = std::make_unique<Link>();
                l->up = {desk, server, false, {}};
                l->down = {server, desk, true, {}};
                links.push_back(std::move(l));
            }
        }
        char buffer[65536];
        for (std::size_t i = 0, at = 2; i < links.size() && at + 1 < fds.size(); ++i, at += 2) {
            Link& l = *links[i];
            for (const auto& [pfd, way] : {std::pair{fds[at], &l.up}, std::pair{fds[at + 1], &l.down}}) {
                if (!(pfd.revents & (POLLIN | POLLHUP | POLLERR))) continue;
                const ssize_t n = ::read(way->from, buffer, sizeof buffer);
                if (n <= 0) l.closed = true;
                else way->queue.push_back({Clock::now() + delay, std::string(buffer, std::size_t(n))});
                if (n > 0 && !way->reply) ++m_requests;
            }
        }
        for (const auto& l : links)
            for (Way* w : {&l->up, &l->down})
                while (!w->queue.empty() && !(w->reply && m_hold) && w->queue.front().due <= Clock::now()) {
                    if (!writeAll(w->to, w->queue.front().bytes)) l->closed = true;
                    w->queue.pop_front();
                }
        std::erase_if(links, [](const auto& l) { return l->closed && l->up.queue.empty() && l->down.queue.empty(); });
    }
}
