// The desk's data paths on a large database, each against the same SQL run by the engine's own shell.
//   agency_bench [SERVICES] [DATABASE] [SERVER]
// Builds the database with the sample generator when it does not exist, and copies it onto the
// server's database (an existing one, empty or already copied) when one is named. Then prints one
// line a case for each engine side by side: the program's time (the median of several runs), the
// shell's time and their ratio. The shell is plain sqlite3 for the file and psql for the server,
// one process running the case's SQL, its values written in, as many times as the program does;
// its own start-up, timed on an empty script, is taken off. Start-up's shell is the same start-up
// on an empty database of the same engine.

#include "app/Program.h"
#include "bench/SampleData.h"
#include "controls/Dialogs.h"
#include "controls/Style.h"
#include "data/Currency.h"
#include "data/Database.h"
#include "data/Phone.h"
#include "data/PostgresEngine.h"
#include "data/SolarDate.h"
#include "data/UnitDM.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QUrl>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace agency;
using namespace Qt::StringLiterals;

namespace {

class SilentDialogs : public Dialogs {
public:
    void ShowMessage(const QString&) override {}
    bool Confirm(const QString&) override { return false; }
    void ShowError(const QString& text) override { std::fprintf(stderr, "error: %s\n", qPrintable(text)); }
    void Preview(const Receipt&) override {}
};

double median(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

double timeMs(const std::function<void()>& work)
{
    QElapsedTimer t;
    t.start();
    work();
    return t.nsecsElapsed() / 1e6;
}

// The case's SQL with its values written in, as a shell takes it.
QString withValues(QString sql, const QVariantList& binds)
{
    for (const QVariant& v : binds) {
        const QString literal = v.typeId() == QMetaType::QString
                                    ? u'\'' + v.toString().replace(u'\'', u"''"_s) + u'\''
                                    : QString::number(v.toLongLong());
        sql.replace(sql.indexOf(u'?'), 1, literal);
    }
    return sql;
}

// sqlite3 on the file or psql on the server, its output thrown away.
class Shell {
public:
    explicit Shell(const QString& location) : m_server(isServerAddress(location)), m_location(location)
    {
        std::vector<double> empty;
        for (int i = 0; i < 5; ++i) empty.push_back(run(QString()));
        m_startup = median(empty);
    }
    // Milliseconds a run of the statement `sql(i)` takes, over `runs` runs in one process.
    double perRun(int runs, const std::function<QString(int)>& sql)
    {
        QString script;
        for (int i = 0; i < runs; ++i) script += sql(i) + u";\n"_s;
        return std::max(0.0, run(script) - m_startup) / runs;
    }

private:
    double run(const QString& script)
    {
        QProcess p;
        p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p.setStandardOutputFile(QProcess::nullDevice());
        const QString prelude = m_server ? u"\\o /dev/null\n"_s : u".output /dev/null\n"_s;
        QElapsedTimer t;
        t.start();
        if (m_server)
            p.start(u"psql"_s, {u"-X"_s, u"-q"_s, u"-v"_s, u"ON_ERROR_STOP=1"_s, u"-d"_s, m_location});
        else
            p.start(u"sqlite3"_s, {u"-bail"_s, m_location});
        p.write((prelude + script).toUtf8());
        p.closeWriteChannel();
        p.waitForFinished(-1);
        const double ms = t.nsecsElapsed() / 1e6;
        if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
            std::printf("!! the shell failed on: %s\n", qPrintable(script.left(200)));
        return ms;
    }

    bool m_server;
    QString m_location;
    double m_startup = 0;
};

// The median of runs of work, each given its run's number.
double medianMs(int runs, const std::function<void(int)>& work)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) times.push_back(timeMs([&] { work(i); }));
    return median(times);
}

// Medians of the two sides, run by turns so that both meet the same load of the machine.
std::pair<double, double> compare(int runs, const std::function<void()>& a, const std::function<void()>& b,
                                  const std::function<void()>& between = {})
{
    std::vector<double> ta, tb;
    for (int i = 0; i < runs; ++i) {
        if (between) between();
        ta.push_back(timeMs(a));
        if (between) between();
        tb.push_back(timeMs(b));
    }
    return {median(ta), median(tb)};
}

