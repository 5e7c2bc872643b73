#include "data/Database.h"

#include "data/Errors.h"
#include "data/Password.h"
#include "data/Schema.h"
#include "data/SolarDate.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace agency {

namespace {

QString tr(const char16_t* text) { return QString::fromUtf16(text); }

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
        if (escaped)
            c = folded[++i];
        if (!escaped && c == u'%') {
            if (!p.wild.isEmpty() && p.wild.last())
                continue;
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
    if (p.literals > value.size())
        return false;
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
    while (pi < m && p.wild[pi])
        ++pi;
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

const QString kInUse = u"پايگاه داده در دست برنامه ديگري است؛ آن را ببنديد و دوباره بكوشيد"_s;

// A connection that reads a database and leaves nothing behind: where it may write, SQLite
// removes the log and shared-memory files of a WAL file when it closes; elsewhere it only reads.
bool canWrite(const QString& path) { return ::access(QFile::encodeName(path).constData(), W_OK) == 0; }

sqlite3* openForReading(const QString& path)
{
    const bool writable = canWrite(path) && canWrite(QFileInfo(path).absolutePath());
    return openFile(path, writable ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY);
}

// The file at path exists and can be read.
void requireReadableFile(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        throw Error(tr(u"فايل پايگاه داده پيدا نشد: ") + path);
    if (!info.isFile() || !info.isReadable())
        throw Error(tr(u"فايل پايگاه داده خوانده نمي شود: ") + path);
}

// Why a file could not be written at path, in the desk's words.
QString writeFailure(int err, const QString& path)
{
    const QString dir = QFileInfo(path).absolutePath();
    switch (err) {
    case ENOENT:
    case ENOTDIR:
        return u"پوشه %1 وجود ندارد"_s.arg(dir);
    case EACCES:
    case EPERM:
    case EROFS:
        return u"در پوشه %1 نمي توان نوشت"_s.arg(dir);
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return u"جاي خالي در %1 كافي نيست"_s.arg(dir);
    default:
        return u"در %1 نوشته نشد: %2"_s.arg(path, QString::fromLocal8Bit(std::strerror(err)));
    }
}

// The cause of a failed write through the connection db to the file at path.
QString copyFailure(sqlite3* db, const QString& path)
{
    const int code = sqlite3_errcode(db) & 0xff;
    const int sys = sqlite3_system_errno(db);
    if (code == SQLITE_FULL)
        return writeFailure(ENOSPC, path);
    if ((code == SQLITE_IOERR || code == SQLITE_CANTOPEN || code == SQLITE_READONLY) && sys != 0)
        return writeFailure(sys, path);
    if (code == SQLITE_READONLY || code == SQLITE_CANTOPEN || code == SQLITE_PERM)
        return writeFailure(EACCES, path);
    return sqliteError(db);
}

// Creates an empty file readable and writable by its owner only, refusing to overwrite.
void createPrivateFile(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_CREAT | O_EXCL | O_WRONLY, 0600);
    if (fd < 0)
        throw Error(writeFailure(errno, path));
    ::close(fd);
}

void fsyncFile(const QString& path, const QString& shownAs)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    if (fd < 0)
        return;
    const int rc = ::fsync(fd);
    const int err = errno;
    ::close(fd);
    if (rc != 0)
        throw Error(writeFailure(err, shownAs));
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

// A file of SQLite at path is this program's database, of a version it can open, with its tables.
void checkDatabase(sqlite3* db, const QString& path)
{
    qint64 appId = 0;
    try {
        appId = pragmaInt(db, "application_id");
    } catch (const Error& e) {
        const int code = sqlite3_errcode(db) & 0xff;
        if (code == SQLITE_BUSY || code == SQLITE_LOCKED)
            throw Error(tr(u"فايل پايگاه داده در اختيار برنامه ديگري است و قفل شده: ") + e.text());
        if (code == SQLITE_NOTADB)
            throw Error(tr(u"اين فايل پايگاه داده نيست: ") + path);
        throw Error(tr(u"پايگاه داده خوانده نشد: ") + e.text());
    }
    if (appId != kApplicationId)
        throw Error(tr(u"اين فايل پايگاه داده اين برنامه نيست: ") + path);
    if (pragmaInt(db, "user_version") > kSchemaVersion)
        throw Error(tr(u"اين پايگاه داده با نسخه جديدتري از برنامه ساخته شده است"));
    for (const TableDef& t : schemaTables()) {
        Statement st(db, QStringLiteral("SELECT 1 FROM sqlite_master WHERE type='table' AND name=?"));
        st.bind(1, t.name);
        if (!st.step())
            throw Error(tr(u"جدول %1 در پايگاه داده نيست").arg(t.name));
    }
}

void checkIntegrity(sqlite3* db, const QString& brokenText)
{
    QString result;
    try {
        Statement check(db, u"PRAGMA integrity_check"_s);
        result = check.step() ? check.column(0).toString() : QString();
    } catch (const Error& e) {
        result = e.text();
    }
    if (result != "ok"_L1)
        throw Error(brokenText + result.section(u'\n', 0, 0));
}

// Copies all of source into dst through SQLite's backup API; the result code of the step, after
// refusing a copy that cannot begin or finds the database in use. shownAs names dst in messages.
int backupAll(sqlite3* source, sqlite3* dst, const QString& shownAs)
{
    sqlite3_backup* backup = sqlite3_backup_init(dst, "main", source, "main");
    if (!backup)
        throw Error(copyFailure(dst, shownAs));
    const int rc = sqlite3_backup_step(backup, -1) & 0xff;
    sqlite3_backup_finish(backup);
    if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED)
        throw Error(kInUse);
    return rc;
}

