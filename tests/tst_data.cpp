// The data module on a fresh database: the datasets as the windows find them, snapshots,
// numbering, money, and the refusals that must leave nothing stored.

#include "data/Currency.h"
#include "data/Database.h"
#include "data/Errors.h"
#include "data/UnitDM.h"
#include "tests/Fixture.h"

#include <QTest>
#include <memory>

using namespace agency;

class TestData : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<Fixture> f;

    void appendService(int id, const QString& date, qint64 fare, qint64 shareUnits, int driver = 1,
                       const QString& driverName = QStringLiteral("A"))
    {
        TADOTable* t = DM->ADOTableService;
        t->Append();
        t->FieldByName(QStringLiteral("service_id")).SetAsInteger(id);
        t->FieldByName(QStringLiteral("driver_id")).SetAsInteger(driver);
        t->FieldByName(QStringLiteral("driver_name")).SetAsString(driverName);
        t->FieldByName(QStringLiteral("service_date")).SetAsString(date);
        t->FieldByName(QStringLiteral("service_moeny")).SetAsInteger(fare);
        t->FieldByName(QStringLiteral("service_percent")).SetAsCurrency(Currency::fromUnits(shareUnits));
        t->Post();
    }
    void appendPayment(int number, const QString& date, qint64 amount, int driver = 1)
    {
        TADOTable* t = DM->ADOTableService;
        t->Append();
        t->FieldByName(QStringLiteral("driver_bes_no")).SetAsInteger(number);
        t->FieldByName(QStringLiteral("driver_id")).SetAsInteger(driver);
        t->FieldByName(QStringLiteral("driver_name")).SetAsString(QStringLiteral("A"));
        t->FieldByName(QStringLiteral("service_date")).SetAsString(date);
        t->FieldByName(QStringLiteral("driver_bes")).SetAsInteger(amount);
        t->Post();
    }
    int serviceRows() { return f->scalar(QStringLiteral("SELECT count(*) FROM service")).toInt(); }

