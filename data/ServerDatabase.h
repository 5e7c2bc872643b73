#pragma once
// What a database on a server needs that a file does not: its schema's own pieces, its checks,
// its creation.

#include "data/Engine.h"

#include <QStringList>

namespace agency {

struct NewDatabase;

// Checks that the database on the server is this program's, of a version it can open, and brings
// one of an earlier version up to this one.
void openServerDatabase(Connection* db, const QString& where);

// Makes the schema, the first user and the settings row in an empty database on a server.
void createOnServer(const QString& uri, const NewDatabase& settings);

// The program's checks of a database on a server, changing nothing; the kept totals that differ.
QStringList verifyOnServer(const QString& uri);

// What a database on a server holds besides the tables: the text collation, the folding and
// matching functions the program's SQL calls, and the version row.
QStringList serverPreamble();

// The SQL of one trigger on the server: a function running body for each row, fired as event
// ("AFTER INSERT", "AFTER UPDATE OF a, b", "BEFORE DELETE") on table.
QStringList serverTrigger(const QString& name, const QString& event, const QString& table, const QString& body);

}  // namespace agency
