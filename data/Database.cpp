#include "data/Database.h"

#include "data/Errors.h"
#include "data/Password.h"
#include "data/Schema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

namespace agency {

namespace {

QString tr(const char16_t* text) { return QString::fromUtf16(text); }

// Only % is a wildcard; matching folds case and letter forms.
bool likeMatch(const QString& value, int vi, const QString& pattern, int pi)
{
    while (pi < pattern.size()) {
        if (pattern[pi] == u'%') {
            while (pi < pattern.size() && pattern[pi] == u'%')
                ++pi;
            if (pi == pattern.size())
                return true;
            for (int k = vi; k <= value.size(); ++k)
                if (likeMatch(value, k, pattern, pi))
                    return true;
            return false;
        }
        if (vi >= value.size() || value[vi] != pattern[pi])
            return false;
        ++vi;
        ++pi;
    }
    return vi == value.size();
}

void sqlLike(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const QString value = foldText(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_value_text(argv[0]))));
    const QString pattern = foldText(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_value_text(argv[1]))));
    sqlite3_result_int(ctx, likeMatch(value, 0, pattern, 0) ? 1 : 0);
}

void prepareConnection(sqlite3* db)
{
    sqlite3_busy_timeout(db, 3000);
    sqlite3_extended_result_codes(db, 1);
    sqlite3_create_function_v2(db, "agency_like", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, &sqlLike,
                               nullptr, nullptr, nullptr);
}

sqlite3* openFile(const QString& path, int flags)
{
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db, flags | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        const QString msg = db ? sqliteError(db) : QString::fromUtf8(sqlite3_errstr(rc));
        sqlite3_close_v2(db);
        throw Error(tr(u"پايگاه داده باز نشد: ") + msg);
    }
    prepareConnection(db);
    return db;
}

qint64 pragmaInt(sqlite3* db, const char* pragma)
{
    Statement st(db, QStringLiteral("PRAGMA %1").arg(QString::fromLatin1(pragma)));
    return st.step() ? st.columnInt(0) : 0;
}

void syncDirectory(const QString& file)
{
    const int fd = ::open(QFile::encodeName(QFileInfo(file).absolutePath()).constData(), O_RDONLY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// Creates an empty file readable and writable by its owner only, refusing to overwrite.
void createPrivateFile(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_CREAT | O_EXCL | O_WRONLY, 0600);
    if (fd < 0)
        throw Error(tr(u"فايل ساخته نشد: ") + path);
    ::close(fd);
}

// Brings a database of an earlier version up to this one, one version a transaction.
void upgradeSchema(sqlite3* db)
{
    for (const SchemaStep& step : schemaSteps()) {
        if (pragmaInt(db, "user_version") >= step.version)
            continue;
        Transaction tx(db);
        for (const QString& sql : step.statements)
            exec(db, sql);
        exec(db, QStringLiteral("PRAGMA user_version=%1").arg(step.version));
        tx.commit();
    }
}

}  // namespace

QString foldText(const QString& text)
{
    QString out = text.toCaseFolded();
    for (QChar& c : out) {
        switch (c.unicode()) {
        case 0x064A:  // Arabic yeh
        case 0x0649:  // alef maksura
            c = QChar(0x06CC);
            break;
        case 0x0643:  // Arabic kaf
            c = QChar(0x06A9);
            break;
        default:
            break;
        }
    }
    return asciiDigits(out);
}

QString sqliteError(sqlite3* db) { return QString::fromUtf8(sqlite3_errmsg(db)); }

void exec(sqlite3* db, const QString& sql)
{
    char* err = nullptr;
    if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &err) != SQLITE_OK) {
        const QString msg = err ? QString::fromUtf8(err) : sqliteError(db);
        sqlite3_free(err);
        throw Error(msg);
    }
}

