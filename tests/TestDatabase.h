#pragma once
// Where a test's fresh database lives: a file in the test's folder, or, when the tests run
// against the server (AGENCY_TEST_ENGINE=server), a new empty database on the server that
// scripts/with-postgres started for them.

#include "data/Database.h"
#include "data/Errors.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <csignal>

namespace testdb {

using namespace Qt::StringLiterals;

inline bool onServer()
{
    return qgetenv("AGENCY_TEST_ENGINE") == "server";
}

// The location of a database that does not exist yet, ready for Database::create.
inline QString freshLocation(const QTemporaryDir& dir)
{
    if (!onServer()) return dir.filePath(u"DB.MDB"_s);
    const QString server = qEnvironmentVariable("AGENCY_TEST_SERVER");
    const QString socket = qEnvironmentVariable("AGENCY_TEST_SERVER_DIR");
    if (server.isEmpty() || socket.isEmpty()) throw agency::Error(u"AGENCY_TEST_SERVER is not set: run under scripts/with-postgres"_s);
    static int made = 0;
    const QString name = u"t%1_%2"_s.arg(QCoreApplication::applicationPid()).arg(++made);
    const auto admin = agency::openConnection(server);
    agency::exec(admin.get(), u"DROP DATABASE IF EXISTS %1 WITH (FORCE)"_s.arg(name));
    agency::exec(admin.get(), u"CREATE DATABASE %1"_s.arg(name));
    return u"postgresql:///%1?host=%2&user=agency"_s.arg(name, socket);
}

// The processes of the server scripts/with-postgres started: the postmaster and its children.
inline QList<pid_t> serverProcesses()
{
    QFile pidFile(qEnvironmentVariable("AGENCY_TEST_SERVER_DIR") + u"/data/postmaster.pid"_s);
    if (!pidFile.open(QIODevice::ReadOnly)) return {};
    const pid_t postmaster = pid_t(pidFile.readLine().trimmed().toLong());
    QList<pid_t> out{postmaster};
    for (const QString& entry : QDir(u"/proc"_s).entryList(QDir::Dirs)) {
        QFile stat(u"/proc/"_s + entry + u"/stat"_s);
        if (!stat.open(QIODevice::ReadOnly)) continue;
        const QByteArray line = stat.readAll();
        const QList<QByteArray> after = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (after.size() > 1 && pid_t(after[1].toLong()) == postmaster) out << pid_t(entry.toLong());
    }
    return out;
}

// The whole server stopped where it stands, as a hung machine or a dropped network leaves it,
// until thawed (at the latest when this goes).
class ServerFrozen {
public:
    ServerFrozen() : m_pids(serverProcesses())
    {
        for (const pid_t p : m_pids) ::kill(p, SIGSTOP);
    }
    ~ServerFrozen() { thaw(); }
    void thaw()
    {
        for (const pid_t p : std::exchange(m_pids, {})) ::kill(p, SIGCONT);
    }

private:
    QList<pid_t> m_pids;
};

// pg_ctl restart, waiting until the server takes connections again.
inline bool restartServer()
{
    const QString dir = qEnvironmentVariable("AGENCY_TEST_SERVER_DIR");
    QStringList command{qEnvironmentVariable("AGENCY_TEST_SERVER_BIN") + u"/pg_ctl"_s, u"restart"_s,
                        u"-s"_s, u"-w"_s, u"-m"_s, u"fast"_s,
                        u"-D"_s, dir + u"/data"_s, u"-l"_s,
                        dir + u"/server.log"_s};
    const QString account = qEnvironmentVariable("AGENCY_TEST_SERVER_ACCOUNT");
    if (!account.isEmpty()) command = QStringList{u"-u"_s, account, u"--"_s} + command;
    QProcess p;
    p.setWorkingDirectory(dir);
    p.start(account.isEmpty() ? command.takeFirst() : u"runuser"_s, command);
    return p.waitForFinished(60000) && p.exitCode() == 0;
}

}  // namespace testdb
