// Start-up and login through the program's own start-up code, the first-run window, and the
// databases that must be refused before anyone can log in.

#include "app/Program.h"
#include "app/Unit10.h"
#include "app/UnitMain.h"
#include "app/UnitNewDatabase.h"
#include "app/UnitProgress.h"
#include "data/Database.h"
#include "data/SqliteEngine.h"
#include "data/Errors.h"
#include "data/Password.h"
#include "data/Session.h"
#include "data/UnitDM.h"
#include "operations/UnitService.h"
#include "tests/Fixture.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QTest>

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

using namespace agency;

namespace {

QByteArray digest(const QString& path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

void typeLogin(const QString& text)
{
    FormEnter->Edit1->setFocus();
    QTest::keyClicks(FormEnter->Edit1, text);
    QTest::keyClick(FormEnter->Edit1, Qt::Key_Return);
}

}  // namespace

class TestStartup : public QObject {
    Q_OBJECT

private slots:
    void startUpCreatesEveryWindowWithTheBarStoppingAtItsEnd()
    {
        Fixture f(false);
        QCOMPARE(f.program->progressSteps, 24);
        QCOMPARE(f.program->progressPosition, 14);
        QVERIFY(FormProgress == nullptr);  // gone before the loop runs
        QVERIFY(FormEnter && FormMain && DM && FormService);
        QVERIFY(!FormMain->isVisible());
        QVERIFY(!FormService->isVisible());

        TFormProgress bar;
        for (int i = 0; i < 24; ++i) {
            bar.StepIt();
            QVERIFY(bar.ProgressBar1->value() <= 14);
            if (i >= 13) QCOMPARE(bar.ProgressBar1->value(), 14);
        }
    }

    void loginWithTheRightPassword()
    {
        Fixture f(false);
        typeLogin(QString::fromUtf16(Fixture::kPassword));
        QVERIFY(f.dialogs.messages.isEmpty());
        QVERIFY(!FormEnter->isVisible());
        QVERIFY(FormMain->isVisible());
        QCOMPARE(agency::session().userName, u"مدير"_s);
        QCOMPARE(FormEnter->Edit1->text(), QString());
        // The password is kept as a hash, never as the text typed.
        const QString stored = f.scalar(u"SELECT PassWord FROM Users"_s).toString();
        QVERIFY(stored.startsWith(u"$argon2id$"_s));
        QVERIFY(!stored.contains(QString::fromUtf16(Fixture::kPassword)));
    }

    void wrongPasswordsAreRefusedWithoutLimit()
    {
        Fixture f(false);
        FormEnter->show();
        for (const QString& wrong : {u"12345"_s, QString(), u"123"_s}) {
            f.dialogs.clear();
            typeLogin(wrong);
            QCOMPARE(f.dialogs.messages, QStringList{u"كد موجود نيست"_s});
            QCOMPARE(FormEnter->Edit1->text(), QString());
            QVERIFY(FormEnter->isVisible());
            QVERIFY(!FormMain->isVisible());
        }
        typeLogin(QString::fromUtf16(Fixture::kPassword));
        QVERIFY(FormMain->isVisible());
    }

    void twoUsersWithOnePasswordResolveToTheFirst()
    {
        Fixture f(false);
        f.program.reset();
        f.exec(u"INSERT INTO Users (UserName, PassWord) VALUES ('second', '%1')"_s.arg(
            Password::hash(QString::fromUtf16(Fixture::kPassword))));
        f.exec(u"INSERT INTO Users (UserName, PassWord) VALUES ('third', '%1')"_s.arg(Password::hash(u"abc"_s)));
        f.build();
        typeLogin(QString::fromUtf16(Fixture::kPassword));
        QCOMPARE(agency::session().userName, u"مدير"_s);
        QCOMPARE(agency::session().userId, 1);

        f.program.reset();
        f.build();
        typeLogin(u"abc"_s);  // case matters: "ABC" would not do
        QCOMPARE(agency::session().userName, u"third"_s);
        f.program.reset();
        f.build();
        f.dialogs.clear();
        typeLogin(u"ABC"_s);
        QCOMPARE(f.dialogs.messages, QStringList{u"كد موجود نيست"_s});
    }