// Copies the database of source into target through SQLite's backup API: first into a file of
// its own beside target, checked, and only then renamed over target.
void copyInto(sqlite3* source, const QString& target)
{
    const QString part = target + u".part"_s;
    QFile::remove(part);
    QFile::remove(part + u"-journal"_s);
    createPrivateFile(part);
    sqlite3* dst = nullptr;
    try {
        dst = openFile(part, SQLITE_OPEN_READWRITE);
        if (backupAll(source, dst, target) != SQLITE_DONE)
            throw Error(copyFailure(dst, target));
        // The copy stands alone: one file, no write-ahead log beside it.
        if (sqlite3_exec(dst, "PRAGMA journal_mode=DELETE", nullptr, nullptr, nullptr) != SQLITE_OK)
            throw Error(copyFailure(dst, target));
        checkIntegrity(dst, tr(u"نسخه پشتيبان سالم نيست: "));
        sqlite3_close_v2(dst);
        dst = nullptr;
        fsyncFile(part, target);
        if (::rename(QFile::encodeName(part).constData(), QFile::encodeName(target).constData()) != 0)
            throw Error(writeFailure(errno, target));
        syncDirectory(target);
    } catch (...) {
        if (dst)
            sqlite3_close_v2(dst);
        QFile::remove(part);
        QFile::remove(part + u"-journal"_s);
        throw;
    }
}

// Refuses a database that the program could read but not write, before SQLite touches it: its
// first save would fail, and SQLite keeps its log and shared memory in files beside it.
void requireWritable(const QString& path)
{
    if (!canWrite(path))
        throw Error(u"در فايل پايگاه داده نمي توان نوشت (فقط خواندني است): "_s + path);
    const QString dir = QFileInfo(path).absolutePath();
    if (!canWrite(dir))
        throw Error(u"در پوشه پايگاه داده نمي توان نوشت و پايگاه داده بدون آن كار نمي كند: "_s + dir);
}

// DB.MDB becomes DB-1405-09-17-103000.MDB: the Solar date and time of now, beside the original.
QString keptName(const QString& path)
{
    const QFileInfo info(path);
    const QDateTime now = SolarDate::now();
    const QString stamp =
        SolarDate::fromGregorian(now.date()).replace(u'/', u'-') + u'-' + now.time().toString(u"HHmmss"_s);
    const QString suffix = info.suffix().isEmpty() ? QString() : u'.' + info.suffix();
    const QString base = info.dir().filePath(info.completeBaseName() + u'-' + stamp);
    QString name = base + suffix;
    for (int i = 2; QFileInfo::exists(name); ++i)
        name = base + u'-' + QString::number(i) + suffix;
    return name;
}

