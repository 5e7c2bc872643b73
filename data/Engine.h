#pragma once
// The seam between the program and a database engine: a connection, its statements and its
// transactions. A file (SQLite) and a server (PostgreSQL) stand behind it, and the SQL given to it
// is the dialect both run, so that no window knows which one it stands on.

#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>

namespace agency {

enum class Engine { File, Server };

// What became of a commit whose answer never came, once the server answers again.
enum class CommitOutcome { None, Committed, Aborted };

// Whether a call to the database waits for its answer below on this thread's stack: a timer or a
// repaint that runs meanwhile leaves the database alone (its call would be refused).
bool databaseCallWaiting();
// Whether the database's server did not answer the last call that asked it; cleared by the next
// answer. A periodic task leaves it alone meanwhile, so that only the desk's actions wait for it.
bool databaseUnanswered();

// One prepared statement of a connection; Statement (Database.h) is what the program holds.
class StatementEngine {
public:
    virtual ~StatementEngine() = default;
    virtual void bind(int index, const QVariant& value) = 0;  // 1-based; QString, integers, double, null
    virtual bool step() = 0;                                  // true for a row; raises Error on failure
    virtual void reset() = 0;                                 // back to the start, bindings cleared
    virtual int columnCount() const = 0;
    virtual QVariant column(int index) const = 0;  // qint64, double, QString or null
    virtual qint64 columnInt(int index) const = 0;
};

// Many rows added to one table at once, in the fastest way the engine takes them; the table's
// triggers fire as for INSERT. Connection::load gives one.
class RowLoader {
public:
    virtual ~RowLoader() = default;
    virtual void add(const QVariantList& row) = 0;  // the values of the columns named, in order
    // Every row added is in the table, or the engine's refusal is raised. A loader dropped
    // unfinished leaves its transaction to be rolled back.
    virtual void finish() = 0;
};

// The names as a column list: "a","b".
QString quotedNames(const QStringList& names);

class Connection {
public:
    virtual ~Connection() = default;
    virtual Engine engine() const = 0;
    virtual std::unique_ptr<StatementEngine> prepare(const QString& sql) = 0;
    // A statement whose many rows are read a few at a time inside a transaction, as of its first
    // step, while other statements of the connection run between the reads.
    virtual std::unique_ptr<StatementEngine> prepareStream(const QString& sql) { return prepare(sql); }
    // Within a transaction: rows for the columns of table, quoted as the program names them.
    virtual std::unique_ptr<RowLoader> load(const QString& table, const QStringList& columns);
    // Runs one or more statements that return nothing the caller reads.
    virtual void exec(const QString& sql) = 0;
    // write: the transaction will write, and waits for other writers now rather than at its
    // first write, where the engine locks that way.
    virtual void begin(bool write) = 0;
    // A read transaction whose snapshot is taken now, not at its first read.
    virtual void beginSnapshot() = 0;
    virtual void commit() = 0;
    virtual void rollback() noexcept = 0;
    virtual bool inTransaction() const = 0;
    // Called from another thread: the statement running on this connection stops with an error.
    virtual void interrupt() noexcept = 0;
    // Settles a commit that raised kCommitUnknown, once: whether it was stored. None when there is
    // none to settle; raises Error while the server still does not answer.
    virtual CommitOutcome resolveUnanswered() { return CommitOutcome::None; }
};

}  // namespace agency
