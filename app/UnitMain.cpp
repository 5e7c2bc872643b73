#include "app/UnitMain.h"

#include "app/Unit10.h"
#include "app/Unit2.h"
#include "app/UnitProgress.h"
#include "baseinfo/UnitAcount.h"
#include "baseinfo/UnitChangePass.h"
#include "baseinfo/UnitDriver.h"
#include "baseinfo/UnitPayeh.h"
#include "baseinfo/UnitUser.h"
#include "controls/Dialogs.h"
#include "controls/Pictures.h"
#include "data/Errors.h"
#include "data/Session.h"
#include "data/SolarDate.h"
#include "data/UnitDM.h"
#include "operations/UnitDriverBes.h"
#include "operations/UnitService.h"
#include "reports/UnitAmar.h"
#include "reports/UnitAudit.h"
#include "reports/UnitDriverHesab.h"
#include "reports/UnitDriverMande.h"
#include "reports/UnitViewDriverBes.h"
#include "reports/UnitViewService.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QElapsedTimer>
#include <QMenuBar>
#include <QPainter>
#include <QScopeGuard>
#include <QScopedValueRollback>
#include <QStandardPaths>
#include <QStatusBar>
#include <QStorageInfo>

#include <pwd.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

TFormMain* FormMain = nullptr;

namespace {

// The client area: the background picture, stretched.
class Background : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override
    {
        if (m_picture.size() != size()) m_picture = Pictures::background(size());
        QPainter(this).drawPixmap(0, 0, m_picture);
    }

private:
    QPixmap m_picture;
};

QString userName()
{
    if (const passwd* pw = getpwuid(getuid())) return QString::fromLocal8Bit(pw->pw_name);
    return qEnvironmentVariable("USER");
}

}  // namespace

TFormMain::TFormMain(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(u"FormMain"_s);
    setWindowTitle(u"ثبت رايانه اي سرويهاي درون شهري"_s);
    setLayoutDirection(Qt::RightToLeft);
    setCentralWidget(new Background(this));
    DisketteTarget = [] { return removableMediumTarget(); };
    HardDiskTarget = &TFormMain::hardDiskTarget;
    setWindowState(Qt::WindowMaximized);

    using K = Pictures::Kind;
    QMenuBar* bar = menuBar();
    bar->setNativeMenuBar(false);
    // A menu opens as a window of its own and would not follow the main window's direction.
    auto group = [bar](const char16_t* caption) {
        QMenu* menu = bar->addMenu(QString::fromUtf16(caption));
        menu->setLayoutDirection(Qt::RightToLeft);
        return menu;
    };
    QMenu* daily = group(u"عمليات روزانه");
    N2 = addItem(daily, "N2", u"ثبت سرويس", int(K::Service), Qt::Key_F2, [this] { N2Click(); });
    N17 = addItem(daily, "N17", u"ثبت پرداخت راننده", int(K::Payment), Qt::Key_F3, [this] { N17Click(); });
    QMenu* base = group(u"اطلاعات پايه");
    N4 = addItem(base, "N4", u"رانندگان", int(K::Drivers), Qt::Key_F4, [] { FormDriver->Show(); });
    N5 = addItem(base, "N5", u"مشتركين", int(K::Subscribers), Qt::Key_F5, [] { FormAcount->Show(); });
    N6 = addItem(base, "N6", u"اطلاعات اوليه", int(K::Settings), Qt::Key_F6, [] { FormPayeh->Show(); });
    N23 = addItem(base, "N23", u"سابقه تغييرات", int(K::List), QKeySequence(), [] { FormAudit->Show(); });
    N23->setVisible(false);
    QMenu* reports = group(u"گزارشات");
    N18 = addItem(reports, "N18", u"سرويس ها", int(K::List), Qt::Key_F7, [] { FormViewService->Show(); });
    N20 = addItem(reports, "N20", u"پرداخت ها", int(K::Payment), Qt::Key_F8, [] { FormViewDriverBes->Show(); });
    N8 = addItem(reports, "N8", u"حساب رانندگان", int(K::Account), Qt::Key_F9, [] { FormDriverMande->Show(); });
    N19 = addItem(reports, "N19", u"ريز حساب راننده", int(K::Account), Qt::Key_F10, [] { FormDriverHesab->Show(); });
    N22 = addItem(reports, "N22", u"آمار", int(K::Statistics), Qt::Key_F11, [] { FormAmar->Show(); });
    QMenu* users = group(u"كاربران");
    N10 = addItem(users, "N10", u"كاربران", int(K::Users), QKeySequence(), [] { FormUser->ShowModal(); });
    N11 = addItem(users, "N11", u"تغيير رمز", int(K::Password), QKeySequence(), [] { FormChangePass->ShowModal(); });
    QMenu* tools = group(u"امكانات");
    N16 = addItem(tools, "N16", u"پشتيبان گيري", int(K::Backup), QKeySequence(), [this] { N16Click(); });
    N15 = addItem(tools, "N15", u"درباره سيستم", int(K::About), QKeySequence(), [] { Form2->ShowModal(); });
    QMenu* exit = group(u"خروج");
    N14 = addItem(exit, "N14", u"خروج", int(K::Exit), QKeySequence(), [] { terminate(); });

    StatusBar1 = statusBar();
    StatusBar1->setSizeGripEnabled(false);
    // Panel 0 stands at the left whatever the layout direction.
    StatusBar1->setLayoutDirection(Qt::LeftToRight);
    for (QLabel*& panel : Panels) {
        panel = new QLabel(StatusBar1);
        panel->setAlignment(Qt::AlignCenter);
        panel->setLayoutDirection(Qt::RightToLeft);
        panel->setFrameShape(QFrame::StyledPanel);
        // Equal widths whatever the texts: a long user name is cut, not given more room.
        panel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        panel->setMinimumWidth(0);
        StatusBar1->addWidget(panel, 1);
    }

    BackupProgress = new TFormProgress(this);
    BackupProgress->setObjectName(u"BackupProgress"_s);
    BackupProgress->Label1->setText(u"درحال پشتيبان گيري    ...     لطفاً كمي صبر كنيد "_s);

    Timer1 = new QTimer(this);
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, [this] { guarded([this] { Timer1Timer(); }); });
    Timer1->start();
}

