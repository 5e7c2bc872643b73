// The desk on a network like a real one: the program reaches the server through a proxy on the
// loopback that forwards each chunk DELAY milliseconds late each way, and again with no delay.
//   agency_bench_network WHERE SOCKET [DELAY] [SERVICES]
//       WHERE   a server's database (made and filled with SERVICES sample services when empty)
//       SOCKET  the server's Unix socket (…/.s.PGSQL.5432), which the proxy forwards to
//   agency_bench_network --desks N WHERE
//       N data modules open against the server at once: the connections they hold
// Prints, for each case, the milliseconds and the round trips the program took: the start-up to
// the login window, the opening of each function key's window, and one save of a service.

#include "app/Program.h"
#include "app/Unit10.h"
#include "app/UnitMain.h"
#include "bench/LinkProxy.h"
#include "bench/SampleData.h"
#include "controls/Dialogs.h"
#include "controls/Style.h"
#include "data/Database.h"
#include "data/Ledger.h"
#include "data/PostgresEngine.h"
#include "data/UnitDM.h"
#include "operations/UnitService.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QKeyEvent>
#include <QUrl>
#include <QUrlQuery>

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

struct Figure {
    QString name;
    double ms = 0;
    qint64 trips = 0;
};

// Runs work and what it leaves for the event loop (a list's ids read in idle time are not
// counted: they come after the window shows).
Figure measure(const LinkProxy& proxy, const QString& name, const std::function<void()>& work)
{
    const qint64 before = proxy.requests();
    QElapsedTimer t;
    t.start();
    work();
    QApplication::processEvents();
    return {name, t.nsecsElapsed() / 1e6, proxy.requests() - before};
}

std::vector<Figure> desk(const LinkProxy& proxy, const QString& where)
{
    SilentDialogs silent;
    std::vector<Figure> out;
    std::unique_ptr<Program> program;
    out.push_back(measure(proxy, u"start-up to the login window"_s, [&] {
        program = Program::build(where, &silent);
        FormEnter->show();
    }));
    FormMain->Timer1->stop();
    FormEnter->Edit1->setText(u"p"_s);
    out.push_back(measure(proxy, u"login"_s, [&] {
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        FormEnter->Edit1KeyPress(&enter);
    }));
    const std::pair<const char*, QAction*> keys[] = {
        {"F2 service", FormMain->N2},      {"F3 payment", FormMain->N17},  {"F4 drivers", FormMain->N4},
        {"F5 subscribers", FormMain->N5},  {"F6 settings", FormMain->N6},  {"F7 services", FormMain->N18},
        {"F8 payments", FormMain->N20},    {"F9 balances", FormMain->N8},  {"F10 account", FormMain->N19},
        {"F11 statistics", FormMain->N22},
    };
    for (const auto& [name, action] : keys) {
        out.push_back(measure(proxy, QString::fromLatin1(name), [action] { action->trigger(); }));
        if (QWidget* w = QApplication::activeWindow(); w && w != FormMain) w->hide();
        QApplication::processEvents();
    }
    FormMain->N2->trigger();
    FormService->EditDriverId->setText(u"1"_s);
    FormService->EditDriverName->setText(u"راننده"_s);
    FormService->EditAcountId->setText(u"1"_s);
    FormService->EditAcountName->setText(u"مشترك"_s);
    FormService->EditSource->setText(u"مبدا"_s);
    FormService->EditTarget->setText(u"مقصد"_s);
    FormService->EditMoney->setText(u"15000"_s);
    out.push_back(measure(proxy, u"one save (Enter on the record button)"_s, [] { FormService->BitBtn1Click(); }));
    program.reset();
    return out;
}

int desks(int n, const QString& where)
{
    std::vector<std::unique_ptr<TDM>> open;
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < n; ++i) open.push_back(std::make_unique<TDM>(where));
    const double ms = t.nsecsElapsed() / 1e6;
    const auto admin = openConnection(where);
    Statement st(admin.get(), u"SELECT count(*) FROM pg_stat_activity WHERE datname = current_database() AND "
                              "application_name = 'agency' AND pid <> pg_backend_pid()"_s);
    st.step();
    Statement most(admin.get(), u"SELECT current_setting('max_connections')"_s);
    most.step();
    std::printf("%d data modules open in %.0f ms, holding %lld connections of the server's %s\n", n, ms,
                st.columnInt(0), qPrintable(most.column(0).toString()));
    return 0;
}

}  // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    setupApplication(app);
    const QStringList args = app.arguments();
    try {
        if (args.size() == 4 && args[1] == u"--desks"_s) return desks(args[2].toInt(), args[3]);
        if (args.size() < 3) {
            std::fprintf(stderr, "usage: agency_bench_network WHERE SOCKET [DELAY] [SERVICES]\n"
                                 "       agency_bench_network --desks N WHERE\n");
            return 2;
        }
        const QString where = args[1], socket = args[2];
        const int delay = args.size() > 3 ? args[3].toInt() : 2;
        const int services = args.size() > 4 ? args[4].toInt() : 20000;
        bool made = true;
        try {
            Database{where};
        } catch (const Error&) {
            made = false;
        }
        if (!made) {
            setServerDeadlines(0, 10000);
            Database::create(where, {u"Bench"_s, 15, u"u"_s, u"p"_s});
            generateSample(where, services, 300, 5000, 1000);
            setServerDeadlines(5000, 4000);
        }
        const QUrl url(where);
        std::vector<std::vector<Figure>> runs;
        for (const int ms : {0, delay}) {
            LinkProxy proxy(socket, ms);
            const QString through = u"postgresql://%1@127.0.0.1:%2%3"_s.arg(url.userName().isEmpty()
                                                                                 ? QUrlQuery(url).queryItemValue(u"user"_s)
                                                                                 : url.userName())
                                        .arg(proxy.port())
                                        .arg(url.path());
            desk(proxy, through);  // the first opening warms the server's caches
            runs.push_back(desk(proxy, through));
        }
        std::printf("\n%-40s %12s %7s %12s %7s\n", "case", "0 ms", "trips", qPrintable(u"%1 ms each way"_s.arg(delay)),
                    "trips");
        for (std::size_t i = 0; i < runs[0].size(); ++i)
            std::printf("%-40s %12.1f %7lld %12.1f %7lld\n", qPrintable(runs[0][i].name), runs[0][i].ms, runs[0][i].trips,
                        runs[1][i].ms, runs[1][i].trips);
    } catch (const Error& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
