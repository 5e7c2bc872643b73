#include "app/Program.h"

#include "app/Unit10.h"
#include "app/Unit2.h"
#include "app/UnitMain.h"
#include "app/UnitProgress.h"
#include "baseinfo/UnitAcount.h"
#include "baseinfo/UnitChangePass.h"
#include "baseinfo/UnitConfirm.h"
#include "baseinfo/UnitDriver.h"
#include "baseinfo/UnitNewAcount.h"
#include "baseinfo/UnitNewDriver.h"
#include "baseinfo/UnitNewUser.h"
#include "baseinfo/UnitPayeh.h"
#include "baseinfo/UnitUser.h"
#include "controls/Dialogs.h"
#include "data/Database.h"
#include "data/Session.h"
#include "data/UnitDM.h"
#include "operations/UnitDriverBes.h"
#include "operations/UnitReportPay.h"
#include "operations/UnitReportService.h"
#include "operations/UnitSelectAcount.h"
#include "operations/UnitSelectDriver.h"
#include "operations/UnitService.h"
#include "reports/UnitAmar.h"
#include "reports/UnitAudit.h"
#include "reports/UnitDriverHesab.h"
#include "reports/UnitDriverMande.h"
#include "reports/UnitViewDriverBes.h"
#include "reports/UnitViewService.h"

#include <QApplication>
#include <QScopeGuard>

std::unique_ptr<Program> Program::build(const QString& databasePath, Dialogs* dialogs, bool showProgress)
{
    std::unique_ptr<Program> program(new Program);
    setDialogs(dialogs);
    agency::session() = {};
    try {
        FormEnter = new TFormEnter;
        FormProgress = new TFormProgress;
        QRPay = new TQRPay;
        if (showProgress) {
            FormProgress->show();
            FormProgress->repaint();
            QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        }
        FormProgress->StepIt();
        // The Persian keyboard layout is the desktop's business here, not the program's.
        FormProgress->StepIt();

        auto create = [](auto*& global, auto make) {
            global = make();
            FormProgress->StepIt();
        };
        create(FormMain, [] { return new TFormMain; });
        {
            // Bringing an earlier version's file up to this one takes a while on a large file: the
            // bar turns busy and the window goes on being painted meanwhile.
            agency::Database::setUpgradeProgress([showProgress] {
                FormProgress->ProgressBar1->setRange(0, 0);
                FormProgress->ProgressBar1->repaint();
                if (showProgress) QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            });
            QProgressBar* bar = FormProgress->ProgressBar1;
            const auto quiet = qScopeGuard([bar, at = bar->value(), most = bar->maximum()] {
                agency::Database::setUpgradeProgress({});
                bar->setRange(0, most);
                bar->setValue(at);
            });
            create(DM, [&] { return new agency::TDM(databasePath); });
        }
        create(FormChangePass, [] { return new TFormChangePass; });
        create(FormNewUser, [] { return new TFormNewUser; });
        create(FormUser, [] { return new TFormUser; });
        create(FormDriver, [] { return new TFormDriver; });
        create(FormNewDriver, [] { return new TFormNewDriver; });
        create(FormAcount, [] { return new TFormAcount; });
        create(FormNewAcount, [] { return new TFormNewAcount; });
        create(FormConfirm, [] { return new TFormConfirm; });
        create(FormPayeh, [] { return new TFormPayeh; });
        create(FormService, [] { return new TFormService; });
        create(FormSelectDriver, [] { return new TFormSelectDriver; });
        create(FormSelectAcount, [] { return new TFormSelectAcount; });
        create(FormDriverBes, [] { return new TFormDriverBes; });
        create(FormViewService, [] { return new TFormViewService; });
        create(FormViewDriverBes, [] { return new TFormViewDriverBes; });
        create(FormDriverMande, [] { return new TFormDriverMande; });
        create(FormDriverHesab, [] { return new TFormDriverHesab; });
        create(Form2, [] { return new TForm2; });
        create(FormAmar, [] { return new TFormAmar; });
        create(QRService, [] { return new TQRService; });
        // Not among the windows the bar counts: the start-up's steps stay as the desk knows them.
        FormAudit = new TFormAudit;
    } catch (...) {
        program->teardown();
        throw;
    }
    program->progressSteps = FormProgress->Steps();
    program->progressPosition = FormProgress->ProgressBar1->value();
    delete FormProgress;
    FormProgress = nullptr;
    return program;
}

Program::~Program()
{
    teardown();
}

void Program::teardown()
{
    auto drop = [](auto*& p) {
        delete p;
        p = nullptr;
    };
    // Windows first, in reverse order of creation, then the data module they read.
    drop(FormAudit);
    drop(QRService);
    drop(FormAmar);
    drop(Form2);
    drop(FormDriverHesab);
    drop(FormDriverMande);
    drop(FormViewDriverBes);
    drop(FormViewService);
    drop(FormDriverBes);
    drop(FormSelectAcount);
    drop(FormSelectDriver);
    drop(FormService);
    drop(FormPayeh);
    drop(FormConfirm);
    drop(FormNewAcount);
    drop(FormAcount);
    drop(FormNewDriver);
    drop(FormDriver);
    drop(FormUser);
    drop(FormNewUser);
    drop(FormChangePass);
    drop(FormMain);
    drop(QRPay);
    drop(FormProgress);
    drop(FormEnter);
    drop(DM);
}
