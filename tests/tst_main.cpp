// The main window as the desk meets it: menu, status bar and clock, the F-keys and the numbers
// they hand over, the backup, the about window, and how the program ends.

#include "app/Unit10.h"
#include "app/Unit2.h"
#include "app/UnitMain.h"
#include "app/UnitProgress.h"
#include "baseinfo/UnitAcount.h"
#include "baseinfo/UnitChangePass.h"
#include "baseinfo/UnitDriver.h"
#include "baseinfo/UnitPayeh.h"
#include "baseinfo/UnitUser.h"
#include "data/Database.h"
#include "data/SqliteEngine.h"
#include "data/Session.h"
#include "data/SolarDate.h"
#include "data/UnitDM.h"
#include "operations/UnitDriverBes.h"
#include "operations/UnitService.h"
#include "reports/UnitAmar.h"
#include "reports/UnitDriverHesab.h"
#include "reports/UnitDriverMande.h"
#include "reports/UnitViewDriverBes.h"
#include "reports/UnitViewService.h"
#include "tests/Fixture.h"

#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QStatusBar>
#include <QTest>
#include <QTimer>

#include <memory>
#include <sqlite3.h>
#include <sys/stat.h>

using namespace agency;
using namespace Qt::StringLiterals;

namespace {

const QString kInsertDiskette = u" لطفاً ديسكت خالي را در درايو قرار دهيد"_s;
const QString kDisketteDone = u"عمليات پشتيبان گيري روي ديسكت با موفقيت به پايان رسيد "_s;
const QString kDisketteFailed = u"ديسكت را چك كنيد پشتيبان گيري به درستي انجام نشد"_s;
const QString kHardDone = u"عمليات پشتيبان گيري روي هارد با موفقيت به پايان رسيد "_s;
const QString kHardFailed = u" پشتيبان گيري به درستي انجام نشد"_s;
const QString kNoMedium = u"ديسك جداشدني براي پشتيبان پيدا نشد"_s;

// A failed copy's message: the fixed text, then why on a line of its own.
QString failedBecause(const QString& failed, const QString& why)
{
    return failed + u'\n' + why;
}

// The messages with each cause cut down to its start, which does not name the temporary folders.
QStringList causesCut(const QStringList& messages, int keep)
{
    QStringList out;
    for (const QString& m : messages) out << (m.contains(u'\n') ? m.left(m.indexOf(u'\n') + 1 + keep) : m);
    return out;
}

// A connection of the test's own to any database file.

// A mounted medium and a hard-disk folder inside the test's folder, as the two backup places.
std::pair<QString, QString> pointBackupAtBothPlaces(const QString& root)
{
    const QString diskette = root + u"/medium/db.mdb"_s;
    const QString hard = root + u"/hard/DB.MDB"_s;
    QDir().mkpath(QFileInfo(diskette).absolutePath());
    FormMain->DisketteTarget = [diskette] { return diskette; };
    FormMain->HardDiskTarget = [hard] { return hard; };
    return {diskette, hard};
}

// A connection to the file as another program has it.
class RawFile {
public:
    explicit RawFile(const QString& path, int flags = SQLITE_OPEN_READWRITE) : conn(path, flags) {}
    bool exec(const QString& sql)
    {
        return sqlite3_exec(conn.handle(), sql.toUtf8().constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    QVariant scalar(const QString& sql)
    {
        Statement st(&conn, sql);
        return st.step() ? st.column(0) : QVariant();
    }
    SqliteConnection conn;
};

QString integrityOf(const QString& path)
{
    RawFile c(path, SQLITE_OPEN_READONLY);
    return c.scalar(u"PRAGMA integrity_check"_s).toString();
}

int countIn(const QString& path, const QString& where)
{
    RawFile c(path, SQLITE_OPEN_READONLY);
    return c.scalar(u"SELECT count(*) FROM service WHERE "_s + where).toInt();
}

// Chooses an item that waits for its window, runs whileOpen once the window is up, and says
// whether the item was waiting for it then. The window is closed at the end whatever the checks
// found, so that no failure leaves the test waiting.
bool chooseWhileModal(QAction* item, QWidget* window, const std::function<void()>& whileOpen)
{
    bool returned = false, waited = false, ran = false;
    QTimer::singleShot(0, window, [&] {
        ran = true;
        waited = !returned && window->isVisible() && QApplication::activeModalWidget() == window;
        whileOpen();
        if (window->isVisible()) window->close();
    });
    item->trigger();
    returned = true;
    if (!ran) (void)QTest::qWaitFor([&] { return ran; }, 2000);
    return waited;
}

void pressEsc(QWidget* window)
{
    QWidget* w = window->focusWidget();
    QTest::keyClick(w ? w : window, Qt::Key_Escape);
}

}  // namespace

class TestMain : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<Fixture> f;

    void addService(int id, const QString& date)
    {
        f->exec(
            u"INSERT INTO service (service_id, driver_id, driver_name, service_date, "
            "service_start_add, service_target_add, service_moeny, service_percent) "
            "VALUES (%1, 1, 'A', '%2', 'x', 'y', 100000, 10000)"_s.arg(id)
                .arg(date));
    }
    void addPayment(int number, const QString& date)
    {
        f->exec(
            u"INSERT INTO service (driver_bes_no, driver_id, driver_name, service_date, driver_bes) "
            "VALUES (%1, 1, 'A', '%2', 50000)"_s.arg(number)
                .arg(date));
    }
    // Puts the main window in front, as after the operator clicks on it.
    void activateMain()
    {
        QVERIFY(bringToFront(FormMain));
    }
    QString backupDir() const { return f->dir.filePath(u"backup"_s); }

private slots:
    void init() { f = std::make_unique<Fixture>(); }
    void cleanup() { f.reset(); }

