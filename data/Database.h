#pragma once
// The SQLite file: opening and checking it, a new database, the connections, backup.

#include "data/Engine.h"

#include <QMap>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>


namespace agency {

class ServerReaders;

// What a new database starts with.
struct NewDatabase {
    QString title;
    qint32 percent = 0;
    QString userName;
    QString password;
};

// A prepared statement that finalises itself.
class Statement {
public:
    // Raises Error when the SQL does not prepare. A stream's rows are read a few at a time inside
    // a transaction, as of its first step, while other statements run between the reads.
    Statement(Connection* db, const QString& sql, bool stream = false);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    void bind(int index, const QVariant& value) { m_impl->bind(index, value); }  // 1-based
    bool step() { return m_impl->step(); }  // true for a row, false when done; raises on error
    void reset() { m_impl->reset(); }       // back to the start, bindings cleared
    int columnCount() const { return m_impl->columnCount(); }
    QVariant column(int index) const { return m_impl->column(index); }  // qint64, double, QString or null
    qint64 columnInt(int index) const { return m_impl->columnInt(index); }

private:
    std::unique_ptr<StatementEngine> m_impl;
};

// A write transaction that rolls back unless committed.
class Transaction {
public:
    explicit Transaction(Connection* db, bool immediate = true);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void commit();

private:
    Connection* m_db;
    bool m_open = false;
};

void exec(Connection* db, const QString& sql);

// A copy's progress: pages copied of all; total 0 while the copy is being checked. Called between
// steps of the copy, so it may let the window answer; it must not throw.
using BackupProgress = std::function<void(qint64 done, qint64 total)>;

// Hears of a row written to a table: its name and the row's id.
using RowWatcher = std::function<void(const QString& table, qint64 id)>;

class Database {
public:
    // Opens and checks an existing database; raises Error (and leaves the file as it was) when it
    // is missing, unreadable, not writable (the file, or its folder where SQLite keeps its log),
    // not SQLite, not this program's, of a newer version, locked, or lacks a table.
    explicit Database(const QString& path);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Creates a new database with the five tables, the first user and the settings row. The file
    // is readable and writable by its owner only; on failure no file is left behind.
    static void create(const QString& path, const NewDatabase& settings);

    const QString& path() const { return m_path; }
    Engine engine() const { return m_writer->engine(); }
    Connection* writer() const { return m_writer.get(); }

    // A connection for one dataset's snapshot: of its own on a file; on a server, one that every
    // dataset's shares, so that a desk holds three connections however many lists it opens.
    std::unique_ptr<Connection> openReader() const;

    // Copies the live database into target through SQLite's backup API, checks the copy and only
    // then puts it in place, so a failed copy never replaces a good one. Raises Error saying why
    // (the folder missing, not writable, full) on failure. It copies in steps of a few pages,
    // telling progress after each.
    void backupTo(const QString& target, const BackupProgress& progress = {}) const;

    // Announces that the row with this id of table was written (stored, corrected or deleted):
    // every open list of that table's rows that holds the row drops what it kept of it and shows
    // the stored values at once (summed and grouped results wait for their next opening). Whatever writes a row with
    // plain SQL calls it after the commit.
    void RowWritten(const QString& table, qint64 id);
    // Datasets listen through these; the key returned ends the listening.
    int watchRows(RowWatcher watcher);
    void unwatchRows(int key);

    // The program's own checks of a database file, changing nothing: this program's application
    // id, a schema version it can open, the five tables and SQLite's integrity check. Raises
    // Error saying what is wrong. A file it may not write is read without leaving a log beside it.
    // Returns every kept total that the rows do not give (none where it holds no kept totals yet).
    static QStringList verify(const QString& path);

    // Called now and then while an opening brings a database of an earlier version up to this
    // one, which takes a while on a large file, so that a window may answer; it must not throw.
    static void setUpgradeProgress(std::function<void()> progress);

    // Copies every row of the database at from into a new one at to (a file that does not exist,
    // or an empty database on a server), in one transaction, then compares the two: each table's
    // rows and the sums of every money column. Returns what differs, in the desk's words; empty
    // when the copy is whole. A copy that fails leaves nothing at to.
    static QStringList copy(const QString& from, const QString& to);

    // Verifies backup, then puts its content in place of the database at path through SQLite's
    // backup API. The database replaced is kept beside it under a dated name (DB.MDB becomes
    // DB-1405-09-17-103000.MDB), which is returned; empty when there was none at path. A database
    // at path that may not be written is refused before anything changes.
    static QString restore(const QString& backup, const QString& path);

private:
    QString m_path;
    std::unique_ptr<Connection> m_writer;
    std::unique_ptr<ServerReaders> m_readers;  // on a server: the lists' connections, shared
    QMap<int, RowWatcher> m_watchers;
    int m_nextWatcher = 0;
};

// Where the program's database is: the value of --database WHERE (or --database=WHERE) among the
// program's arguments, else the environment's AGENCY_DATABASE, else DB.MDB in the working folder.
// A server's address is a libpq connection URI (postgresql://desk@server/agency).
QString databaseLocation(const QStringList& arguments, const QString& environment);

// A plain connection to the database at where (a file or a server), with none of the program's
// checks: for tools and tests that read or write it as an administrator would.
std::unique_ptr<Connection> openConnection(const QString& where);

// Whether where names a database server (a libpq URI) rather than a file.
bool isServerAddress(const QString& where);

// Creates the schema, the first user and the settings row through db, inside the caller's
// transaction.
void fillNewDatabase(Connection* db, const NewDatabase& settings);

// Whether a file system of that statfs type, mounted as that type (/proc/mounts), is shared over
// a network (NFS, SMB/CIFS, sshfs and other FUSE file systems but a local disk's, AFS, Ceph, 9P):
// there SQLite's write-ahead log, whose index lives in one machine's memory, cannot guard a file
// that desks on several machines open.
bool isNetworkFilesystem(qint64 type, const QString& mountType);

// Case- and letter-form-insensitive text, as every name search compares: Arabic and Persian
// yeh (ي ى ی) and kaf (ك ک) are one letter, teh marbuta is heh (ة ه), and alef with a hamza is
// alef (أ إ ا); Persian and Arabic-Indic digits are ASCII digits.
QString foldText(const QString& text);

}  // namespace agency
