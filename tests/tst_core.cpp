// The storing rules without a window: numbering, the next free number when desks race, the
// agency's share, the payment's description, corrections and refusals.
//   tst_core                            the tests
//   tst_core --desk PATH DATE COUNT     a desk that stores COUNT services of DATE, printing each number

#include "data/Audit.h"
#include "data/Database.h"
#include "data/Ledger.h"
#include "data/Phone.h"
#include "data/RowIds.h"
#include "data/Session.h"
#include "data/SolarDate.h"
#include "data/SqlSubset.h"
#include "data/Totals.h"
#include "data/UnitDM.h"
#include "bench/LinkProxy.h"
#include "data/PostgresEngine.h"
#include "tests/TestDatabase.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <cstdio>
#include <optional>

using namespace agency;
using namespace Qt::StringLiterals;

namespace {

ServiceInput service(const QString& date, qint32 fare = 10000)
{
    return {date, 7, 3, fare, u"علي رضايي"_s, u"شركت نمونه"_s, u"خيابان وليعصر"_s, u"ميدان آزادي"_s};
}

int desk(const QString& path, const QString& date, int count)
{
    try {
        TDM dm(path);
        Ledger ledger(dm);
        // A payment's number is printed negative.
        for (int i = 0; i < count; ++i) {
            std::printf("%d\n-%d\n", ledger.StoreService(service(date)).number,
                        ledger.StorePayment({date, 7, 1000, u"علي رضايي"_s}).number);
            std::fflush(stdout);
        }
    } catch (const Error& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}

}  // namespace

class TestCore : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_path;
    std::unique_ptr<TDM> m_dm;

    QList<QVariantList> rows(const QString& sql)
    {
        QList<QVariantList> out;
        Statement st(m_dm->ADOConnection1->writer(), sql);
        while (st.step()) {
            QVariantList row;
            for (int c = 0; c < st.columnCount(); ++c) row << st.column(c);
            out << row;
        }
        return out;
    }

private slots:
    void initTestCase()
    {
        Database::create(m_path = testdb::freshLocation(m_dir), {u"آژانس"_s, 15, u"مدير"_s, u"1234"_s});
    }
    void init()
    {
        m_dm = std::make_unique<TDM>(m_path);
        Statement(m_dm->ADOConnection1->writer(), u"DELETE FROM service"_s).step();
    }
    void cleanup() { m_dm.reset(); }

    // Services are numbered per day, payments across all days; each new row takes the next.
    void numbering_data()
    {
        QTest::addColumn<QStringList>("services");  // dates stored first, in order
        QTest::addColumn<int>("payments");          // payments stored first
        QTest::addColumn<QString>("date");
        QTest::addColumn<int>("service");
        QTest::addColumn<int>("payment");
        QTest::newRow("empty") << QStringList() << 0 << u"1405/09/17"_s << 1 << 1;
        QTest::newRow("same day") << QStringList{u"1405/09/17"_s, u"1405/09/17"_s} << 2 << u"1405/09/17"_s << 3 << 3;
        QTest::newRow("other days") << QStringList{u"1405/09/16"_s, u"1405/09/18"_s, u"1405/09/18"_s} << 0
                                    << u"1405/09/17"_s << 1 << 1;
        QTest::newRow("new year") << QStringList{u"1404/12/29"_s} << 1 << u"1405/01/01"_s << 1 << 2;
    }
    void numbering()
    {
        QFETCH(QStringList, services);
        QFETCH(int, payments);
        QFETCH(QString, date);
        QFETCH(int, service);
        QFETCH(int, payment);
        Ledger ledger(*m_dm);
        for (const QString& d : services) ledger.StoreService(::service(d));
        for (int i = 0; i < payments; ++i) ledger.StorePayment({u"1405/09/10"_s, 7, 500, u"علي"_s});
        QCOMPARE(ledger.StoreService(::service(date)).number, service);
        const Stored paid = ledger.StorePayment({date, 7, 2500, u"علي رضايي"_s});
        QCOMPARE(paid.number, payment);
        const auto stored = rows(
            u"SELECT service_action, driver_bes, service_percent, service_moeny FROM service "
            "WHERE driver_bes_no=%1"_s.arg(payment));
        QCOMPARE(stored.size(), 1);
        QCOMPARE(stored[0][0].toString(), u"بابت پرداخت وجه به شماره  "_s + QString::number(payment));
        QCOMPARE(stored[0][1].toLongLong(), 25000000LL);
        QCOMPARE(stored[0][2].toLongLong(), 0LL);
    }

    // A refused input stores nothing and says why; the share follows the fare and percentage.
    void refusals_data()
    {
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("error");
        QTest::newRow("blank month digit") << u"1405/9 /17"_s << u"ميدان"_s << u"تاريخ درست نيست"_s;
        QTest::newRow("one-digit day") << u"1405/09/7"_s << u"ميدان"_s << u"تاريخ درست نيست"_s;
        QTest::newRow("month 13") << u"1405/13/01"_s << u"ميدان"_s << u"تاريخ درست نيست"_s;
        QTest::newRow("before 1300") << u"1299/12/29"_s << u"ميدان"_s << u"تاريخ درست نيست"_s;
        QTest::newRow("no target") << u"1405/09/17"_s << QString() << u"اطلاعات كامل نيست"_s;
        QTest::newRow("stored") << u"1403/12/30"_s << u"ميدان"_s << QString();
    }
    void refusals()
    {
        QFETCH(QString, date);
        QFETCH(QString, target);
        QFETCH(QString, error);
        ServiceInput in = service(date, 12345);
        in.target = target;
        QString raised;
        try {
            Ledger(*m_dm).StoreService(in);
        } catch (const Error& e) {
            raised = e.text();
        }
        QCOMPARE(raised, error);
        const auto stored = rows(u"SELECT service_percent, service_action FROM service"_s);
        QCOMPARE(stored.size(), error.isEmpty() ? 1 : 0);
        if (error.isEmpty()) {
            QCOMPARE(stored[0][0].toLongLong(), Currency::share(12345, 15).units());
            QCOMPARE(stored[0][1].toString(), u"بابت انجام سرويس بشماره 1"_s);
        }
    }

