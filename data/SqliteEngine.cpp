#include "data/SqliteEngine.h"

#include "data/Database.h"
#include "data/Errors.h"

#include <QFile>

#include <sqlite3.h>
#include <utility>

using namespace Qt::StringLiterals;

namespace agency {

namespace {

// A like pattern read once per statement: folded characters, each either literal or the %
// wildcard (runs of % are one). A backslash takes the character after it literally.
struct LikePattern {
    QString chars;
    QList<bool> wild;
    qsizetype literals = 0;
};

LikePattern compileLike(const QString& text)
{
    const QString folded = foldText(text);
    LikePattern p;
    for (qsizetype i = 0; i < folded.size(); ++i) {
        QChar c = folded[i];
        const bool escaped = c == u'\\' && i + 1 < folded.size();
        if (escaped) c = folded[++i];
        if (!escaped && c == u'%') {
            if (!p.wild.isEmpty() && p.wild.last()) continue;
            p.chars += c;
            p.wild.append(true);
        } else {
            p.chars += c;
            p.wild.append(false);
            ++p.literals;
        }
    }
    return p;
}

// Greedy matching that returns to the last % on a mismatch: at most value × pattern steps, and a
// pattern with more letters than the value is refused at once, so no text can freeze a search.
bool likeMatch(const QString& value, const LikePattern& p)
{
    if (p.literals > value.size()) return false;
    const qsizetype n = value.size(), m = p.chars.size();
    qsizetype vi = 0, pi = 0, star = -1, mark = 0;
    while (vi < n) {
        if (pi < m && p.wild[pi]) {
            star = pi++;
            mark = vi;
        } else if (pi < m && p.chars[pi] == value[vi]) {
            ++vi;
            ++pi;
        } else if (star >= 0) {
            pi = star + 1;
            vi = ++mark;
        } else {
            return false;
        }
    }
    while (pi < m && p.wild[pi]) ++pi;
    return pi == m;
}

QString argText(sqlite3_value* v)
{
    return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_value_text(v)), sqlite3_value_bytes(v));
}

void sqlLike(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const QString value = foldText(argText(argv[0]));
    // The pattern is a constant of the statement: compiled for the first row, kept for the rest.
    if (const auto* cached = static_cast<const LikePattern*>(sqlite3_get_auxdata(ctx, 1))) {
        sqlite3_result_int(ctx, likeMatch(value, *cached) ? 1 : 0);
        return;
    }
    auto* pattern = new LikePattern(compileLike(argText(argv[1])));
    sqlite3_result_int(ctx, likeMatch(value, *pattern) ? 1 : 0);
    // Last: SQLite may free the pattern before this call returns.
    sqlite3_set_auxdata(ctx, 1, pattern, [](void* p) { delete static_cast<LikePattern*>(p); });
}

class SqliteStatement final : public StatementEngine {
public:
    SqliteStatement(sqlite3* db, const QString& sql) : m_db(db)
    {
        const QByteArray utf8 = sql.toUtf8();
        if (sqlite3_prepare_v2(db, utf8.constData(), int(utf8.size()), &m_stmt, nullptr) != SQLITE_OK) {
            const Error failure(sqliteError(db), sqlite3_extended_errcode(db));
            sqlite3_finalize(m_stmt);
            throw failure;
        }
    }
    ~SqliteStatement() override { sqlite3_finalize(m_stmt); }

