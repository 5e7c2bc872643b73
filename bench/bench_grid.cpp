// The service list's grid on a large database: opening it and jumping to its last row, against
// plain SQLite reading the same rows.
//   agency_bench_grid [SERVICES] [DATABASE]

#include "bench/SampleData.h"
#include "controls/DBGrid.h"
#include "data/Database.h"
#include "data/SqliteEngine.h"
#include "data/UnitDM.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <sqlite3.h>
#include <vector>

using namespace agency;
using namespace Qt::StringLiterals;

namespace {

constexpr int kScreen = 30;  // rows a screen shows

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

// The row ids in the list's order, then the values of one screen of rows from `first`.
void plainScreen(Connection* db, bool last)
{
    Statement ids(db, u"SELECT rowid FROM service WHERE service_id<>0 ORDER BY service_date, service_id"_s);
    std::vector<qint64> rowids;
    while (ids.step()) {
        rowids.push_back(ids.columnInt(0));
        if (!last && rowids.size() == size_t(kScreen)) break;
    }
    Statement row(db, u"SELECT * FROM service WHERE rowid=?"_s);
    const size_t from = last && rowids.size() > size_t(kScreen) ? rowids.size() - kScreen : 0;
    for (size_t i = from; i < rowids.size(); ++i) {
        row.reset();
        row.bind(1, rowids[i]);
        if (row.step())
            for (int c = 0; c < row.columnCount(); ++c) (void)row.column(c);
    }
}

}  // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    const int services = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 1000000;
    const QString path =
        argc > 2 ? QString::fromLocal8Bit(argv[2]) : QDir::temp().filePath(u"agency-bench-%1.mdb"_s.arg(services));
    if (!QFileInfo::exists(path)) {
        std::printf("building %s with %d services...\n", qPrintable(path), services);
        Database::create(path, {u"Bench"_s, 15, u"u"_s, u"p"_s});
        generateSample(path, services, 300, 5000, 1000);
    }
    DM = new TDM(path);
    TDBGrid grid;
    grid.resize(900, kScreen * grid.verticalHeader()->defaultSectionSize());
    grid.SetDataSource(&DM->DSViewService);
    grid.SetColumns({{u"service_id"_s, u"سرويس"_s, 60},
                     {u"service_date"_s, u"تاريخ"_s, 90},
                     {u"Service_time"_s, u"ساعت"_s, 80},
                     {u"driver_id"_s, u"كدراننده"_s, 70},
                     {u"acount_id"_s, u"اشتراك"_s, 70},
                     {u"service_moeny"_s, u"مبلغ سرويس"_s, 100},
                     {u"service_percent"_s, u"سهم آژانس"_s, 100}});
    grid.show();

    SqliteConnection plain(path, SQLITE_OPEN_READONLY);
    Connection* raw = &plain;

    const double openProgram = medianMs(5, [&] {
        DM->QueryViewService->Reopen();
        grid.viewport()->repaint();
    });
    const double openPlain = medianMs(5, [&] { plainScreen(raw, false); });
    const double endProgram = medianMs(3, [&] {
        DM->QueryViewService->Reopen();
        QKeyEvent end(QEvent::KeyPress, Qt::Key_End, Qt::ControlModifier);
        QApplication::sendEvent(&grid, &end);
        grid.viewport()->repaint();
    });
    const double endPlain = medianMs(3, [&] { plainScreen(raw, true); });
    const bool atEnd = grid.currentIndex().row() == grid.model()->rowCount() - 1 && grid.model()->rowCount() > 0;

    std::printf("%-38s %10s %10s %7s\n", "case (ms)", "program", "sqlite", "ratio");
    std::printf("%-38s %10.2f %10.2f %7.2f\n", "grid: open, first screen", openProgram, openPlain,
                openProgram / openPlain);
    std::printf("%-38s %10.2f %10.2f %7.2f\n", "grid: to the last row", endProgram, endPlain, endProgram / endPlain);
    std::printf("rows in the grid: %d, at the last: %s\n", grid.model()->rowCount(), atEnd ? "yes" : "no");
    delete DM;
    DM = nullptr;
    return atEnd ? 0 : 1;
}
