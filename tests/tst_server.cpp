// A desk on a server that hangs, restarts and drops its sessions, driven by keys: the desk is told
// within the bound while its window goes on answering, nothing is half-stored or stored twice, and a
// desk holds three connections however many windows it opens. Runs against the server that
// scripts/with-postgres starts.

#include "app/UnitMain.h"
#include "data/Errors.h"
#include "data/PostgresEngine.h"
#include "data/UnitDM.h"
#include "operations/UnitService.h"
#include "reports/UnitViewService.h"
#include "tests/Fixture.h"
#include "tests/TestDatabase.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

#include <memory>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

constexpr int kDeadlineMs = 1500;
const QString kNoAnswer = u"سرور پايگاه داده پاسخ نمي دهد"_s;

}  // namespace

class TestServer : public QObject {
    Q_OBJECT

    std::unique_ptr<Fixture> f;

    int serviceCount() { return f->scalar(u"SELECT count(*) FROM service"_s).toInt(); }

    // F2, a driver, a subscriber, the target and the fare: the focus on the record button.
    void typeService()
    {
        QVERIFY(bringToFront(FormMain));
        QTest::keyClick(FormMain, Qt::Key_F2);
        QVERIFY(QTest::qWaitForWindowActive(FormService));
        typeAndEnter(u"7"_s);
        typeAndEnter(u"3"_s);
        typeAndEnter(u"ميدان انقلاب"_s);
        typeText(focused(), u"15000"_s);
        pressEnter();
        QCOMPARE(focused(), FormService->BitBtn1);
    }

    // Enter on the record button, No to the print question.
    void record()
    {
        f->dialogs.answers << false;
        QTest::keyClick(FormService->BitBtn1, Qt::Key_Return);
    }

private slots:
    void initTestCase() { QVERIFY2(testdb::onServer(), "run under scripts/with-postgres, AGENCY_TEST_ENGINE=server"); }
    void init()
    {
        agency::setServerDeadlines(kDeadlineMs, kDeadlineMs);
        f = std::make_unique<Fixture>();
        f->exec(u"INSERT INTO driver (driver_id, driver_name) VALUES (7, 'علي رضايي'); "
                "INSERT INTO acount (acount_id, acount_name, acount_add) VALUES (3, 'شركت نمونه', 'خيابان آزادي')"_s);
        DM->ADOTableDriver->Reopen();
        DM->ADOTableAcount->Reopen();
    }
    void cleanup()
    {
        f.reset();
        agency::setServerDeadlines(5000, 4000);
    }

    // The server's processes stopped while the desk saves or opens the service list: one message
    // within the bound, the clock going on meanwhile, nothing stored and nothing typed lost; once
    // the server answers again, the same keys do what they did not.
    void frozenServerIsToldAndOutlived_data()
    {
        QTest::addColumn<bool>("saving");
        QTest::addColumn<QString>("told");  // the first line of the message
        QTest::newRow("saving a service") << true << agency::linkStoreLine();
        QTest::newRow("opening the service list") << false << agency::linkReadLine();
    }
    void frozenServerIsToldAndOutlived()
    {
        QFETCH(bool, saving);
        QFETCH(QString, told);
        if (saving) typeService();
        QVERIFY(bringToFront(saving ? static_cast<QWidget*>(FormService) : FormMain));
        int ticks = 0;
        QTimer clock;
        connect(&clock, &QTimer::timeout, [&] { ++ticks; });
        clock.start(100);
        std::optional<testdb::ServerFrozen> frozen(std::in_place);
        QElapsedTimer since;
        since.start();
        if (saving)
            record();
        else
            QTest::keyClick(FormMain, Qt::Key_F7);
        const qint64 took = since.elapsed();
        QCOMPARE(f->dialogs.errors.size(), 1);
        QVERIFY2(f->dialogs.errors[0].startsWith(told) && f->dialogs.errors[0].contains(kNoAnswer),
                 qPrintable(f->dialogs.errors[0]));
        QVERIFY2(took < 2 * kDeadlineMs + 1000, qPrintable(QString::number(took)));
        QVERIFY2(ticks >= 5, qPrintable(QString::number(ticks)));  // the event loop kept running
        frozen.reset();
        QCOMPARE(serviceCount(), 0);
        if (saving) QCOMPARE(FormService->EditMoney->text(), u"15000"_s);
        QTest::qWait(1600);  // a server that did not answer is left alone a moment
        f->dialogs.clear();
        if (saving) {
            QVERIFY(bringToFront(FormService));
            FormService->BitBtn1->setFocus();
            record();
            QCOMPARE(serviceCount(), 1);
        } else {
            f->exec(u"INSERT INTO service (service_id, driver_id, service_date, service_start_add, service_target_add) "
                    "VALUES (1, 7, '1405/09/17', 'الف', 'ب')"_s);
            QTest::keyClick(FormViewService, Qt::Key_Escape);
            QVERIFY(bringToFront(FormMain));
            QTest::keyClick(FormMain, Qt::Key_F7);
            QTRY_COMPARE(DM->QueryViewService->RecordCount(), 1);
        }
        QCOMPARE(f->dialogs.errors, QStringList());
    }

    // A restart of the server between two saves costs the desk nothing.
    void restartBetweenSaves()
    {
        typeService();
        record();
        QVERIFY(testdb::restartServer());
        typeService();
        record();
        QCOMPARE(f->dialogs.errors, QStringList());
        QCOMPARE(serviceCount(), 2);
    }

    // The desk's sessions ended by the server while the service list is scrolled: no message, and
    // the rows are read again, to the last one.
    void endedSessionsWhileScrolling()
    {
        f->exec(u"INSERT INTO service (service_id, driver_id, service_date, service_start_add, service_target_add) "
                "SELECT n, 7, '1405/09/17', 'الف', 'ب' FROM generate_series(1, 3000) n"_s);
        QVERIFY(bringToFront(FormMain));
        QTest::keyClick(FormMain, Qt::Key_F7);
        QVERIFY(QTest::qWaitForWindowActive(FormViewService));
        f->exec(u"SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE datname = current_database() "
                "AND pid <> pg_backend_pid()"_s);
        FormViewService->DBGrid1->setFocus();
        QTest::keyClick(FormViewService->DBGrid1, Qt::Key_End, Qt::ControlModifier);
        QTRY_COMPARE(DM->QueryViewService->FieldByName(u"service_id"_s).AsInteger(), 3000);
        QCOMPARE(f->dialogs.errors, QStringList());
    }

    // Every window the main window opens, and the desk still holds three connections at most.
    void threeConnectionsADesk()
    {
        for (const Qt::Key key : {Qt::Key_F2, Qt::Key_F3, Qt::Key_F4, Qt::Key_F5, Qt::Key_F6, Qt::Key_F7, Qt::Key_F8,
                                  Qt::Key_F9, Qt::Key_F10, Qt::Key_F11}) {
            QVERIFY(bringToFront(FormMain));
            QTest::keyClick(FormMain, key);
            QTRY_VERIFY(QApplication::activeWindow() && QApplication::activeWindow() != FormMain);
            QTest::keyClick(QApplication::activeWindow(), Qt::Key_Escape);
        }
        const qint64 held = f->scalar(u"SELECT count(*) FROM pg_stat_activity WHERE datname = current_database() AND "
                                      "application_name = 'agency' AND pid <> pg_backend_pid()"_s)
                                .toLongLong();
        QVERIFY2(held >= 1 && held <= 3, qPrintable(QString::number(held)));
        QCOMPARE(f->dialogs.errors, QStringList());
    }
};

QTEST_MAIN(TestServer)
#include "tst_server.moc"