    void bind(int index, const QVariant& value) override
    {
        int rc = SQLITE_OK;
        if (value.isNull()) {
            rc = sqlite3_bind_null(m_stmt, index);
        } else if (value.typeId() == QMetaType::QString) {
            const QByteArray utf8 = value.toString().toUtf8();
            rc = sqlite3_bind_text(m_stmt, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
        } else if (value.typeId() == QMetaType::Double) {
            rc = sqlite3_bind_double(m_stmt, index, value.toDouble());
        } else {
            rc = sqlite3_bind_int64(m_stmt, index, value.toLongLong());
        }
        if (rc != SQLITE_OK) throw Error(sqliteError(m_db));
    }

    bool step() override
    {
        const int rc = sqlite3_step(m_stmt);
        if (rc == SQLITE_ROW) return true;
        if (rc == SQLITE_DONE) return false;
        // Taken before the reset, which may change them.
        const Error failure(sqliteError(m_db), sqlite3_extended_errcode(m_db), sqlite3_system_errno(m_db));
        sqlite3_reset(m_stmt);
        throw failure;
    }

    void reset() override
    {
        sqlite3_reset(m_stmt);
        sqlite3_clear_bindings(m_stmt);
    }

    int columnCount() const override { return sqlite3_column_count(m_stmt); }

    QVariant column(int index) const override
    {
        switch (sqlite3_column_type(m_stmt, index)) {
            case SQLITE_INTEGER:
                return QVariant(qint64(sqlite3_column_int64(m_stmt, index)));
            case SQLITE_FLOAT:
                return QVariant(sqlite3_column_double(m_stmt, index));
            case SQLITE_TEXT:
                return QVariant(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, index)),
                                                  sqlite3_column_bytes(m_stmt, index)));
            case SQLITE_BLOB:
                return QVariant(QByteArray(reinterpret_cast<const char*>(sqlite3_column_blob(m_stmt, index)),
                                           sqlite3_column_bytes(m_stmt, index)));
            default:
                return QVariant();
        }
    }

    qint64 columnInt(int index) const override { return sqlite3_column_int64(m_stmt, index); }

private:
    sqlite3* m_db;
    sqlite3_stmt* m_stmt = nullptr;
};

constexpr qint64 kHeapLimit = 4 << 20;

}  // namespace

SqliteConnection::SqliteConnection(const QString& path, int flags, const QByteArray& name)
{
    // A program holds a connection for each of its lists; their page caches share one bound
    // rather than two megabytes each, and the system's file cache keeps the rest near.
    static const bool bounded = (sqlite3_soft_heap_limit64(kHeapLimit), true);
    Q_UNUSED(bounded);
    const QByteArray file = name.isEmpty() ? QFile::encodeName(path) : name;
    const int rc = sqlite3_open_v2(file.constData(), &m_db, flags | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        const QString msg = m_db ? sqliteError(m_db) : QString::fromUtf8(sqlite3_errstr(rc));
        sqlite3_close_v2(std::exchange(m_db, nullptr));
        throw Error(u"پايگاه داده باز نشد: "_s + msg);
    }
    sqlite3_busy_timeout(m_db, 3000);
    sqlite3_extended_result_codes(m_db, 1);
    sqlite3_create_function_v2(m_db, "agency_like", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, &sqlLike, nullptr,
                               nullptr, nullptr);
}

SqliteConnection::~SqliteConnection()
{
    close();
}

void SqliteConnection::close()
{
    sqlite3_close_v2(std::exchange(m_db, nullptr));
}

std::unique_ptr<StatementEngine> SqliteConnection::prepare(const QString& sql)
{
    return std::make_unique<SqliteStatement>(m_db, sql);
}

void SqliteConnection::exec(const QString& sql)
{
    char* err = nullptr;
    if (sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, &err) != SQLITE_OK) {
        const QString msg = err ? QString::fromUtf8(err) : sqliteError(m_db);
        sqlite3_free(err);
        throw Error(msg, sqlite3_extended_errcode(m_db), sqlite3_system_errno(m_db));
    }
}

void SqliteConnection::begin(bool write)
{
    exec(write ? u"BEGIN IMMEDIATE"_s : u"BEGIN"_s);
}

void SqliteConnection::beginSnapshot()
{
    exec(u"BEGIN; SELECT 1 FROM sqlite_master LIMIT 1"_s);
}

void SqliteConnection::commit()
{
    exec(u"COMMIT"_s);
}

void SqliteConnection::rollback() noexcept
{
    if (!sqlite3_get_autocommit(m_db)) sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
}

bool SqliteConnection::inTransaction() const
{
    return !sqlite3_get_autocommit(m_db);
}

void SqliteConnection::interrupt() noexcept
{
    sqlite3_interrupt(m_db);
}

QString sqliteError(sqlite3* db)
{
    return QString::fromUtf8(sqlite3_errmsg(db));
}

sqlite3* fileHandle(Connection* db)
{
    auto* file = dynamic_cast<SqliteConnection*>(db);
    return file ? file->handle() : nullptr;
}

}  // namespace agency
