// The storing rules without a window: numbering, the next free number when desks race, the
// agency's share, the payment's description, corrections and refusals.
//   tst_core                            the tests
//   tst_core --desk PATH DATE COUNT     a desk that stores COUNT services of DATE, printing each number

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>

#include "data/Database.h"
#include "data/Ledger.h"
#include "data/UnitDM.h"

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
        for (int i = 0; i < count; ++i) {
            std::printf("%d\n", ledger.StoreService(service(date)).number);
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
        Database::create(m_path = m_dir.filePath(u"DB.MDB"_s), {u"آژانس"_s, 15, u"مدير"_s, u"1234"_s});
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

        Statement(m_dm->ADOConnection1->writer(), u"DELETE FROM service WHERE id=%1"_s.arg(second)).step();
        QVERIFY(!ledger.CorrectService(second, 2, service(u"1405/09/16"_s, 1)));
        QCOMPARE(rows(u"SELECT count(*), sum(service_moeny) FROM service"_s),
                 (QList<QVariantList>{{2LL, 100000000LL}}));
    }

    // Two desks storing services of one day at the same moment: every number is used once,
    // none is skipped, and neither desk is refused.
    void desksRace()
    {
        constexpr int kEach = 150;
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
        for (int i = 1; i <= 2 * kEach; ++i) expected << i;
        QCOMPARE(numbers, expected);
        m_dm = std::make_unique<TDM>(m_path);
        QCOMPARE(rows(u"SELECT count(DISTINCT service_id), max(service_id) FROM service"_s),
                 (QList<QVariantList>{{qint64(2 * kEach), qint64(2 * kEach)}}));
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