    // ---- the window -------------------------------------------------------------------------

    void windowCaptionScreenAndBackground()
    {
        QVERIFY(QTest::qWaitForWindowExposed(FormMain));
        QCOMPARE(FormMain->windowTitle(), u"ثبت رايانه اي سرويهاي درون شهري"_s);
        QVERIFY(FormMain->isMaximized() || FormMain->isFullScreen());
        QVERIFY(!FormEnter->isVisible());
        // The client area shows a picture, not a plain colour.
        const QImage shot = FormMain->centralWidget()->grab().toImage();
        QVERIFY(shot.width() > 100 && shot.height() > 100);
        QSet<QRgb> colours;
        for (int y = 0; y < shot.height(); y += shot.height() / 20)
            for (int x = 0; x < shot.width(); x += shot.width() / 20) colours.insert(shot.pixel(x, y));
        QVERIFY2(colours.size() > 5, "the background is a picture");
    }

    void menuGroupsItemsPicturesAndKeys()
    {
        struct Item {
            const char* name;
            const char16_t* caption;
            QKeySequence key;
        };
        struct Group {
            const char16_t* caption;
            QList<Item> items;
        };
        const QList<Group> expected = {
            {u"عمليات روزانه", {{"N2", u"ثبت سرويس", Qt::Key_F2}, {"N17", u"ثبت پرداخت راننده", Qt::Key_F3}}},
            {u"اطلاعات پايه",
             {{"N4", u"رانندگان", Qt::Key_F4},
              {"N5", u"مشتركين", Qt::Key_F5},
              {"N6", u"اطلاعات اوليه", Qt::Key_F6},
              {"N23", u"سابقه تغييرات", QKeySequence()}}},
            {u"گزارشات",
             {{"N18", u"سرويس ها", Qt::Key_F7},
              {"N20", u"پرداخت ها", Qt::Key_F8},
              {"N8", u"حساب رانندگان", Qt::Key_F9},
              {"N19", u"ريز حساب راننده", Qt::Key_F10},
              {"N22", u"آمار", Qt::Key_F11}}},
            {u"كاربران", {{"N10", u"كاربران", QKeySequence()}, {"N11", u"تغيير رمز", QKeySequence()}}},
            {u"امكانات", {{"N16", u"پشتيبان گيري", QKeySequence()}, {"N15", u"درباره سيستم", QKeySequence()}}},
            {u"خروج", {{"N14", u"خروج", QKeySequence()}}},
        };
        QVERIFY(QTest::qWaitForWindowExposed(FormMain));
        QMenuBar* bar = FormMain->menuBar();
        QCOMPARE(bar->layoutDirection(), Qt::RightToLeft);
        const QList<QAction*> groups = bar->actions();
        QCOMPARE(groups.size(), expected.size());
        for (int g = 0; g < groups.size(); ++g) {
            QCOMPARE(groups[g]->text(), QString::fromUtf16(expected[g].caption));
            QMenu* menu = groups[g]->menu();
            QVERIFY(menu);
            QCOMPARE(menu->layoutDirection(), Qt::RightToLeft);
            // The first group stands at the right.
            if (g > 0) QVERIFY(bar->actionGeometry(groups[g]).x() < bar->actionGeometry(groups[g - 1]).x());
            const QList<QAction*> items = menu->actions();
            QCOMPARE(items.size(), expected[g].items.size());
            for (int i = 0; i < items.size(); ++i) {
                const Item& e = expected[g].items[i];
                QCOMPARE(items[i]->objectName(), QString::fromLatin1(e.name));
                QCOMPARE(items[i]->text(), QString::fromUtf16(e.caption));
                QCOMPARE(items[i]->shortcut(), e.key);
                QVERIFY(items[i]->isEnabled());
                QVERIFY2(!items[i]->icon().isNull(), e.name);
            }
        }
    }

    // ---- the clock --------------------------------------------------------------------------