    void anEmptyUsersTableLetsNobodyIn()
    {
        Fixture f(false);
        f.program.reset();
        f.exec(u"DELETE FROM Users"_s);
        f.build();
        for (const QString& attempt : {QString::fromUtf16(Fixture::kPassword), QString()}) {
            f.dialogs.clear();
            typeLogin(attempt);
            QCOMPARE(f.dialogs.messages, QStringList{u"كد موجود نيست"_s});
            QVERIFY(!FormMain->isVisible());
        }
    }

    void escapeClosesTheLogin()
    {
        Fixture f(false);
        FormEnter->show();
        QVERIFY(FormEnter->isVisible());
        FormEnter->Edit1->setFocus();
        QTest::keyClicks(FormEnter->Edit1, u"12"_s);
        QTest::keyClick(FormEnter->Edit1, Qt::Key_Escape);
        QVERIFY(!FormEnter->isVisible());
        QVERIFY(!FormMain->isVisible());
        QVERIFY(f.dialogs.log.isEmpty());
    }

    void badDatabasesAreRefusedAndLeftAsTheyWere_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("phrase");
        QTest::newRow("missing") << "missing" << u"پيدا نشد"_s;
        QTest::newRow("not sqlite") << "text" << u"پايگاه داده نيست"_s;
        QTest::newRow("foreign sqlite") << "foreign" << u"اين برنامه نيست"_s;
        QTest::newRow("table missing") << "notable" << u"جدول acount"_s;
        QTest::newRow("locked") << "locked" << u"قفل"_s;
        QTest::newRow("from a newer program") << "newer" << u"نسخه جديدتري"_s;
        // Refused by file modes: run by nobody, since root reads and writes every file.
        QTest::newRow("unreadable") << "unreadable" << u"خوانده نمي شود"_s;
        QTest::newRow("read-only file") << "readonly" << u"در فايل پايگاه داده نمي توان نوشت"_s;
        QTest::newRow("read-only folder") << "readonlydir" << u"در پوشه پايگاه داده نمي توان نوشت"_s;
    }
    void badDatabasesAreRefusedAndLeftAsTheyWere()
    {
        QFETCH(QString, kind);
        QFETCH(QString, phrase);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"DB.MDB"_s);
        sqlite3* holder = nullptr;
        const QMap<QString, int> modes = {{u"unreadable"_s, 0}, {u"readonly"_s, 0400}, {u"readonlydir"_s, 0600}};
        if (kind == u"text"_s) {
            QFile file(path);
            file.open(QIODevice::WriteOnly);
            file.write(QByteArray(8192, 'x'));
        } else if (kind == u"foreign"_s) {
            sqlite3* db = nullptr;
            sqlite3_open(path.toUtf8().constData(), &db);
            sqlite3_exec(db, "CREATE TABLE t(x)", nullptr, nullptr, nullptr);
            sqlite3_close(db);
        } else if (kind != u"missing"_s) {
            Database::create(path, {u"T"_s, 10, u"u"_s, u"p"_s});
            sqlite3* db = nullptr;
            sqlite3_open(path.toUtf8().constData(), &db);
            if (kind == u"notable"_s) {
                sqlite3_exec(db, "DROP TABLE acount", nullptr, nullptr, nullptr);
                sqlite3_close(db);
            } else if (kind == u"locked"_s) {
                sqlite3_exec(db,
                             "PRAGMA journal_mode=DELETE; PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE; "
                             "UPDATE payeh SET percent=percent; COMMIT;",
                             nullptr, nullptr, nullptr);
                holder = db;  // keeps its exclusive lock until closed
            } else if (kind == u"newer"_s) {
                sqlite3_exec(db, u"PRAGMA user_version=%1"_s.arg(kSchemaVersion + 1).toUtf8().constData(), nullptr,
                             nullptr, nullptr);
                sqlite3_close(db);
            } else {
                sqlite3_close(db);
            }
        }
        const QByteArray before = QFile::exists(path) ? digest(path) : QByteArray();
        const QStringList files = QDir(dir.path()).entryList(QDir::Files);
        if (modes.contains(kind)) {
            handToNobody(dir.path());
            ::chmod(QFile::encodeName(path).constData(), mode_t(modes[kind]));
            if (kind == u"readonlydir"_s) ::chmod(QFile::encodeName(dir.path()).constData(), 0500);
            const std::optional<QString> refused = runAsNobody([&] { TDM dm(path); });
            ::chmod(QFile::encodeName(dir.path()).constData(), 0700);
            QVERIFY2(refused && refused->contains(phrase), qPrintable(refused.value_or(u"opened"_s)));
        } else {
            ScriptedDialogs boxes;
            try {
                auto program = Program::build(path, &boxes);
                QFAIL("a bad database was opened");
            } catch (const Error& e) {
                QVERIFY2(e.text().contains(phrase), qPrintable(e.text()));
            }
            QVERIFY(FormEnter == nullptr && FormMain == nullptr && DM == nullptr);
            setDialogs(nullptr);
        }
        if (holder) sqlite3_close(holder);
        if (kind == u"missing"_s)
            QVERIFY(!QFile::exists(path));
        else
            QCOMPARE(digest(path), before);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), files);  // no log or shared memory beside it
    }

    // A backup copy is a file in rollback-journal mode; put in place of DB.MDB, by hand or by
    // restore, it must open as the database and show every row, past the first block fetched.
    void backupCopyInPlaceOpensWithEveryRow_data()
    {
        QTest::addColumn<bool>("byRestore");
        QTest::newRow("copied over DB.MDB") << false;
        QTest::newRow("through restore") << true;
    }
    void backupCopyInPlaceOpensWithEveryRow()
    {
        QFETCH(bool, byRestore);
        Fixture f(false);
        f.exec(
            u"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i < 1500) "
            "INSERT INTO service (service_id, service_date, driver_name) "
            "SELECT i, '1405/09/17', 'راننده ' || i FROM n"_s);
        const QString copy = f.dir.filePath(u"copy.mdb"_s);
        DM->ADOConnection1->backupTo(copy);
        f.exec(u"DELETE FROM service WHERE service_id > 1000"_s);  // work done after the copy
        f.program.reset();
        QString kept;
        try {
            if (byRestore) {
                kept = Database::restore(copy, f.path);
            } else {
                for (const char* gone : {"", "-wal", "-shm"}) QFile::remove(f.path + QLatin1String(gone));
                QVERIFY(QFile::copy(copy, f.path));
            }
            f.build();
        } catch (const Error& e) {
            QFAIL(qPrintable(e.text()));
        }
        typeLogin(QString::fromUtf16(Fixture::kPassword));
        QVERIFY(f.dialogs.log.isEmpty());
        QVERIFY(FormMain->isVisible());
        TADOQuery* list = DM->QueryViewService;
        list->Reopen();
        int rows = 0;
        for (list->First(); !list->Eof(); list->Next()) ++rows;
        QCOMPARE(rows, 1500);
        QCOMPARE(list->FieldByName(u"driver_name"_s).AsString(), u"راننده 1500"_s);
        if (byRestore) {
            // The database replaced is kept beside it, as it was.
            QVERIFY(QFileInfo(kept).fileName().startsWith(u"DB-1405-09-17-103000"_s));
            SqliteConnection old(kept, SQLITE_OPEN_READONLY);
            Statement count(&old, u"SELECT count(*) FROM service"_s);
            QVERIFY(count.step());
            QCOMPARE(count.columnInt(0), 1000);
        }
    }

    // A password holding Persian letters, or a letter outside the BMP, is hashed and verified as
    // its UTF-8 bytes, so that a user created with it can log in.
    void persianPasswordsAtTheFirstRunAndTheLogin_data()
    {
        QTest::addColumn<QString>("password");
        for (const QString& p : persianPasswords()) QTest::newRow(p.toUtf8().constData()) << p;
    }
    void persianPasswordsAtTheFirstRunAndTheLogin()
    {
        QFETCH(QString, password);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"DB.MDB"_s);
        ScriptedDialogs boxes;
        setDialogs(&boxes);
        {
            TFormNewDatabase w(path);
            QVERIFY(showActive(&w));
            for (const QString& t : {u"آژانس"_s, u"10"_s, u"مينا"_s, password, password}) typeAndEnter(t);
            QVERIFY(w.Created());
        }
        auto program = Program::build(path, &boxes);
        FormEnter->show();
        FormEnter->Edit1->setFocus();
        typeText(FormEnter->Edit1, password.chopped(1));  // all but its last letter
        QTest::keyClick(FormEnter->Edit1, Qt::Key_Return);
        QVERIFY(!FormMain->isVisible());
        QCOMPARE(boxes.messages, QStringList{u"كد موجود نيست"_s});
        FormEnter->Edit1->setFocus();
        typeText(FormEnter->Edit1, password);
        QCOMPARE(FormEnter->Edit1->text(), password);
        QTest::keyClick(FormEnter->Edit1, Qt::Key_Return);
        QVERIFY(FormMain->isVisible());
        QCOMPARE(agency::session().userName, u"مينا"_s);
        program.reset();
        setDialogs(nullptr);
    }

    void firstRunCreatesTheDatabaseByKeys()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"DB.MDB"_s);
        ScriptedDialogs boxes;
        setDialogs(&boxes);
        TFormNewDatabase w(path);
        QVERIFY(showActive(&w));
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w.EditTitle));
        typeAndEnter(u"آژانس پيك"_s);
        typeAndEnter(u"۱۵"_s);  // Persian digits, as a Persian keyboard types them
        typeAndEnter(u"احمد"_s);
        typeAndEnter(u"s3cret"_s);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w.EditPassword2));
        typeAndEnter(u"s3cret"_s);
        QVERIFY(w.Created());
        QVERIFY(boxes.log.isEmpty());

        struct stat st {};
        QCOMPARE(::stat(path.toUtf8().constData(), &st), 0);
        QCOMPARE(int(st.st_mode & 0777), 0600);
        Database db(path);
        Statement users(db.writer(), u"SELECT UserName, PassWord FROM Users"_s);
        QVERIFY(users.step());
        QCOMPARE(users.column(0).toString(), u"احمد"_s);
        QVERIFY(Password::verify(users.column(1).toString(), u"s3cret"_s));
        Statement payeh(db.writer(), u"SELECT Title, percent FROM payeh"_s);
        QVERIFY(payeh.step());
        QCOMPARE(payeh.column(0).toString(), u"آژانس پيك"_s);
        QCOMPARE(payeh.column(1).toLongLong(), 15);
        QVERIFY(!payeh.step());
        setDialogs(nullptr);
    }

    void firstRunRefusesBadInputAndEscapeCreatesNothing()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"DB.MDB"_s);
        ScriptedDialogs boxes;
        setDialogs(&boxes);
        TFormNewDatabase w(path);
        QVERIFY(showActive(&w));
        auto fill = [&](const QString& percent, const QString& p1, const QString& p2) {
            for (TLabeledEdit* e : {w.EditTitle, w.EditPercent, w.EditUserName, w.EditPassword, w.EditPassword2})
                e->clear();
            w.EditTitle->setFocus();
            for (const QString& t : {u"T"_s, percent, u"u"_s, p1, p2}) typeAndEnter(t);
        };
        fill(u"12a"_s, u"x"_s, u"x"_s);
        QCOMPARE(boxes.messages.value(0), u"درصد سهم آژانس بايد عددي صحيح باشد"_s);
        fill(u"12"_s, u"abc"_s, u"abC"_s);
        QCOMPARE(boxes.messages.value(1), u"رمز و تكرار يكسان نيست"_s);
        QVERIFY(!w.Created());
        QVERIFY(!QFile::exists(path));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QVERIFY(!w.isVisible());
        QVERIFY(!QFile::exists(path));
        QVERIFY(QDir(dir.path()).entryList(QDir::Files).isEmpty());
        setDialogs(nullptr);
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