// Keeps the database at path as kept: a checked copy when it is sound, else its bytes as they are.
void keepAside(const QString& path, const QString& kept)
{
    sqlite3* db = nullptr;
    try {
        db = openForReading(path);
        copyInto(db, kept);
        sqlite3_close_v2(db);
        return;
    } catch (const Error&) {
        if (db)
            sqlite3_close_v2(db);
    }
    for (const QString& file : {path, path + u"-wal"_s}) {
        if (!QFileInfo::exists(file))
            continue;
        const QString to = kept + file.mid(path.size());
        if (!QFile::copy(file, to))
            throw Error(u"پايگاه داده فعلي كنار گذاشته نشد: "_s + to);
        QFile::setPermissions(to, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
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
        case 0x0629:  // teh marbuta
            c = QChar(0x0647);
            break;
        case 0x0623:  // alef with hamza above
        case 0x0625:  // alef with hamza below
            c = QChar(0x0627);
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
    requireReadableFile(path);
    requireWritable(path);

    m_writer = openFile(path, SQLITE_OPEN_READWRITE);
    try {
        // SQLite falls back to reading alone where it may not write (a read-only mount).
        if (sqlite3_db_readonly(m_writer, "main") == 1)
            throw Error(u"در فايل پايگاه داده نمي توان نوشت (فقط خواندني است): "_s + path);
        checkDatabase(m_writer, path);
        upgradeSchema(m_writer);
        // Durability first: a committed row survives a power cut. The mode is read by a statement
        // that is finished before the mode changes, which no open statement allows.
        bool wal = false;
        {
            Statement mode(m_writer, QStringLiteral("PRAGMA journal_mode"));
            wal = mode.step() && mode.column(0).toString().compare(QLatin1String("wal"), Qt::CaseInsensitive) == 0;
        }
        if (!wal)
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
    copyInto(m_writer, target);
}

namespace {

// A connection reading the database at path, once the program's own checks of it have passed.
sqlite3* openVerified(const QString& path)
{
    requireReadableFile(path);
    sqlite3* db = openForReading(path);
    try {
        checkDatabase(db, path);
        checkIntegrity(db, u"پايگاه داده آسيب ديده است: "_s);
    } catch (...) {
        sqlite3_close_v2(db);
        throw;
    }
    return db;
}

}  // namespace

void Database::verify(const QString& path)
{
    sqlite3_close_v2(openVerified(path));
}

QString Database::restore(const QString& backup, const QString& path)
{
    sqlite3* src = openVerified(backup);
    sqlite3* dst = nullptr;
    QString kept;
    try {
        const bool existed = QFileInfo::exists(path);
        if (existed && QFileInfo(backup).canonicalFilePath() == QFileInfo(path).canonicalFilePath())
            throw Error(u"نسخه پشتيبان همان پايگاه داده است: "_s + path);
        if (existed) {
            kept = keptName(path);
            keepAside(path, kept);
        }
        bool replaced = false;
        if (existed) {
            // Through the live file, under SQLite's locks, so that no connection to it is left
            // reading a file that was swapped away beneath it.
            dst = openFile(path, SQLITE_OPEN_READWRITE);
            const int rc = backupAll(src, dst, path);
            // A file that is no database (the reason for restoring, at times) is replaced whole.
            replaced = rc == SQLITE_DONE;
            if (!replaced && rc != SQLITE_NOTADB && rc != SQLITE_CORRUPT)
                throw Error(copyFailure(dst, path));
            sqlite3_close_v2(dst);
            dst = nullptr;
        }
        if (!replaced) {
            copyInto(src, path);
            QFile::remove(path + u"-wal"_s);
            QFile::remove(path + u"-shm"_s);
        }
    } catch (...) {
        if (dst)
            sqlite3_close_v2(dst);
        sqlite3_close_v2(src);
        throw;
    }
    sqlite3_close_v2(src);
    verify(path);
    return kept;
}

}  // namespace agency
