// The data layer against what can go wrong: registers larger than a block of rows, values beyond
// their columns, hostile search texts, backups that fail, and the administrator's commands.

#include "app/UnitMain.h"
#include "data/Database.h"
#include "data/Errors.h"
#include "data/Password.h"
#include "data/SqlSubset.h"
#include "data/UnitDM.h"
#include "tests/Fixture.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>
#include <numeric>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace agency;
using namespace Qt::StringLiterals;

namespace {

const QString kNumbers = u"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i < 1500) "_s;

QByteArray digest(const QString& path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

// Every value of a column over all rows, walking the dataset as the windows do.
QList<qint64> walk(TDataset* ds, const QString& field)
{
    QList<qint64> out;
    for (ds->First(); !ds->Eof(); ds->Next()) out << ds->FieldByName(field).AsInteger();
    return out;
}

struct Tool {
    int exitCode = -1;
    QString out, err;
};

Tool agencyctl(const QStringList& args, const QByteArray& input = {})
{
    QProcess p;
    p.start(QCoreApplication::applicationDirPath() + u"/../agencyctl"_s, args);
    p.write(input);
    p.closeWriteChannel();
    Tool t;
    if (p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit) t.exitCode = p.exitCode();
    t.out = QString::fromUtf8(p.readAllStandardOutput());
    t.err = QString::fromUtf8(p.readAllStandardError());
    return t;
}

// Rows of a query on any database file, read through a connection of the test's own.
QList<QVariantList> rowsIn(const QString& path, const QString& sql)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    QList<QVariantList> out;
    try {
        Statement st(db, sql);
        while (st.step()) {
            QVariantList row;
            for (int i = 0; i < st.columnCount(); ++i) row << st.column(i);
            out << row;
        }
    } catch (const Error&) {
    }
    sqlite3_close(db);
    return out;
}

qint64 countIn(const QString& path, const QString& table = u"service"_s)
{
    const QList<QVariantList> r = rowsIn(path, u"SELECT count(*) FROM "_s + table);
    return r.isEmpty() ? -1 : r[0][0].toLongLong();
}

}  // namespace

class TestSafety : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<Fixture> f;
    QByteArray m_sharedBy;

