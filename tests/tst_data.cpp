// The data module on a fresh database: the datasets as the windows find them, snapshots,
// numbering, money, and the refusals that must leave nothing stored.

#include "controls/Dialogs.h"
#include "data/Currency.h"
#include "data/Database.h"
#include "data/Errors.h"
#include "data/SolarDate.h"
#include "data/UnitDM.h"
#include "tests/Fixture.h"

#include <QApplication>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace agency;
using namespace Qt::StringLiterals;

class TestData : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<Fixture> f;

    void appendService(int id, const QString& date, qint64 fare, qint64 shareUnits, int driver = 1,
                       const QString& driverName = u"A"_s)
    {
        TADOTable* t = DM->ADOTableService;
        t->Append();
        t->FieldByName(u"service_id"_s).SetAsInteger(id);
        t->FieldByName(u"driver_id"_s).SetAsInteger(driver);
        t->FieldByName(u"driver_name"_s).SetAsString(driverName);
        t->FieldByName(u"service_date"_s).SetAsString(date);
        t->FieldByName(u"service_moeny"_s).SetAsInteger(fare);
        t->FieldByName(u"service_percent"_s).SetAsCurrency(Currency::fromUnits(shareUnits));
        t->Post();
    }
    void appendPayment(int number, const QString& date, qint64 amount, int driver = 1)
    {
        TADOTable* t = DM->ADOTableService;
        t->Append();
        t->FieldByName(u"driver_bes_no"_s).SetAsInteger(number);
        t->FieldByName(u"driver_id"_s).SetAsInteger(driver);
        t->FieldByName(u"driver_name"_s).SetAsString(u"A"_s);
        t->FieldByName(u"service_date"_s).SetAsString(date);
        t->FieldByName(u"driver_bes"_s).SetAsInteger(amount);
        t->Post();
    }
    int serviceRows() { return f->scalar(u"SELECT count(*) FROM service"_s).toInt(); }

    // Services of the desk's kind, written by another program: every tenth row a payment, so that
    // the services' row ids do not lie side by side.
    void insertServices(int count)
    {
        f->exec(
            u"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i < %1) "
            "INSERT INTO service (service_id, driver_id, driver_name, acount_id, acount_name, service_date, "
            "service_action, service_moeny, service_percent, driver_bes, driver_bes_no) "
            "SELECT CASE WHEN i % 10 = 0 THEN 0 ELSE i END, 1 + i % 7, 'راننده ' || (1 + i % 7), "
            "CASE WHEN i % 10 = 0 THEN 0 ELSE 1 + i % 13 END, 'مشترك ' || (i % 13), "
            "printf('1404/%02d/%02d', 1 + i % 12, 1 + i % 29), 'بابت انجام سرويس شماره ' || i, i * 10000, "
            "i * 1500, CASE WHEN i % 10 = 0 THEN 50000 ELSE 0 END, CASE WHEN i % 10 = 0 THEN i ELSE 0 END FROM n"_s.arg(
                count));
    }
    void openSnapshots()
    {
        for (TDataset* ds : DM->datasets())
            if (ds->Active()) ds->Reopen();
    }

