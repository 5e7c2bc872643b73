#pragma once
// Where a test's fresh database lives: a file in the test's folder, or, when the tests run
// against the server (AGENCY_TEST_ENGINE=server), a new empty database on the server that
// scripts/with-postgres started for them.

#include "data/Database.h"
#include "data/Errors.h"

#include <QCoreApplication>
#include <QTemporaryDir>

namespace testdb {

inline bool onServer()
{
    return qgetenv("AGENCY_TEST_ENGINE") == "server";
}

// The location of a database that does not exist yet, ready for Database::create.
inline QString freshLocation(const QTemporaryDir& dir)
{
    using namespace Qt::StringLiterals;
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

}  // namespace testdb