    // A correction rewrites the loaded row under its own number; a row gone meanwhile is not
    // written anywhere else.
    void corrections()
    {
        Ledger ledger(*m_dm);
        ledger.StoreService(service(u"1405/09/17"_s));
        ledger.StoreService(service(u"1405/09/17"_s));
        ledger.StorePayment({u"1405/09/17"_s, 7, 900, u"علي"_s});
        const qint64 second = rows(u"SELECT id FROM service WHERE service_id=2"_s)[0][0].toLongLong();
        const qint64 paid = rows(u"SELECT id FROM service WHERE driver_bes_no=1"_s)[0][0].toLongLong();

        QVERIFY(ledger.CorrectService(second, 2, service(u"1405/09/16"_s, 40000)));
        QVERIFY(ledger.CorrectPayment(paid, 1, {u"1405/09/15"_s, 8, 1200, u"حسن"_s}));
        QCOMPARE(rows(u"SELECT service_id, service_date, service_moeny, service_percent, service_action FROM service "
                      "WHERE id=%1"_s.arg(second)),
                 (QList<QVariantList>{{2LL, u"1405/09/16"_s, 400000000LL, 60000000LL, u"انجام سرويس شماره 2"_s}}));
        QCOMPARE(rows(u"SELECT driver_bes_no, driver_id, driver_bes, service_date, service_action FROM service "
                      "WHERE id=%1"_s.arg(paid)),
                 (QList<QVariantList>{{1LL, 8LL, 12000000LL, u"1405/09/15"_s, u"بابت پرداخت وجه به شماره  1"_s}}));

        // A row another desk stored after this one opened its table is corrected all the same.
        const qint64 others = [&] {
            TDM desk(m_path);
            Ledger(desk).StoreService(service(u"1405/09/18"_s));
            return rows(u"SELECT max(id) FROM service"_s)[0][0].toLongLong();
        }();
        QVERIFY(ledger.CorrectService(others, 1, service(u"1405/09/18"_s, 7000)));
        QCOMPARE(rows(u"SELECT service_moeny FROM service WHERE id=%1"_s.arg(others))[0][0].toLongLong(), 70000000LL);
        Statement(m_dm->ADOConnection1->writer(), u"DELETE FROM service WHERE id=%1"_s.arg(others)).step();
        Statement(m_dm->ADOConnection1->writer(), u"DELETE FROM service WHERE id=%1"_s.arg(second)).step();
        QVERIFY(!ledger.CorrectService(second, 2, service(u"1405/09/16"_s, 1)));
        QCOMPARE(rows(u"SELECT count(*), sum(service_moeny) FROM service"_s),
                 (QList<QVariantList>{{2LL, 100000000LL}}));
    }