private slots:
    // Each test starts on a fresh database; the rows of a test that only reads, or clears what it
    // wrote, share one.
    void init()
    {
        const QByteArray test = QTest::currentTestFunction();
        if (f && test == m_sharedBy) return;
        f.reset();  // before the next: the program's windows and data module are global
        f = std::make_unique<Fixture>(false);
        m_sharedBy = test == "valuesBeyondTheirColumns" || test == "theProgramsLikeThroughARealQuery" ? test : "";
    }
    void cleanupTestCase() { f.reset(); }

    // Walking to the end and locating work past the first block of rows a dataset reads.
    void datasetsReachEveryRow_data()
    {
        QTest::addColumn<QString>("dataset");
        QTest::newRow("table") << u"ADOTableDriver"_s;
        QTest::newRow("query") << u"QueryDriver"_s;
        QTest::newRow("grouped query") << u"QueryDriverMande"_s;
    }
    void datasetsReachEveryRow()
    {
        QFETCH(QString, dataset);
        f->exec(kNumbers + u"INSERT INTO driver (driver_id, driver_name) SELECT i, 'راننده ' || i FROM n"_s);
        f->exec(kNumbers +
                u"INSERT INTO service (service_id, service_date, driver_id, driver_name, service_percent) "
                "SELECT i, '1405/09/17', i, 'راننده ' || i, i * 10000 FROM n"_s);
        TDataset* ds = nullptr;
        for (TDataset* d : DM->datasets())
            if (d->Name() == dataset) ds = d;
        QVERIFY(ds);
        ds->Reopen();
        const QList<qint64> codes = walk(ds, u"driver_id"_s);
        QCOMPARE(codes.size(), 1500);
        QCOMPARE(std::accumulate(codes.begin(), codes.end(), qint64(0)), qint64(1500) * 1501 / 2);
        QVERIFY(ds->Locate(u"driver_id"_s, {u"1234"_s}));
        QCOMPARE(ds->FieldByName(u"driver_name"_s).AsString(), u"راننده 1234"_s);
        QVERIFY(ds->Locate(u"driver_name"_s, {u"راننده 1499"_s}));
        QCOMPARE(ds->FieldByName(u"driver_id"_s).AsInteger(), 1499);
        QVERIFY(!ds->Locate(u"driver_id"_s, {u"1501"_s}));
        QCOMPARE(ds->FieldByName(u"driver_id"_s).AsInteger(), 1499);
    }

    // Money texts and codes as a field receives them: in range they are stored exactly; beyond it,
    // or with a fifth decimal, they are refused and nothing is stored, not even later.
    void valuesBeyondTheirColumns_data()
    {
        QTest::addColumn<QString>("column");
        QTest::addColumn<QString>("text");  // set as text; empty when set as a number
        QTest::addColumn<qint64>("number");
        QTest::addColumn<QVariant>("stored");  // invalid when refused
        QTest::addColumn<QString>("message");
        const qint64 max = std::numeric_limits<qint64>::max();
        auto money = [](const char* name, const QString& text, const QVariant& stored, const QString& message = {}) {
            QTest::newRow(name) << u"service_moeny"_s << text << qint64(0) << stored << message;
        };
        auto refusedMoney = [&](const char* name, const QString& text) {
            money(name, text, QVariant(), u"'%1' is not a valid currency value"_s.arg(text));
        };
        money("a share with two decimals", u"1851.75"_s, qint64(18517500));
        money("four decimals", u"0.0001"_s, qint64(1));
        money("Persian digits", u"۱۲۳۴"_s, qint64(12340000));
        money("the largest", u"922337203685477.5807"_s, max);
        money("the most negative", u"-922337203685477.5807"_s, -max);
        refusedMoney("a fifth decimal", u"1.00001"_s);
        refusedMoney("a fifth decimal of zero", u"1851.75000"_s);
        refusedMoney("one ten-thousandth too large", u"922337203685477.5808"_s);
        refusedMoney("a rial too large", u"922337203685478"_s);
        refusedMoney("twenty digits", u"99999999999999999999"_s);
        auto code = [](const char* name, const QString& column, qint64 n, const QVariant& stored) {
            QTest::newRow(name) << column << QString() << n << stored
                                << (stored.isValid() ? QString() : u"عدد %1 در ستون %2 نمي گنجد"_s.arg(n).arg(column));
        };
        code("the largest code", u"driver_id"_s, 2147483647, qint64(2147483647));
        code("the smallest code", u"service_id"_s, -2147483647 - 1, qint64(-2147483647 - 1));
        code("a code past 32 bits", u"driver_id"_s, 2147483648LL, QVariant());
        code("a code that would wrap to 1", u"service_id"_s, 4294967297LL, QVariant());
        code("a code below 32 bits", u"acount_id"_s, -2147483649LL, QVariant());
        code("rials past the column", u"driver_bes"_s, 922337203685478LL, QVariant());
    }
    void valuesBeyondTheirColumns()
    {
        QFETCH(QString, column);
        QFETCH(QString, text);
        QFETCH(qint64, number);
        QFETCH(QVariant, stored);
        QFETCH(QString, message);
        f->exec(u"DELETE FROM service"_s);
        TADOTable* t = DM->ADOTableService;
        t->Reopen();
        t->Append();
        t->FieldByName(u"service_date"_s).SetAsString(u"1405/09/17"_s);
        try {
            if (text.isEmpty())
                t->FieldByName(column).SetAsInteger(number);
            else
                t->FieldByName(column).SetAsString(text);
            QVERIFY2(stored.isValid(), "a value beyond its column was taken");
            t->Post();
        } catch (const Error& e) {
            QCOMPARE(e.text(), message);
            QCOMPARE(t->State(), TDataSetState::dsInsert);  // the row stays in editing, as the grid needs
            t->Cancel();
        }
        // The next row stored is that row alone.
        t->Append();
        t->FieldByName(u"service_date"_s).SetAsString(u"1405/09/18"_s);
        t->Post();
        const QList<QVariantList> rows = f->rows(u"SELECT service_date, %1 FROM service ORDER BY id"_s.arg(column));
        QCOMPARE(rows.size(), stored.isValid() ? 2 : 1);
        if (stored.isValid()) QCOMPARE(rows[0][1].toLongLong(), stored.toLongLong());
        QCOMPARE(rows.last()[0].toString(), u"1405/09/18"_s);
    }

    // The program's own like, as SQLite runs it for a picker's search: folded case and letter
    // variants both ways, every typed character literal, and hostile patterns answered at once.
    void theProgramsLikeThroughARealQuery_data()
    {
        QTest::addColumn<QString>("pattern");  // the text as the SQL carries it
        QTest::addColumn<QList<qint64>>("found");
        auto typed = [](const char* name, const QString& text, QList<qint64> found) {
            QTest::newRow(name) << likeContains(text) << found;
        };
        auto raw = [](const char* name, const QString& text, QList<qint64> found) {
            QTest::newRow(name) << u"'"_s + text + u"'"_s << found;
        };
        typed("case", u"ALI"_s, {1});
        typed("percent sign", u"50%"_s, {2});
        typed("a lone percent sign", u"%"_s, {2});
        typed("underscore", u"a_b"_s, {4});
        typed("apostrophe", u"O'Brien"_s, {6});
        typed("backslash", u"\\"_s, {7});
        typed("Persian yeh finds Arabic yeh", u"علی"_s, {8});
        typed("Persian kaf finds Arabic kaf", u"کاظم"_s, {9});
        typed("heh finds teh marbuta", u"فاطمه"_s, {10});
        typed("teh marbuta finds heh", u"زهرة"_s, {14});
        typed("alef finds alef with hamza above", u"احمد"_s, {11});
        typed("alef finds alef with hamza below", u"ایمان"_s, {12});
        typed("hamza finds plain alef", u"أسماعیل"_s, {13});
        typed("a long typed text", QString(100000, u'a'), {});
        raw("a% eight times then b", u"a%"_s.repeated(8) + u"b"_s, {});
        raw("a% ten times then b", u"a%"_s.repeated(10) + u"b"_s, {});
        raw("twenty thousand %a", u"%a"_s.repeated(20000), {});
        raw("fifty letters", u"%"_s + QString(50, u'a') + u"%"_s, {15, 16, 17});
    }
    void theProgramsLikeThroughARealQuery()
    {
        QFETCH(QString, pattern);
        QFETCH(QList<qint64>, found);
        f->exec(
            u"INSERT OR IGNORE INTO driver (driver_id, driver_name) VALUES (1, 'Ali Rezaei'), (2, '50% off'), "
            "(3, '500 off'), (4, 'a_b'), (5, 'axb'), (6, 'O''Brien'), (7, 'back\\slash'), (8, 'علي'), "
            "(9, 'كاظم'), (10, 'فاطمة'), (11, 'أحمد'), (12, 'إيمان'), (13, 'اسماعيل'), (14, 'زهره'), "
            "(15, '%1'), (16, '%1'), (17, '%1')"_s.arg(QString(50, u'a')));
        f->exec(kNumbers +
                u"INSERT OR IGNORE INTO driver (driver_id, driver_name) SELECT 100 + i, 'Driver ' || i FROM n"_s);
        TADOQuery* q = DM->QueryDriver;
        q->SQL.Clear();
        q->SQL.Add(u"select *"_s);
        q->SQL.Add(u"from driver"_s);
        q->SQL.Add(u"where driver_name like "_s + pattern);
        QElapsedTimer clock;
        clock.start();
        q->Reopen();
        QList<qint64> got = walk(q, u"driver_id"_s);
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
        std::sort(got.begin(), got.end());
        QCOMPARE(got, found);
    }

    // A failed copy says why, and the copy made before stays as it was.
    void failedBackupsSayWhy_data()
    {
        QTest::addColumn<QString>("cause");
        QTest::addColumn<QString>("phrase");
        QTest::newRow("folder missing") << u"missing"_s << u"وجود ندارد"_s;
        QTest::newRow("full") << u"full"_s << u"جاي خالي در"_s;
        QTest::newRow("not writable") << u"readonly"_s << u"نمي توان نوشت"_s;
    }
    void failedBackupsSayWhy()
    {
        QFETCH(QString, cause);
        QFETCH(QString, phrase);
        f->exec(kNumbers +
                u"INSERT INTO service (service_id, service_date, driver_name) "
                "SELECT i, '1405/09/17', 'راننده ' || i FROM n"_s);
        const QString places = f->dir.filePath(u"places"_s);
        const QString medium = places + u"/medium/db.mdb"_s;
        const QString hard = places + u"/hard/DB.MDB"_s;
        FormMain->DisketteTarget = [&] { return medium; };
        FormMain->HardDiskTarget = [&] { return hard; };
        FormMain->N16->trigger();
        QCOMPARE(countIn(medium), 1500);
        f->exec(u"DELETE FROM service WHERE service_id > 10"_s);
        f->dialogs.clear();
        if (cause == "missing"_L1) {
            QVERIFY(QDir(places).removeRecursively());
            QVERIFY(QFile(places).open(QIODevice::WriteOnly));  // a file where the folders were
            FormMain->N16->trigger();
            QVERIFY(QFile::remove(places));
        } else if (cause == "full"_L1) {
            // The medium takes no file larger than a few pages.
            rlimit saved{};
            getrlimit(RLIMIT_FSIZE, &saved);
            rlimit small = saved;
            small.rlim_cur = 16384;
            const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
            setrlimit(RLIMIT_FSIZE, &small);
            FormMain->N16->trigger();
            setrlimit(RLIMIT_FSIZE, &saved);
            std::signal(SIGXFSZ, oldHandler);
        } else {
            // Root writes into any folder: the copy is made by nobody, from a database of its own.
            QTemporaryDir own;
            const QString source = own.filePath(u"DB.MDB"_s);
            Database::create(source, {u"T"_s, 10, u"u"_s, u"p"_s});
            const QString closed = own.filePath(u"closed"_s);
            QDir().mkpath(closed);
            handToNobody(own.path());
            ::chmod(QFile::encodeName(closed).constData(), 0500);
            const std::optional<QString> refused =
                runAsNobody([&] { Database(source).backupTo(closed + u"/db.mdb"_s); });
            QVERIFY2(refused && refused->contains(phrase), qPrintable(refused.value_or(u"copied"_s)));
            QCOMPARE(*refused, u"در پوشه %1 نمي توان نوشت"_s.arg(closed));
            return;
        }
        QCOMPARE(f->dialogs.messages.size(), 3);
        for (const QString& message : f->dialogs.messages.mid(1)) {
            const QString why = message.section(u'\n', 1);
            QVERIFY2(why.contains(phrase), qPrintable(message));
            QVERIFY2(why.contains(places), qPrintable(message));
        }
        if (cause == "full"_L1)
            for (const QString& copy : {medium, hard}) {
                QCOMPARE(countIn(copy), 1500);  // the earlier copy, whole
                QCOMPARE(QDir(QFileInfo(copy).absolutePath()).entryList(QDir::Files).size(), 1);
            }
    }

    // A save the engine refuses says why in Persian, stores nothing, and keeps the row as typed.
    void engineFailuresAtASaveInPersian_data()
    {
        QTest::addColumn<bool>("locked");
        QTest::newRow("locked by another program") << true;
        QTest::newRow("no room for another page") << false;
    }
    void engineFailuresAtASaveInPersian()
    {
        QFETCH(bool, locked);
        TADOTable* t = DM->ADOTableService;
        sqlite3 *w = DM->ADOConnection1->writer(), *other = nullptr;
        sqlite3_open(QFile::encodeName(f->path).constData(), &other);
        // Another program holds the lock; or the pages where the row goes fill up to a row like it.
        exec(locked ? other : w, locked ? u"BEGIN IMMEDIATE"_s : u"PRAGMA max_page_count=1"_s);
        const QString fill = u"INSERT INTO service (service_id, service_date) VALUES (%1, '1405/09/18')"_s;
        for (int i = 1; !locked && sqlite3_exec(w, qPrintable(fill.arg(i)), nullptr, nullptr, nullptr) == SQLITE_OK;
             ++i) {
        }
        t->Append();
        t->FieldByName(u"service_id"_s).SetAsInteger(9999);
        t->FieldByName(u"service_date"_s).SetAsString(u"1405/09/18"_s);
        QString refused;
        try {
            t->PostKeepingEdits();
        } catch (const Error& e) {
            refused = e.text();
        }
        sqlite3_close(other);
        exec(w, u"PRAGMA max_page_count=1073741823"_s);
        QCOMPARE(refused, locked ? u"پايگاه داده در دست برنامه ديگري است؛ آن را ببنديد و دوباره بكوشيد"_s
                                 : u"جاي خالي در %1 كافي نيست"_s.arg(QFileInfo(f->path).absolutePath()));
        QCOMPARE(t->FieldByName(u"service_id"_s).AsInteger(), 9999);
        t->Post();  // stored once, when the cause has gone
        QCOMPARE(f->scalar(u"SELECT count(*) FROM service WHERE service_id=9999"_s).toInt(), 1);
    }

    // A check of a read-only file in a writable folder, its log beside it or not, changes nothing.
    void readOnlyFilesAreCheckedWithoutATrace_data()
    {
        QTest::addColumn<bool>("withLog");  // copied while the program held it open: its last rows in the log
        QTest::addColumn<bool>("restore");
        QTest::newRow("verify") << false << false;
        QTest::newRow("verify with its log") << true << false;
        QTest::newRow("restore from it with its log") << true << true;
    }
    void readOnlyFilesAreCheckedWithoutATrace()
    {
        QFETCH(bool, withLog);
        QFETCH(bool, restore);
        f->exec(kNumbers + u"INSERT INTO driver (driver_id, driver_name) SELECT i, 'راننده ' || i FROM n"_s);
        QTemporaryDir desk;
        const QString file = desk.filePath(u"DB.MDB"_s), target = desk.filePath(u"to/DB.MDB"_s);
        QVERIFY(QFile::copy(f->path, file) && QFile::copy(f->path + u"-wal"_s, file + u"-wal"_s));
        if (!withLog) Database::verify(file);  // as the program leaves it at its end: the log written into the file
        ::chmod(QFile::encodeName(file).constData(), 0400);
        for (const QString& dir : {desk.path(), QFileInfo(target).absolutePath()})
            QDir().mkpath(dir), handToNobody(dir);
        const QStringList files = QDir(desk.path()).entryList(QDir::Files | QDir::Hidden);
        const QByteArray before = digest(file);
        QCOMPARE(runAsNobody([&] { restore ? void(Database::restore(file, target)) : void(Database::verify(file)); }),
                 std::nullopt);
        QCOMPARE(QDir(desk.path()).entryList(QDir::Files | QDir::Hidden), files);
        QCOMPARE(digest(file), before);
        QCOMPARE(countIn(target, u"driver"_s), restore ? 1500 : -1);
    }

    // The administrator's tool: a password never on the command line, and a restore that checks
    // the backup first and keeps what it replaces.
    void createReadsThePasswordFromInput()
    {
        const QString path = f->dir.filePath(u"new.mdb"_s);
        const QString password = persianPasswords().value(0);
        const Tool t = agencyctl({u"create"_s, path, u"آژانس"_s, u"12"_s, u"مدير"_s}, password.toUtf8() + "\n");
        QVERIFY2(t.exitCode == 0, qPrintable(t.err));
        Database::verify(path);
        const QList<QVariantList> users = rowsIn(path, u"SELECT UserName, PassWord FROM Users"_s);
        QCOMPARE(users.size(), 1);
        QCOMPARE(users[0][0].toString(), u"مدير"_s);
        QVERIFY(Password::verify(users[0][1].toString(), password));
        // The old form, with the password as an argument, is no longer taken.
        const QString other = f->dir.filePath(u"other.mdb"_s);
        QCOMPARE(agencyctl({u"create"_s, other, u"T"_s, u"12"_s, u"u"_s, u"secret"_s}).exitCode, 2);
        QCOMPARE(agencyctl({u"create"_s, other, u"T"_s, u"12"_s, u"u"_s}).exitCode, 1);  // no password given
        QVERIFY(!QFile::exists(other));
    }

    // A kept total that the rows do not give is named by verify, which changes nothing, and
    // rebuilt by repair-totals; an earlier version's file gets its totals at its first opening,
    // telling the start-up window as it works.
    void keptTotalsVerifiedAndRepaired_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<int>("differences");
        QTest::newRow("sound") << QString() << 0;
        QTest::newRow("a balance changed")
            << u"UPDATE driver_balance SET driver_bes = driver_bes + 1 WHERE driver_id = 10"_s << 2;
        QTest::newRow("a day dropped") << u"DELETE FROM day_totals WHERE service_date = '1405/01/01'"_s << 1;
        QTest::newRow("a row written behind the triggers")
            << u"DROP TRIGGER day_totals_delete; DELETE FROM service WHERE id = 1500"_s << 2;
        QTest::newRow("earlier version")
            << u"DROP TABLE driver_balance; DROP TABLE day_totals; PRAGMA user_version = 2"_s << 0;
    }
    void keptTotalsVerifiedAndRepaired()
    {
        QFETCH(QString, damage);
        QFETCH(int, differences);
        f->exec(kNumbers +
                u"INSERT INTO service (service_id, service_date, driver_id, driver_name, service_moeny, "
                "service_percent, driver_bes) SELECT i, CASE WHEN i % 2 THEN '1405/01/01' ELSE '1404/12/29' END, "
                "i % 40, 'راننده ' || (i % 40), i * 10000, i * 1500, CASE WHEN i % 10 = 0 THEN 50000 END FROM n"_s);
        if (!damage.isEmpty()) f->exec(damage);
        f->program.reset();
        const QByteArray before = digest(f->path);
        const Tool verified = agencyctl({u"verify"_s, f->path});
        QCOMPARE(digest(f->path), before);
        QCOMPARE(verified.out.count(u'\n'), differences ? differences : 1);
        QCOMPARE(verified.exitCode, differences ? 1 : 0);
        int told = 0;
        Database::setUpgradeProgress([&] { ++told; });
        const auto quiet = qScopeGuard([] { Database::setUpgradeProgress({}); });
        QVERIFY(Database(f->path).writer());
        QCOMPARE(told > 0, damage.contains(u"user_version"_s));
        const Tool repaired = agencyctl({u"repair-totals"_s, f->path});
        QVERIFY2(repaired.exitCode == 0 && repaired.out.contains(u" 42 "_s), qPrintable(repaired.out + repaired.err));
        QCOMPARE(agencyctl({u"verify"_s, f->path}).out, u"ok\n"_s);
    }

    void restoreCommand_data()
    {
        QTest::addColumn<QString>("place");    // what stands at the path restored to
        QTest::addColumn<QString>("backup");   // a sound copy, or what else is given as one
        QTest::addColumn<QString>("refusal");  // empty when the restore is done
        QTest::newRow("over the database") << u"database"_s << u"copy"_s << QString();
        QTest::newRow("over a damaged file") << u"damaged"_s << u"copy"_s << QString();
        QTest::newRow("into an empty place") << u"nothing"_s << u"copy"_s << QString();
        QTest::newRow("from a damaged copy") << u"database"_s << u"damaged"_s << u"پايگاه داده آسيب ديده است"_s;
        QTest::newRow("from a foreign file") << u"database"_s << u"text"_s << u"پايگاه داده نيست"_s;
        QTest::newRow("from a newer program") << u"database"_s << u"newer"_s << u"نسخه جديدتري"_s;
    }
    void restoreCommand()
    {
        QFETCH(QString, place);
        QFETCH(QString, backup);
        QFETCH(QString, refusal);
        f->exec(kNumbers + u"INSERT INTO driver (driver_id, driver_name) SELECT i, 'راننده ' || i FROM n"_s);
        const QString copy = f->dir.filePath(u"copy.mdb"_s);
        DM->ADOConnection1->backupTo(copy);
        f->program.reset();
        const QString target = f->dir.filePath(u"restored/DB.MDB"_s);
        QDir().mkpath(QFileInfo(target).absolutePath());
        auto damage = [](const QString& file, qint64 at) {
            QFile w(file);
            w.open(QIODevice::ReadWrite);
            w.seek(at);
            w.write(QByteArray(8192, '\xA5'));
        };
        if (place != "nothing"_L1) {
            QVERIFY(QFile::copy(f->path, target));
            sqlite3* db = nullptr;
            sqlite3_open(QFile::encodeName(target).constData(), &db);
            sqlite3_exec(db, "DELETE FROM driver WHERE driver_id > 10", nullptr, nullptr, nullptr);
            sqlite3_close(db);
            if (place == "damaged"_L1) damage(target, 0);
        }
        if (backup == "damaged"_L1) {
            damage(copy, 8192);
        } else if (backup == "text"_L1) {
            QFile w(copy);
            w.open(QIODevice::WriteOnly);
            w.write(QByteArray(8192, 'x'));
        } else if (backup == "newer"_L1) {
            sqlite3* db = nullptr;
            sqlite3_open(QFile::encodeName(copy).constData(), &db);
            sqlite3_exec(db, u"PRAGMA user_version=%1"_s.arg(kSchemaVersion + 1).toUtf8().constData(), nullptr, nullptr,
                         nullptr);
            sqlite3_close(db);
        }
        const QByteArray before = digest(target);
        const QStringList files = QDir(QFileInfo(target).absolutePath()).entryList(QDir::Files);
        const Tool t = agencyctl({u"restore"_s, copy, target});
        if (!refusal.isEmpty()) {
            QCOMPARE(t.exitCode, 1);
            QVERIFY2(t.err.contains(refusal), qPrintable(t.err));
            QCOMPARE(digest(target), before);
            QCOMPARE(QDir(QFileInfo(target).absolutePath()).entryList(QDir::Files), files);
            return;
        }
        QVERIFY2(t.exitCode == 0, qPrintable(t.err));
        QCOMPARE(agencyctl({u"verify"_s, target}).out, u"ok\n"_s);
        QCOMPARE(countIn(target, u"driver"_s), 1500);
        QStringList kept = QDir(QFileInfo(target).absolutePath()).entryList({u"DB-*.MDB"_s}, QDir::Files);
        if (place == "nothing"_L1) {
            QVERIFY(kept.isEmpty());
            return;
        }
        QCOMPARE(kept.size(), 1);
        const QString keptPath = QFileInfo(target).absoluteDir().filePath(kept[0]);
        QVERIFY2(t.out.contains(keptPath), qPrintable(t.out));
        if (place == "damaged"_L1)
            QCOMPARE(digest(keptPath), before);  // kept as it was, byte for byte
        else
            QCOMPARE(countIn(keptPath, u"driver"_s), 10);
    }
};

QTEST_MAIN(TestSafety)
#include "tst_safety.moc"
