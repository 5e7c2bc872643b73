#pragma once
// The file engine: a connection to an SQLite database.

#include "data/Engine.h"

#include <QByteArray>

struct sqlite3;

namespace agency {

class SqliteConnection final : public Connection {
public:
    // Opens the file at path (or the URI name, when given) with SQLite's open flags; raises Error.
    SqliteConnection(const QString& path, int flags, const QByteArray& name = {});
    ~SqliteConnection() override;

    Engine engine() const override { return Engine::File; }
    std::unique_ptr<StatementEngine> prepare(const QString& sql) override;
    void exec(const QString& sql) override;
    void begin(bool write) override;
    void beginSnapshot() override;
    void commit() override;
    void rollback() noexcept override;
    bool inTransaction() const override;
    void interrupt() noexcept override;

    sqlite3* handle() const { return m_db; }
    void close();

private:
    sqlite3* m_db = nullptr;
};

// The connection's last error text.
QString sqliteError(sqlite3* db);

// The file engine's own connection under a connection the program holds: for what only a file
// has (its pragmas, its backup API, its integrity check).
sqlite3* fileHandle(Connection* db);

}  // namespace agency