// Steps a statement to its end (or to `limit` rows), reading every column as the program does.
int runRaw(Connection* db, const QString& sql, const QVariantList& binds = {}, int limit = -1)
{
    Statement st(db, sql);
    for (int i = 0; i < binds.size(); ++i) st.bind(i + 1, binds[i]);
    int n = 0;
    while ((limit < 0 || n < limit) && st.step()) {
        for (int c = 0; c < st.columnCount(); ++c) (void)st.column(c);
        ++n;
    }
    return n;
}

// Every value of every row, as an export or a report reads them.
int readAll(TDataset* ds)
{
    const int rows = ds->RecordCount();
    const int columns = int(ds->Columns().size());
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) (void)ds->value(r, c);
    return rows;
}

void setLines(TADOQuery* q, const QStringList& lines)
{
    q->SQL.Clear();
    for (const QString& line : lines) q->SQL.Add(line);
}

struct Result {
    QString name;
    double program;
    double baseline;
    int rows;
};

qint64 fileSize(const QString& path)
{
    return QFileInfo(path).size();
}

// An empty database beside the one at location, on the same engine, for start-up to be compared with.
QString emptyBeside(const QString& location, QTemporaryDir& dir)
{
    if (!isServerAddress(location)) {
        const QString empty = dir.filePath(u"empty.mdb"_s);
        Database::create(empty, {u"Bench"_s, 15, u"u"_s, u"p"_s});
        return empty;
    }
    QUrl url(location);
    const QString name = url.path().mid(1) + u"_empty"_s;
    const auto admin = openConnection(location);
    exec(admin.get(), u"DROP DATABASE IF EXISTS %1 WITH (FORCE)"_s.arg(name));
    exec(admin.get(), u"CREATE DATABASE %1"_s.arg(name));
    url.setPath(u'/' + name);
    const QString empty = url.toString();
    Database::create(empty, {u"Bench"_s, 15, u"u"_s, u"p"_s});
    return empty;
}

struct Side {
    std::vector<Result> results;
    QString saves;  // the line on saves at the desk's pace
};