QAction* TFormMain::addItem(QMenu* menu, const char* name, const char16_t* caption, int kind, QKeySequence key,
                            std::function<void()> action)
{
    QAction* a = menu->addAction(Pictures::menuIcon(Pictures::Kind(kind)), QString::fromUtf16(caption));
    a->setObjectName(QString::fromLatin1(name));
    a->setShortcut(key);
    a->setShortcutContext(Qt::WindowShortcut);
    // The window holds the action too, so its key works while the menu is closed.
    addAction(a);
    connect(a, &QAction::triggered, this, [action = std::move(action)] { guarded(action); });
    return a;
}

void TFormMain::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    // Shown by the login: the audit is for the user who may manage the users.
    N23->setVisible(agency::session().usersRight);
    // Right from the moment the login shows the window, not up to a second later: an F2
    // pressed at once must not find TodayDate empty.
    if (!event->spontaneous()) guarded([this] { Timer1Timer(); });
}

void TFormMain::terminate()
{
    // At once and unconditionally: no other window is asked whether it may close.
    QApplication::exit(0);
}

void TFormMain::closeEvent(QCloseEvent* event)
{
    event->accept();
    terminate();
}

void TFormMain::Timer1Timer()
{
    // One reading of the clock, so that time, weekday and date agree across midnight.
    const QDateTime now = agency::SolarDate::now();
    TodayDate = agency::SolarDate::fromGregorian(now.date());
    agency::session().todayDate = TodayDate;
    TodayText = agency::SolarDate::weekdayName(now.date());
    Panels[0]->setText(u"ساعت : "_s + agency::SolarDate::LongTime(now.time()));
    Panels[1]->setText(u"تاريخ : "_s + TodayText + u"    "_s + TodayDate);
    Panels[2]->setText(u" نام كاربر : "_s + agency::session().userName);
    // The ticks go on behind an open error box: they must not stack a new box every second.
    if (!DM || m_tickErrorShown) return;
    // A tick that comes while a call waits for the server, or while it does not answer, leaves
    // the database to the desk's own actions.
    if (agency::databaseCallWaiting() || agency::databaseUnanswered()) return;
    agency::TADOQuery* q = DM->QueryMaxS;
    q->SQL.Delete(2);
    q->SQL.Add(u"where service_date='"_s + TodayDate + u"'"_s);
    try {
        q->Close();
        q->Open();
        m_tickFailing = false;
    } catch (const agency::Error& e) {
        // A failure that lasts (a server down) is told once, not again every second after its box.
        if (std::exchange(m_tickFailing, true)) return;
        const QScopedValueRollback<bool> shown(m_tickErrorShown, true);
        dialogs().ShowError(e.text());
    }
}