private slots:
    void init() { f = std::make_unique<Fixture>(false); }
    void cleanup() { f.reset(); }

    // What may stand in a row or a filter as a date, and what a typed date completes to.
    void datesAreWholeOrRefused_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("whole");  // empty: refused
        QTest::newRow("as stored") << u"1405/09/17"_s << u"1405/09/17"_s;
        QTest::newRow("month of one digit, as the mask leaves it") << u"1405/9 /17"_s << u"1405/09/17"_s;
        QTest::newRow("month of one digit after a blank") << u"1405/ 9/17"_s << u"1405/09/17"_s;
        QTest::newRow("month of one digit, no blank") << u"1405/9/17"_s << u"1405/09/17"_s;
        QTest::newRow("day of one digit") << u"1405/09/7 "_s << QString();
        QTest::newRow("day blank") << u"1405/09/  "_s << QString();
        QTest::newRow("month blank") << u"1405/  /17"_s << QString();
        QTest::newRow("year of three digits") << u" 405/09/17"_s << QString();
        QTest::newRow("the empty mask") << u"    /  /  "_s << QString();
        QTest::newRow("no 31st in Mehr") << u"1405/7 /31"_s << QString();
        QTest::newRow("Esfand 30th of a leap year") << u"1403/12/30"_s << u"1403/12/30"_s;
        QTest::newRow("Esfand 30th of a common year") << u"1404/12/30"_s << QString();
        QTest::newRow("before 1300") << u"1299/12/29"_s << QString();
        QTest::newRow("Persian digits") << u"۱۴۰۵/۰۹/۱۷"_s << QString();
        QTest::newRow("a quote in the day") << u"1405/09/1'"_s << QString();
    }
    void datesAreWholeOrRefused()
    {
        QFETCH(QString, typed);
        QFETCH(QString, whole);
        QCOMPARE(SolarDate::completeDate(typed), whole);
        // The storing rules take only the whole form: a blank never passes, completed or not.
        QCOMPARE(SolarDate::isStrictDate(typed), !whole.isEmpty() && typed == whole);
        QVERIFY(!SolarDate::isStrictDate(typed.replace(u'0', u' ')));
    }

    // A negative amount, a quoted filter, a file name: each reads as written inside Persian text.
    void leftToRightRunsInPersianText_data()
    {
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("run");
        QTest::newRow("negative balance") << displayAmount(u"-377"_s) << u"-377"_s;
        QTest::newRow("negative with decimals") << displayAmount(u"-1851.75"_s) << u"-1851.75"_s;
        QTest::newRow("negative on a receipt") << displayAmount(u"-500 ريال"_s) << u"-500"_s;
        QTest::newRow("a range keeps its dash") << displayAmount(u"12-14 خيابان"_s) << u"12-14"_s;
        QTest::newRow("filter quoted in an error")
            << isolateQuoted(u"شرط نادرست نزديك «acount_id=5 or 1=1»"_s) << u"acount_id=5 or 1=1"_s;
        QTest::newRow("two quoted runs") << isolateQuoted(u"«a-1» و «b = 'x'»"_s) << u"b = 'x'"_s;
    }
    void leftToRightRunsInPersianText()
    {
        QFETCH(QString, shown);
        QFETCH(QString, run);
        QVERIFY(readsLeftToRight(shown, run, QApplication::font()));
        // Nothing but the isolating marks is added.
        QString bare = shown;
        bare.remove(QChar(0x200E)).remove(QChar(0x2068)).remove(QChar(0x2069));
        QVERIFY(bare.contains(run));
    }

    void datasetsAsTheWindowsFindThem()
    {
        QCOMPARE(DM->QueryMaxD->SQL.lines(), QStringList({u"select  max(driver_bes_no)"_s, u"from service"_s}));
        QCOMPARE(DM->QueryViewService->SQL.lines(),
                 QStringList({u"select *"_s, u"from service"_s, u"where service_id<>0"_s,
                              u"order by service_date,service_id"_s}));
        QCOMPARE(DM->QueryMaxS->SQL.Count(), 3);
        QVERIFY(DM->QueryMaxS->SQL[2].startsWith(u"where service_date='"_s));
        // Open from the start, except the two numbering queries and the audit that their users open.
        for (TDataset* ds : DM->datasets())
            if (ds != DM->QueryMaxS && ds != DM->QueryMaxA && ds != DM->QueryAudit)
                QVERIFY2(ds->Active(), qPrintable(ds->Name()));
        QVERIFY(!DM->QueryMaxA->Active());

        QStringList mande;
        for (const ResultColumn& c : DM->QueryDriverMande->Columns()) mande << c.name;
        QCOMPARE(mande, QStringList({u"driver_id"_s, u"Driver_name"_s, u"Expr1002"_s, u"Expr1003"_s, u"Expr1004"_s}));
        QCOMPARE(DM->QueryDriverMande->Columns()[4].type, FieldType::Currency);
        QCOMPARE(DM->QueryDriverHesabJM->Columns()[0].name, u"Expr1000"_s);
        QCOMPARE(DM->QueryDriverHesabJM->Columns()[1].name, u"Expr1001"_s);
        QVERIFY(DM->QueryAmar->FieldIndex(u"AvgOfdriver_bes"_s) >= 0);
        QCOMPARE(DM->DSViewService.DataSet, DM->QueryViewService);
    }

    void numberingStartsAtOneAndAggregatesOverNothingAreNull()
    {
        DM->QueryMaxD->Reopen();
        QVERIFY(DM->QueryMaxD->FieldByName(u"Expr1000"_s).IsNull());
        QCOMPARE(DM->QueryMaxD->FieldByName(u"Expr1000"_s).AsInteger() + 1, 1);
        DM->QueryMaxS->Reopen();
        QCOMPARE(DM->QueryMaxS->FieldByName(u"Expr1000"_s).AsInteger() + 1, 1);
        DM->QueryAmar->Reopen();
        QVERIFY(!DM->QueryAmar->IsEmpty());
        QVERIFY(DM->QueryAmar->FieldByName(u"SumOfservice_moeny"_s).IsNull());
        QCOMPARE(DM->QueryAmar->FieldByName(u"SumOfservice_moeny"_s).AsString(), QString());

        appendService(1, u"1405/09/16"_s, 1000, 0);
        appendService(2, u"1405/09/16"_s, 1000, 0);
        appendPayment(57, u"1405/01/01"_s, 5);
        DM->QueryMaxS->SQL.Delete(2);
        DM->QueryMaxS->SQL.Add(u"where service_date='1405/09/17'"_s);
        DM->QueryMaxS->Reopen();
        QCOMPARE(DM->QueryMaxS->FieldByName(u"Expr1000"_s).AsInteger() + 1, 1);  // a new day starts at 1
        DM->QueryMaxD->Reopen();
        QCOMPARE(DM->QueryMaxD->FieldByName(u"Expr1000"_s).AsInteger() + 1, 58);
    }

    void snapshotsShowNewRowsOnlyAfterReopen()
    {
        DM->QueryViewService->Reopen();
        QCOMPARE(DM->QueryViewService->RecordCount(), 0);
        appendService(1, u"1405/09/17"_s, 20000, 2400 * 10000);
        // The table that wrote the row shows it at once; the list shows it once reopened.
        QVERIFY(DM->ADOTableService->Locate(u"service_date;service_id"_s, {u"1405/09/17"_s, u"1"_s}));
        QCOMPARE(DM->QueryViewService->RecordCount(), 0);
        DM->QueryViewService->Reopen();
        QCOMPARE(DM->QueryViewService->RecordCount(), 1);

        // Another copy of the program writes: invisible until reopened.
        f->exec(u"INSERT INTO service (service_id, service_date) VALUES (2, '1405/09/17')"_s);
        QCOMPARE(DM->QueryViewService->RecordCount(), 1);
        DM->QueryViewService->Reopen();
        QCOMPARE(DM->QueryViewService->RecordCount(), 2);
    }

    void paymentsAndServicesStayInTheirLists()
    {
        appendService(1, u"1405/09/17"_s, 1000, 0);
        appendPayment(1, u"1405/09/17"_s, 500);
        DM->QueryViewService->Reopen();
        DM->QueryViewDriverBes->Reopen();
        QCOMPARE(DM->QueryViewService->RecordCount(), 1);
        QCOMPARE(DM->QueryViewService->FieldByName(u"service_id"_s).AsInteger(), 1);
        QCOMPARE(DM->QueryViewDriverBes->RecordCount(), 1);
        QCOMPARE(DM->QueryViewDriverBes->FieldByName(u"driver_bes_no"_s).AsInteger(), 1);
        // Unwritten numbers are 0, not null, so balances never come out empty.
        QCOMPARE(f->scalar(u"SELECT count(*) FROM service WHERE driver_bes IS NULL OR service_id IS NULL"_s).toInt(),
                 0);
    }

    void moneyIsExact()
    {
        // 0.1 cannot be a binary fraction; ten thousand of them must still make 1000 exactly.
        for (int i = 1; i <= 3; ++i) appendService(i, u"1405/09/17"_s, 12345, Currency::share(12345, 15).units(), 1);
        appendPayment(1, u"1405/09/17"_s, 5000, 1);
        DM->QueryDriverMande->Reopen();
        QCOMPARE(DM->QueryDriverMande->FieldByName(u"Expr1002"_s).AsString(), u"5555.25"_s);
        QCOMPARE(DM->QueryDriverMande->FieldByName(u"Expr1003"_s).AsString(), u"5000"_s);
        QCOMPARE(DM->QueryDriverMande->FieldByName(u"Expr1004"_s).AsString(), u"555.25"_s);
        QCOMPARE(f->scalar(u"SELECT service_percent FROM service WHERE service_id=1"_s).toLongLong(), 18517500LL);

        QCOMPARE(Currency::share(12345, 15).toString(), u"1851.75"_s);
        QCOMPARE(Currency::share(20000, 12).toString(), u"2400"_s);
        QCOMPARE(Currency::share(2147483647, 100).units(), 2147483647LL * 10000);
        QCOMPARE(Currency::share(-5, 15).toString(), u"-0.75"_s);
        QVERIFY_THROWS_EXCEPTION(Error, Currency::share(2147483647, 2147483647));
        QCOMPARE(Currency::parse(u"1500.5"_s).roundToInteger(), 1500);
        QCOMPARE(Currency::parse(u"1501.5"_s).roundToInteger(), 1502);
        QCOMPARE(Currency::parse(u"-2.5"_s).roundToInteger(), -2);
        QCOMPARE(Currency::parse(u"-0.0001"_s).toString(), u"-0.0001"_s);
    }

    void refusalsLeaveNoRow()
    {
        const QString name51(51, QChar(u'ب'));
        TADOTable* t = DM->ADOTableService;
        t->Append();
        t->FieldByName(u"service_id"_s).SetAsInteger(1);
        t->FieldByName(u"driver_name"_s).SetAsString(name51);
        try {
            t->Post();
            QFAIL("a 51-character name was stored");
        } catch (const Error& e) {
            QVERIFY(e.text().startsWith(u"ADOTableService: "_s));
            QVERIFY(e.text().contains(u"driver_name"_s));
        }
        // Nothing is left pending to be stored by a later post.
        QCOMPARE(t->State(), TDataSetState::dsBrowse);
        QCOMPARE(serviceRows(), 0);

        // A name that the driver table accepts fits a service too.
        appendService(1, u"1405/09/17"_s, 0, 0, 1, QString(50, QChar(u'ب')));
        QCOMPARE(serviceRows(), 1);

        auto refused = [&](const std::function<void()>& store, const QString& phrase) {
            try {
                store();
                QFAIL("a duplicate was stored");
            } catch (const Error& e) {
                QVERIFY2(e.text().contains(phrase), qPrintable(e.text()));
            }
        };
        refused([&] { appendService(1, u"1405/09/17"_s, 0, 0); }, u"سرويسي با اين شماره"_s);
        appendService(1, u"1405/09/18"_s, 0, 0);  // the same number on another day is another service
        appendPayment(7, u"1405/09/17"_s, 1);
        refused([&] { appendPayment(7, u"1405/09/20"_s, 1); }, u"پرداختي با اين شماره"_s);
        QCOMPARE(serviceRows(), 3);

        TADOTable* d = DM->ADOTableDriver;
        auto addDriver = [&] {
            d->Append();
            d->FieldByName(u"driver_id"_s).SetAsInteger(5);
            d->Post();
        };
        addDriver();
        refused(addDriver, u"راننده اي با اين كد"_s);
        QCOMPARE(f->scalar(u"SELECT count(*) FROM driver"_s).toInt(), 1);
        QCOMPARE(d->State(), TDataSetState::dsBrowse);
    }

    void fieldConversionsAndEmptyDatasets()
    {
        TADOTable* d = DM->ADOTableDriver;
        try {
            d->Delete();
            QFAIL("deleted from an empty dataset");
        } catch (const Error& e) {
            QCOMPARE(e.text(), u"ADOTableDriver: Cannot perform this operation on an empty dataset"_s);
        }
        try {
            DM->ADOTablePayeh->Post();
            QFAIL("posted without editing");
        } catch (const Error& e) {
            QCOMPARE(e.text(), u"ADOTablePayeh: Dataset not in edit or insert mode"_s);
        }
        DM->ADOTablePayeh->Edit();
        try {
            DM->ADOTablePayeh->FieldByName(u"percent"_s).SetAsString(u"-"_s);
            QFAIL("a lone sign became a number");
        } catch (const Error& e) {
            QCOMPARE(e.text(), u"'-' is not a valid integer value for field 'percent'"_s);
        }
        DM->ADOTablePayeh->Cancel();
        QCOMPARE(StrToInt(u"۱۲۳"_s), 123);
        QCOMPARE(StrToInt(u"٠٧"_s), 7);
        QCOMPARE(StrToInt(u"-2147483648"_s), std::numeric_limits<qint32>::min());
        for (const char* bad : {"", "12a", "2147483648", "1.5", "--1"}) {
            try {
                StrToInt(QString::fromLatin1(bad));
                QFAIL(bad);
            } catch (const Error& e) {
                QCOMPARE(e.text(), u"'%1' is not a valid integer value"_s.arg(QString::fromLatin1(bad)));
            }
        }
    }

    void queriesRefuseTextOutsideTheDialectAndStayClosed()
    {
        TADOQuery* q = DM->QueryViewService;
        q->SQL.Clear();
        q->SQL.Add(u"select *"_s);
        q->SQL.Add(u"from service"_s);
        q->SQL.Add(u"where service_id=1; delete from service"_s);
        appendService(1, u"1405/09/17"_s, 0, 0);
        q->Close();
        QVERIFY_THROWS_EXCEPTION(Error, q->Open());
        QVERIFY(!q->Active());
        QCOMPARE(serviceRows(), 1);
    }

    void locateFindsARowAmongAMillionWithoutReadingThem()
    {
        f->exec(
            u"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i < 150000) "
            "INSERT INTO service (service_id, service_date, service_moeny) SELECT 1 + i % 500, "
            "printf('1404/%02d/%02d', 1 + (i / 500) % 12, 1 + (i / 6000) % 29), i FROM n"_s);
        TADOTable* t = DM->ADOTableService;
        t->Reopen();
        QVERIFY(t->fetchedRows() < 1000);
        QElapsedTimer timer;
        timer.start();
        QVERIFY(t->Locate(u"service_date;service_id"_s, {u"1404/05/03"_s, u"499"_s}));
        QCOMPARE(t->FieldByName(u"service_id"_s).AsInteger(), 499);
        QCOMPARE(t->FieldByName(u"service_date"_s).AsString(), u"1404/05/03"_s);
        QVERIFY(!t->Locate(u"service_date;service_id"_s, {u"1399/01/01"_s, u"1"_s}));
        QVERIFY2(timer.elapsed() < 2000, qPrintable(QString::number(timer.elapsed())));
        // The row found can be corrected in place.
        t->Edit();
        t->FieldByName(u"service_moeny"_s).SetAsInteger(7);
        t->Post();
        QCOMPARE(f->scalar(u"SELECT service_moeny FROM service WHERE service_date='1404/05/03' AND service_id=499"_s)
                     .toLongLong(),
                 70000LL);

        // A row at the end of the table's order is found as soon as one at its start: no walk.
        auto fastest = [&](const QString& date, const QString& number) {
            qint64 best = std::numeric_limits<qint64>::max();
            for (int round = 0; round < 5; ++round) {
                QElapsedTimer clock;
                clock.start();
                for (int k = 0; k < 50; ++k) t->Locate(u"service_date;service_id"_s, {date, number});
                best = std::min(best, clock.nsecsElapsed());
            }
            return best;
        };
        const qint64 first = fastest(u"1404/02/01"_s, u"1"_s);
        QCOMPARE(t->FieldByName(u"service_id"_s).AsInteger(), 1);
        const qint64 last = fastest(u"1404/01/01"_s, u"500"_s);
        QCOMPARE(t->FieldByName(u"service_id"_s).AsInteger(), 500);
        QVERIFY2(last < 3 * first + 500000, qPrintable(u"%1 ns against %2 ns"_s.arg(last).arg(first)));
    }

    // Saves at the desk with every list open: the log is checkpointed and stays small, and the
    // lists opened before the saves still show the rows of their opening.
    void theLogStaysSmallWhileListsAreOpen()
    {
        insertServices(3000);
        openSnapshots();
        for (int i = 1; i <= 300; ++i) {
            appendService(5000 + i, u"1405/09/17"_s, 20000, 2400 * 10000);
            QCoreApplication::processEvents();  // the window's idle moments between saves
        }
        const qint64 log = QFileInfo(f->path + u"-wal"_s).size();
        QVERIFY2(log < 6 * 1024 * 1024, qPrintable(QString::number(log)));
        for (TDataset* ds : DM->datasets()) QVERIFY2(!ds->InSnapshot(), qPrintable(ds->Name()));
        QCOMPARE(DM->QueryViewService->RecordCount(), 2700);
        QCOMPARE(DM->QueryViewDriverBes->RecordCount(), 300);
        DM->QueryViewService->Reopen();
        QCOMPARE(DM->QueryViewService->RecordCount(), 3000);
    }

    // Another program deletes a row that a list shows: it reads back empty, and correcting it
    // is refused rather than reported stored.
    void aRowDeletedSinceOpeningIsNotCorrected()
    {
        insertServices(1500);
        TADOTable* t = DM->ADOTableService;
        t->Reopen();
        t->RecordCount();  // as the table has been open since start-up
        f->exec(u"DELETE FROM service WHERE id=(SELECT id FROM service ORDER BY id LIMIT 1 OFFSET 1200)"_s);
        t->MoveTo(1200);
        QVERIFY(t->FieldByName(u"service_date"_s).IsNull());
        t->Edit();
        t->FieldByName(u"service_moeny"_s).SetAsInteger(7);
        try {
            t->Post();
            QFAIL("a correction of a deleted row was reported stored");
        } catch (const Error& e) {
            QCOMPARE(e.text(), u"ADOTableService: اين رديف ديگر در بانك اطلاعات نيست"_s);
        }
        QCOMPARE(t->State(), TDataSetState::dsBrowse);
        QCOMPARE(serviceRows(), 1499);
    }

    // A row written and announced shows as stored in an open list at once; another program's waits.
    void announcedRowsShowAtOnce_data()
    {
        QTest::addColumn<int>("row");  // position in the payment list; read before the write when below 1000
        QTest::addColumn<bool>("announced");
        QTest::newRow("a row read before") << 3 << true;
        QTest::newRow("a row the snapshot has not reached") << 1400 << true;
        QTest::newRow("another program's write") << 3 << false;
    }
    void announcedRowsShowAtOnce()
    {
        QFETCH(int, row);
        QFETCH(bool, announced);
        insertServices(15000);  // every tenth a payment, numbered ten times its place in the list
        TADOQuery* q = DM->QueryViewDriverBes;
        q->Reopen();
        QVERIFY(q->InSnapshot());  // no event has run: its ids are still being read
        const int amount = q->FieldIndex(u"driver_bes"_s);
        if (row < 1000) QCOMPARE(q->value(row, amount).toLongLong(), 50000);
        QSignalSpy changed(q, &TDataset::rowChanged);
        const QString sql = u"UPDATE service SET driver_bes=43210000 WHERE id=%1"_s.arg(10 * (row + 1));
        announced                                                        ? exec(DM->ADOConnection1->writer(), sql),
            DM->ADOConnection1->RowWritten(u"service"_s, 10 * (row + 1)) : f->exec(sql);
        QCOMPARE(q->value(row, amount).toLongLong(), announced ? 43210000 : 50000);
        QCOMPARE(changed, announced ? QList<QVariantList>{{row}} : QList<QVariantList>{});
    }

    void locateComparesAsTheDeskTypes_data()
    {
        QTest::addColumn<QString>("dataset");
        QTest::addColumn<QString>("fields");
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<QString>("field");   // read from the row found
        QTest::addColumn<QString>("expect");  // its value, as plain SQL gives it; empty: none found
        const QString action = u"SELECT service_action FROM service WHERE service_id=%1"_s;
        QTest::newRow("a number with a leading zero")
            << u"ADOTableService"_s << u"service_date;service_id"_s << QStringList{u"1404/06/06"_s, u"05"_s}
            << u"service_action"_s << action.arg(5);
        QTest::newRow("Persian digits") << u"ADOTableService"_s << u"service_date;service_id"_s
                                        << QStringList{u"۱۴۰۴/۰۶/۰۶"_s, u"۵"_s} << u"service_action"_s << action.arg(5);
        QTest::newRow("past the first fetch")
            << u"ADOTableService"_s << u"service_date;service_id"_s << QStringList{u"1404/04/13"_s, u"1491"_s}
            << u"service_action"_s << action.arg(1491);
        QTest::newRow("a number field and a text that is no number")
            << u"ADOTableService"_s << u"service_date;service_id"_s << QStringList{u"1404/06/06"_s, u"5x"_s}
            << u"service_action"_s << QString();
        QTest::newRow("no such service") << u"ADOTableService"_s << u"service_date;service_id"_s
                                         << QStringList{u"1399/01/01"_s, u"1"_s} << u"service_action"_s << QString();
        QTest::newRow("the first in the list's order")
            << u"QueryViewService"_s << u"acount_id"_s << QStringList{u"3"_s} << u"service_id"_s
            << u"SELECT service_id FROM service WHERE service_id<>0 AND acount_id=3 ORDER BY service_date, service_id"_s;
        QTest::newRow("letters beyond ASCII in another case")
            << u"ADOTableDriver"_s << u"driver_name"_s << QStringList{u"äRZTE"_s} << u"driver_id"_s << u"SELECT 2"_s;
        QTest::newRow("the Persian yeh for the Arabic")
            << u"ADOTableUser"_s << u"UserName"_s << QStringList{u"مدیر"_s} << u"UserName"_s << u"SELECT 'مدير'"_s;
    }
    void locateComparesAsTheDeskTypes()
    {
        QFETCH(QString, dataset);
        QFETCH(QString, fields);
        QFETCH(QStringList, values);
        QFETCH(QString, field);
        QFETCH(QString, expect);
        insertServices(1500);
        f->exec(u"INSERT INTO driver (driver_id, driver_name) VALUES (1, 'راننده يك'), (2, 'Ärzte'), (3, 'ärzte')"_s);
        TDataset* ds = nullptr;
        for (TDataset* d : DM->datasets())
            if (d->Name() == dataset) ds = d;
        ds->Reopen();
        ds->MoveTo(20);
        const bool found = ds->Locate(fields, QVariantList(values.cbegin(), values.cend()));
        QCOMPARE(found, !expect.isEmpty());
        if (found)
            QCOMPARE(ds->FieldByName(field).AsString(), f->scalar(expect).toString());
        else
            QCOMPARE(ds->RecNo(), 20);
    }

    // The sums and groups that the reports show before their first query are those of start-up,
    // computed after the login window is up: start-up does not wait for them.
    void summedResultsAreThoseOfStartUp()
    {
        insertServices(100);
        f->program.reset();
        f->build();
        const QString sum = f->scalar(u"SELECT sum(service_moeny) FROM service"_s).toString();
        QSignalSpy arrived(DM->QueryAmar, &TDataset::reset);
        QCOMPARE(DM->QueryAmar->RecNo(), -1);  // not computed yet: bound labels wait for reset()
        f->exec(u"INSERT INTO service (service_id, service_date, service_moeny) VALUES (9999, '1405/01/01', 10000)"_s);
        QTRY_VERIFY(arrived.count() > 0);
        QCOMPARE(DM->QueryAmar->RecNo(), 0);
        QCOMPARE(QString::number(DM->QueryAmar->FieldByName(u"SumOfservice_moeny"_s).AsCurrency().units()), sum);
        DM->QueryAmar->Reopen();
        QCOMPARE(DM->QueryAmar->FieldByName(u"SumOfservice_moeny"_s).AsCurrency().units(), sum.toLongLong() + 10000);
    }

    void listsReadEveryRowAsSqlDoes_data()
    {
        QTest::addColumn<QString>("where");
        QTest::addColumn<QString>("order");
        QTest::newRow("in date order") << u"service_id<>0"_s << u"service_date,service_id"_s;
        QTest::newRow("in the stored order") << QString() << QString();
        QTest::newRow("payments") << u"driver_bes_no<>0"_s << QString();
        QTest::newRow("one subscriber") << u"service_id<>0 and acount_id=3"_s << u"service_date,service_id"_s;
    }
    // Every value of every row, read in order as an export reads them, with one row deleted by
    // another program after the list was opened: that row reads back empty, the others as stored.
    void listsReadEveryRowAsSqlDoes()
    {
        QFETCH(QString, where);
        QFETCH(QString, order);
        insertServices(1500);
        TADOQuery* q = DM->QueryViewService;
        q->SQL.Clear();
        q->SQL.Add(u"select *"_s);
        q->SQL.Add(u"from service"_s);
        QString sql = u"SELECT * FROM service"_s;
        if (!where.isEmpty()) {
            q->SQL.Add(u"where "_s + where);
            sql += u" WHERE "_s + where;
        }
        if (!order.isEmpty()) {
            q->SQL.Add(u"order by "_s + order);
            sql += u" ORDER BY "_s + order;
        }
        q->Reopen();
        const QList<QVariantList> stored = f->rows(sql);
        const int deleted = int(stored.size()) * 2 / 3;
        f->exec(u"DELETE FROM service WHERE id=%1"_s.arg(stored[deleted][0].toLongLong()));
        QCOMPARE(q->RecordCount(), stored.size());
        for (int r = 0; r < stored.size(); ++r)
            for (int c = 0; c < stored[r].size(); ++c)
                QCOMPARE(q->value(r, c), r == deleted ? QVariant() : stored[r][c]);
    }

    // A database of the version before is brought up to this one when it is opened.
    void anOlderDatabaseGainsTheIndexesOfThisVersion()
    {
        f->program.reset();
        f->exec(
            u"DROP INDEX service_number; DROP INDEX service_subscriber; DROP INDEX payment_day; DROP TABLE audit; "
            "ALTER TABLE payeh DROP COLUMN debt_limit; UPDATE Users SET Users=0; PRAGMA user_version=1"_s);
        f->build();
        QCOMPARE(f->scalar(u"PRAGMA user_version"_s).toInt(), kSchemaVersion);
        // The audit comes in, and the first user may read it.
        QCOMPARE(f->scalar(u"SELECT count(*) FROM sqlite_master WHERE tbl_name='audit'"_s).toInt(), 4);
        QCOMPARE(f->scalar(u"SELECT Users FROM Users"_s).toInt(), 1);
        QCOMPARE(f->scalar(u"SELECT count(*) FROM sqlite_master WHERE name IN "
                           "('service_number', 'service_subscriber', 'payment_day')"_s)
                     .toInt(),
                 3);
        QCOMPARE(f->scalar(u"SELECT count(*) FROM pragma_table_info('payeh') WHERE name='debt_limit'"_s).toInt(), 1);
    }

    void filtersAndReportsReadAnIndex_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("index");
        const QString list = u"select *\nfrom service\n"_s;
        const QString order = u"\norder by service_date,service_id"_s;
        QTest::newRow("service list") << list + u"where service_id<>0"_s + order << u"service_identity"_s;
        QTest::newRow("by number") << list + u"where (service_id<>0) and (service_id=5)"_s + order
                                   << u"service_number"_s;
        QTest::newRow("by subscriber") << list + u"where service_id<>0 and acount_id=77"_s + order
                                       << u"service_subscriber"_s;
        QTest::newRow("one day") << list + u"where (service_id<>0) and (service_date='1404/01/01')"_s + order
                                 << u"service_day"_s;
        QTest::newRow("a range of days")
            << list + u"where (service_id<>0) and (service_date>='1404/01/01') and (service_date<='1404/02/01')"_s +
                   order
            << u"service_identity"_s;
        QTest::newRow("payment list") << list + u"where driver_bes_no<>0"_s << u"payment_number"_s;
        QTest::newRow("payment by number")
            << list + u"where (driver_bes_no<>0) and (driver_bes_no=5)"_s << u"payment_number"_s;
        QTest::newRow("payments of a day")
            << list + u"where (driver_bes_no<>0) and (service_date='1404/01/01')"_s << u"payment_day"_s;
        QTest::newRow("payments of a range")
            << list + u"where (driver_bes_no<>0) and (service_date>='1404/01/01') and (service_date<='1404/02/01')"_s
            << u"payment_day"_s;
        const QString account =
            u"where (driver_id=7) and (service_date>='1404/01/01') and (service_date<='1404/02/01')"_s;
        QTest::newRow("driver account") << list + account + u"\norder by service_date,id"_s << u"service_driver_day"_s;
        QTest::newRow("its totals") << u"select sum(service_percent),sum(driver_bes)\nfrom service\n"_s + account +
                                           u"\ngroup by driver_id"_s
                                    << u"service_driver_day"_s;
        QTest::newRow("balances")
            << u"select driver_id,Driver_name,sum(service_percent),sum(Driver_bes),"
               "(sum(service_percent)-sum(Driver_bes))\nfrom service\ngroup by driver_id,Driver_name"_s
            << u"driver_balance_key"_s;
        QTest::newRow("statistics") << u"SELECT Sum(service.service_moeny) AS SumOfservice_moeny, "
                                       "Avg(service.service_moeny) AS AvgOfservice_moeny\nfrom service\n"
                                       "where (service_date>='1404/01/01') and (service_date<='1404/02/01')"_s
                                    << u"day_totals_key"_s;
        QTest::newRow("the clock's numbering")
            << u"select  max(service_id)\nfrom service\nwhere service_date='1404/01/01'"_s << u"service_day"_s;
    }
    // Each filter and report reads one index in the order it shows: no scan of the table, no sort.
    void filtersAndReportsReadAnIndex()
    {
        QFETCH(QString, text);
        QFETCH(QString, index);
        const ParsedQuery q = parseSelect(text);
        QString sql = q.sql();
        if (q.plain) {
            // A list reads its row ids so.
            sql = u"SELECT rowid FROM service WHERE "_s + q.whereSql;
            if (!q.orderSql.isEmpty()) sql += u" ORDER BY "_s + q.orderSql;
        }
        QStringList plan;
        for (const QVariantList& step : f->rows(u"EXPLAIN QUERY PLAN "_s + sql)) plan << step.value(3).toString();
        const QString shown = plan.join(u"; "_s);
        QVERIFY2(shown.contains(u"INDEX "_s + index + u" "_s) || shown.endsWith(u"INDEX "_s + index),
                 qPrintable(shown));
        QVERIFY2(!shown.contains(u"TEMP B-TREE"_s), qPrintable(shown));
    }
};

QTEST_MAIN(TestData)
#include "tst_data.moc"
