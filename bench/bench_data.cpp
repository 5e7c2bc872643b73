// The desk's data paths on a large database, each against the same SQL run by plain SQLite.
//   agency_bench [SERVICES] [DATABASE]
// Builds the database with the sample generator when it does not exist, then prints one line a
// case: the program's time, plain SQLite's time and their ratio (medians of several runs).

#include "bench/SampleData.h"
#include "data/Currency.h"
#include "data/Database.h"
#include "data/SolarDate.h"
#include "data/UnitDM.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include <sqlite3.h>

using namespace agency;

namespace {

double medianMs(int runs, const std::function<void()>& work)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        work();
        times.push_back(t.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Steps a statement to its end (or to `limit` rows), reading every column as the program does.
void runRaw(sqlite3* db, const QString& sql, int limit = -1, const QVariantList& binds = {})
{
    Statement st(db, sql);
    for (int i = 0; i < binds.size(); ++i)
        st.bind(i + 1, binds[i]);
    int n = 0;
    while ((limit < 0 || n < limit) && st.step()) {
        for (int c = 0; c < st.columnCount(); ++c)
            (void)st.column(c);
        ++n;
    }
}

struct Result {
    const char* name;
    double program;
    double plain;
};

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int services = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 1000000;
    const QString path = argc > 2 ? QString::fromLocal8Bit(argv[2])
                                  : QDir::temp().filePath(QStringLiteral("agency-bench-%1.mdb").arg(services));
    if (!QFileInfo::exists(path)) {
        std::printf("building %s with %d services...\n", qPrintable(path), services);
        QElapsedTimer t;
        t.start();
        Database::create(path, {QStringLiteral("Bench"), 15, QStringLiteral("u"), QStringLiteral("p")});
        generateSample(path, services, 300, 5000, 1000);
        std::printf("built in %.1f s\n", t.elapsed() / 1000.0);
    }
    const QString today = SolarDate::TodayDate();
    const QString day = SolarDate::fromGregorian(SolarDate::now().date().addDays(-10));
    const QString monthStart = SolarDate::fromGregorian(SolarDate::now().date().addDays(-40));

    sqlite3* raw = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_exec(raw, "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);

    std::vector<Result> results;
    std::unique_ptr<TDM> dm;
    {
        const double p = medianMs(5, [&] { dm = std::make_unique<TDM>(path); });
        const double r = medianMs(5, [&] {
            sqlite3* db = nullptr;
            sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
            for (const char* sql : {"SELECT * FROM Users", "SELECT * FROM driver", "SELECT * FROM acount",
                                    "SELECT * FROM service ORDER BY service_id", "SELECT * FROM payeh",
                                    "SELECT max(driver_bes_no) FROM service", "SELECT max(driver_id) FROM driver",
                                    "SELECT * FROM service WHERE service_id<>0 ORDER BY service_date, service_id",
                                    "SELECT * FROM service WHERE driver_bes_no<>0", "SELECT * FROM service",
                                    "SELECT driver_id, driver_name, sum(service_percent), sum(driver_bes), "
                                    "sum(service_percent)-sum(driver_bes) FROM service GROUP BY driver_id, driver_name",
                                    "SELECT sum(service_percent), sum(driver_bes) FROM service",
                                    "SELECT sum(service_moeny), sum(service_percent), avg(service_moeny), sum(driver_bes) FROM service"})
                runRaw(db, QString::fromLatin1(sql), 64);
            sqlite3_close(db);
        });
        results.push_back({"open the data module", p, r});
    }

    TADOQuery* maxS = dm->QueryMaxS;
    maxS->SQL.Delete(2);
    maxS->SQL.Add(QStringLiteral("where service_date='") + today + QStringLiteral("'"));
    results.push_back({"clock tick: today's next number", medianMs(50, [&] { maxS->Reopen(); }),
                       medianMs(50, [&] { runRaw(raw, QStringLiteral("SELECT max(service_id) FROM service WHERE service_date=?"), -1, {today}); })});

    results.push_back({"service list: open, first screen", medianMs(9, [&] {
                           dm->QueryViewService->Reopen();
                           for (int i = 0; i < 40; ++i)
                               (void)dm->QueryViewService->value(i, 1);
                       }),
                       medianMs(9, [&] {
                           runRaw(raw, QStringLiteral("SELECT * FROM service WHERE service_id<>0 ORDER BY service_date, service_id"), 64);
                       })});

    results.push_back({"service list: one day", medianMs(9, [&] {
                           TADOQuery* q = dm->QueryViewService;
                           q->SQL.Clear();
                           q->SQL.Add(QStringLiteral("select *"));
                           q->SQL.Add(QStringLiteral("from service"));
                           q->SQL.Add(QStringLiteral("where (service_id<>0) and (service_date='") + day + QStringLiteral("')"));
                           q->Reopen();
                           q->RecordCount();
                           for (int i = 0; i < q->fetchedRows(); ++i)
                               (void)q->value(i, 1);
                       }),
                       medianMs(9, [&] {
                           runRaw(raw, QStringLiteral("SELECT * FROM service WHERE service_id<>0 AND service_date=?"), -1, {day});
                       })});

    results.push_back({"balances of every driver", medianMs(5, [&] {
                           dm->QueryDriverMande->Reopen();
                           dm->QueryDriverMande->RecordCount();
                       }),
                       medianMs(5, [&] {
                           runRaw(raw, QStringLiteral("SELECT driver_id, driver_name, sum(service_percent), sum(driver_bes), "
                                                      "sum(service_percent)-sum(driver_bes) FROM service GROUP BY driver_id, driver_name"));
                       })});

    results.push_back({"one driver's account over 40 days", medianMs(9, [&] {
                           TADOQuery* q = dm->QueryDriverHesab;
                           q->SQL.Clear();
                           q->SQL.Add(QStringLiteral("select *"));
                           q->SQL.Add(QStringLiteral("from service"));
                           q->SQL.Add(QStringLiteral("where (driver_id=7) and (service_date>='%1') and (service_date<='%2')").arg(monthStart, today));
                           q->Reopen();
                           q->RecordCount();
                           for (int i = 0; i < q->fetchedRows(); ++i)
                               (void)q->value(i, 1);
                       }),
                       medianMs(9, [&] {
                           runRaw(raw, QStringLiteral("SELECT * FROM service WHERE driver_id=7 AND service_date>=? AND service_date<=?"), -1,
                                  {monthStart, today});
                       })});

    results.push_back({"statistics over 40 days", medianMs(9, [&] {
                           TADOQuery* q = dm->QueryAmar;
                           q->SQL.Delete(q->SQL.Count() - 1);
                           while (q->SQL.Count() > 1)
                               q->SQL.Delete(1);
                           q->SQL.Add(QStringLiteral("from service"));
                           q->SQL.Add(QStringLiteral("where (service_date>='%1') and (service_date<='%2')").arg(monthStart, today));
                           q->Reopen();
                       }),
                       medianMs(9, [&] {
                           runRaw(raw, QStringLiteral("SELECT sum(service_moeny), sum(service_percent), avg(service_moeny), sum(driver_bes) "
                                                      "FROM service WHERE service_date>=? AND service_date<=?"), -1, {monthStart, today});
                       })});

    results.push_back({"locate a service for correction", medianMs(9, [&] {
                           dm->ADOTableService->Reopen();
                           dm->ADOTableService->Locate(QStringLiteral("service_date;service_id"), {day, QStringLiteral("900")});
                       }),
                       medianMs(9, [&] {
                           runRaw(raw, QStringLiteral("SELECT * FROM service WHERE service_date=? AND service_id=900"), -1, {day});
                       })});

    int next = 100000;
    results.push_back({"store one service", medianMs(21, [&] {
                           TADOTable* t = dm->ADOTableService;
                           t->Append();
                           t->FieldByName(QStringLiteral("service_id")).SetAsInteger(++next);
                           t->FieldByName(QStringLiteral("service_date")).SetAsString(today);
                           t->FieldByName(QStringLiteral("driver_name")).SetAsString(QStringLiteral("bench"));
                           t->FieldByName(QStringLiteral("service_moeny")).SetAsInteger(20000);
                           t->FieldByName(QStringLiteral("service_percent")).SetAsCurrency(Currency::share(20000, 15));
                           t->Post();
                       }),
                       medianMs(21, [&] {
                           Transaction tx(raw);
                           Statement st(raw, QStringLiteral("INSERT INTO service (service_id, service_date, driver_name, service_moeny, service_percent) VALUES (?,?,?,?,?)"));
                           st.bind(1, ++next);
                           st.bind(2, today);
                           st.bind(3, QStringLiteral("bench"));
                           st.bind(4, qint64(200000000));
                           st.bind(5, qint64(30000000));
                           st.step();
                           tx.commit();
                       })});
    sqlite3_exec(raw, "DELETE FROM service WHERE service_id > 100000", nullptr, nullptr, nullptr);

    std::printf("\n%-38s %12s %12s %8s\n", "case", "program ms", "sqlite ms", "ratio");
    for (const Result& r : results)
        std::printf("%-38s %12.3f %12.3f %8.2f\n", r.name, r.program, r.plain, r.program / std::max(r.plain, 1e-3));
    dm.reset();
    sqlite3_close(raw);
    return 0;
}