void TFormMain::N2Click()
{
    DM->QueryMaxS->Close();
    DM->QueryMaxS->Open();
    const qint64 next = qint64(DM->QueryMaxS->FieldByName(u"Expr1000"_s).AsInteger()) + 1;
    FormService->BitBtn1->setVisible(true);
    FormService->BitBtn2->setVisible(false);
    FormService->EditMode = false;
    FormService->EditServiceId->setText(QString::number(next));
    FormService->Show();
}

void TFormMain::N17Click()
{
    DM->QueryMaxD->Close();
    DM->QueryMaxD->Open();
    const qint64 next = qint64(DM->QueryMaxD->FieldByName(u"Expr1000"_s).AsInteger()) + 1;
    FormDriverBes->EditServiceId->setText(QString::number(next));
    FormDriverBes->EditMode = false;
    FormDriverBes->BitBtn1->setVisible(true);
    FormDriverBes->BitBtn2->setVisible(false);
    FormDriverBes->Show();
}

QString TFormMain::removableMediumTarget()
{
    QStringList mounts;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes())
        if (volume.isValid() && volume.isReady() && !volume.isReadOnly()) mounts << volume.rootPath();
    return removableMediumTarget(mounts, userName());
}

QString TFormMain::removableMediumTarget(const QStringList& writableMounts, const QString& user)
{
    // A medium is mounted in a folder of its own below the user's folder.
    const QStringList roots = {u"/media/"_s + user + u'/', u"/run/media/"_s + user + u'/'};
    for (const QString& mount : writableMounts) {
        const QString root = mount + u'/';
        for (const QString& r : roots)
            if (root.startsWith(r) && root.size() > r.size()) return QDir(mount).filePath(u"db.mdb"_s);
    }
    return QString();
}

QString TFormMain::hardDiskTarget()
{
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    return dir.isEmpty() ? QString() : QDir(dir).filePath(u"DB.MDB"_s);
}

QString TFormMain::backupTo(const QString& target, const QString& noPlace)
{
    if (target.isEmpty()) return noPlace;
    if (!DM) return u"پايگاه داده باز نيست"_s;
    QProgressBar* bar = BackupProgress->ProgressBar1;
    bar->setRange(0, 0);
    BackupProgress->show();
    const auto hide = qScopeGuard([this] { BackupProgress->hide(); });
    // The window answers between the copy's steps, a few dozen times a second.
    QElapsedTimer answered;
    auto progress = [&](qint64 done, qint64 total) {
        bar->setRange(0, total > 0 ? 1000 : 0);
        if (total > 0) bar->setValue(int(done * 1000 / total));
        if (!answered.isValid() || answered.elapsed() >= 25) {
            answered.start();
            QApplication::processEvents();
        }
    };
    try {
        QDir().mkpath(QFileInfo(target).absolutePath());
        DM->ADOConnection1->backupTo(target, progress);
        return QString();
    } catch (const agency::Error& e) {
        return e.text();
    }
}

void TFormMain::N16Click()
{
    // The window answers while the copies are made; the backup is not begun twice meanwhile.
    N16->setEnabled(false);
    const auto enable = qScopeGuard([this] { N16->setEnabled(true); });
    // Each failure says why on a second line: no medium, the folder missing, not writable, full.
    dialogs().ShowMessage(u" لطفاً ديسكت خالي را در درايو قرار دهيد"_s);
    const QString diskette = backupTo(DisketteTarget(), u"ديسك جداشدني براي پشتيبان پيدا نشد"_s);
    if (diskette.isEmpty())
        dialogs().ShowMessage(u"عمليات پشتيبان گيري روي ديسكت با موفقيت به پايان رسيد "_s);
    else
        dialogs().ShowMessage(u"ديسكت را چك كنيد پشتيبان گيري به درستي انجام نشد"_s + u'\n' + diskette);
    const QString hard = backupTo(HardDiskTarget(), u"پوشه داده هاي برنامه پيدا نشد"_s);
    if (hard.isEmpty())
        dialogs().ShowMessage(u"عمليات پشتيبان گيري روي هارد با موفقيت به پايان رسيد "_s);
    else
        dialogs().ShowMessage(u" پشتيبان گيري به درستي انجام نشد"_s + u'\n' + hard);
}