Side benchmark(const QString& path, int services, Dialogs* silentDialogs)
{
    Dialogs& silent = *silentDialogs;
    // The sample spreads its services over the thousand days before today.
    const QDate now = SolarDate::now().date();
    const QString today = SolarDate::TodayDate();
    const QString day = SolarDate::fromGregorian(now.addDays(-10));
    const QString monthStart = SolarDate::fromGregorian(now.addDays(-40));
    std::vector<Result> results;
    // AGENCY_BENCH_ONLY=text runs only the cases whose names hold the text.
    const QString only = qEnvironmentVariable("AGENCY_BENCH_ONLY");
    auto wanted = [&](const QString& name) { return only.isEmpty() || name.contains(only); };

    if (wanted(u"start-up"_s)) {
        // Start-up to the login window: the data module and every window, against an empty database.
        QTemporaryDir dir;
        const QString empty = emptyBeside(path, dir);
        std::unique_ptr<Program> program;
        Database{path};                            // brings an older sample database up to this version
        program = Program::build(empty, &silent);  // fonts and first-time costs
        const auto [onLarge, onEmpty] = compare(
            11, [&] { program = Program::build(path, &silent); }, [&] { program = Program::build(empty, &silent); },
            [&] { program.reset(); });
        program.reset();
        results.push_back({u"start-up (baseline: empty database)"_s, onLarge, onEmpty, 0});
        std::unique_ptr<TDM> module;
        const auto [dmLarge, dmEmpty] = compare(
            11, [&] { module = std::make_unique<TDM>(path); }, [&] { module = std::make_unique<TDM>(empty); },
            [&] { module.reset(); });
        module.reset();
        results.push_back({u"data module opens (baseline: empty database)"_s, dmLarge, dmEmpty, 0});
    }

    const auto plain = openConnection(path);
    Connection* raw = plain.get();
    Shell shell(path);
    auto dm = std::make_unique<TDM>(path);

    auto add = [&](const QString& name, int runs, const std::function<int()>& program, const QString& sql,
                   const QVariantList& binds = {}) {
        if (!wanted(name)) return;
        int rows = 0;
        int plainRows = 0;
        const double p = medianMs(runs, [&](int) { rows = program(); });
        const double b = shell.perRun(runs, [&](int) { return withValues(sql, binds); });
        plainRows = runRaw(raw, sql, binds);
        if (rows != plainRows)
            std::printf("!! %s: the program read %d rows, the plain statement %d\n", qPrintable(name), rows, plainRows);
        results.push_back({name, p, b, rows});
    };
    // A query of the data module rewritten as a window does, reopened and read whole.
    auto query = [&](const QString& name, TADOQuery* q, const QStringList& lines, const QString& sql,
                     const QVariantList& binds = {}, int runs = 9) {
        add(
            name, runs,
            [&] {
                setLines(q, lines);
                q->Reopen();
                return readAll(q);
            },
            sql, binds);
    };

    const QString star = u"SELECT * FROM service "_s;
    TADOQuery* maxS = dm->QueryMaxS;
    setLines(maxS, {u"select  max(service_id)"_s, u"from service"_s, u"where service_date='%1'"_s.arg(day)});
    add(u"clock tick on a day of a thousand services"_s, 51,
        [&] {
            maxS->Reopen();
            return maxS->FieldByName(u"Expr1000"_s).AsInteger() > 0 ? 1 : 0;
        },
        u"SELECT max(service_id) FROM service WHERE service_date=?"_s, {day});

    TADOQuery* list = dm->QueryViewService;
    const QString listOrder = u"order by service_date,service_id"_s;
    add(
        u"service list: open, first screen"_s, 9,
        [&] {
            setLines(list, {u"select *"_s, u"from service"_s, u"where service_id<>0"_s, listOrder});
            list->Reopen();
            for (int r = 0; r < 40; ++r)
                for (int c = 0; c < list->Columns().size(); ++c) (void)list->value(r, c);
            return 40;
        },
        u"SELECT * FROM service WHERE service_id<>0 ORDER BY service_date, service_id LIMIT 40"_s);
    query(u"service list: every row (export)"_s, list,
          {u"select *"_s, u"from service"_s, u"where service_id<>0"_s, listOrder},
          star + u"WHERE service_id<>0 ORDER BY service_date, service_id"_s, {}, 3);
    query(u"service list: by number"_s, list,
          {u"select *"_s, u"from service"_s, u"where (service_id<>0) and (service_id=5)"_s, listOrder},
          star + u"WHERE service_id<>0 AND service_id=5 ORDER BY service_date, service_id"_s);
    query(u"service list: by subscriber"_s, list,
          {u"select *"_s, u"from service"_s, u"where service_id<>0 and acount_id=77"_s, listOrder},
          star + u"WHERE service_id<>0 AND acount_id=77 ORDER BY service_date, service_id"_s);
    query(u"service list: one day"_s, list,
          {u"select *"_s, u"from service"_s, u"where (service_id<>0) and (service_date='%1')"_s.arg(day), listOrder},
          star + u"WHERE service_id<>0 AND service_date=? ORDER BY service_date, service_id"_s, {day});
    query(u"service list: 40 days"_s, list,
          {u"select *"_s, u"from service"_s,
           u"where (service_id<>0) and (service_date>='%1') and (service_date<='%2')"_s.arg(monthStart, today),
           listOrder},
          star + u"WHERE service_id<>0 AND service_date>=? AND service_date<=? ORDER BY service_date, service_id"_s,
          {monthStart, today});

    TADOQuery* payments = dm->QueryViewDriverBes;
    query(u"payment list: every payment"_s, payments, {u"select *"_s, u"from service"_s, u"where driver_bes_no<>0"_s},
          star + u"WHERE driver_bes_no<>0"_s, {}, 3);
    query(u"payment list: one day"_s, payments,
          {u"select *"_s, u"from service"_s, u"where (driver_bes_no<>0) and (service_date='%1')"_s.arg(day)},
          star + u"WHERE driver_bes_no<>0 AND service_date=?"_s, {day});

    const QString account =
        u"where (driver_id=7) and (service_date>='%1') and (service_date<='%2')"_s.arg(monthStart, today);
    query(u"driver account over 40 days"_s, dm->QueryDriverHesab,
          {u"select *"_s, u"from service"_s, account, u"order by service_date,id"_s},
          star + u"WHERE driver_id=7 AND service_date>=? AND service_date<=? ORDER BY service_date, id"_s,
          {monthStart, today});
    query(u"driver account: totals"_s, dm->QueryDriverHesabJM,
          {u"select sum(service_percent),sum(driver_bes)"_s, u"from service"_s, account, u"group by driver_id"_s},
          u"SELECT sum(service_percent), sum(driver_bes) FROM service WHERE driver_id=7 AND service_date>=? AND "
          "service_date<=? GROUP BY driver_id"_s,
          {monthStart, today});
    const QStringList mande = dm->QueryDriverMande->SQL.lines();
    query(u"balances of every driver"_s, dm->QueryDriverMande, mande,
          u"SELECT driver_id, driver_name, sum(service_percent), sum(driver_bes), sum(service_percent)-sum(driver_bes) "
          "FROM service GROUP BY driver_id, driver_name"_s,
          {}, 3);
    const QString amar = dm->QueryAmar->SQL[0];
    const QString amarPlain =
        u"SELECT sum(service_moeny), sum(service_percent), avg(service_moeny), sum(driver_bes) FROM service"_s;
    query(u"statistics over 40 days"_s, dm->QueryAmar,
          {amar, u"from service"_s, u"where (service_date>='%1') and (service_date<='%2')"_s.arg(monthStart, today)},
          amarPlain + u" WHERE service_date>=? AND service_date<=?"_s, {monthStart, today});
    const QString yearStart = SolarDate::fromGregorian(now.addDays(-365));
    query(u"statistics over a year"_s, dm->QueryAmar,
          {amar, u"from service"_s, u"where (service_date>='%1') and (service_date<='%2')"_s.arg(yearStart, today)},
          amarPlain + u" WHERE service_date>=? AND service_date<=?"_s, {yearStart, today});
    query(u"statistics over all dates"_s, dm->QueryAmar, {amar, u"FROM service;"_s}, amarPlain, {}, 3);

    // The service table has been open since start-up; the list hands one of its rows over.
    TADOTable* table = dm->ADOTableService;
    table->RecordCount();
    const QStringList fields = {
        u"service_id"_s,        u"driver_id"_s,          u"driver_name"_s,   u"acount_id"_s,    u"acount_name"_s,
        u"service_start_add"_s, u"service_target_add"_s, u"service_moeny"_s, u"service_date"_s, u"id"_s};
    if (wanted(u"locate"_s)) {
        const double located = medianMs(51, [&](int i) {
            if (table->Locate(u"service_date;service_id"_s, {day, QString::number(i % 900 + 1)}))
                for (const QString& f : fields) (void)table->FieldByName(f).AsString();
        });
        const double lookedUp = shell.perRun(51, [&](int i) {
            return withValues(u"SELECT * FROM service WHERE service_date=? AND service_id=?"_s, {day, i % 900 + 1});
        });
        results.push_back({u"locate a service for correction"_s, located, lookedUp, 1});
    }

    // The caller found by his telephone, and his last five trips, against a scan of the telephones.
    if (wanted(u"telephone"_s)) {
        const double found = medianMs(51, [&](int i) {
            const int caller = ((i + 1) * 997) % 50000 + 1;
            for (qint32 id :
                 subscribersByPhone(dm->ADOConnection1->writer(), u"۰۲۱%1"_s.arg(caller, 8, 10, QChar(u'0'))))
                lastServices(dm->ADOConnection1->writer(), id);
        });
        const double scanned = shell.perRun(51, [&](int i) {
            // The last digits compared, as both shells take them under the folding collation.
            return withValues(u"SELECT acount_id FROM acount WHERE substr(acount_tel, length(acount_tel) - 3) = ?"_s,
                              {u"%1"_s.arg(((i + 1) * 997) % 10000, 4, 10, QChar(u'0'))});
        });
        results.push_back({u"caller found by telephone, last five trips"_s, found, scanned, 1});
    }

    int next = 100000;
    auto store = [&] {
        table->Append();
        table->FieldByName(u"service_id"_s).SetAsInteger(++next);
        table->FieldByName(u"service_date"_s).SetAsString(today);
        table->FieldByName(u"driver_name"_s).SetAsString(u"راننده"_s);
        table->FieldByName(u"service_moeny"_s).SetAsInteger(20000);
        table->FieldByName(u"service_percent"_s).SetAsCurrency(Currency::share(20000, 15));
        table->Post();
    };
    const double stored = medianMs(21, [&](int) { store(); });
    const double inserted = shell.perRun(21, [&](int) {
        return withValues(u"BEGIN; INSERT INTO service (service_id, service_date, driver_name, service_moeny, "
                          "service_percent) VALUES (?,?,?,?,?); COMMIT"_s,
                          {++next, today, u"راننده"_s, qint64(200000000), qint64(30000000)});
    });
    results.push_back({u"store one service"_s, stored, inserted, 1});

    // Saves at the desk's pace with every standing dataset open: the log must stay small.
    const int saves = wanted(u"saves"_s) ? std::min(10000, std::max(100, services / 100)) : 0;
    for (TDataset* ds : dm->datasets())
        if (ds->Active()) ds->Reopen();
    QElapsedTimer saving;
    saving.start();
    qint64 largest = 0;
    for (int i = 0; i < saves; ++i) {
        store();
        QCoreApplication::processEvents();
        largest = std::max(largest, fileSize(path + u"-wal"_s));
    }
    const double savingMs = saving.nsecsElapsed() / 1e6;
    exec(raw, u"DELETE FROM service WHERE service_id > 100000"_s);

    Side side;
    side.results = results;
    side.saves = u"%1 saves with every dataset open: %2 s"_s.arg(saves).arg(savingMs / 1000, 0, 'f', 1);
    if (!isServerAddress(path))
        side.saves += u"; log at most %1 MB, %2 MB at the end; database %3 MB"_s.arg(largest / 1048576.0, 0, 'f', 1)
                          .arg(fileSize(path + u"-wal"_s) / 1048576.0, 0, 'f', 1)
                          .arg(fileSize(path) / 1048576.0, 0, 'f', 1);
    dm.reset();
    return side;
}

}  // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    setupApplication(app);
    SilentDialogs silent;
    const int services = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 1000000;
    const QString path =
        argc > 2 ? QString::fromLocal8Bit(argv[2]) : QDir::temp().filePath(u"agency-bench-%1.mdb"_s.arg(services));
    const QString server = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QString();
    try {
        if (!QFileInfo::exists(path)) {
            std::printf("building %s with %d services...\n", qPrintable(path), services);
            QElapsedTimer t;
            t.start();
            Database::create(path, {u"Bench"_s, 15, u"u"_s, u"p"_s});
            generateSample(path, services, 300, 5000, 1000);
            std::printf("built in %.1f s\n", t.elapsed() / 1000.0);
        }
        if (!server.isEmpty()) {
            bool copied = true;
            try {
                Database{server};
            } catch (const Error&) {
                copied = false;
            }
            if (!copied) {
                std::printf("copying onto the server...\n");
                QElapsedTimer t;
                t.start();
                setServerDeadlines(0, 10000);  // an administrator's copy, however long it takes
                const QStringList differences = Database::copy(path, server);
                setServerDeadlines(5000, 4000);
                std::printf("copied in %.1f s: %s\n", t.elapsed() / 1000.0,
                            differences.isEmpty() ? "ok" : qPrintable(differences.join(u"; "_s)));
            }
        }
        const Side file = benchmark(path, services, &silent);
        const Side onServer = server.isEmpty() ? Side() : benchmark(server, services, &silent);
        std::printf("\n%-44s %10s %10s %7s", "case", "file ms", "sqlite3 ms", "ratio");
        if (!server.isEmpty()) std::printf(" %10s %10s %7s", "server ms", "psql ms", "ratio");
        std::printf(" %8s\n", "rows");
        for (std::size_t i = 0; i < file.results.size(); ++i) {
            const Result& r = file.results[i];
            std::printf("%-44s %10.3f %10.3f %7.2f", qPrintable(r.name), r.program, r.baseline,
                        r.program / std::max(r.baseline, 1e-3));
            if (i < onServer.results.size()) {
                const Result& o = onServer.results[i];
                std::printf(" %10.3f %10.3f %7.2f", o.program, o.baseline, o.program / std::max(o.baseline, 1e-3));
            }
            std::printf(" %8d\n", r.rows);
        }
        std::printf("\nfile: %s\n", qPrintable(file.saves));
        if (!server.isEmpty()) std::printf("server: %s\n", qPrintable(onServer.saves));
    } catch (const Error& e) {
        std::fprintf(stderr, "agency_bench: %s\n", e.what());
        return 1;
    }
    return 0;
}
