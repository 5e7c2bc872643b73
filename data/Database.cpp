#include "data/Database.h"

#include "data/Errors.h"
#include "data/Password.h"
#include "data/PostgresEngine.h"
#include "data/ServerDatabase.h"
#include "data/Schema.h"
#include "data/SqliteEngine.h"
#include "data/SolarDate.h"
#include "data/Totals.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QUrl>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/statfs.h>
#include <unistd.h>
#include <utility>

using namespace Qt::StringLiterals;

namespace agency {

namespace {

// A file connection that closes itself; a file read through a private copy keeps the copy as long.
struct FileConnection {
    std::unique_ptr<SqliteConnection> conn;
    std::unique_ptr<QTemporaryDir> copy;

    FileConnection() = default;
    explicit FileConnection(std::unique_ptr<SqliteConnection> opened) : conn(std::move(opened)) {}
    FileConnection(FileConnection&&) noexcept = default;
    FileConnection& operator=(FileConnection&&) = delete;
    operator sqlite3*() const { return conn ? conn->handle() : nullptr; }
    operator SqliteConnection*() const { return conn.get(); }
    void close() { conn.reset(); }
};

std::unique_ptr<SqliteConnection> openFile(const QString& path, int flags, const QByteArray& name = {})
{
    return std::make_unique<SqliteConnection>(path, flags, name);
}

qint64 pragmaInt(SqliteConnection* db, const char* pragma)
{
    Statement st(db, u"PRAGMA %1"_s.arg(QString::fromLatin1(pragma)));
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

bool canWrite(const QString& path)
{
    return ::access(QFile::encodeName(path).constData(), W_OK) == 0;
}

// A connection that reads a database and leaves nothing behind. Where it may write, SQLite
// removes the log and shared-memory files of a WAL file when it closes. Elsewhere SQLite would
// leave them, read-only, and they would refuse every later save: the file is read as immutable,
// or through a private copy when an unfinished log beside it holds part of its content.
FileConnection openForReading(const QString& path)
{
    if (canWrite(path) && canWrite(QFileInfo(path).absolutePath()))
        return FileConnection(openFile(path, SQLITE_OPEN_READWRITE));
    const QFileInfo log(path + u"-wal"_s);
    if (!log.exists() || log.size() == 0) {
        const QByteArray uri = "file:" + QUrl::toPercentEncoding(path, "/") + "?immutable=1";
        return FileConnection(openFile(path, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, uri));
    }
    FileConnection c;
    c.copy = std::make_unique<QTemporaryDir>();
    const QString copy = c.copy->filePath(u"copy.mdb"_s);
    for (const auto& [from, to] : {std::pair{path, copy}, std::pair{log.filePath(), copy + u"-wal"_s}}) {
        if (!c.copy->isValid() || !QFile::copy(from, to)) throw Error(u"پايگاه داده براي خواندن رونوشت نشد: "_s + path);
        QFile::setPermissions(to, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
    c.conn = openFile(copy, SQLITE_OPEN_READWRITE);
    return c;
}

// The type /proc/mounts gives the mount that holds path: the longest mount point above it.
QString mountTypeOf(const QString& path)
{
    QFile mounts(u"/proc/self/mounts"_s);
    if (!mounts.open(QIODevice::ReadOnly)) return {};
    QString type;
    qsizetype longest = -1;
    for (const QByteArray& line : mounts.readAll().split('\n')) {
        const QList<QByteArray> f = line.split(' ');
        if (f.size() < 3) continue;
        // Blanks in a mount point are written \040.
        const QString point = QString::fromLocal8Bit(f[1]).replace(u"\\040"_s, u" "_s);
        const bool holds = path == point || path.startsWith(point.endsWith(u'/') ? point : point + u'/');
        if (holds && point.size() > longest) {
            longest = point.size();
            type = QString::fromLatin1(f[2]);
        }
    }
    return type;
}

// A database file on a network drive is refused before SQLite opens it, and left as it was.
void requireLocalDisk(const QString& path)
{
    const QString dir = QFileInfo(path).canonicalPath();
    struct statfs fs;
    if (::statfs(QFile::encodeName(dir).constData(), &fs) != 0) return;
    if (isNetworkFilesystem(qint64(fs.f_type), mountTypeOf(dir)))
        throw Error(u"فايل پايگاه داده روي ديسك شبكه است: "_s + path +
                    u"\nاين فايل را چند رايانه با هم بي خطر باز نمي كنند؛ آن را روي ديسك همين رايانه بگذاريد"_s);
}

// The file at path exists and can be read.
void requireReadableFile(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists()) throw Error(u"فايل پايگاه داده پيدا نشد: "_s + path);
    if (!info.isFile() || !info.isReadable()) throw Error(u"فايل پايگاه داده خوانده نمي شود: "_s + path);
}

// The cause of a failed write through the connection db to a copy at path: a copy is made in a
// file of its own, so a file it may not open or write means a folder it may not write.
QString copyFailure(sqlite3* db, const QString& path)
{
    const int code = sqlite3_errcode(db) & 0xff;
    const int sys = sqlite3_system_errno(db);
    if (code == SQLITE_CANTOPEN || code == SQLITE_READONLY || code == SQLITE_PERM)
        return writeFailure(sys != 0 && code != SQLITE_PERM ? sys : EACCES, path);
    const QString desk = engineFailureText(code, sys, path);
    return desk.isEmpty() ? sqliteError(db) : desk;
}

// Creates an empty file readable and writable by its owner only, refusing to overwrite.
void createPrivateFile(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_CREAT | O_EXCL | O_WRONLY, 0600);
    if (fd < 0) throw Error(writeFailure(errno, path));
    ::close(fd);
}

void fsyncFile(const QString& path, const QString& shownAs)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    if (fd < 0) return;
    const int rc = ::fsync(fd);
    const int err = errno;
    ::close(fd);
    if (rc != 0) throw Error(writeFailure(err, shownAs));
}

std::function<void()>& upgradeProgress()
{
    static std::function<void()> progress;
    return progress;
}

// Tells upgradeProgress at once and then at most every few dozen milliseconds.
int reportUpgrade(void* clock)
{
    auto* since = static_cast<QElapsedTimer*>(clock);
    if (since->isValid() && since->elapsed() < 40) return 0;
    since->start();
    upgradeProgress()();
    return 0;
}

// Brings a database of an earlier version up to this one, one version a transaction.
void upgradeSchema(SqliteConnection* conn)
{
    QElapsedTimer since;
    sqlite3* db = conn->handle();
    const auto quiet = qScopeGuard([db] { sqlite3_progress_handler(db, 0, nullptr, nullptr); });
    for (const SchemaStep& step : schemaSteps(Engine::File)) {
        if (pragmaInt(conn, "user_version") >= step.version) continue;
        if (upgradeProgress()) sqlite3_progress_handler(db, 10000, &reportUpgrade, &since);
        Transaction tx(conn);
        // Unless the file has the column already (its version set back, or numbered by another
        // build): ALTER TABLE knows no IF NOT EXISTS.
        const auto has = [conn](const QString& table, const QString& column) {
            Statement st(conn, u"SELECT 1 FROM pragma_table_info(?) WHERE name=? COLLATE NOCASE"_s);
            st.bind(1, table);
            st.bind(2, column);
            return st.step();
        };
        for (const TableDef& t : schemaTables())
            for (const ColumnDef& c : t.columns)
                if (c.since == step.version && !has(t.name, c.name))
                    exec(conn, u"ALTER TABLE \"%1\" ADD COLUMN %2"_s.arg(t.name, columnDefinition(t, c, Engine::File)));
        for (const QString& sql : step.statements) exec(conn, sql);
        exec(conn, u"PRAGMA user_version=%1"_s.arg(step.version));
        tx.commit();
    }
}

// A file of SQLite at path is this program's database, of a version it can open, with its tables.
void checkDatabase(SqliteConnection* db, const QString& path)
{
    qint64 appId = 0;
    try {
        appId = pragmaInt(db, "application_id");
    } catch (const Error& e) {
        const int code = e.code() & 0xff;
        if (code == SQLITE_BUSY || code == SQLITE_LOCKED)
            throw Error(u"فايل پايگاه داده در اختيار برنامه ديگري است و قفل شده: "_s + e.text());
        if (code == SQLITE_NOTADB) throw Error(u"اين فايل پايگاه داده نيست: "_s + path);
        throw Error(u"پايگاه داده خوانده نشد: "_s + e.text());
    }
    if (appId != kApplicationId) throw Error(u"اين فايل پايگاه داده اين برنامه نيست: "_s + path);
    const qint64 version = pragmaInt(db, "user_version");
    if (version > kSchemaVersion) throw Error(u"اين پايگاه داده با نسخه جديدتري از برنامه ساخته شده است"_s);
    for (const TableDef& t : schemaTables()) {
        // A table of a later version is brought in by the upgrade that follows.
        if (t.since > std::max<qint64>(version, 1)) continue;
        Statement st(db, u"SELECT 1 FROM sqlite_master WHERE type='table' AND name=?"_s);
        st.bind(1, t.name);
        if (!st.step()) throw Error(u"جدول %1 در پايگاه داده نيست"_s.arg(t.name));
    }
}

// Calls progress with nothing counted while a long statement runs on db, so that the window answers.
int reportWork(void* progress)
{
    (*static_cast<const BackupProgress*>(progress))(0, 0);
    return 0;
}

void checkIntegrity(SqliteConnection* conn, const QString& brokenText, const BackupProgress& progress = {})
{
    sqlite3* db = conn->handle();
    if (progress) sqlite3_progress_handler(db, 20000, &reportWork, const_cast<BackupProgress*>(&progress));
    const auto quiet = qScopeGuard([db] { sqlite3_progress_handler(db, 0, nullptr, nullptr); });
    QString result;
    try {
        Statement check(conn, u"PRAGMA integrity_check"_s);
        result = check.step() ? check.column(0).toString() : QString();
    } catch (const Error& e) {
        result = e.text();
    }
    if (result != "ok"_L1) throw Error(brokenText + result.section(u'\n', 0, 0));
}

// Pages a step of a copy takes (a quarter of a megabyte), between which the window answers.
constexpr int kBackupStep = 64;

// Copies all of source into dst through SQLite's backup API, in steps; the result code of the
// last step, after refusing a copy that cannot begin or finds the database in use. shownAs names
// dst in messages. A write through source between steps is copied too; one by another connection
// starts the copy again, so the copy is the database as the last step found it.
int backupAll(sqlite3* source, sqlite3* dst, const QString& shownAs, const BackupProgress& progress = {})
{
    sqlite3_backup* backup = sqlite3_backup_init(dst, "main", source, "main");
    if (!backup) throw Error(copyFailure(dst, shownAs));
    const auto finish = qScopeGuard([backup] { sqlite3_backup_finish(backup); });
    int rc = SQLITE_OK;
    while ((rc = sqlite3_backup_step(backup, kBackupStep) & 0xff) == SQLITE_OK)
        if (progress) {
            const int total = sqlite3_backup_pagecount(backup);
            progress(total - sqlite3_backup_remaining(backup), total);
        }
    if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED) throw Error(engineFailureText(rc, 0, shownAs));
    return rc;
}

// Copies the database of source into target through SQLite's backup API: first into a file of
// its own beside target, checked, and only then renamed over target.
void copyInto(sqlite3* source, const QString& target, const BackupProgress& progress = {})
{
    const QString part = target + u".part"_s;
    QFile::remove(part);
    QFile::remove(part + u"-journal"_s);
    createPrivateFile(part);
    const OnFailure removePart([&part] {
        QFile::remove(part);
        QFile::remove(part + u"-journal"_s);
    });
    FileConnection dst(openFile(part, SQLITE_OPEN_READWRITE));
    if (backupAll(source, dst, target, progress) != SQLITE_DONE) throw Error(copyFailure(dst, target));
    // The copy stands alone: one file, no write-ahead log beside it.
    if (sqlite3_exec(dst, "PRAGMA journal_mode=DELETE", nullptr, nullptr, nullptr) != SQLITE_OK)
        throw Error(copyFailure(dst, target));
    checkIntegrity(dst, u"نسخه پشتيبان سالم نيست: "_s, progress);
    dst.close();
    fsyncFile(part, target);
    if (::rename(QFile::encodeName(part).constData(), QFile::encodeName(target).constData()) != 0)
        throw Error(writeFailure(errno, target));
    syncDirectory(target);
}

// Refuses a database that the program could read but not write, before SQLite touches it: its
// first save would fail, and SQLite keeps its log and shared memory in files beside it.
void requireWritable(const QString& path)
{
    if (!canWrite(path)) throw Error(engineFailureText(SQLITE_READONLY, 0, path));
    const QString dir = QFileInfo(path).absolutePath();
    if (!canWrite(dir)) throw Error(u"در پوشه پايگاه داده نمي توان نوشت و پايگاه داده بدون آن كار نمي كند: "_s + dir);
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
    for (int i = 2; QFileInfo::exists(name); ++i) name = base + u'-' + QString::number(i) + suffix;
    return name;
}

// Keeps the database at path as kept: a checked copy when it is sound, else its bytes as they are.
void keepAside(const QString& path, const QString& kept)
{
    try {
        copyInto(openForReading(path), kept);
        return;
    } catch (const Error&) {
    }
    for (const QString& file : {path, path + u"-wal"_s}) {
        if (!QFileInfo::exists(file)) continue;
        const QString to = kept + file.mid(path.size());
        if (!QFile::copy(file, to)) throw Error(u"پايگاه داده فعلي كنار گذاشته نشد: "_s + to);
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

void exec(Connection* db, const QString& sql)
{
    db->exec(sql);
}

Statement::Statement(Connection* db, const QString& sql, bool stream)
    : m_impl(stream ? db->prepareStream(sql) : db->prepare(sql))
{
}

Statement::~Statement() = default;

Transaction::Transaction(Connection* db, bool immediate) : m_db(db)
{
    db->begin(immediate);
    m_open = true;
}

Transaction::~Transaction()
{
    if (m_open) m_db->rollback();
}

void Transaction::commit()
{
    m_db->commit();
    m_open = false;
}

Database::Database(const QString& path) : m_path(path)
{
    if (isServerAddress(path)) {
        m_writer = openServer(path);
        openServerDatabase(m_writer.get(), path);
        m_readers = std::make_unique<ServerReaders>(path);
        return;
    }
    requireReadableFile(path);
    requireWritable(path);
    requireLocalDisk(path);

    auto file = openFile(path, SQLITE_OPEN_READWRITE);
    // SQLite falls back to reading alone where it may not write (a read-only mount).
    if (sqlite3_db_readonly(file->handle(), "main") == 1) throw Error(engineFailureText(SQLITE_READONLY, 0, path));
    checkDatabase(file.get(), path);
    upgradeSchema(file.get());
    // Durability first: a committed row survives a power cut. The mode is read by a statement
    // that is finished before the mode changes, which no open statement allows.
    bool wal = false;
    {
        Statement mode(file.get(), u"PRAGMA journal_mode"_s);
        wal = mode.step() && mode.column(0).toString().compare("wal"_L1, Qt::CaseInsensitive) == 0;
    }
    if (!wal) exec(file.get(), u"PRAGMA journal_mode=WAL"_s);
    exec(file.get(), u"PRAGMA synchronous=FULL"_s);
    // The log is checkpointed every thousand pages and cut back once a burst has passed.
    exec(file.get(), u"PRAGMA wal_autocheckpoint=1000; PRAGMA journal_size_limit=4194304"_s);
    m_writer = std::move(file);
}

Database::~Database() = default;

std::unique_ptr<Connection> Database::openReader() const
{
    if (m_readers) return m_readers->handle();
    return openFile(m_path, SQLITE_OPEN_READWRITE);
}

void fillNewDatabase(Connection* db, const NewDatabase& settings)
{
    for (const QString& sql : schemaStatements(db->engine())) exec(db, sql);
    // The first user holds every right: someone must be able to manage the users and read the audit.
    Statement user(db,
                   u"INSERT INTO \"Users\" (\"UserName\", \"PassWord\", \"Sabt\", \"Payeh\", \"Reports\", "
                   "\"Users\") VALUES (?, ?, 1, 1, 1, 1)"_s);
    user.bind(1, settings.userName);
    user.bind(2, Password::hash(settings.password));
    user.step();
    Statement payeh(db, u"INSERT INTO payeh (\"Title\", \"percent\", \"Add\", \"Tel\") VALUES (?, ?, '', '')"_s);
    payeh.bind(1, settings.title);
    payeh.bind(2, qint64(settings.percent));
    payeh.step();
}

void Database::create(const QString& path, const NewDatabase& settings)
{
    for (const QString& text : {settings.title, settings.userName})
        if (text.size() > 50) throw Error(u"متن بيش از ۵۰ نويسه است: "_s + text);
    if (isServerAddress(path)) {
        createOnServer(path, settings);
        return;
    }
    if (QFileInfo::exists(path)) throw Error(u"فايل پايگاه داده از قبل وجود دارد: "_s + path);
    const QString part = path + u".new"_s;
    QFile::remove(part);
    createPrivateFile(part);
    const OnFailure removePart([&part] {
        for (const QString& suffix : {QString(), u"-wal"_s, u"-shm"_s}) QFile::remove(part + suffix);
    });
    FileConnection db(openFile(part, SQLITE_OPEN_READWRITE));
    {
        Transaction tx(db);
        exec(db, u"PRAGMA application_id=%1"_s.arg(kApplicationId));
        exec(db, u"PRAGMA user_version=%1"_s.arg(kSchemaVersion));
        fillNewDatabase(db, settings);
        tx.commit();
    }
    exec(db, u"PRAGMA journal_mode=WAL"_s);
    db.close();
    if (::rename(QFile::encodeName(part).constData(), QFile::encodeName(path).constData()) != 0)
        throw Error(u"فايل پايگاه داده ساخته نشد: "_s + path);
    syncDirectory(path);
}

void Database::backupTo(const QString& target, const BackupProgress& progress) const
{
    // pg_dump would need the server's own version and the role's password on this desk, and a
    // copy of one desk's view is no backup of a shared database: the server keeps its own.
    if (engine() == Engine::Server)
        throw Error(u"پايگاه داده مشترك روي سرور است و نسخه پشتيبان آن را مدير سرور روي همان سرور مي گيرد"_s);
    // A copy renamed over the open file would leave every later save in a file no longer there.
    const QString live = QFileInfo(m_path).canonicalFilePath();
    if (!live.isEmpty() && QFileInfo(target).canonicalFilePath() == live)
        throw Error(u"نسخه پشتيبان روي خود پايگاه داده نوشته نمي شود: "_s + target);
    copyInto(fileHandle(m_writer.get()), target, progress);
}

void Database::RowWritten(const QString& table, qint64 id)
{
    // A listener may end its listening as it hears: each is looked up afresh. The row is stored by
    // now: a listener that fails must not make the store look refused.
    for (const int key : m_watchers.keys())
        if (const auto it = m_watchers.constFind(key); it != m_watchers.cend()) try {
                RowWatcher(it.value())(table, id);
            } catch (const std::exception& e) {
                qWarning("%s", e.what());
            }
}

int Database::watchRows(RowWatcher watcher)
{
    m_watchers.insert(++m_nextWatcher, std::move(watcher));
    return m_nextWatcher;
}

void Database::unwatchRows(int key)
{
    m_watchers.remove(key);
}

namespace {

// A connection reading the database at path, once the program's own checks of it have passed.
FileConnection openVerified(const QString& path)
{
    requireReadableFile(path);
    FileConnection db = openForReading(path);
    checkDatabase(db, path);
    checkIntegrity(db, u"پايگاه داده آسيب ديده است: "_s);
    return db;
}

}  // namespace

QStringList Database::verify(const QString& path)
{
    if (isServerAddress(path)) return verifyOnServer(path);
    const FileConnection db = openVerified(path);
    // An earlier version's file has its totals built at its first opening.
    if (pragmaInt(db, "user_version") < kKeptTotalsVersion) return {};
    for (const KeptTotals& t : keptTotals()) {
        Statement st(db, u"SELECT 1 FROM sqlite_master WHERE type='table' AND name=?"_s);
        st.bind(1, t.table);
        if (!st.step()) throw Error(u"جدول %1 در پايگاه داده نيست"_s.arg(t.table));
    }
    return totalsDifferences(db);
}

namespace {

// The number of rows of each table and the sum of each money column, as "table.column=value".
QStringList tallies(Connection* db)
{
    QStringList out;
    for (const TableDef& t : schemaTables()) {
        QStringList parts = {u"count(*)"_s};
        for (const ColumnDef& c : t.columns)
            if (c.type == FieldType::Currency) parts << u"sum(\"%1\")"_s.arg(c.name);
        Statement st(db, u"SELECT %1 FROM \"%2\""_s.arg(parts.join(u", "_s), t.name));
        st.step();
        out << u"%1=%2"_s.arg(t.name).arg(st.columnInt(0));
        int i = 1;
        for (const ColumnDef& c : t.columns)
            if (c.type == FieldType::Currency) out << u"%1.%2=%3"_s.arg(t.name, c.name).arg(st.columnInt(i++));
    }
    return out;
}

}  // namespace

QStringList Database::copy(const QString& from, const QString& to)
{
    const Database source(from);
    // The target is made as a new database would be, and its first rows give way to the source's.
    create(to, {u"-"_s, 0, u"-"_s, u"-"_s});
    const OnFailure removeFile([&to] {
        if (!isServerAddress(to)) QFile::remove(to);
    });
    const Database target(to);
    Connection* in = source.writer();
    Connection* out = target.writer();
    {
        Transaction tx(out);
        exec(out, u"DELETE FROM \"Users\"; DELETE FROM payeh"_s);
        in->begin(false);
        const auto endRead = qScopeGuard([in] { in->rollback(); });
        // A server's kept totals are computed once from the copied rows, not a row at a time.
        const bool server = out->engine() == Engine::Server;
        if (server) exec(out, u"ALTER TABLE service DISABLE TRIGGER USER"_s);
        for (const TableDef& t : schemaTables()) {
            QStringList columns;
            for (const ColumnDef& c : t.columns) columns << c.name;
            Statement rows(in, u"SELECT %1 FROM \"%2\" ORDER BY \"%3\""_s.arg(quotedNames(columns), t.name, t.keyName()),
                           true);
            const std::unique_ptr<RowLoader> put = out->load(t.name, columns);
            QVariantList row(columns.size());
            while (rows.step()) {
                for (int i = 0; i < columns.size(); ++i) row[i] = rows.column(i);
                put->add(row);
            }
            put->finish();
            // A key the copy wrote is no longer free for the server's next row.
            if (server && t.keyColumnIndex() >= 0)
                exec(out, u"SELECT setval(pg_get_serial_sequence('%1', '%2'), coalesce(max(\"%3\"), 0) + 1, false) "
                          "FROM \"%4\""_s.arg(t.name.toLower(), t.keyName().toLower(), t.keyName(), t.name));
        }
        if (server) {
            refillTotals(out);
            exec(out, u"ALTER TABLE service ENABLE TRIGGER USER"_s);
        }
        tx.commit();
    }
    const QStringList was = tallies(in), is = tallies(out);
    QStringList differences;
    for (qsizetype i = 0; i < was.size(); ++i)
        if (was[i] != is.value(i)) differences << u"%1 ≠ %2"_s.arg(was[i], is.value(i));
    return differences + totalsDifferences(out);
}

void Database::setUpgradeProgress(std::function<void()> progress)
{
    upgradeProgress() = std::move(progress);
}

QString Database::restore(const QString& backup, const QString& path)
{
    const FileConnection src = openVerified(backup);
    QString kept;
    const bool existed = QFileInfo::exists(path);
    if (existed && QFileInfo(backup).canonicalFilePath() == QFileInfo(path).canonicalFilePath())
        throw Error(u"نسخه پشتيبان همان پايگاه داده است: "_s + path);
    if (existed) {
        requireWritable(path);
        kept = keptName(path);
        keepAside(path, kept);
    }
    bool replaced = false;
    if (existed) {
        // Through the live file, under SQLite's locks, so that no connection to it is left
        // reading a file that was swapped away beneath it.
        const FileConnection dst(openFile(path, SQLITE_OPEN_READWRITE));
        const int rc = backupAll(src, dst, path);
        // A file that is no database (the reason for restoring, at times) is replaced whole.
        replaced = rc == SQLITE_DONE;
        if (!replaced && rc != SQLITE_NOTADB && rc != SQLITE_CORRUPT) throw Error(copyFailure(dst, path));
    }
    if (!replaced) {
        copyInto(src, path);
        QFile::remove(path + u"-wal"_s);
        QFile::remove(path + u"-shm"_s);
    }
    verify(path);
    return kept;
}

std::unique_ptr<Connection> openConnection(const QString& where)
{
    if (isServerAddress(where)) return openServer(where, false);
    return openFile(where, SQLITE_OPEN_READWRITE);
}

bool isServerAddress(const QString& where)
{
    return where.startsWith(u"postgresql:"_s) || where.startsWith(u"postgres:"_s);
}

bool isNetworkFilesystem(qint64 type, const QString& mountType)
{
    switch (type) {
        case 0x6969:      // NFS
        case 0x517B:      // SMB
        case 0xFF534D42:  // CIFS
        case 0xFE534D42:  // SMB2
        case 0x5346414F:  // AFS
        case 0x6B414653:  // kAFS
        case 0x00C36400:  // Ceph
        case 0x01021997:  // 9P
        case 0x73757245:  // Coda
        case 0x564C:      // NCP
            return true;
        case 0x65735546:  // FUSE: sshfs and its kind, but not a local disk's driver (fuseblk: NTFS)
            return mountType != u"fuseblk"_s;
        default:
            return false;
    }
}

QString databaseLocation(const QStringList& arguments, const QString& environment)
{
    QString where = environment;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == u"--database"_s && i + 1 < arguments.size())
            where = arguments[++i];
        else if (arguments[i].startsWith(u"--database="_s))
            where = arguments[i].mid(11);
    }
    return where.isEmpty() ? u"DB.MDB"_s : where;
}

}  // namespace agency
