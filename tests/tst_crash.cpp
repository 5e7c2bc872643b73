// The program killed in the middle of its saves: the file stays sound, every service it had
// stored is there whole, and nothing half-stored is.
//   tst_crash                      the test
//   tst_crash --append PATH        the writer it kills: a thousand services through the datasets

#include "data/Currency.h"
#include "data/Database.h"
#include "data/UnitDM.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <cstdio>
#include <sqlite3.h>

using namespace agency;
using namespace Qt::StringLiterals;

namespace {

constexpr int kSaves = 1000;
const QStringList kColumns = {u"service_id"_s,     u"driver_id"_s,     u"driver_name"_s,       u"acount_id"_s,
                              u"acount_name"_s,    u"service_date"_s,  u"service_start_add"_s, u"service_target_add"_s,
                              u"service_action"_s, u"service_moeny"_s, u"service_percent"_s,   u"Service_time"_s};

// The values the writer gives service number i, in the order of kColumns, as stored.
QVariantList serviceRow(int i)
{
    const int fare = 5000 + i * 10;
    return {qint64(i),
            qint64(1 + i % 7),
            u"راننده شماره "_s + QString::number(1 + i % 7),
            qint64(1 + i % 13),
            u"مشترك كوچه ي "_s + QString::number(i % 13),
            u"1405/09/17"_s,
            u"خيابان ولي عصر، كوچه "_s + QString::number(i),
            u"ميدان آزادي"_s,
            u"انجام سرويس شماره "_s + QString::number(i),
            Currency::fromInteger(fare).units(),
            Currency::share(fare, 15).units(),
            u"10:%1:00"_s.arg(i % 60, 2, 10, QChar(u'0'))};
}

// The writer: stores services one by one as the service window does, and after each save,
// which has committed, tells the test its number before it goes on.
int appendServices(const QString& path)
{
    try {
        TDM dm(path);
        TADOTable* t = dm.ADOTableService;
        for (int i = 1; i <= kSaves; ++i) {
            const QVariantList values = serviceRow(i);
            t->Append();
            for (int c = 0; c < kColumns.size(); ++c) t->setPendingValue(t->FieldIndex(kColumns[c]), values[c]);
            t->Post();
            std::printf("%d\n", i);
            std::fflush(stdout);
            QCoreApplication::processEvents();
        }
    } catch (const Error& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}

}  // namespace

class TestCrash : public QObject {
    Q_OBJECT

private slots:
    void killedWriterLosesNothing_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::newRow("early") << 1 << 100;
        QTest::newRow("midway") << 300 << 700;
        QTest::newRow("late") << 900 << kSaves - 1;
    }
    void killedWriterLosesNothing()
    {
        QFETCH(int, from);
        QFETCH(int, to);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"DB.MDB"_s);
        Database::create(path, {u"آژانس"_s, 15, u"مدير"_s, u"1234"_s});

        // Killed once it has reported a random number of saves, a random moment into the next.
        const int reportedWhenKilled = QRandomGenerator::global()->bounded(from, to + 1);
        QProcess writer;
        writer.start(QCoreApplication::applicationFilePath(), {u"--append"_s, path});
        QVERIFY(writer.waitForStarted());
        QList<int> reported;
        while (reported.size() < reportedWhenKilled && writer.waitForReadyRead(10000))
            while (writer.canReadLine()) reported << writer.readLine().trimmed().toInt();
        QThread::usleep(QRandomGenerator::global()->bounded(3000));
        writer.kill();
        QVERIFY(writer.waitForFinished());
        while (writer.canReadLine()) reported << writer.readLine().trimmed().toInt();
        QVERIFY2(reported.size() >= reportedWhenKilled,
                 qPrintable(u"the writer reported %1 saves: %2"_s.arg(reported.size())
                                .arg(QString::fromLocal8Bit(writer.readAllStandardError()))));

        const auto db = openConnection(path);
        QList<QVariantList> stored;
        QString integrity;
        {
            Statement check(db.get(), u"PRAGMA integrity_check"_s);
            integrity = check.step() ? check.column(0).toString() : QString();
            Statement rows(db.get(), u"SELECT %1 FROM service ORDER BY service_id"_s.arg(kColumns.join(u',')));
            while (rows.step()) {
                QVariantList row;
                for (int c = 0; c < kColumns.size(); ++c) row << rows.column(c);
                stored << row;
            }
        }
        QCOMPARE(integrity, u"ok"_s);
        // Every reported save is there, the ones before it too, and each row whole.
        QVERIFY2(stored.size() >= reported.size(),
                 qPrintable(u"%1 stored of %2 reported"_s.arg(stored.size()).arg(reported.size())));
        for (int i = 0; i < stored.size(); ++i) QCOMPARE(stored[i], serviceRow(i + 1));
        // And the program starts on the file as it was left.
        TDM dm(path);
        QCOMPARE(dm.ADOTableService->RecordCount(), stored.size());
    }
};

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && qstrcmp(argv[1], "--append") == 0) return appendServices(QString::fromLocal8Bit(argv[2]));
    TestCrash test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_crash.moc"