Statement::Statement(sqlite3* db, const QString& sql) : m_db(db)
{
    const QByteArray utf8 = sql.toUtf8();
    if (sqlite3_prepare_v2(db, utf8.constData(), int(utf8.size()), &m_stmt, nullptr) != SQLITE_OK) {
        const QString msg = sqliteError(db);
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
        throw Error(msg);
    }
}

Statement::~Statement() { sqlite3_finalize(m_stmt); }

void Statement::bind(int index, const QVariant& value)
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
    if (rc != SQLITE_OK)
        throw Error(sqliteError(m_db));
}

bool Statement::step()
{
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    const QString msg = sqliteError(m_db);
    sqlite3_reset(m_stmt);
    throw Error(msg);
}

void Statement::reset()
{
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
}

int Statement::columnCount() const { return sqlite3_column_count(m_stmt); }

QVariant Statement::column(int index) const
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

qint64 Statement::columnInt(int index) const { return sqlite3_column_int64(m_stmt, index); }

Transaction::Transaction(sqlite3* db, bool immediate) : m_db(db)
{
    exec(db, immediate ? QStringLiteral("BEGIN IMMEDIATE") : QStringLiteral("BEGIN"));
    m_open = true;
}

Transaction::~Transaction()
{
    if (m_open)
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
}

void Transaction::commit()
{
    exec(m_db, QStringLiteral("COMMIT"));
    m_open = false;
}

Database::Database(const QString& path) : m_path(path)
{
    const QFileInfo info(path);
    if (!info.exists())
        throw Error(tr(u"فايل پايگاه داده پيدا نشد: ") + path);
    if (!info.isFile() || !info.isReadable())
        throw Error(tr(u"فايل پايگاه داده خوانده نمي شود: ") + path);

    m_writer = openFile(path, SQLITE_OPEN_READWRITE);
    try {
        qint64 appId = 0;
        try {
            appId = pragmaInt(m_writer, "application_id");
        } catch (const Error& e) {
            const int code = sqlite3_errcode(m_writer) & 0xff;
            if (code == SQLITE_BUSY || code == SQLITE_LOCKED)
                throw Error(tr(u"فايل پايگاه داده در اختيار برنامه ديگري است و قفل شده: ") + e.text());
            if (code == SQLITE_NOTADB)
                throw Error(tr(u"اين فايل پايگاه داده نيست: ") + path);
            throw Error(tr(u"پايگاه داده خوانده نشد: ") + e.text());
        }
        if (appId != kApplicationId)
            throw Error(tr(u"اين فايل پايگاه داده اين برنامه نيست: ") + path);
        if (pragmaInt(m_writer, "user_version") > kSchemaVersion)
            throw Error(tr(u"اين پايگاه داده با نسخه جديدتري از برنامه ساخته شده است"));
        for (const TableDef& t : schemaTables()) {
            Statement st(m_writer, QStringLiteral("SELECT 1 FROM sqlite_master WHERE type='table' AND name=?"));
            st.bind(1, t.name);
            if (!st.step())
                throw Error(tr(u"جدول %1 در پايگاه داده نيست").arg(t.name));
        }
        upgradeSchema(m_writer);
        // Durability first: a committed row survives a power cut.
        Statement mode(m_writer, QStringLiteral("PRAGMA journal_mode"));
        if (!mode.step() || mode.column(0).toString().compare(QLatin1String("wal"), Qt::CaseInsensitive) != 0)
            exec(m_writer, QStringLiteral("PRAGMA journal_mode=WAL"));
        exec(m_writer, QStringLiteral("PRAGMA synchronous=FULL"));
        // The log is checkpointed every thousand pages and cut back once a burst has passed.
        exec(m_writer, QStringLiteral("PRAGMA wal_autocheckpoint=1000; PRAGMA journal_size_limit=4194304"));
    } catch (...) {
        sqlite3_close_v2(m_writer);
        m_writer = nullptr;
        throw;
    }
}

Database::~Database() { sqlite3_close_v2(m_writer); }

sqlite3* Database::openReader() const
{
    sqlite3* db = openFile(m_path, SQLITE_OPEN_READWRITE);
    return db;
}