    // A correction and a deletion each leave one audit row, written with the change: the user, the
    // clock's Solar date and time, the row and the values before and after, money exact.
    void auditRecordsEachChange_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::newRow("service")
            << u"service"_s << u"اصلاح سرويس"_s
            << u"service_id=1\nservice_date=1405/09/17\nservice_action=بابت انجام سرويس بشماره "
               "1\nservice_moeny=10000\nservice_percent=1500"_s
            << u"service_date=1405/09/18\nservice_action=انجام سرويس شماره 1\nservice_moeny=12345\n"
               "service_percent=1851.75"_s;
        QTest::newRow("payment") << u"service"_s << u"اصلاح پرداخت"_s
                                 << u"service_date=1405/09/17\ndriver_bes=900\ndriver_bes_no=1"_s
                                 << u"driver_bes=2147483647"_s;
        QTest::newRow("driver") << u"driver"_s << u"حذف راننده"_s
                                << u"driver_id=41\ndriver_name=علي 'رضايي'\ndriver_add=خيابان\\nآزادي\\\\2\n"
                                   "driver_tel=0912\ndriver_auto=پرايد"_s
                                << u""_s;
        QTest::newRow("user") << u"Users"_s << u"حذف كاربر"_s
                              << u"UserName=منشي\nSabt=False\nPayeh=False\nReports=False\nUsers=False"_s << u""_s;
    }
    void auditRecordsEachChange()
    {
        QFETCH(QString, table);
        QFETCH(QString, action);
        QFETCH(QString, before);
        QFETCH(QString, after);
        session().userName = u"مدير"_s;
        SolarDate::setClock([] { return QDateTime(QDate(2026, 12, 10), QTime(10, 20, 30)); });
        const auto restore = qScopeGuard([] { SolarDate::setClock({}); });
        Ledger ledger(*m_dm);
        const qint64 last = rows(u"SELECT coalesce(max(id), 0) FROM audit"_s)[0][0].toLongLong();
        const QByteArray tag = QTest::currentDataTag();
        Connection* w = m_dm->ADOConnection1->writer();
        if (tag == "service") ledger.StoreService(service(u"1405/09/17"_s));
        if (tag == "payment") ledger.StorePayment({u"1405/09/17"_s, 7, 900, u"علي"_s});
        Statement driver(w, u"INSERT INTO driver (driver_id, driver_name, driver_add, driver_tel, driver_auto) "
                            "VALUES (41, 'علي ''رضايي''', ?, '0912', 'پرايد')"_s);
        driver.bind(1, u"خيابان\nآزادي\\2"_s);
        driver.step();
        Statement(w, u"INSERT INTO \"Users\" (\"UserName\", \"PassWord\") VALUES ('منشي', 'hash')"_s).step();
        const qint64 row = rows(u"SELECT max(%2) FROM \"%1\""_s.arg(table, findTable(table)->keyName()))[0][0].toLongLong();
        if (tag == "service") {
            QVERIFY(ledger.CorrectService(row, 1, service(u"1405/09/18"_s, 12345)));
        } else if (tag == "payment") {
            QVERIFY(ledger.CorrectPayment(row, 1, {u"1405/09/17"_s, 7, 2147483647, u"علي"_s}));
        } else {
            TDataset* t = tag == "driver" ? m_dm->ADOTableDriver : m_dm->ADOTableUser;
            t->Reopen();
            QVERIFY(t->Locate(tag == "driver" ? u"driver_id"_s : u"UserName"_s,
                              {tag == "driver" ? QVariant(41) : QVariant(u"منشي"_s)}));
            t->Delete();
        }
        QCOMPARE(rows(u"SELECT audit_user, audit_date, audit_time, audit_table, audit_row, audit_action, audit_before, "
                      "audit_after FROM audit WHERE id>%1"_s.arg(last)),
                 (QList<QVariantList>{{u"مدير"_s, u"1405/09/19"_s, u"10:20:30"_s, table, row, action, before, after}}));
        Statement(w, u"DELETE FROM driver"_s).step();
        Statement(w, u"DELETE FROM \"Users\" WHERE \"UserName\"='منشي'"_s).step();
    }

    // Nothing changes or deletes an audit row, whoever asks: the database refuses it in the desk's words.
    void auditRefusesChanges_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::newRow("update") << u"UPDATE audit SET audit_after='' WHERE id=%1"_s;
        QTest::newRow("delete") << u"DELETE FROM audit WHERE id=%1"_s;
    }
    void auditRefusesChanges()
    {
        QFETCH(QString, sql);
        Ledger ledger(*m_dm);
        ledger.StorePayment({u"1405/09/17"_s, 7, 900, u"علي"_s});
        QVERIFY(ledger.CorrectPayment(rows(u"SELECT id FROM service"_s)[0][0].toLongLong(), 1,
                                      {u"1405/09/17"_s, 7, 901, u"علي"_s}));
        const QList<QVariantList> kept = rows(u"SELECT * FROM audit"_s);
        try {
            Statement(m_dm->ADOConnection1->writer(), sql.arg(kept.last()[0].toLongLong())).step();
            QFAIL("an audit row was changed");
        } catch (const Error& e) {
            // On a server the program's role may not even try.
            QVERIFY2(e.text().contains(testdb::onServer() ? u"اجازه اين كار را ندارد"_s : auditRefusalText()), e.what());
        }
        QCOMPARE(rows(u"SELECT * FROM audit"_s), kept);
    }

    // The balances and the statistics, read from the totals kept as rows are written, give what
    // their queries give over the rows themselves, after random saves, corrections, deletions and
    // an administrator's SQL; a total changed behind the program's back is found and rebuilt.
    void keptTotalsMatchTheRows_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<bool>("kept");  // whether a kept table answers it
        const QString amar =
            u"SELECT Sum(service.service_moeny) AS SumOfservice_moeny, Sum(service.service_percent) "
            "AS SumOfservice_percent, Avg(service.service_moeny) AS AvgOfservice_moeny, "
            "sum(service.driver_bes) AS AvgOfdriver_bes\n"_s;
        const auto range = [&](const QString& from, const QString& to) {
            return amar + u"from service\nwhere (service_date>='%1') and (service_date<='%2')"_s.arg(from, to);
        };
        QTest::newRow("balances") << u"select driver_id,Driver_name,sum(service_percent),sum(Driver_bes),"
                                     "(sum(service_percent)-sum(Driver_bes))\nfrom service\ngroup by "
                                     "driver_id,Driver_name"_s
                                  << true;
        QTest::newRow("all days") << amar + u"FROM service;"_s << true;
        QTest::newRow("one day") << range(u"1405/01/01"_s, u"1405/01/01"_s) << true;
        QTest::newRow("across the new year") << range(u"1404/12/28"_s, u"1405/01/03"_s) << true;
        QTest::newRow("no day") << range(u"1405/02/01"_s, u"1405/02/09"_s) << true;
        QTest::newRow("reversed") << range(u"1405/01/03"_s, u"1404/12/28"_s) << true;
        // Anything else reads the rows: a condition or a group on another column, max, an expression.
        QTest::newRow("condition on a sum")
            << u"select sum(service_percent) from service where driver_bes<>0"_s << false;
        QTest::newRow("max") << u"select max(service_percent) from service"_s << false;
        QTest::newRow("expression") << u"select sum(service_percent - driver_bes) from service"_s << false;
        QTest::newRow("other group") << u"select acount_id, sum(driver_bes) from service group by acount_id"_s << false;
    }
    void keptTotalsMatchTheRows()
    {
        QFETCH(QString, query);
        QFETCH(bool, kept);
        Connection* db = m_dm->ADOConnection1->writer();
        QRandomGenerator random(20261210);
        Ledger ledger(*m_dm);
        const QStringList days = {u"1404/12/28"_s, u"1404/12/29"_s, u"1405/01/01"_s, u"1405/01/02"_s, u"1405/01/03"_s};
        const auto sql = [&](const QString& text) { Statement(db, text).step(); };
        for (int i = 0; i < 600; ++i) {
            const int op = random.bounded(100);
            const qint32 driver = random.bounded(1, 30);
            const QString name = (random.bounded(4) ? u"راننده "_s : u"رانندة "_s) + QString::number(driver);
            const QString day = days[random.bounded(days.size())];
            const qint64 any = random.bounded(1, 10000);
            if (op < 55)
                ledger.StoreService({day, driver, 1, random.bounded(0, 500000), name, u"مشترك"_s, u"الف"_s, u"ب"_s});
            else if (op < 75)
                ledger.StorePayment({day, driver, random.bounded(0, 300000), name});
            else if (op < 85)
                try {  // a correction onto a number the day has is refused, and must leave the totals whole
                    ledger.CorrectService(any, 1,
                                          {day, driver, 2, random.bounded(0, 900000), name, u"ج"_s, u"د"_s, u"ه"_s});
                } catch (const Error&) {
                }
            else if (op < 93)
                sql(u"DELETE FROM service WHERE id=%1"_s.arg(any));
            else if (op < 97)
                sql(u"UPDATE service SET driver_name='%1', driver_id=%2 WHERE id=%3"_s.arg(name).arg(driver).arg(any));
            else
                sql(u"UPDATE service SET service_percent=NULL, service_moeny=NULL WHERE id=%1"_s.arg(any));
        }
        // The query as the windows run it, read from a kept table, against plain SQL over the rows.
        const ParsedQuery parsed = parseSelect(query);
        QVERIFY2(parsed.from.isEmpty() != kept, qPrintable(parsed.sql()));
        const auto read = [&](const QString& text) {
            QStringList out;
            Statement st(db, text);
            while (st.step()) {
                QStringList row;
                for (int c = 0; c < st.columnCount(); ++c) {
                    const QVariant v = st.column(c);
                    // The windows' mean of money is whole ten-thousandths, rounded half away from zero.
                    row << (v.typeId() == QMetaType::Double ? QString::number(qRound64(v.toDouble())) : v.toString());
                }
                out << row.join(u'|');
            }
            std::sort(out.begin(), out.end());
            return out;
        };
        QString plain = query;
        plain.replace(u"Avg(service.service_moeny)"_s, u"round(Avg(service.service_moeny))"_s);
        QCOMPARE(read(parsed.sql()), read(plain));
        QCOMPARE(totalsDifferences(db), QStringList());

        sql(u"UPDATE driver_balance SET driver_bes = driver_bes + 1 WHERE (driver_id, driver_name) = "
            "(SELECT driver_id, driver_name FROM driver_balance ORDER BY driver_id, driver_name LIMIT 1)"_s);
        sql(u"DELETE FROM day_totals WHERE service_date='1405/01/01'"_s);
        QCOMPARE(totalsDifferences(db).size(), 3);
        rebuildTotals(db);
        QCOMPARE(totalsDifferences(db), QStringList());
        QCOMPARE(read(parsed.sql()), read(plain));
    }

    // A debt passes the limit only when strictly above it, over every form of the driver's name.
    void debtAgainstTheLimit_data()
    {
        QTest::addColumn<QString>("limit");
        QTest::addColumn<qint32>("fare");  // of the new service, at 15 percent, after 2000 owed
        QTest::addColumn<bool>("passed");
        QTest::newRow("at the limit") << u"5000"_s << 20000 << false;
        QTest::newRow("just below") << u"5000"_s << 19999 << false;
        QTest::newRow("just above") << u"۵۰۰۰"_s << 20001 << true;
        QTest::newRow("zero") << u"0"_s << 900000 << false;
        QTest::newRow("empty") << QString() << 900000 << false;
    }
    void debtAgainstTheLimit()
    {
        QFETCH(QString, limit);
        QFETCH(qint32, fare);
        QFETCH(bool, passed);
        Ledger ledger(*m_dm);
        ledger.StoreService({u"1405/09/16"_s, 7, 3, 1000000, u"رانندة هفت"_s, u"شركت"_s, u"الف"_s, u"ب"_s});
        ledger.StorePayment({u"1405/09/16"_s, 7, 148000, u"علي رضايي"_s});
        ledger.StoreService({u"1405/09/16"_s, 8, 3, 1000000, u"حسن"_s, u"شركت"_s, u"الف"_s, u"ب"_s});
        m_dm->ADOTablePayeh->Edit();
        m_dm->ADOTablePayeh->FieldByName(u"debt_limit"_s).SetAsCurrency(Ledger::DebtLimitOf(limit));
        m_dm->ADOTablePayeh->Post();
        ledger.StoreService(service(u"1405/09/17"_s, fare));
        const Debt debt = ledger.DebtOf(7);
        QCOMPARE(debt.balance, Currency::fromInteger(2000) + Currency::share(fare, 15));
        QCOMPARE(debt.passed(), passed);
        QCOMPARE(ledger.DriversOverLimit(),
                 debt.limit > Currency() ? QSet<qint32>({8, passed ? 7 : 8}) : QSet<qint32>());
    }

    // A backup never lands on the open database itself, by any spelling of its path.
    void backupOntoItselfIsRefused()
    {
        if (testdb::onServer()) QSKIP("a database on a server has no file of its own to land on");
        Ledger(*m_dm).StoreService(service(u"1405/09/17"_s));
        const QByteArray before = [&] {
            QFile f(m_path);
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        }();
        QVERIFY_THROWS_EXCEPTION(Error, m_dm->ADOConnection1->backupTo(m_dir.path() + u"/./DB.MDB"_s));
        QFile f(m_path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), before);
    }


    // agencyctl copy: every row arrives as it was, whatever its text holds, through each engine in
    // turn; the copy's next row takes a number of its own.
    void copyHoldsEveryRow()
    {
        Ledger ledger(*m_dm);
        const QStringList texts = {u"تب\tو\nسطر\r"_s, u"\\N"_s, u"\\"_s, u"'؛\"%_"_s, u"١٢٣ ي ك ة"_s};
        for (int i = 0; i < texts.size(); ++i) {
            ledger.StoreService({u"1405/09/17"_s, 7, i + 1, 10000 + i, u"علي"_s, texts[i], texts[i], u"ب"_s});
            ledger.StorePayment({u"1405/09/17"_s, 7, 1000 * (i + 1), u"علي"_s});
        }
        Statement(m_dm->ADOConnection1->writer(), u"UPDATE service SET service_target_add = NULL WHERE id = 1"_s).step();
        // More rows than one fetch of the source and one send of the server's copy.
        Statement(m_dm->ADOConnection1->writer(),
                  u"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2500) INSERT INTO service "
                  "(service_date, driver_id, acount_name, service_start_add, driver_bes) SELECT '1405/09/16', 7, "
                  "'مشترك شماره ' || i, 'خيابان آزادي، كوچه ' || i || '، پلاك ' || i, i FROM n"_s)
            .step();
        const QString read = u"SELECT id, service_id, acount_name, service_start_add, service_target_add, "
                             "service_percent, driver_bes_no "
                             "FROM service ORDER BY id"_s;
        const QList<QVariantList> before = rows(read);
        m_dm.reset();
        QTemporaryDir dir;
        QStringList chain = {m_path, testdb::freshLocation(dir), dir.filePath(u"back.mdb"_s)};
        if (testdb::onServer()) chain << testdb::freshLocation(dir);
        for (int i = 1; i < chain.size(); ++i) QCOMPARE(Database::copy(chain[i - 1], chain[i]), QStringList());
        m_dm = std::make_unique<TDM>(chain.last());
        QCOMPARE(rows(read), before);
        const qint64 last = before.last().first().toLongLong();
        Ledger(*m_dm).StoreService(service(u"1405/09/17"_s));
        QCOMPARE(rows(u"SELECT max(id), max(service_id) FROM service"_s).first(), (QVariantList{last + 1, texts.size() + 1}));
    }
    // A subscriber found by his telephone in any of the ways it is written or typed, through the
    // kept index, whoever wrote the subscriber; an earlier version's file gets the index built.
    // The compact id list against a plain vector: long stretches, gaps, a list ordered by
    // another column, ids removed from a stretch, a coded block and the uncoded tail.
    void rowIdsKeepEveryId_data()
    {
        QTest::addColumn<QVector<qint64>>("ids");
        QTest::addColumn<QVector<int>>("removals");
        QVector<qint64> stretch, gaps, byNumber, mixed;
        for (qint64 i = 1; i <= 9000; ++i) stretch.append(i);
        for (qint64 i = 1; i <= 5000; ++i) gaps.append(i * 7 + (i % 3));
        for (qint64 number = 0; number < 60; ++number)  // day d's n-th service is row d*65+n
            for (qint64 day = 0; day < 100; ++day) byNumber.append(day * 65 + number + 1);
        for (qint64 i = 1; i <= 7000; ++i) mixed.append(i < 3000 ? i : i % 5 ? 4000000000LL + i : -i);
        QTest::newRow("one stretch") << stretch << QVector<int>{8999, 0, 2000, 2047, 2048, 6500};
        QVector<qint64> oneMissing = stretch;
        oneMissing.removeAt(4096);  // a gap of one id just after a coded block
        QTest::newRow("one id missing") << oneMissing << QVector<int>{4095, 7000};
        QTest::newRow("gaps") << gaps << QVector<int>{0, 2047, 4990, 700};
        QTest::newRow("ordered by number") << byNumber << QVector<int>{5999, 100, 100, 4100};
        QTest::newRow("stretch then scattered") << mixed << QVector<int>{2998, 2998, 4500, 0, 6990};
        QVector<qint64> farApart;  // a rising block whose span passes the 64-bit range
        for (qint64 i = 0; i < 2047; ++i) farApart.append(-5000000000000000000LL + i);
        farApart << 5000000000000000000LL << std::numeric_limits<qint64>::max();
        QTest::newRow("ids far apart") << farApart << QVector<int>{2047, 0, 1};
        QVector<int> many;  // deletions at the desk's pace must not grow the list
        for (int at = 1500; at >= 0; at -= 2) many << at;
        QTest::newRow("many removals among gaps") << gaps << many;
        QTest::newRow("tail only") << QVector<qint64>{9, 3, 7} << QVector<int>{1};
    }
    void rowIdsKeepEveryId()
    {
        QFETCH(QVector<qint64>, ids);
        QFETCH(QVector<int>, removals);
        agency::RowIds list;
        for (qint64 id : ids) list.append(id);
        auto same = [&] {
            QCOMPARE(list.size(), int(ids.size()));
            for (int i = 0; i < ids.size(); ++i) QCOMPARE(list[i], ids[i]);
            for (int i = int(ids.size()) - 1; i >= 0; i -= 37) QCOMPARE(list.indexOf(ids[i]), i);
            QCOMPARE(list.indexOf(-999999), -1);
            QVector<qint64> some{-999999};  // the first of several, as a locate matching many asks
            for (int i = int(ids.size()) - 1; i >= 0; i -= 997) some << ids[i];
            std::sort(some.begin(), some.end());
            const int first = int(std::find_first_of(ids.cbegin(), ids.cend(), some.cbegin(), some.cend()) - ids.cbegin());
            QCOMPARE(list.indexOfAny(some), first == ids.size() ? -1 : first);
        };
        same();
        for (int at : removals) {
            list.removeAt(at);
            ids.removeAt(at);
            same();
        }
        list.append(9999999999);
        ids.append(9999999999);
        same();
        QVERIFY(list.bytesUsed() < 8 * qint64(ids.size()) + 40000);  // a plain vector and the two buffers
    }

    void phoneLookup_data()
    {
        QTest::addColumn<QString>("change");  // an administrator's SQL run first
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QList<qint32>>("found");
        const QString none;
        QTest::newRow("Persian digits") << none << u"۸۸۷۷۶۶۵۵"_s << QList<qint32>{1};
        QTest::newRow("Arabic-Indic with area code") << none << u"٠٢١-٨٨٧٧٦٦٥٥"_s << QList<qint32>{1};
        QTest::newRow("leading 0") << none << u"09121234567"_s << QList<qint32>{2};
        QTest::newRow("+98, blanks and dashes") << none << u"+98 912-123 4567"_s << QList<qint32>{2};
        QTest::newRow("0098") << none << u"00989121234567"_s << QList<qint32>{2};
        QTest::newRow("second number of a field") << none << u"88112233"_s << QList<qint32>{3};
        QTest::newRow("two subscribers, another city not") << none << u"021 44556677"_s << QList<qint32>{4, 5};
        QTest::newRow("other city, and one written without") << none << u"0314-4556677"_s << QList<qint32>{5, 6};
        QTest::newRow("part of a number") << none << u"8776655"_s << QList<qint32>{};
        QTest::newRow("hostile") << none << u"' OR 1=1 --%_ 88776655"_s << QList<qint32>{};
        QTest::newRow("no digit") << none << u"%_'"_s << QList<qint32>{};
        QTest::newRow("telephone changed")
            << u"UPDATE acount SET acount_tel = '66554433' WHERE acount_id = 1"_s << u"66554433"_s << QList<qint32>{1};
        QTest::newRow("old number gone") << u"UPDATE acount SET acount_tel = '66554433' WHERE acount_id = 1"_s
                                         << u"88776655"_s << QList<qint32>{};
        QTest::newRow("code changed") << u"UPDATE acount SET acount_id = 9 WHERE acount_id = 4"_s << u"021-44556677"_s
                                      << QList<qint32>{5, 9};
        QTest::newRow("subscriber deleted")
            << u"DELETE FROM acount WHERE acount_id = 5"_s << u"44556677"_s << QList<qint32>{4, 6};
        QTest::newRow("earlier version") << u"DROP TABLE acount_phone; PRAGMA user_version = 3"_s << u"۰۹۳۵۱۱۱۲۲۳۳"_s
                                         << QList<qint32>{3};
    }
    void phoneLookup()
    {
        QFETCH(QString, change);
        QFETCH(QString, typed);
        QFETCH(QList<qint32>, found);
        Connection* db = m_dm->ADOConnection1->writer();
        exec(db,
             u"DELETE FROM acount; INSERT INTO acount (acount_id, acount_name, acount_tel) VALUES "
             "(1, 'الف', '021-88776655'), (2, 'ب', '۰۹۱۲ ۱۲۳ ۴۵۶۷'), (3, 'پ', '88112233، 0935-111-2233'), "
             "(4, 'ت', '(021) 44556677'), (5, 'ث', '44556677'), (6, 'ج', '031-44556677')"_s);
        if (testdb::onServer()) change.replace(u"PRAGMA user_version = 3"_s, u"UPDATE agency_meta SET version = 5"_s);
        if (!change.isEmpty()) exec(db, change);
        if (change.contains(u"version"_s)) {
            m_dm = std::make_unique<TDM>(m_path);
            db = m_dm->ADOConnection1->writer();
        }
        QCOMPARE(subscribersByPhone(db, typed), found);
    }

    // The database named on the command line wins over the environment's, which wins over DB.MDB.
    void databaseLocation_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("environment");
        QTest::addColumn<QString>("location");
        QTest::newRow("nothing named") << QStringList{u"agency"_s} << QString() << u"DB.MDB"_s;
        QTest::newRow("environment") << QStringList{u"agency"_s} << u"/srv/آژانس/DB.MDB"_s << u"/srv/آژانس/DB.MDB"_s;
        QTest::newRow("argument first") << QStringList{u"agency"_s, u"--database"_s, u"desk.mdb"_s} << u"x.mdb"_s
                                        << u"desk.mdb"_s;
        QTest::newRow("argument with =") << QStringList{u"agency"_s, u"--database=a b.mdb"_s} << QString()
                                         << u"a b.mdb"_s;
        QTest::newRow("a server") << QStringList{u"agency"_s, u"--database"_s, u"postgresql://desk@server/agency"_s}
                                  << QString() << u"postgresql://desk@server/agency"_s;
    }
    void databaseLocation()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, environment);
        QFETCH(QString, location);
        QCOMPARE(agency::databaseLocation(arguments, environment), location);
    }

    // A database file on a network drive is refused; a local disk's, FUSE's NTFS driver included, opens.
    void networkFilesystems_data()
    {
        QTest::addColumn<qint64>("type");
        QTest::addColumn<QString>("mount");
        QTest::addColumn<bool>("network");
        QTest::newRow("ext4") << qint64(0xEF53) << u"ext4"_s << false;
        QTest::newRow("tmpfs") << qint64(0x01021994) << u"tmpfs"_s << false;
        QTest::newRow("overlay") << qint64(0x794C7630) << u"overlay"_s << false;
        QTest::newRow("NTFS through FUSE") << qint64(0x65735546) << u"fuseblk"_s << false;
        QTest::newRow("NFS") << qint64(0x6969) << u"nfs4"_s << true;
        QTest::newRow("SMB") << qint64(0xFF534D42) << u"cifs"_s << true;
        QTest::newRow("sshfs") << qint64(0x65735546) << u"fuse.sshfs"_s << true;
    }
    void networkFilesystems()
    {
        QFETCH(qint64, type);
        QFETCH(QString, mount);
        QFETCH(bool, network);
        QCOMPARE(isNetworkFilesystem(type, mount), network);
    }

    // What a server's faults cost a desk that stores: a session ended before or inside a save, a
    // server restarted, a connection cut or an answer lost while the commit runs. Only a lasting
    // failure is told, nothing is stored twice, and what the server committed is never told lost.
    void serverFaultsCostNothing_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("told");  // the code of the one message, 0 for none
        QTest::addColumn<qint64>("stored");  // services on the server after the second save
        QTest::newRow("session ended before the save") << u"ended"_s << 0 << 2LL;
        QTest::newRow("session ended inside the save, once") << u"once"_s << 0 << 2LL;
        QTest::newRow("session ended inside every try") << u"always"_s << kConnectionLost << 1LL;
        QTest::newRow("server restarted") << u"restart"_s << 0 << 2LL;
        QTest::newRow("connection cut while the commit runs") << u"cut"_s << 0 << 2LL;
        QTest::newRow("the commit's answer lost on the way") << u"held"_s << kCommitUnknown << 2LL;
    }
    void serverFaultsCostNothing()
    {
        if (!testdb::onServer()) QSKIP("a file has no connection to lose");
        QFETCH(QString, fault);
        QFETCH(int, told);
        QFETCH(qint64, stored);
        setServerDeadlines(800, 1500);
        const auto normal = qScopeGuard([] { setServerDeadlines(5000, 4000); });
        const auto admin = openConnection(m_path);
        const auto clean = [&] {
            exec(admin.get(), u"DROP TRIGGER IF EXISTS fault ON service; DROP FUNCTION IF EXISTS fault(); "
                              "DROP SEQUENCE IF EXISTS once"_s);
        };
        clean();
        const auto cleaned = qScopeGuard(clean);
        // The desk reaches the server through a network of the test's own where one is needed.
        const bool network = fault == u"cut"_s || fault == u"held"_s;
        std::unique_ptr<LinkProxy> proxy;
        std::unique_ptr<TDM> throughNetwork;
        if (network) {
            proxy = std::make_unique<LinkProxy>(qEnvironmentVariable("AGENCY_TEST_SERVER_DIR") + u"/.s.PGSQL.5432"_s, 1);
            const QString name = QUrl(m_path).path().mid(1);
            m_dm.reset();
            throughNetwork = std::make_unique<TDM>(u"postgresql://agency@127.0.0.1:%1/%2"_s.arg(proxy->port()).arg(name));
        }
        TDM& dm = network ? *throughNetwork : *m_dm;
        Ledger ledger(dm);
        QCOMPARE(ledger.StoreService(service(u"1405/09/17"_s)).number, 1);
        const QString once = u"CREATE SEQUENCE once; CREATE FUNCTION fault() RETURNS trigger LANGUAGE plpgsql AS $$ "
                             "BEGIN IF nextval('once') = 1 THEN %1; END IF; RETURN NULL; END $$; "_s;
        const QString perRow = u"CREATE TRIGGER fault AFTER INSERT ON service FOR EACH ROW EXECUTE FUNCTION fault()"_s;
        const QString atCommit = u"CREATE CONSTRAINT TRIGGER fault AFTER INSERT ON service DEFERRABLE INITIALLY DEFERRED "
                                 "FOR EACH ROW EXECUTE FUNCTION fault()"_s;
        const QString endSession = u"PERFORM pg_terminate_backend(pg_backend_pid())"_s;
        if (fault == u"ended"_s)
            exec(admin.get(), u"SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE datname = current_database() "
                              "AND pid <> pg_backend_pid()"_s);
        else if (fault == u"once"_s)
            exec(admin.get(), once.arg(endSession) + perRow);
        else if (fault == u"always"_s)
            exec(admin.get(), once.arg(endSession).replace(u"nextval('once') = 1"_s, u"true"_s) + perRow);
        else if (fault == u"restart"_s)
            QVERIFY(testdb::restartServer());
        else
            exec(admin.get(), once.arg(u"PERFORM pg_sleep(0.5)"_s) + atCommit);
        // While the commit sleeps on the server, the network fails beneath it.
        if (fault == u"cut"_s) QTimer::singleShot(150, [&] { proxy->cutAll(); });
        if (fault == u"held"_s) QTimer::singleShot(150, [&] { proxy->holdReplies(true); });
        int code = 0;
        try {
            QCOMPARE(ledger.StoreService(service(u"1405/09/17"_s)).number, 2);
        } catch (const Error& e) {
            code = e.code();
            const QString said = e.text();
            QVERIFY2(said.startsWith(code == kCommitUnknown ? u"پاسخ ثبت از سرور نرسيد"_s : linkStoreLine()), e.what());
        }
        QCOMPARE(code, told);
        const auto count = [&] {
            Statement st(admin.get(), u"SELECT count(*) FROM service"_s);
            return st.step() ? st.columnInt(0) : -1;
        };
        QTRY_COMPARE(count(), stored);
        if (told) {
            // Once the fault is gone, the same service typed again is stored once: as number 2.
            clean();
            if (proxy) proxy->holdReplies(false);
            QTest::qWait(1600);  // the moment a server that did not answer is left alone
            QCOMPARE(ledger.StoreService(service(u"1405/09/17"_s)).number, 2);
            QCOMPARE(count(), 2);
        }
        QCOMPARE(totalsDifferences(admin.get()), QStringList());
        throughNetwork.reset();
        if (!m_dm) m_dm = std::make_unique<TDM>(m_path);
    }

    // Each reason a desk cannot reach its server, in words that say what to check, with libpq's
    // own text on a line of its own; a server that does not answer is told within the bound.
    void connectionFailuresSayWhatToCheck_data()
    {
        QTest::addColumn<QString>("address");  // %1: the server's socket folder, %2: this test's database
        QTest::addColumn<QString>("sentence");
        QTest::newRow("no server there") << u"postgresql:///%2?host=/nonexistent&user=agency"_s
                                         << u"سروري در اين نشاني پيدا نشد"_s;
        QTest::newRow("wrong password") << u"postgresql:///%2?host=%1&user=agency_password&password=wrong"_s
                                        << u"سرور گذرواژه اين ميز را نپذيرفت"_s;
        QTest::newRow("refused by the server's rules") << u"postgresql:///%2?host=%1&user=agency_refused"_s
                                                       << u"قواعد سرور (pg_hba.conf)"_s;
        QTest::newRow("no such database") << u"postgresql:///no_such_agency?host=%1&user=agency"_s
                                          << u"پايگاه داده اي به اين نام روي سرور نيست"_s;
        QTest::newRow("no such role") << u"postgresql:///%2?host=%1&user=no_such_desk"_s
                                      << u"سرور نقشي به اين نام ندارد"_s;
        QTest::newRow("server does not answer") << u"frozen"_s << u"سرور پايگاه داده پاسخ نمي دهد"_s;
    }
    void connectionFailuresSayWhatToCheck()
    {
        if (!testdb::onServer()) QSKIP("a file is not reached over a connection");
        QFETCH(QString, address);
        QFETCH(QString, sentence);
        setServerDeadlines(1000, 1000);
        const auto normal = qScopeGuard([] { setServerDeadlines(5000, 4000); });
        std::optional<testdb::ServerFrozen> frozen;
        if (address == u"frozen"_s) {
            m_dm.reset();
            address = m_path;
            frozen.emplace();
        }
        const QString where = QString(address)
                                  .replace(u"%1"_s, qEnvironmentVariable("AGENCY_TEST_SERVER_DIR"))
                                  .replace(u"%2"_s, QUrl(m_path).path().mid(1));
        QElapsedTimer clock;
        clock.start();
        try {
            Database db(where);
            QFAIL("the desk was let in");
        } catch (const Error& e) {
            const QStringList lines = e.text().split(u'\n');
            QVERIFY2(lines.first().contains(sentence), e.what());
            if (lines.size() > 1) QVERIFY(lines[1].startsWith(QChar(0x2066)) && lines[1].endsWith(QChar(0x2069)));
        }
        QVERIFY(clock.elapsed() < 3000);
        frozen.reset();
        if (!m_dm) m_dm = std::make_unique<TDM>(m_path);
    }

    // Two desks storing services of one day at the same moment: every number is used once,
    // none is skipped, and neither desk is refused.
    void desksRace()
    {
        const int kEach = testdb::onServer() ? 500 : 150;
        m_dm.reset();
        QProcess desks[2];
        for (QProcess& p : desks)
            p.start(QCoreApplication::applicationFilePath(),
                    {u"--desk"_s, m_path, u"1405/09/17"_s, QString::number(kEach)});
        QList<int> numbers;
        for (QProcess& p : desks) {
            QVERIFY(p.waitForFinished(120000));
            QVERIFY2(p.exitCode() == 0, p.readAllStandardError().constData());
            while (p.canReadLine()) numbers << p.readLine().trimmed().toInt();
        }
        std::sort(numbers.begin(), numbers.end());
        QList<int> expected;
        for (int i = -2 * kEach; i <= 2 * kEach; ++i)
            if (i) expected << i;
        QCOMPARE(numbers, expected);
        m_dm = std::make_unique<TDM>(m_path);
        QCOMPARE(rows(u"SELECT count(DISTINCT service_id), max(service_id), count(DISTINCT driver_bes_no) FROM service"_s),
                 (QList<QVariantList>{{qint64(2 * kEach + 1), qint64(2 * kEach), qint64(2 * kEach + 1)}}));
    }
};

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc == 5 && qstrcmp(argv[1], "--desk") == 0)
        return desk(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]), atoi(argv[4]));
    TestCore test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_core.moc"
