// The program's entry: a new database on first run, then the start-up sequence and the login.

#include "app/Program.h"
#include "app/Unit10.h"
#include "app/UnitNewDatabase.h"
#include "controls/Dialogs.h"
#include "controls/Style.h"
#include "data/Database.h"
#include "data/Errors.h"

#include <QApplication>
#include <QFileInfo>

using namespace Qt::StringLiterals;

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    setupApplication(app);

    WidgetDialogs boxes;
    QString path;
    try {
        path = agency::databaseLocation(app.arguments(), qEnvironmentVariable("AGENCY_DATABASE"));
    } catch (const agency::Error& e) {
        boxes.ShowError(e.text());
        return 1;
    }
    // A server's database is made by agencyctl create, not by a window on one desk.
    if (!agency::isServerAddress(path) && !QFileInfo::exists(path)) {
        TFormNewDatabase firstRun(path);
        guarded([&] { firstRun.exec(); });
        if (!firstRun.Created()) return 0;
    }

    std::unique_ptr<Program> program;
    try {
        program = Program::build(path, &boxes, true);
    } catch (const agency::Error& e) {
        boxes.ShowError(e.text());
        return 1;
    }
    FormEnter->show();
    const int rc = app.exec();
    program.reset();
    return rc;
}
