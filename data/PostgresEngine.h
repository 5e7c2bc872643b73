#pragma once
// The server engine: connections to a PostgreSQL database through libpq.
//
// No call waits without a bound. Every round trip is sent asynchronously and waited for on the
// connection's socket with a deadline; on the window's thread the wait lets timers and repaints
// run (not the desk's keys, which wait their turn), and a call that one of them asks for meanwhile
// is refused at once (kBusy) rather than nested. A deadline that passes drops the connection and
// cancels the server's work; the next call connects again. A read that finds its connection
// dropped connects again and runs once more; a transaction that never reached its commit is the
// caller's to run again (kConnectionLost); a commit whose answer never came is settled by the
// transaction's id on a new connection, the server's old session ended first (kCommitUnknown
// while the server still does not answer).

#include "data/Engine.h"

#include <memory>

namespace agency {

// Connects to the server a libpq URI names; the password comes from where libpq looks for it
// (~/.pgpass, PGPASSWORD, a service file). Raises Error in Persian, saying what to check, when the
// server cannot be reached or refuses the desk. bounded: its calls have the desk's deadline, else
// they wait as long as the server works (an administrator's copy or check).
std::unique_ptr<Connection> openServer(const QString& uri, bool bounded = true);

// One desk's readers on a server, however many lists it opens: one connection whose single read
// transaction holds every list's snapshot as a cursor of its own (each with the snapshot of its
// declaration), ended once the last of them is read, and one for everything else that reads.
class ServerReaders {
public:
    explicit ServerReaders(const QString& uri);
    ~ServerReaders();
    // A connection for one dataset: its streamed statements are cursors on the shared snapshot
    // connection inside its own begin() and rollback(), its other statements run on the other.
    std::unique_ptr<Connection> handle();

private:
    struct Links;
    std::unique_ptr<Links> m_links;
};

// The bounds of one round trip and of one connection attempt, in milliseconds; 0 for none (tools
// that copy or rebuild a whole database).
void setServerDeadlines(int callMs, int connectMs);

}  // namespace agency