private slots:
    void init() { f = std::make_unique<Fixture>(false); }
    void cleanup() { f.reset(); }

    void datasetsAsTheWindowsFindThem()
    {
        QCOMPARE(DM->QueryMaxD->SQL.lines(), QStringList({QStringLiteral("select  max(driver_bes_no)"), QStringLiteral("from service")}));
        QCOMPARE(DM->QueryViewService->SQL.lines(),
                 QStringList({QStringLiteral("select *"), QStringLiteral("from service"), QStringLiteral("where service_id<>0"),
                              QStringLiteral("order by service_date,service_id")}));
        QCOMPARE(DM->QueryMaxS->SQL.Count(), 3);
        QVERIFY(DM->QueryMaxS->SQL[2].startsWith(QStringLiteral("where service_date='")));
        // Open from the start, except the two numbering queries that their users open.
        for (TDataset* ds : DM->datasets())
            if (ds != DM->QueryMaxS && ds != DM->QueryMaxA)
                QVERIFY2(ds->Active(), qPrintable(ds->Name()));
        QVERIFY(!DM->QueryMaxA->Active());

        QStringList mande;
        for (const ResultColumn& c : DM->QueryDriverMande->Columns())
            mande << c.name;
        QCOMPARE(mande, QStringList({QStringLiteral("driver_id"), QStringLiteral("Driver_name"), QStringLiteral("Expr1002"),
                                     QStringLiteral("Expr1003"), QStringLiteral("Expr1004")}));
        QCOMPARE(DM->QueryDriverMande->Columns()[4].type, FieldType::Currency);
        QCOMPARE(DM->QueryDriverHesabJM->Columns()[0].name, QStringLiteral("Expr1000"));
        QCOMPARE(DM->QueryDriverHesabJM->Columns()[1].name, QStringLiteral("Expr1001"));
        QVERIFY(DM->QueryAmar->FieldIndex(QStringLiteral("AvgOfdriver_bes")) >= 0);
        QCOMPARE(DM->DSViewService.DataSet, DM->QueryViewService);
    }

    void numberingStartsAtOneAndAggregatesOverNothingAreNull()
    {
        DM->QueryMaxD->Reopen();
        QVERIFY(DM->QueryMaxD->FieldByName(QStringLiteral("Expr1000")).IsNull());
        QCOMPARE(DM->QueryMaxD->FieldByName(QStringLiteral("Expr1000")).AsInteger() + 1, 1);
        DM->QueryMaxS->Reopen();
        QCOMPARE(DM->QueryMaxS->FieldByName(QStringLiteral("Expr1000")).AsInteger() + 1, 1);
        DM->QueryAmar->Reopen();
        QVERIFY(!DM->QueryAmar->IsEmpty());
        QVERIFY(DM->QueryAmar->FieldByName(QStringLiteral("SumOfservice_moeny")).IsNull());
        QCOMPARE(DM->QueryAmar->FieldByName(QStringLiteral("SumOfservice_moeny")).AsString(), QString());

        appendService(1, QStringLiteral("1405/09/16"), 1000, 0);
        appendService(2, QStringLiteral("1405/09/16"), 1000, 0);
        appendPayment(57, QStringLiteral("1405/01/01"), 5);
        DM->QueryMaxS->SQL.Delete(2);
        DM->QueryMaxS->SQL.Add(QStringLiteral("where service_date='1405/09/17'"));
        DM->QueryMaxS->Reopen();
        QCOMPARE(DM->QueryMaxS->FieldByName(QStringLiteral("Expr1000")).AsInteger() + 1, 1);  // a new day starts at 1
        DM->QueryMaxD->Reopen();
        QCOMPARE(DM->QueryMaxD->FieldByName(QStringLiteral("Expr1000")).AsInteger() + 1, 58);
    }

    void snapshotsShowNewRowsOnlyAfterReopen()
    {
        DM->QueryViewService->Reopen();
        QCOMPARE(DM->QueryViewService->RecordCount(), 0);
        appendService(1, QStringLiteral("1405/09/17"), 20000, 2400 * 10000);
        // The table that wrote the row shows it at once; the list shows it once reopened.
        QVERIFY(DM->ADOTableService->Locate(QStringLiteral("service_date;service_id"), {QStringLiteral("1405/09/17"), QStringLiteral("1")}));
        QCOMPARE(DM->QueryViewService->RecordCount(), 0);
        DM->QueryViewService->Reopen();
        QCOMPARE(DM->QueryViewService->RecordCount(), 1);

        // Another copy of the program writes: invisible until reopened.
        f->exec(QStringLiteral("INSERT INTO service (service_id, service_date) VALUES (2, '1405/09/17')"));
        QCOMPARE(DM->QueryViewService->RecordCount(), 1);
        DM->QueryViewService->Reopen();
        QCOMPARE(DM->QueryViewService->RecordCount(), 2);
    }

    void paymentsAndServicesStayInTheirLists()
    {
        appendService(1, QStringLiteral("1405/09/17"), 1000, 0);
        appendPayment(1, QStringLiteral("1405/09/17"), 500);
        DM->QueryViewService->Reopen();
        DM->QueryViewDriverBes->Reopen();
        QCOMPARE(DM->QueryViewService->RecordCount(), 1);
        QCOMPARE(DM->QueryViewService->FieldByName(QStringLiteral("service_id")).AsInteger(), 1);
        QCOMPARE(DM->QueryViewDriverBes->RecordCount(), 1);
        QCOMPARE(DM->QueryViewDriverBes->FieldByName(QStringLiteral("driver_bes_no")).AsInteger(), 1);
        // Unwritten numbers are 0, not null, so balances never come out empty.
        QCOMPARE(f->scalar(QStringLiteral("SELECT count(*) FROM service WHERE driver_bes IS NULL OR service_id IS NULL")).toInt(), 0);
    }

    void moneyIsExact()
    {
        // 0.1 cannot be a binary fraction; ten thousand of them must still make 1000 exactly.
        for (int i = 1; i <= 3; ++i)
            appendService(i, QStringLiteral("1405/09/17"), 12345, Currency::share(12345, 15).units(), 1);
        appendPayment(1, QStringLiteral("1405/09/17"), 5000, 1);
        DM->QueryDriverMande->Reopen();
        QCOMPARE(DM->QueryDriverMande->FieldByName(QStringLiteral("Expr1002")).AsString(), QStringLiteral("5555.25"));
        QCOMPARE(DM->QueryDriverMande->FieldByName(QStringLiteral("Expr1003")).AsString(), QStringLiteral("5000"));
        QCOMPARE(DM->QueryDriverMande->FieldByName(QStringLiteral("Expr1004")).AsString(), QStringLiteral("555.25"));
        QCOMPARE(f->scalar(QStringLiteral("SELECT service_percent FROM service WHERE service_id=1")).toLongLong(), 18517500LL);

        QCOMPARE(Currency::share(12345, 15).toString(), QStringLiteral("1851.75"));
        QCOMPARE(Currency::share(20000, 12).toString(), QStringLiteral("2400"));
        QCOMPARE(Currency::share(2147483647, 100).units(), 2147483647LL * 10000);
        QCOMPARE(Currency::share(-5, 15).toString(), QStringLiteral("-0.75"));
        QVERIFY_THROWS_EXCEPTION(Error, Currency::share(2147483647, 2147483647));
        QCOMPARE(Currency::parse(QStringLiteral("1500.5")).roundToInteger(), 1500);
        QCOMPARE(Currency::parse(QStringLiteral("1501.5")).roundToInteger(), 1502);
        QCOMPARE(Currency::parse(QStringLiteral("-2.5")).roundToInteger(), -2);
        QCOMPARE(Currency::parse(QStringLiteral("-0.0001")).toString(), QStringLiteral("-0.0001"));
    }

    void refusalsLeaveNoRow()
    {
        const QString name51(51, QChar(u'ب'));
        TADOTable* t = DM->ADOTableService;
        t->Append();
        t->FieldByName(QStringLiteral("service_id")).SetAsInteger(1);
        t->FieldByName(QStringLiteral("driver_name")).SetAsString(name51);
        try {
            t->Post();
            QFAIL("a 51-character name was stored");
        } catch (const Error& e) {
            QVERIFY(e.text().startsWith(QStringLiteral("ADOTableService: ")));
            QVERIFY(e.text().contains(QStringLiteral("driver_name")));
        }
        // Nothing is left pending to be stored by a later post.
        QCOMPARE(t->State(), TDataSetState::dsBrowse);
        QCOMPARE(serviceRows(), 0);

        // A name that the driver table accepts fits a service too.
        appendService(1, QStringLiteral("1405/09/17"), 0, 0, 1, QString(50, QChar(u'ب')));
        QCOMPARE(serviceRows(), 1);

        auto refused = [&](const std::function<void()>& store, const QString& phrase) {
            try {
                store();
                QFAIL("a duplicate was stored");
            } catch (const Error& e) {
                QVERIFY2(e.text().contains(phrase), qPrintable(e.text()));
            }
        };
        refused([&] { appendService(1, QStringLiteral("1405/09/17"), 0, 0); }, QString::fromUtf16(u"سرويسي با اين شماره"));
        appendService(1, QStringLiteral("1405/09/18"), 0, 0);  // the same number on another day is another service
        appendPayment(7, QStringLiteral("1405/09/17"), 1);
        refused([&] { appendPayment(7, QStringLiteral("1405/09/20"), 1); }, QString::fromUtf16(u"پرداختي با اين شماره"));
        QCOMPARE(serviceRows(), 3);

        TADOTable* d = DM->ADOTableDriver;
        auto addDriver = [&] {
            d->Append();
            d->FieldByName(QStringLiteral("driver_id")).SetAsInteger(5);
            d->Post();
        };
        addDriver();
        refused(addDriver, QString::fromUtf16(u"راننده اي با اين كد"));
        QCOMPARE(f->scalar(QStringLiteral("SELECT count(*) FROM driver")).toInt(), 1);
        QCOMPARE(d->State(), TDataSetState::dsBrowse);
    }

    void fieldConversionsAndEmptyDatasets()
    {
        TADOTable* d = DM->ADOTableDriver;
        try {
            d->Delete();
            QFAIL("deleted from an empty dataset");
        } catch (const Error& e) {
            QCOMPARE(e.text(), QStringLiteral("ADOTableDriver: Cannot perform this operation on an empty dataset"));
        }
        try {
            DM->ADOTablePayeh->Post();
            QFAIL("posted without editing");
        } catch (const Error& e) {
            QCOMPARE(e.text(), QStringLiteral("ADOTablePayeh: Dataset not in edit or insert mode"));
        }
        DM->ADOTablePayeh->Edit();
        try {
            DM->ADOTablePayeh->FieldByName(QStringLiteral("percent")).SetAsString(QStringLiteral("-"));
            QFAIL("a lone sign became a number");
        } catch (const Error& e) {
            QCOMPARE(e.text(), QStringLiteral("'-' is not a valid integer value for field 'percent'"));
        }
        DM->ADOTablePayeh->Cancel();
        QCOMPARE(StrToInt(QString::fromUtf16(u"۱۲۳")), 123);
        QCOMPARE(StrToInt(QString::fromUtf16(u"٠٧")), 7);
        QCOMPARE(StrToInt(QStringLiteral("-2147483648")), std::numeric_limits<qint32>::min());
        for (const char* bad : {"", "12a", "2147483648", "1.5", "--1"}) {
            try {
                StrToInt(QString::fromLatin1(bad));
                QFAIL(bad);
            } catch (const Error& e) {
                QCOMPARE(e.text(), QStringLiteral("'%1' is not a valid integer value").arg(QString::fromLatin1(bad)));
            }
        }
    }

    void queriesRefuseTextOutsideTheDialectAndStayClosed()
    {
        TADOQuery* q = DM->QueryViewService;
        q->SQL.Clear();
        q->SQL.Add(QStringLiteral("select *"));
        q->SQL.Add(QStringLiteral("from service"));
        q->SQL.Add(QStringLiteral("where service_id=1; delete from service"));
        appendService(1, QStringLiteral("1405/09/17"), 0, 0);
        q->Close();
        QVERIFY_THROWS_EXCEPTION(Error, q->Open());
        QVERIFY(!q->Active());
        QCOMPARE(serviceRows(), 1);
    }

    void locateFindsARowAmongAMillionWithoutReadingThem()
    {
        f->exec(QStringLiteral(
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i < 150000) "
            "INSERT INTO service (service_id, service_date, service_moeny) SELECT 1 + i % 500, "
            "printf('1404/%02d/%02d', 1 + (i / 500) % 12, 1 + (i / 6000) % 29), i FROM n"));
        TADOTable* t = DM->ADOTableService;
        t->Reopen();
        QVERIFY(t->fetchedRows() < 1000);
        QElapsedTimer timer;
        timer.start();
        QVERIFY(t->Locate(QStringLiteral("service_date;service_id"), {QStringLiteral("1404/05/03"), QStringLiteral("499")}));
        QCOMPARE(t->FieldByName(QStringLiteral("service_id")).AsInteger(), 499);
        QCOMPARE(t->FieldByName(QStringLiteral("service_date")).AsString(), QStringLiteral("1404/05/03"));
        QVERIFY(!t->Locate(QStringLiteral("service_date;service_id"), {QStringLiteral("1399/01/01"), QStringLiteral("1")}));
        QVERIFY2(timer.elapsed() < 2000, qPrintable(QString::number(timer.elapsed())));
        // The row found can be corrected in place.
        t->Edit();
        t->FieldByName(QStringLiteral("service_moeny")).SetAsInteger(7);
        t->Post();
        QCOMPARE(f->scalar(QStringLiteral("SELECT service_moeny FROM service WHERE service_date='1404/05/03' AND service_id=499")).toLongLong(), 70000LL);
    }
};

QTEST_MAIN(TestData)
#include "tst_data.moc"