    void statusBarAfterATick()
    {
        QVERIFY(QTest::qWaitForWindowExposed(FormMain));
        QCOMPARE(FormMain->TodayDate, u"1405/09/17"_s);
        QCOMPARE(FormMain->TodayText, u"سه شنبه"_s);
        QCOMPARE(FormMain->Panels[0]->text(), u"ساعت : "_s + u"10:30:00"_s);
        QCOMPARE(FormMain->Panels[1]->text(), u"تاريخ : سه شنبه    1405/09/17"_s);
        QCOMPARE(FormMain->Panels[2]->text(), u" نام كاربر : مدير"_s);
        QCOMPARE(FormMain->Panels[3]->text(), QString());
        QCOMPARE(DM->QueryMaxS->SQL.lines(),
                 QStringList({u"select  max(service_id)"_s, u"from service"_s, u"where service_date='1405/09/17'"_s}));

        // Four panels of one width, panel 0 at the left, texts centred and right to left.
        QApplication::processEvents();
        const int width = FormMain->Panels[0]->width();
        QVERIFY(width > 50);
        for (int i = 0; i < 4; ++i) {
            QLabel* p = FormMain->Panels[i];
            QVERIFY2(qAbs(p->width() - width) <= 1, qPrintable(QString::number(i)));
            if (i > 0)
                QVERIFY(p->mapTo(FormMain, QPoint()).x() > FormMain->Panels[i - 1]->mapTo(FormMain, QPoint()).x());
            QCOMPARE(p->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
            if (i < 3) QCOMPARE(p->layoutDirection(), Qt::RightToLeft);
        }
        QVERIFY(FormMain->Panels[3]->width() * 4 >= FormMain->statusBar()->width() - 40);

        // A long user name does not widen its panel.
        agency::session().userName = QString(50, QChar(0x0645));
        f->tick();
        QApplication::processEvents();
        for (int i = 0; i < 4; ++i)
            QVERIFY2(qAbs(FormMain->Panels[i]->width() - width) <= 1, qPrintable(QString::number(i)));
    }

    // The login shows the main window with its status bar and TodayDate already filled in.
    void loginShowsTheClockAtOnce()
    {
        f.reset();
        f = std::make_unique<Fixture>(false);
        f->setNow(QDateTime(QDate(2026, 12, 8), QTime(10, 30, 7)));
        FormMain->TodayDate.clear();
        f->login(QString::fromUtf16(Fixture::kPassword));
        QVERIFY(FormMain->isVisible());
        QCOMPARE(FormMain->TodayDate, u"1405/09/17"_s);
        QCOMPARE(FormMain->Panels[0]->text(), u"ساعت : "_s + u"10:30:07"_s);
        QCOMPARE(FormMain->Panels[2]->text(), u" نام كاربر : مدير"_s);
        activateMain();
        QTest::keyClick(FormMain, Qt::Key_F2);
        QCOMPARE(FormService->MaskEdit1->Text(), u"1405/09/17"_s);
    }

    void tickCrossingMidnight()
    {
        f->setNow(QDateTime(QDate(2026, 12, 8), QTime(23, 59, 59)));
        f->tick();
        QCOMPARE(FormMain->Panels[0]->text(), u"ساعت : "_s + u"23:59:59"_s);
        f->setNow(QDateTime(QDate(2026, 12, 9), QTime(0, 0, 0)));
        f->tick();
        QCOMPARE(FormMain->TodayDate, u"1405/09/18"_s);
        QCOMPARE(FormMain->Panels[0]->text(), u"ساعت : "_s + u"00:00:00"_s);
        QCOMPARE(FormMain->Panels[1]->text(), u"تاريخ : چهارشنبه    1405/09/18"_s);
        QCOMPARE(DM->QueryMaxS->SQL.Count(), 3);
        QCOMPARE(DM->QueryMaxS->SQL[2], u"where service_date='1405/09/18'"_s);
        QVERIFY(DM->QueryMaxS->Active());
    }

    // Time, weekday and date of one tick come from one reading of the clock, so that the
    // status bar never shows one day's weekday beside the next day's date.
    void oneTickReadsTheClockOnce()
    {
        QDateTime moment(QDate(2026, 12, 8), QTime(23, 59, 59));
        int reads = 0;
        SolarDate::setClock([&] {
            ++reads;
            const QDateTime now = moment;
            moment = QDateTime(QDate(2026, 12, 9), QTime(0, 0, 0));  // midnight strikes in between
            return now;
        });
        f->tick();
        QCOMPARE(reads, 1);
        QCOMPARE(FormMain->Panels[0]->text(), u"ساعت : "_s + u"23:59:59"_s);
        QCOMPARE(FormMain->Panels[1]->text(), u"تاريخ : سه شنبه    1405/09/17"_s);
        f->setNow(f->now);
    }

    void clockRunsFromCreationAndUnderModalWindows()
    {
        {
            TFormMain fresh;
            QVERIFY(fresh.TodayDate.isEmpty());
            QVERIFY(fresh.Timer1->isActive());
            QCOMPARE(fresh.Timer1->interval(), 1000);
        }
        f->setNow(QDateTime(QDate(2026, 12, 8), QTime(11, 0, 0)));
        FormMain->Timer1->start();
        QString shownWhileOpen;
        QVERIFY(chooseWhileModal(FormMain->N11, FormChangePass, [&] {
            QTest::qWait(1200);
            shownWhileOpen = FormMain->Panels[0]->text();
            pressEsc(FormChangePass);
        }));
        FormMain->Timer1->stop();
        QCOMPARE(shownWhileOpen, u"ساعت : "_s + u"11:00:00"_s);
    }

    // A numbering query that fails shows its error once, not one more box every second.
    void failingTickShowsOneErrorBox()
    {
        class Nested : public ScriptedDialogs {
        public:
            int ticksUnderBox = 0;
            void ShowError(const QString& text) override
            {
                ScriptedDialogs::ShowError(text);
                // The clock goes on ticking behind an open box.
                for (int i = 0; i < 3 && ticksUnderBox < 10; ++i) {
                    ++ticksUnderBox;
                    FormMain->Timer1Timer();
                }
            }
        } boxes;
        setDialogs(&boxes);
        DM->QueryMaxS->SQL.Clear();
        DM->QueryMaxS->SQL.Add(u"select  max(no_such_column)"_s);
        DM->QueryMaxS->SQL.Add(u"from service"_s);
        DM->QueryMaxS->SQL.Add(QString());
        f->setNow(QDateTime(QDate(2026, 12, 8), QTime(10, 31, 0)));
        f->tick();
        // Nor once a second after the box is closed, while the failure lasts (a server down).
        f->tick();
        f->tick();
        setDialogs(&f->dialogs);
        QCOMPARE(boxes.errors.size(), 1);
        QCOMPARE(boxes.ticksUnderBox, 3);
        // The status bar went on meanwhile.
        QCOMPARE(FormMain->Panels[0]->text(), u"ساعت : "_s + u"10:31:00"_s);
    }

    // ---- dates ------------------------------------------------------------------------------

    void solarDatesPinned()
    {
        const QList<std::pair<QString, QDate>> pins = {{u"1399/12/30"_s, QDate(2021, 3, 20)},
                                                       {u"1403/12/30"_s, QDate(2025, 3, 20)},
                                                       {u"1404/01/01"_s, QDate(2025, 3, 21)},
                                                       {u"1405/01/01"_s, QDate(2026, 3, 21)},
                                                       {u"1405/09/17"_s, QDate(2026, 12, 8)}};
        for (const auto& [solar, gregorian] : pins) {
            QCOMPARE(SolarDate::fromGregorian(gregorian), solar);
            QCOMPARE(SolarDate::toGregorian(solar), gregorian);
        }
        QVERIFY(!SolarDate::toGregorian(u"1404/12/30"_s).isValid());  // 1404 is not leap
        QVERIFY(!SolarDate::toGregorian(u"13  /  /  "_s).isValid());
        QVERIFY(!SolarDate::toGregorian(u"1405/9/17"_s).isValid());

        // Ten ASCII characters whatever the locale.
        const QLocale before;
        QLocale::setDefault(QLocale(QLocale::Persian, QLocale::Iran));
        f->setNow(QDateTime(QDate(2021, 3, 20), QTime(8, 5, 9)));
        f->tick();
        QLocale::setDefault(before);
        QCOMPARE(FormMain->TodayDate, u"1399/12/30"_s);
        QCOMPARE(FormMain->Panels[0]->text(), u"ساعت : "_s + u"08:05:09"_s);
        QCOMPARE(FormMain->TodayText, u"شنبه"_s);

        // The week from Saturday, the Persian week's first day.
        const QStringList week = {u"شنبه"_s,     u"يكشنبه"_s,  u"دوشنبه"_s, u"سه شنبه"_s,
                                  u"چهارشنبه"_s, u"پنجشنبه"_s, u"جمعه"_s};
        for (int i = 0; i < 7; ++i) QCOMPARE(SolarDate::weekdayName(QDate(2021, 3, 20).addDays(i)), week[i]);
    }

    // ---- numbers handed to the registration windows -----------------------------------------

    void f2NumbersTodaysServices()
    {
        activateMain();
        QTest::keyClick(FormMain, Qt::Key_F2);
        QVERIFY(FormService->isVisible());
        QCOMPARE(FormService->EditServiceId->text(), u"1"_s);
        QCOMPARE(FormService->MaskEdit1->Text(), u"1405/09/17"_s);
        QVERIFY(FormService->BitBtn1->isVisible());
        QVERIFY(!FormService->BitBtn2->isVisible());
        QVERIFY(!FormService->EditMode);
        FormService->close();

        // Only today's services count; yesterday's higher numbers do not.
        for (int id : {1, 2, 3}) addService(id, u"1405/09/17"_s);
        for (int id = 1; id <= 7; ++id) addService(id, u"1405/09/16"_s);
        addPayment(12, u"1405/09/17"_s);
        activateMain();
        QTest::keyClick(FormMain, Qt::Key_F2);
        QCOMPARE(FormService->EditServiceId->text(), u"4"_s);
        FormService->close();

        // After midnight the next F2 begins the new day at 1.
        f->setNow(QDateTime(QDate(2026, 12, 9), QTime(0, 0, 1)));
        f->tick();
        activateMain();
        QTest::keyClick(FormMain, Qt::Key_F2);
        QCOMPARE(FormService->EditServiceId->text(), u"1"_s);
        QCOMPARE(FormService->MaskEdit1->Text(), u"1405/09/18"_s);
    }

    void f2WhileTheServiceWindowIsOpen()
    {
        addService(1, u"1405/09/17"_s);
        activateMain();
        QTest::keyClick(FormMain, Qt::Key_F2);
        QCOMPARE(FormService->EditServiceId->text(), u"2"_s);
        FormService->EditSource->setText(u"ميدان آزادي"_s);
        FormService->EditTarget->setText(u"خيابان ولي عصر"_s);
        FormService->EditMoney->setText(u"25000"_s);

        // Another desk stores number 2 meanwhile; midnight passes with the window open.
        addService(2, u"1405/09/17"_s);
        activateMain();
        QTest::keyClick(FormMain, Qt::Key_F2);
        QCOMPARE(FormService->EditServiceId->text(), u"3"_s);
        f->setNow(QDateTime(QDate(2026, 12, 9), QTime(0, 0, 5)));
        f->tick();
        activateMain();
        QTest::keyClick(FormMain, Qt::Key_F2);
        QCOMPARE(FormService->EditServiceId->text(), u"1"_s);
        QVERIFY(QTest::qWaitForWindowActive(FormService));
        // The show step did not run again: the typed fields and the shown date stay.
        QCOMPARE(FormService->EditSource->text(), u"ميدان آزادي"_s);
        QCOMPARE(FormService->EditTarget->text(), u"خيابان ولي عصر"_s);
        QCOMPARE(FormService->EditMoney->text(), u"25000"_s);
        QCOMPARE(FormService->MaskEdit1->Text(), u"1405/09/17"_s);

        // From correction mode back to a new service.
        DM->ADOTableService->Reopen();
        QVERIFY(FormService->OpenForCorrection(u"1405/09/17"_s, u"2"_s));
        QVERIFY(FormService->EditMode);
        QVERIFY(FormService->BitBtn2->isVisible());
        activateMain();
        QTest::keyClick(FormMain, Qt::Key_F2);
        QVERIFY(!FormService->EditMode);
        QVERIFY(FormService->BitBtn1->isVisible());
        QVERIFY(!FormService->BitBtn2->isVisible());
        QCOMPARE(FormService->EditServiceId->text(), u"1"_s);
        QCOMPARE(FormService->EditMoney->text(), u"10"_s);
    }

    void f3NumbersPaymentsOverAllDays()
    {
        activateMain();
        QTest::keyClick(FormMain, Qt::Key_F3);
        QVERIFY(FormDriverBes->isVisible());
        QCOMPARE(FormDriverBes->EditServiceId->text(), u"1"_s);
        QVERIFY(!FormDriverBes->EditMode);
        FormDriverBes->close();

        addService(40, u"1405/09/17"_s);
        addPayment(7, u"1405/01/05"_s);
        addPayment(3, u"1405/09/17"_s);
        f->setNow(QDateTime(QDate(2026, 12, 9), QTime(9, 0, 0)));
        f->tick();
        activateMain();
        QTest::keyClick(FormMain, Qt::Key_F3);
        QCOMPARE(FormDriverBes->EditServiceId->text(), u"8"_s);

        // Open in correction mode: F3 renumbers and returns to a new payment.
        FormDriverBes->EditMode = true;
        FormDriverBes->BitBtn1->hide();
        FormDriverBes->BitBtn2->show();
        addPayment(8, u"1405/09/18"_s);
        activateMain();
        QTest::keyClick(FormMain, Qt::Key_F3);
        QVERIFY(FormDriverBes->isVisible());
        QCOMPARE(FormDriverBes->EditServiceId->text(), u"9"_s);
        QVERIFY(!FormDriverBes->EditMode);
        QVERIFY(FormDriverBes->BitBtn1->isVisible());
        QVERIFY(!FormDriverBes->BitBtn2->isVisible());
    }

    // ---- the other items --------------------------------------------------------------------

    void functionKeysOpenTheirWindows_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("window");
        QTest::newRow("F2") << int(Qt::Key_F2) << u"FormService"_s;
        QTest::newRow("F3") << int(Qt::Key_F3) << u"FormDriverBes"_s;
        QTest::newRow("F4") << int(Qt::Key_F4) << u"FormDriver"_s;
        QTest::newRow("F5") << int(Qt::Key_F5) << u"FormAcount"_s;
        QTest::newRow("F6") << int(Qt::Key_F6) << u"FormPayeh"_s;
        QTest::newRow("F7") << int(Qt::Key_F7) << u"FormViewService"_s;
        QTest::newRow("F8") << int(Qt::Key_F8) << u"FormViewDriverBes"_s;
        QTest::newRow("F9") << int(Qt::Key_F9) << u"FormDriverMande"_s;
        QTest::newRow("F10") << int(Qt::Key_F10) << u"FormDriverHesab"_s;
        QTest::newRow("F11") << int(Qt::Key_F11) << u"FormAmar"_s;
    }
    void functionKeysOpenTheirWindows()
    {
        QFETCH(int, key);
        QFETCH(QString, window);
        QWidget* target = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == window) target = w;
        QVERIFY(target);
        QVERIFY(!target->isVisible());
        activateMain();
        QTest::keyClick(FormMain, Qt::Key(key));
        QVERIFY(target->isVisible());
        QVERIFY(!target->isModal());
        QVERIFY(QApplication::activeModalWidget() == nullptr);
        QVERIFY(QTest::qWaitForWindowActive(target));
        // The key went to the window, not to the menu bar.
        QVERIFY(QApplication::activePopupWidget() == nullptr);
        QVERIFY(FormMain->menuBar()->activeAction() == nullptr);
        QVERIFY(f->dialogs.errors.isEmpty());