void Database::closeConnection(sqlite3* db) { sqlite3_close_v2(db); }

void Database::create(const QString& path, const NewDatabase& settings)
{
    if (QFileInfo::exists(path))
        throw Error(tr(u"فايل پايگاه داده از قبل وجود دارد: ") + path);
    for (const QString& text : {settings.title, settings.userName})
        if (text.size() > 50)
            throw Error(tr(u"متن بيش از ۵۰ نويسه است: ") + text);
    const QString part = path + QStringLiteral(".new");
    QFile::remove(part);
    createPrivateFile(part);
    sqlite3* db = nullptr;
    try {
        db = openFile(part, SQLITE_OPEN_READWRITE);
        {
            Transaction tx(db);
            exec(db, QStringLiteral("PRAGMA application_id=%1").arg(kApplicationId));
            exec(db, QStringLiteral("PRAGMA user_version=%1").arg(kSchemaVersion));
            for (const QString& sql : schemaStatements())
                exec(db, sql);
            Statement user(db, QStringLiteral("INSERT INTO \"Users\" (\"UserName\", \"PassWord\") VALUES (?, ?)"));
            user.bind(1, settings.userName);
            user.bind(2, Password::hash(settings.password));
            user.step();
            Statement payeh(db, QStringLiteral("INSERT INTO payeh (\"Title\", \"percent\", \"Add\", \"Tel\") VALUES (?, ?, '', '')"));
            payeh.bind(1, settings.title);
            payeh.bind(2, qint64(settings.percent));
            payeh.step();
            tx.commit();
        }
        exec(db, QStringLiteral("PRAGMA journal_mode=WAL"));
        sqlite3_close_v2(db);
        db = nullptr;
        if (::rename(QFile::encodeName(part).constData(), QFile::encodeName(path).constData()) != 0)
            throw Error(tr(u"فايل پايگاه داده ساخته نشد: ") + path);
        syncDirectory(path);
    } catch (...) {
        if (db)
            sqlite3_close_v2(db);
        QFile::remove(part);
        QFile::remove(part + QStringLiteral("-wal"));
        QFile::remove(part + QStringLiteral("-shm"));
        throw;
    }
}

void Database::backupTo(const QString& target) const
{
    const QString part = target + QStringLiteral(".part");
    QFile::remove(part);
    QFile::remove(part + QStringLiteral("-journal"));
    createPrivateFile(part);
    sqlite3* dst = nullptr;
    try {
        dst = openFile(part, SQLITE_OPEN_READWRITE);
        sqlite3_backup* backup = sqlite3_backup_init(dst, "main", m_writer, "main");
        if (!backup)
            throw Error(sqliteError(dst));
        const int rc = sqlite3_backup_step(backup, -1);
        sqlite3_backup_finish(backup);
        if (rc != SQLITE_DONE)
            throw Error(sqliteError(dst));
        // The copy stands alone: one file, no write-ahead log beside it.
        exec(dst, QStringLiteral("PRAGMA journal_mode=DELETE"));
        Statement check(dst, QStringLiteral("PRAGMA integrity_check"));
        if (!check.step() || check.column(0).toString() != QLatin1String("ok"))
            throw Error(tr(u"نسخه پشتيبان سالم نيست"));
        sqlite3_close_v2(dst);
        dst = nullptr;
        const int fd = ::open(QFile::encodeName(part).constData(), O_RDONLY);
        if (fd >= 0) {
            ::fsync(fd);
            ::close(fd);
        }
        if (::rename(QFile::encodeName(part).constData(), QFile::encodeName(target).constData()) != 0)
            throw Error(tr(u"نسخه پشتيبان در جاي خود قرار نگرفت: ") + target);
        syncDirectory(target);
    } catch (...) {
        if (dst)
            sqlite3_close_v2(dst);
        QFile::remove(part);
        QFile::remove(part + QStringLiteral("-journal"));
        throw;
    }
}

}  // namespace agency