        // Again with the window open behind the main window: it comes to the front.
        activateMain();
        QTest::keyClick(FormMain, Qt::Key(key));
        QVERIFY(QTest::qWaitForWindowActive(target));
    }

    // The F-keys belong to the main window: in the service window they are no commands.
    void functionKeysOnlyInTheMainWindow()
    {
        activateMain();
        QTest::keyClick(FormMain, Qt::Key_F2);
        QVERIFY(QTest::qWaitForWindowActive(FormService));
        for (int key = Qt::Key_F2; key <= Qt::Key_F11; ++key) QTest::keyClick(focused(), Qt::Key(key));
        QApplication::processEvents();
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w != FormMain && w != FormService) QVERIFY2(!w->isVisible(), qPrintable(w->objectName()));
        QCOMPARE(QApplication::activeWindow(), FormService);
    }

    void modalItemsWaitForTheirWindow_data()
    {
        QTest::addColumn<QString>("item");
        QTest::newRow("users") << u"N10"_s;
        QTest::newRow("password") << u"N11"_s;
        QTest::newRow("about") << u"N15"_s;
    }
    void modalItemsWaitForTheirWindow()
    {
        QFETCH(QString, item);
        QAction* action = item == u"N10"_s ? FormMain->N10 : item == u"N11"_s ? FormMain->N11 : FormMain->N15;
        QWidget* window = item == u"N10"_s   ? static_cast<QWidget*>(FormUser)
                          : item == u"N11"_s ? static_cast<QWidget*>(FormChangePass)
                                             : static_cast<QWidget*>(Form2);
        bool closedByEsc = false;
        QVERIFY(chooseWhileModal(action, window, [&] {
            // The main window's keys are blocked meanwhile.
            QTest::keyClick(FormMain, Qt::Key_F4);
            pressEsc(window);
            closedByEsc = !window->isVisible();
        }));
        QVERIFY(closedByEsc);
        QVERIFY(!FormDriver->isVisible());
        QVERIFY(f->dialogs.errors.isEmpty());
    }

    // ---- ending -----------------------------------------------------------------------------

    void exitAndCloseEndTheProgram_data()
    {
        QTest::addColumn<bool>("byExitItem");
        QTest::newRow("exit item") << true;
        QTest::newRow("close button") << false;
    }
    void exitAndCloseEndTheProgram()
    {
        QFETCH(bool, byExitItem);
        activateMain();
        QTest::keyClick(FormMain, Qt::Key_F2);
        QTest::keyClick(FormMain, Qt::Key_F7);
        QVERIFY(FormService->isVisible() && FormViewService->isVisible());
        bool ranOut = false;
        QTimer::singleShot(0, FormMain, [&] {
            if (byExitItem)
                FormMain->N14->trigger();
            else
                FormMain->close();
        });
        QTimer watchdog;
        watchdog.setSingleShot(true);
        connect(&watchdog, &QTimer::timeout, qApp, [&] {
            ranOut = true;
            QApplication::exit(99);
        });
        watchdog.start(3000);
        const int rc = QApplication::exec();
        QVERIFY(!ranOut);
        QCOMPARE(rc, 0);
    }

    // ---- backup -----------------------------------------------------------------------------

    void backupWithoutRemovableMedium()
    {
        addService(1, u"1405/09/17"_s);
        const QString hard = backupDir() + u"/hard/DB.MDB"_s;
        // The medium is looked for once the operator has answered the request to insert it.
        int askedBeforeLooking = -1;
        FormMain->DisketteTarget = [&] {
            askedBeforeLooking = int(f->dialogs.messages.size());
            return QString();
        };
        FormMain->HardDiskTarget = [&] { return hard; };
        FormMain->N16->trigger();
        QCOMPARE(askedBeforeLooking, 1);
        QCOMPARE(f->dialogs.log,
                 QStringList({u"message: "_s + kInsertDiskette,
                              u"message: "_s + failedBecause(kDisketteFailed, kNoMedium), u"message: "_s + kHardDone}));
        QCOMPARE(integrityOf(hard), u"ok"_s);
        QCOMPARE(countIn(hard, u"service_id=1"_s), 1);
        // One file that stands alone, readable by its owner only.
        QVERIFY(!QFile::exists(hard + u"-wal"_s));
        QFile copy(hard);
        QVERIFY(copy.open(QIODevice::ReadOnly));
        const QByteArray header = copy.read(20);
        QCOMPARE(int(header[18]), 1);
        QCOMPARE(int(header[19]), 1);
        struct stat st {};
        QCOMPARE(::stat(QFile::encodeName(hard).constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, 0600u);
        const QStringList left = QDir(QFileInfo(hard).absolutePath()).entryList(QDir::Files);
        QCOMPARE(left, QStringList({u"DB.MDB"_s}));
    }

    void backupToBothPlacesAndOverwrite()
    {
        const auto [diskette, hard] = pointBackupAtBothPlaces(backupDir());
        addService(1, u"1405/09/17"_s);
        FormMain->N16->trigger();
        QCOMPARE(f->dialogs.messages, QStringList({kInsertDiskette, kDisketteDone, kHardDone}));
        QCOMPARE(countIn(diskette, u"1"_s), 1);

        // The next backup replaces both copies.
        addService(2, u"1405/09/17"_s);
        f->dialogs.clear();
        FormMain->N16->trigger();
        QCOMPARE(f->dialogs.messages, QStringList({kInsertDiskette, kDisketteDone, kHardDone}));
        for (const QString& copy : {diskette, hard}) {
            QCOMPARE(integrityOf(copy), u"ok"_s);
            QCOMPARE(countIn(copy, u"1"_s), 2);
        }
    }

    void failedBackupKeepsTheGoodCopy()
    {
        const auto [diskette, hard] = pointBackupAtBothPlaces(backupDir());
        addService(1, u"1405/09/17"_s);
        FormMain->N16->trigger();
        QCOMPARE(f->dialogs.messages, QStringList({kInsertDiskette, kDisketteDone, kHardDone}));

        // A foreign tool writes a row that breaks the table's rules: a copy of that database
        // does not pass its check and must not take the place of the good one.
        {
            RawFile c(f->path);
            QVERIFY(c.exec(u"PRAGMA ignore_check_constraints=ON"_s));
            QVERIFY(
                c.exec(u"INSERT INTO service (service_id, service_date, driver_name) "
                       "VALUES (2, '1405/09/17', '%1')"_s.arg(QString(60, u'x'))));
        }
        f->dialogs.clear();
        FormMain->N16->trigger();
        const QString unsound = u"نسخه پشتيبان سالم نيست"_s;
        QCOMPARE(causesCut(f->dialogs.messages, int(unsound.size())),
                 QStringList(
                     {kInsertDiskette, failedBecause(kDisketteFailed, unsound), failedBecause(kHardFailed, unsound)}));
        for (const QString& copy : {diskette, hard}) {
            QCOMPARE(integrityOf(copy), u"ok"_s);
            QCOMPARE(countIn(copy, u"1"_s), 1);
            QCOMPARE(QDir(QFileInfo(copy).absolutePath()).entryList(QDir::Files).size(), 1);
        }

        // A medium that cannot be written to fails alone; the hard-disk copy is still made.
        {
            RawFile c(f->path);
            QVERIFY(c.exec(u"DELETE FROM service WHERE service_id=2"_s));
        }
        QFile blocker(backupDir() + u"/notafolder"_s);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        FormMain->DisketteTarget = [&] { return backupDir() + u"/notafolder/db.mdb"_s; };
        f->dialogs.clear();
        FormMain->N16->trigger();
        QCOMPARE(
            f->dialogs.messages,
            QStringList({kInsertDiskette,
                         failedBecause(kDisketteFailed, u"پوشه %1 وجود ندارد"_s.arg(blocker.fileName())), kHardDone}));
        QCOMPARE(integrityOf(hard), u"ok"_s);
    }

    void backupBesideAnUncommittedWrite()
    {
        addService(1, u"1405/09/17"_s);
        const QString hard = backupDir() + u"/hard/DB.MDB"_s;
        FormMain->DisketteTarget = [] { return QString(); };
        FormMain->HardDiskTarget = [&] { return hard; };
        RawFile other(f->path);
        QVERIFY(other.exec(u"BEGIN IMMEDIATE"_s));
        QVERIFY(
            other.exec(u"INSERT INTO service (service_id, driver_id, driver_name, service_date, "
                       "service_moeny, service_percent) VALUES (2, 1, 'B', '1405/09/17', 5, 1)"_s));
        FormMain->N16->trigger();
        QVERIFY(other.exec(u"COMMIT"_s));
        QCOMPARE(f->dialogs.messages,
                 QStringList({kInsertDiskette, failedBecause(kDisketteFailed, kNoMedium), kHardDone}));
        QCOMPARE(integrityOf(hard), u"ok"_s);
        QCOMPARE(countIn(hard, u"service_id=1"_s), 1);
        QCOMPARE(countIn(hard, u"service_id=2"_s), 0);
        QCOMPARE(f->scalar(u"SELECT count(*) FROM service"_s).toInt(), 2);
    }

    // The copy goes in steps, the window answering (and centring its progress window) between them.
    void backupAnswersWhileItCopies()
    {
        FormMain->setGeometry(30, 20, 460, 340);  // away from the screen's centre
        f->exec(
            u"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i < 20000) INSERT INTO service "
            "(service_id, driver_name, service_start_add) SELECT i, 'راننده يك', 'خيابان آزادي' FROM n"_s);
        const auto [diskette, hard] = pointBackupAtBothPlaces(backupDir());
        TFormProgress* progress = FormMain->BackupProgress;
        QList<int> shown;
        QPoint centre;
        connect(progress->ProgressBar1, &QProgressBar::valueChanged, this, [&](int v) { shown << v; });
        QTimer::singleShot(0, FormMain, [&] {
            centre = progress->isVisible() ? progress->frameGeometry().center() - FormMain->frameGeometry().center()
                                           : QPoint(-1, -1);
            FormMain->N16->trigger();
            agency::exec(DM->ADOConnection1->writer(), u"INSERT INTO service (service_id) VALUES (20001)"_s);
        });
        FormMain->N16->trigger();
        QCOMPARE(f->dialogs.messages, QStringList({kInsertDiskette, kDisketteDone, kHardDone}));
        QCOMPARE(centre, QPoint(0, 0));
        QVERIFY(std::count_if(shown.cbegin(), shown.cend(), [](int v) { return v > 0 && v < 1000; }) > 2);
        QVERIFY(!progress->isVisible() && FormMain->N16->isEnabled());
        for (const QString& copy : {diskette, hard})
            QVERIFY(integrityOf(copy) == u"ok"_s && countIn(copy, u"1"_s) == 20001);
    }

    void removableMediumOfTheUser()
    {
        const QString user = u"ali"_s;
        QCOMPARE(TFormMain::removableMediumTarget({}, user), QString());
        QCOMPARE(TFormMain::removableMediumTarget({u"/"_s, u"/media/ali"_s, u"/media/reza/STICK"_s, u"/media/alik/X"_s},
                                                  user),
                 QString());
        QCOMPARE(TFormMain::removableMediumTarget({u"/"_s, u"/run/media/ali/DISK"_s, u"/media/ali/USB"_s}, user),
                 u"/run/media/ali/DISK/db.mdb"_s);
    }

    // ---- the about window -------------------------------------------------------------------

    void aboutCountsDownThenGrowsThePicture()
    {
        QVERIFY(Form2->windowFlags() & Qt::FramelessWindowHint);
        QVERIFY(!Form2->Timer1->isActive() && !Form2->Timer2->isActive());
        QCOMPARE(Form2->Timer1->interval(), 30);
        QCOMPARE(Form2->Timer2->interval(), 30);
        QVERIFY(chooseWhileModal(FormMain->N15, Form2, [&] {
            QVERIFY(Form2->Timer1->isActive());
            QVERIFY(!Form2->Timer2->isActive());
            QCOMPARE(Form2->Label1->geometry(), Form2->rect());
            // Each digit shrinks from 170 points to 10 in 16 ticks; then the next one.
            for (const char* digit : {"3", "2", "1"}) {
                QCOMPARE(Form2->Label1->text(), QString::fromLatin1(digit));
                QCOMPARE(Form2->Label1->font().pointSize(), 170);
                for (int i = 1; i < 16; ++i) {
                    Form2->Timer1Timer();
                    QCOMPARE(Form2->Label1->font().pointSize(), 170 - 10 * i);
                    QCOMPARE(Form2->Label1->text(), QString::fromLatin1(digit));
                }
                // Clicking the digits does nothing.
                QTest::mouseClick(Form2->Label1, Qt::LeftButton);
                QVERIFY(Form2->isVisible());
                Form2->Timer1Timer();
            }
            QVERIFY(!Form2->Label1->isVisible());
            QVERIFY(Form2->Image1->isVisible());
            QVERIFY(Form2->Timer2->isActive());
            QCOMPARE(Form2->Image1->size(), QSize(100, 100));
            const QPoint centre = Form2->Image1->geometry().center();
            QVERIFY((centre - Form2->rect().center()).manhattanLength() <= 2);
            // The hidden label changes nothing any more.
            Form2->Timer1Timer();
            QCOMPARE(Form2->Label1->text(), u"0"_s);

            // The picture grows around its centre until it reaches the window's size.
            int ticks = 0;
            while (Form2->Timer2->isActive() && ticks < 1000) {
                const QRect before = Form2->Image1->geometry();
                Form2->Timer2Timer();
                ++ticks;
                if (Form2->Timer2->isActive()) {
                    QCOMPARE(Form2->Image1->geometry(), before.adjusted(-4, -4, 4, 4));
                }
            }
            QVERIFY(!Form2->Timer2->isActive());
            QCOMPARE(Form2->Image1->geometry(), Form2->rect());
            const int grow = (qMin(Form2->width(), Form2->height()) - 100 + 7) / 8;
            QCOMPARE(ticks, grow + 1);
            QVERIFY(Form2->isVisible());
            // A click on the picture closes the window.
            QTest::mouseClick(Form2->Image1, Qt::LeftButton);
            QVERIFY(!Form2->isVisible());
        }));
        // Reset for the next showing.
        QCOMPARE(Form2->Label1->text(), u"3"_s);
        QCOMPARE(Form2->Label1->font().pointSize(), 170);
        QVERIFY(Form2->Image1->isHidden());
        QCOMPARE(Form2->Image1->size(), QSize(100, 100));
        QVERIFY(!Form2->Timer1->isActive() && !Form2->Timer2->isActive());
    }

    // The about window and the message boxes stand over the window in front, every time they
    // show, wherever it has been moved; the login window names the program in the task bar.
    void windowsCentredOnTheWindowInFront_data()
    {
        QTest::addColumn<QString>("window");
        QTest::newRow("about") << u"about"_s;
        QTest::newRow("message box") << u"message"_s;
        QTest::newRow("question box") << u"question"_s;
    }
    void windowsCentredOnTheWindowInFront()
    {
        QFETCH(QString, window);
        QCOMPARE(FormEnter->windowTitle(), u"برنامه آژانسهاي درون شهري"_s);
        WidgetDialogs boxes;
        for (QPoint at : {QPoint(10, 20), QPoint(300, 180)}) {
            FormMain->move(at);
            activateMain();
            const QPoint centre = FormMain->frameGeometry().center();
            QPoint shown;
            QTimer::singleShot(0, FormMain, [&] {
                QWidget* w = QApplication::activeModalWidget();
                if (!w) return;
                shown = w->frameGeometry().center();
                w->close();
            });
            if (window == u"about"_s)
                FormMain->N15->trigger();
            else if (window == u"message"_s)
                boxes.ShowMessage(u"اطلاعات كامل نيست"_s);
            else
                boxes.Confirm(u"آيا مايل به چاپ سرويس هستيد ؟"_s);
            QVERIFY(qAbs(shown.x() - centre.x()) <= 1 && qAbs(shown.y() - centre.y()) <= 1);
        }
    }

    void aboutEscDuringCountDownAndGrowth()
    {
        // Esc while counting: the next showing counts from 3.
        QVERIFY(chooseWhileModal(FormMain->N15, Form2, [&] {
            for (int i = 0; i < 20; ++i) Form2->Timer1Timer();
            QCOMPARE(Form2->Label1->text(), u"2"_s);
            pressEsc(Form2);
            QVERIFY(!Form2->isVisible());
        }));
        QVERIFY(!Form2->Timer1->isActive());
        // Esc while the picture grows: the next showing counts and grows from the small picture.
        QVERIFY(chooseWhileModal(FormMain->N15, Form2, [&] {
            QCOMPARE(Form2->Label1->text(), u"3"_s);
            QVERIFY(Form2->Label1->isVisible());
            QVERIFY(!Form2->Image1->isVisible());
            for (int i = 0; i < 48; ++i) Form2->Timer1Timer();
            QVERIFY(Form2->Image1->isVisible());
            for (int i = 0; i < 10; ++i) Form2->Timer2Timer();
            QCOMPARE(Form2->Image1->size(), QSize(180, 180));
            pressEsc(Form2);
        }));
        QVERIFY(!Form2->Timer1->isActive() && !Form2->Timer2->isActive());
        QVERIFY(chooseWhileModal(FormMain->N15, Form2, [&] {
            QCOMPARE(Form2->Label1->text(), u"3"_s);
            QCOMPARE(Form2->Label1->font().pointSize(), 170);
            QVERIFY(Form2->Label1->isVisible());
            QVERIFY(!Form2->Image1->isVisible());
            QVERIFY(!Form2->Timer2->isActive());
            for (int i = 0; i < 48; ++i) Form2->Timer1Timer();
            QCOMPARE(Form2->Image1->size(), QSize(100, 100));
            pressEsc(Form2);
        }));
    }

    // The count-down runs on its own timer.
    void aboutAnimatesByItself()
    {
        QVERIFY(chooseWhileModal(FormMain->N15, Form2, [&] {
            QTRY_COMPARE_WITH_TIMEOUT(Form2->Label1->text(), u"2"_s, 3000);
            pressEsc(Form2);
        }));
        // The credits picture is drawn, not blank.
        const QImage picture = Form2->Image1->pixmap().toImage();
        QVERIFY(!picture.isNull());
        QCOMPARE(picture.width(), picture.height());
        QSet<QRgb> colours;
        for (int y = 0; y < picture.height(); y += 8)
            for (int x = 0; x < picture.width(); x += 8) colours.insert(picture.pixel(x, y));
        QVERIFY(colours.size() > 10);
    }
};

QTEST_MAIN(TestMain)
#include "tst_main.moc"
