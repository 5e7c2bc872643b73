// The service window as the desk uses it: opened by F2 or for a correction, driven by keys,
// checked against the rows stored, the messages shown and the receipt printed.

#include "app/UnitMain.h"
#include "controls/Receipt.h"
#include "data/SolarDate.h"
#include "data/UnitDM.h"
#include "operations/UnitLastServices.h"
#include "operations/UnitReportService.h"
#include "operations/UnitSelectAcount.h"
#include "operations/UnitSelectDriver.h"
#include "operations/UnitService.h"
#include "tests/Fixture.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

using agency::TDataSetState;

namespace {

const QString kToday = u"1405/09/17"_s;
const QString kNotFound = u"اين كد وجود ندارد"_s;
const QString kIncomplete = u"اطلاعات كامل نيست"_s;
const QString kPrintQuestion = u"آيا مايل به چاپ سرويس هستيد ؟"_s;
const QString kBadDate = u"تاريخ درست نيست"_s;
const QString kDriverName = u"علي رضايي"_s;
const QString kAcountName = u"شركت نمونه"_s;
const QString kAcountAdd = u"خيابان آزادي 12"_s;
const QString kTarget = u"ميدان انقلاب"_s;

// Every column of one stored row, by name.
using Row = QMap<QString, QVariant>;
const QStringList kColumns = {u"service_id"_s,     u"driver_id"_s,     u"driver_name"_s,       u"acount_id"_s,
                              u"acount_name"_s,    u"service_date"_s,  u"service_start_add"_s, u"service_target_add"_s,
                              u"service_action"_s, u"service_moeny"_s, u"service_percent"_s,   u"driver_bes"_s,
                              u"driver_bes_no"_s,  u"Service_time"_s};

// Forwards to the fixture's script and notes when the print question is asked.
class TimedDialogs : public Dialogs {
public:
    explicit TimedDialogs(Dialogs* inner) : m_inner(inner) {}
    QElapsedTimer clock;
    qint64 questionAfterNs = -1;
    void ShowMessage(const QString& text) override { m_inner->ShowMessage(text); }
    bool Confirm(const QString& text) override
    {
        questionAfterNs = clock.nsecsElapsed();
        return m_inner->Confirm(text);
    }
    void ShowError(const QString& text) override { m_inner->ShowError(text); }
    void Preview(const Receipt& receipt) override { m_inner->Preview(receipt); }

private:
    Dialogs* m_inner;
};

bool runTool(const QString& program, const QStringList& arguments, QByteArray* output)
{
    QProcess p;
    p.start(program, arguments);
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) return false;
    *output = p.readAllStandardOutput();
    return true;
}

}  // namespace

class TestService : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<Fixture> f;

    // Drivers 7 and 12, subscribers 3 (with an address) and 4 (without one).
    void addPeople()
    {
        f->exec(
            u"INSERT INTO driver (driver_id, driver_name, driver_add, driver_tel, driver_auto) "
            "VALUES (7, '%1', '', '', ''), (12, 'Hasan', '', '', '')"_s.arg(kDriverName));
        f->exec(
            u"INSERT INTO acount (acount_id, acount_name, acount_add, acount_tel) "
            "VALUES (3, '%1', '%2', ''), (4, 'Bank', '', '')"_s.arg(kAcountName, kAcountAdd));
        DM->ADOTableDriver->Reopen();
        DM->ADOTableAcount->Reopen();
    }

    // A stored service, as another day's work left it.
    void storeService(int number, const QString& date, qint64 fare = 10000, const QString& time = u"09:15:00"_s)
    {
        f->exec(
            u"INSERT INTO service (service_id, driver_id, driver_name, acount_id, acount_name, "
            "service_date, service_start_add, service_target_add, service_action, service_moeny, "
            "service_percent, Service_time) VALUES (%1, 7, '%2', 3, '%3', '%4', 'A', 'B', "
            "'old', %5, %6, '%7')"_s.arg(number)
                .arg(kDriverName, kAcountName, date)
                .arg(fare * 10000)
                .arg(fare * 1000)
                .arg(time));
    }

    void setPercent(int percent)
    {
        f->exec(u"UPDATE payeh SET percent=%1"_s.arg(percent));
        DM->ADOTablePayeh->Reopen();
    }

    int serviceCount() { return f->scalar(u"SELECT count(*) FROM service"_s).toInt(); }

    Row row(const QString& where)
    {
        const QList<QVariantList> r = f->rows(u"SELECT %1 FROM service WHERE %2"_s.arg(kColumns.join(u','), where));
        Row out;
        if (r.size() == 1)
            for (int i = 0; i < kColumns.size(); ++i) out.insert(kColumns[i], r[0][i]);
        return out;
    }

    // F2 in the main window, as the desk opens the window.
    bool openNew()
    {
        if (!bringToFront(FormMain)) return false;
        QTest::keyClick(FormMain, Qt::Key_F2);
        return FormService->isVisible() && QTest::qWaitForWindowActive(FormService) &&
               focused() == FormService->EditDriverId;
    }

    // The operator closes the picker that a lookup opened and is back in the service window.
    bool backToService()
    {
        TForm* picker = FormSelectDriver->isVisible() ? static_cast<TForm*>(FormSelectDriver) : FormSelectAcount;
        if (!QTest::qWaitForWindowActive(picker)) return false;
        QTest::keyClick(picker, Qt::Key_Escape);
        if (picker->isVisible()) return false;
        return bringToFront(FormService) && QApplication::activeWindow() == FormService;
    }

    // As the service list will: from its own window, which is in front.
    bool openCorrection(const QString& date, const QString& number)
    {
        if (!bringToFront(FormMain)) return false;
        if (!FormService->OpenForCorrection(date, number)) return false;
        return QTest::qWaitForWindowActive(FormService) && focused() == FormService->EditMoney;
    }

    // Driver code, Enter, subscriber code, Enter, destination, Enter, fare, Enter: focus on "ثبت".
    void fillByKeys(const QString& driver, const QString& acount, const QString& target, const QString& fare)
    {
        typeAndEnter(driver);
        typeAndEnter(acount);
        typeAndEnter(target);
        typeAndEnter(fare);
    }

    // From the subscriber lookup's landing on the destination back to the date field.
    void backToDate()
    {
        pressKey(Qt::Key_Backtab, Qt::ShiftModifier);
        pressKey(Qt::Key_Backtab, Qt::ShiftModifier);
    }

private slots:
    void init()
    {
        f = std::make_unique<Fixture>();
        addPeople();
    }
    void cleanup() { f.reset(); }

    void windowAsF2OpensIt()
    {
        QVERIFY(openNew());
        TFormService* w = FormService;
        QCOMPARE(w->windowTitle(), u"ثبت سرويس هاي آژانس"_s);
        QCOMPARE(w->size(), QSize(490, 330));
        QCOMPARE(w->layoutDirection(), Qt::RightToLeft);
        const QList<QPair<TLabeledEdit*, QString>> captions = {
            {w->EditServiceId, u"شماره سرويس"_s}, {w->EditDriverId, u"كد راننده"_s},
            {w->EditDriverName, u"نام راننده"_s}, {w->EditAcountId, u"شماره مشترك"_s},
            {w->EditAcountName, u"نام مشترك"_s},  {w->EditSource, u"مبدا"_s},
            {w->EditTarget, u"مقصد"_s},           {w->EditMoney, u"مبلغ دريافتي"_s}};
        for (const auto& [edit, caption] : captions) {
            QCOMPARE(edit->EditLabel->text(), caption);
            QVERIFY(edit->EditLabel->font().bold());
        }
        QCOMPARE(w->Label1->text(), u"تاريخ"_s);
        QCOMPARE(w->BitBtn1->text(), u"ثبت"_s);
        QCOMPARE(w->BitBtn2->text(), u"ويرايش"_s);

        QVERIFY(w->EditServiceId->isReadOnly());
        QCOMPARE(w->EditServiceId->text(), u"1"_s);
        QCOMPARE(w->MaskEdit1->Text(), kToday);
        QCOMPARE(w->EditMoney->text(), u"0"_s);
        QVERIFY(!w->EditMode);
        QVERIFY(w->BitBtn1->isVisible());
        QVERIFY(!w->BitBtn2->isVisible());

        QList<QWidget*> chain;
        QWidget* next = w->EditServiceId;
        do {
            if (next->focusPolicy() & Qt::TabFocus) chain << next;
            next = next->nextInFocusChain();
        } while (next != w->EditServiceId && chain.size() < 20);
        const QList<QWidget*> order = {w->EditServiceId,  w->EditDriverId, w->EditDriverName, w->EditAcountId,
                                       w->EditAcountName, w->MaskEdit1,    w->EditSource,     w->EditTarget,
                                       w->EditMoney,      w->BitBtn1,      w->BitBtn2};
        QCOMPARE(chain, order);
    }

    void escHidesWithoutSavingAndTheNextShowResets()
    {
        QVERIFY(openNew());
        fillByKeys(u"7"_s, u"3"_s, kTarget, u"15000"_s);
        QTest::keyClick(focused(), Qt::Key_Escape);
        QVERIFY(!FormService->isVisible());
        QCOMPARE(serviceCount(), 0);
        QVERIFY(f->dialogs.log.isEmpty());

        // Opening again while visible keeps what is typed; from hidden it starts afresh.
        QVERIFY(openNew());
        for (TLabeledEdit* e : {FormService->EditDriverId, FormService->EditDriverName, FormService->EditAcountId,
                                FormService->EditAcountName, FormService->EditSource, FormService->EditTarget})
            QCOMPARE(e->text(), QString());
        QCOMPARE(FormService->EditMoney->text(), u"0"_s);
        QCOMPARE(FormService->MaskEdit1->Text(), kToday);
        typeAndEnter(u"7"_s);
        storeService(1, kToday);
        FormMain->N2Click();
        QCOMPARE(FormService->EditDriverName->text(), kDriverName);
        QCOMPARE(FormService->EditServiceId->text(), u"2"_s);
    }

    void enterMovesThroughTheNamesDateAndAddresses()
    {
        QVERIFY(openNew());
        TFormService* w = FormService;
        typeAndEnter(u"7"_s);
        typeAndEnter(u"3"_s);
        QTest::mouseClick(w->EditDriverName, Qt::LeftButton);
        pressEnter();
        QCOMPARE(focused(), w->MaskEdit1);
        QCOMPARE(w->MaskEdit1->selectedText(), kToday);
        QTest::mouseClick(w->EditAcountName, Qt::LeftButton);
        pressEnter();
        QCOMPARE(focused(), w->MaskEdit1);
        pressEnter();
        QCOMPARE(focused(), w->EditSource);
        QCOMPARE(w->EditSource->selectedText(), kAcountAdd);
        pressEnter();
        QCOMPARE(focused(), w->EditTarget);
        pressEnter();
        QCOMPARE(focused(), w->EditMoney);
        QCOMPARE(w->EditMoney->selectedText(), u"0"_s);
        // Enter in the read-only number presses nothing.
        QTest::mouseClick(w->EditServiceId, Qt::LeftButton);
        pressEnter();
        QCOMPARE(focused(), w->EditServiceId);
        QVERIFY(f->dialogs.log.isEmpty());
        QCOMPARE(serviceCount(), 0);
    }

    void fullRegistrationByKeyboardAlone()
    {
        QVERIFY(openNew());
        TFormService* w = FormService;
        typeAndEnter(u"7"_s);
        QCOMPARE(w->EditDriverName->text(), kDriverName);
        QCOMPARE(focused(), w->EditAcountId);
        typeAndEnter(u"3"_s);
        QCOMPARE(w->EditAcountName->text(), kAcountName);
        QCOMPARE(w->EditSource->text(), kAcountAdd);
        QCOMPARE(focused(), w->EditTarget);
        typeAndEnter(kTarget);
        QCOMPARE(focused(), w->EditMoney);
        typeText(focused(), u"15000"_s);
        QCOMPARE(w->EditMoney->text(), u"15000"_s);  // the "0" was replaced
        pressEnter();
        QCOMPARE(focused(), w->BitBtn1);
        f->dialogs.answers << false;
        pressEnter();

        QCOMPARE(f->dialogs.log, QStringList{u"question: "_s + kPrintQuestion});
        QCOMPARE(serviceCount(), 1);
        const Row r = row(u"1=1"_s);
        QCOMPARE(r[u"service_id"_s].toInt(), 1);
        QCOMPARE(r[u"driver_id"_s].toInt(), 7);
        QCOMPARE(r[u"driver_name"_s].toString(), kDriverName);
        QCOMPARE(r[u"acount_id"_s].toInt(), 3);
        QCOMPARE(r[u"acount_name"_s].toString(), kAcountName);
        QCOMPARE(r[u"service_date"_s].toString(), kToday);
        QCOMPARE(r[u"service_start_add"_s].toString(), kAcountAdd);
        QCOMPARE(r[u"service_target_add"_s].toString(), kTarget);
        QCOMPARE(r[u"service_action"_s].toString(), u"بابت انجام سرويس بشماره 1"_s);
        QCOMPARE(r[u"service_moeny"_s].toLongLong(), 150000000LL);
        QCOMPARE(r[u"service_percent"_s].toLongLong(), 15000000LL);
        QCOMPARE(r[u"driver_bes"_s].toLongLong(), 0LL);
        QCOMPARE(r[u"driver_bes_no"_s].toLongLong(), 0LL);
        QCOMPARE(r[u"Service_time"_s].toString(), u"10:30:00"_s);

        // Ready for the next service of the day.
        QVERIFY(w->isVisible());
        QCOMPARE(focused(), w->EditDriverId);
        for (TLabeledEdit* e :
             {w->EditDriverId, w->EditDriverName, w->EditAcountId, w->EditAcountName, w->EditSource, w->EditTarget})
            QCOMPARE(e->text(), QString());
        QCOMPARE(w->EditMoney->text(), u"0"_s);
        QCOMPARE(w->MaskEdit1->Text(), kToday);
        QCOMPARE(w->EditServiceId->text(), u"2"_s);
        QVERIFY(f->dialogs.previews.isEmpty());
    }

    void yesPrintsTheReceiptOfTheStoredService()
    {
        f->exec(u"UPDATE payeh SET \"Add\"='%1', Tel='021-1234 0912'"_s.arg(u"تهران، خيابان وليعصر"_s));
        DM->ADOTablePayeh->Reopen();
        // A clock that moves on a second at every reading: the receipt reads it after the answer.
        QDateTime moment = f->now;
        agency::SolarDate::setClock([&moment] { return moment = moment.addSecs(1); });
        QTemporaryDir dir;
        const QString pdf = dir.filePath(u"service.pdf"_s);
        bool written = false;
        f->dialogs.onPreview = [&](const Receipt& receipt) { written = receipt.writePdf(pdf); };

        QVERIFY(openNew());
        fillByKeys(u"7"_s, u"3"_s, kTarget, u"015000"_s);
        f->dialogs.answers << true;
        pressEnter();

        QCOMPARE(f->dialogs.previews.size(), 1);
        QMap<QString, QString> texts;
        for (const QString& item : f->dialogs.previews[0])
            texts.insert(item.section(u'=', 0, 0), item.section(u'=', 1));
        const QString storedTime = f->scalar(u"SELECT Service_time FROM service"_s).toString();
        QCOMPARE(texts[u"Title"_s], u"آژانس نمونه"_s);
        QCOMPARE(texts[u"QRLabel19"_s], u"تهران، خيابان وليعصر"_s);
        QCOMPARE(texts[u"QRLabel20"_s], u"021-1234 0912"_s);
        QCOMPARE(texts[u"QRLabel9"_s], u"1"_s);
        QCOMPARE(texts[u"QRLabel10"_s], kToday);
        QVERIFY2(texts[u"QRLabel11"_s] > storedTime, qPrintable(texts[u"QRLabel11"_s]));
        QCOMPARE(texts[u"QRLabel12"_s], kDriverName);
        QCOMPARE(texts[u"QRLabel13"_s], kAcountAdd);
        QCOMPARE(texts[u"QRLabel14"_s], kTarget);
        QCOMPARE(texts[u"QRLabel15"_s], u"015000 ريال"_s);  // as typed
        QCOMPARE(f->scalar(u"SELECT service_moeny FROM service"_s).toLongLong(), 150000000LL);
        QCOMPARE(FormService->EditServiceId->text(), u"2"_s);

        QVERIFY(written);
        for (const char* tool : {"pdfinfo", "pdftotext"})
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
                QSKIP("poppler-utils are not installed");
        QByteArray info, text;
        QVERIFY(runTool(u"pdfinfo"_s, {pdf}, &info));
        QVERIFY2(QRegularExpression(u"Pages:\\s+1\\n"_s).match(QString::fromUtf8(info)).hasMatch(), info.constData());
        QVERIFY(runTool(u"pdftotext"_s, {pdf, u"-"_s}, &text));
        QVERIFY2(text.contains("015000"), text.constData());
        QVERIFY2(text.contains(kToday.toUtf8()), text.constData());
    }

    void numberingPerDay()
    {
        // Today 1 to 7, and higher numbers on other days that must not count.
        for (int n = 1; n <= 7; ++n) storeService(n, kToday);
        for (int n = 1; n <= 3; ++n) storeService(n, u"1405/09/10"_s);
        storeService(40, u"1405/09/16"_s);
        DM->ADOTableService->Reopen();
        QVERIFY(openNew());
        QCOMPARE(FormService->EditServiceId->text(), u"8"_s);

        // Under another date the service takes that date's next number, on the row and the receipt.
        typeAndEnter(u"7"_s);
        typeAndEnter(u"3"_s);
        backToDate();
        QCOMPARE(focused(), FormService->MaskEdit1);
        typeAndEnter(u"1405/09/10"_s);
        QCOMPARE(FormService->EditServiceId->text(), u"4"_s);  // shown before it is stored
        pressEnter();
        typeAndEnter(kTarget);
        typeAndEnter(u"1000"_s);
        f->dialogs.answers << true;
        pressEnter();
        QCOMPARE(row(u"service_date='1405/09/10' AND service_id=4"_s)[u"service_action"_s].toString(),
                 u"بابت انجام سرويس بشماره 4"_s);
        QVERIFY(f->dialogs.previews[0].contains(u"QRLabel9=4"_s));
        QVERIFY(f->dialogs.previews[0].contains(u"QRLabel10=1405/09/10"_s));
        // Today's sequence is untouched, and the date is back at today.
        QCOMPARE(FormService->EditServiceId->text(), u"8"_s);
        QCOMPARE(FormService->MaskEdit1->Text(), kToday);

        // A day with nothing yet starts at 1; today's next service takes 8.
        typeAndEnter(u"7"_s);
        typeAndEnter(u"3"_s);
        backToDate();
        typeAndEnter(u"1404/01/05"_s);
        QCOMPARE(FormService->EditServiceId->text(), u"1"_s);
        pressEnter();
        typeAndEnter(kTarget);
        typeAndEnter(u"1000"_s);
        pressEnter();
        QCOMPARE(row(u"service_date='1404/01/05'"_s)[u"service_id"_s].toInt(), 1);
        fillByKeys(u"7"_s, u"3"_s, kTarget, u"1000"_s);
        pressEnter();
        QCOMPARE(row(u"service_date='1405/09/17' AND service_id=8"_s).size(), kColumns.size());
        QCOMPARE(FormService->EditServiceId->text(), u"9"_s);
        QCOMPARE(serviceCount(), 14);
        QVERIFY(f->dialogs.errors.isEmpty());
    }

    void numberTakenMeanwhileTakesTheNextFree()
    {
        QVERIFY(openNew());
        QCOMPARE(FormService->EditServiceId->text(), u"1"_s);
        storeService(1, kToday);  // another copy of the program was quicker
        fillByKeys(u"7"_s, u"3"_s, kTarget, u"5000"_s);
        f->dialogs.answers << true;
        pressEnter();
        QVERIFY(f->dialogs.errors.isEmpty());
        QCOMPARE(serviceCount(), 2);
        QCOMPARE(row(u"service_id=2"_s)[u"service_moeny"_s].toLongLong(), 50000000LL);
        QVERIFY(f->dialogs.previews[0].contains(u"QRLabel9=2"_s));
        QCOMPARE(FormService->EditServiceId->text(), u"3"_s);
    }

    // A debt past the agency's limit is told before the print question; the service stays stored.
    void debtWarningBeforeThePrintQuestion()
    {
        storeService(1, u"1405/09/16"_s);  // 1000 owed
        f->exec(u"UPDATE payeh SET debt_limit=25000000"_s);
        DM->ADOTablePayeh->Reopen();
        QVERIFY(openNew());
        fillByKeys(u"7"_s, u"3"_s, kTarget, u"15010"_s);
        f->dialogs.answers << true;
        pressEnter();
        QCOMPARE(f->dialogs.log, (QStringList{u"message: بدهي راننده «علي رضايي» با اين سرويس 2501 ريال است و از "
                                              "سقف بدهي 2500 ريال گذشته است"_s,
                                              u"question: "_s + kPrintQuestion, u"preview"_s}));
        QCOMPARE(serviceCount(), 2);
    }

    void shareOfTheFare_data()
    {
        QTest::addColumn<int>("percent");
        QTest::addColumn<QString>("fare");
        QTest::addColumn<qint64>("shareUnits");
        QTest::newRow("nothing") << 10 << u"0"_s << qint64(0);
        QTest::newRow("20000 at 12") << 12 << u"20000"_s << qint64(2400) * 10000;
        QTest::newRow("12345 at 15") << 15 << u"12345"_s << qint64(18517500);
        QTest::newRow("largest fare") << 100 << u"2147483647"_s << qint64(2147483647) * 10000;
    }

    void shareOfTheFare()
    {
        QFETCH(int, percent);
        QFETCH(QString, fare);
        QFETCH(qint64, shareUnits);
        setPercent(percent);
        QVERIFY(openNew());
        fillByKeys(u"7"_s, u"3"_s, kTarget, fare);
        pressEnter();
        QVERIFY(f->dialogs.errors.isEmpty());
        QCOMPARE(f->scalar(u"SELECT service_percent FROM service"_s).toLongLong(), shareUnits);
        QCOMPARE(f->scalar(u"SELECT service_moeny FROM service"_s).toLongLong(), fare.toLongLong() * 10000);
    }

    void lookupByEnterOrByLeaving_data()
    {
        QTest::addColumn<bool>("subscriber");
        QTest::addColumn<int>("trigger");
        QTest::addColumn<QString>("code");
        for (const auto& [name, k] : {std::pair{"Enter", int(Qt::Key_Return)}, std::pair{"Tab", int(Qt::Key_Tab)}}) {
            const QByteArray by = name;
            QTest::newRow("driver by " + by) << false << k << u"7"_s;
            QTest::newRow("driver with leading zeros by " + by) << false << k << u"007"_s;
            QTest::newRow("driver in Persian digits by " + by) << false << k << u"۰۷"_s;
            QTest::newRow("subscriber by " + by) << true << k << u"3"_s;
            QTest::newRow("subscriber with a leading zero by " + by) << true << k << u"03"_s;
            QTest::newRow("subscriber in Arabic-Indic digits by " + by) << true << k << u"٣"_s;
        }
    }

    void lookupByEnterOrByLeaving()
    {
        QFETCH(bool, subscriber);
        QFETCH(int, trigger);
        QFETCH(QString, code);
        QVERIFY(openNew());
        TFormService* w = FormService;
        if (subscriber) typeAndEnter(u"12"_s);
        typeText(focused(), code);
        pressKey(trigger);
        if (subscriber) {
            QCOMPARE(w->EditAcountName->text(), kAcountName);
            QCOMPARE(w->EditSource->text(), kAcountAdd);
            QCOMPARE(focused(), w->EditTarget);
            QCOMPARE(w->EditDriverName->text(), u"Hasan"_s);
        } else {
            QCOMPARE(w->EditDriverName->text(), kDriverName);
            QCOMPARE(focused(), w->EditAcountId);
        }
        QVERIFY(f->dialogs.log.isEmpty());
        QVERIFY(!FormSelectDriver->isVisible());
        QVERIFY(!FormSelectAcount->isVisible());

        // The code is stored as its number.
        if (!subscriber) typeAndEnter(u"3"_s);
        typeAndEnter(kTarget);
        typeAndEnter(u"100"_s);
        pressEnter();
        QCOMPARE(
            f->scalar(subscriber ? u"SELECT acount_id FROM service"_s : u"SELECT driver_id FROM service"_s).toInt(),
            subscriber ? 3 : 7);
    }

    // A register larger than any block of rows a dataset reads at once: the codes past the first
    // block must be found as surely as the first.
    void lookupPastTheFirstRows_data()
    {
        QTest::addColumn<bool>("subscriber");
        QTest::addColumn<int>("code");
        for (const int code : {1, 65, 70, 1500}) {
            QTest::newRow(qPrintable(u"driver %1"_s.arg(code))) << false << code;
            QTest::newRow(qPrintable(u"subscriber %1"_s.arg(code))) << true << code;
        }
    }
    void lookupPastTheFirstRows()
    {
        QFETCH(bool, subscriber);
        QFETCH(int, code);
        f->exec(u"DELETE FROM driver; DELETE FROM acount;"_s);
        const QString numbers = u"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i < 1500) "_s;
        f->exec(numbers + u"INSERT INTO driver (driver_id, driver_name) SELECT i, 'راننده ' || i FROM n"_s);
        f->exec(numbers +
                u"INSERT INTO acount (acount_id, acount_name, acount_add) "
                "SELECT i, 'مشترك ' || i, 'نشاني ' || i FROM n"_s);
        DM->ADOTableDriver->Reopen();
        DM->ADOTableAcount->Reopen();
        QVERIFY(openNew());
        if (subscriber) typeAndEnter(u"1"_s);
        typeAndEnter(QString::number(code));
        QVERIFY2(f->dialogs.log.isEmpty(), qPrintable(f->dialogs.log.join(u'|')));
        if (subscriber) {
            QCOMPARE(FormService->EditAcountName->text(), u"مشترك "_s + QString::number(code));
            QCOMPARE(FormService->EditSource->text(), u"نشاني "_s + QString::number(code));
        } else {
            QCOMPARE(FormService->EditDriverName->text(), u"راننده "_s + QString::number(code));
        }
    }

    void unknownOrEmptyCodeOpensThePicker_data()
    {
        QTest::addColumn<bool>("subscriber");
        QTest::addColumn<int>("trigger");
        QTest::addColumn<QString>("code");
        for (const auto& [name, k] : {std::pair{"Enter", int(Qt::Key_Return)}, std::pair{"Tab", int(Qt::Key_Tab)}}) {
            const QByteArray by = name;
            QTest::newRow("unknown driver by " + by) << false << k << u"99"_s;
            QTest::newRow("empty driver by " + by) << false << k << QString();
            QTest::newRow("unknown subscriber by " + by) << true << k << u"99"_s;
            QTest::newRow("empty subscriber by " + by) << true << k << QString();
        }
    }

    void unknownOrEmptyCodeOpensThePicker()
    {
        QFETCH(bool, subscriber);
        QFETCH(int, trigger);
        QFETCH(QString, code);
        QVERIFY(openNew());
        if (subscriber) typeAndEnter(u"7"_s);
        QWidget* field = subscriber ? static_cast<QWidget*>(FormService->EditAcountId) : FormService->EditDriverId;
        QCOMPARE(focused(), field);
        typeText(field, code);
        pressKey(trigger);

        QCOMPARE(f->dialogs.messages, code.isEmpty() ? QStringList() : QStringList{kNotFound});
        QVERIFY(f->dialogs.errors.isEmpty());
        if (subscriber) {
            QVERIFY(FormSelectAcount->isVisible());
            QVERIFY(!FormSelectDriver->isVisible());
        } else {
            QVERIFY(FormSelectDriver->isVisible());
            QCOMPARE(FormSelectDriver->Caller, 1);
            QVERIFY(!FormSelectAcount->isVisible());
        }
        // The field keeps the focus, so the operator is back on it when the picker closes.
        QCOMPARE(FormService->focusWidget(), field);
        QVERIFY(backToService());
        QCOMPARE(focused(), field);
        QCOMPARE(f->dialogs.messages.size(), code.isEmpty() ? 0 : 1);

        // Back in the field, the code typed replaces the unknown one.
        typeAndEnter(subscriber ? u"3"_s : u"7"_s);
        QCOMPARE(subscriber ? FormService->EditAcountName->text() : FormService->EditDriverName->text(),
                 subscriber ? kAcountName : kDriverName);
        QCOMPARE(f->dialogs.messages.size(), code.isEmpty() ? 0 : 1);
    }

    void incompleteInformation_data()
    {
        QTest::addColumn<QString>("acount");
        QTest::addColumn<QString>("target");
        QTest::newRow("no destination") << u"3"_s << QString();
        QTest::newRow("no origin") << u"4"_s << kTarget;
    }

    void incompleteInformation()
    {
        QFETCH(QString, acount);
        QFETCH(QString, target);
        QVERIFY(openNew());
        fillByKeys(u"7"_s, acount, target, u"15000"_s);
        pressEnter();
        QCOMPARE(f->dialogs.log, QStringList{u"message: "_s + kIncomplete});
        QCOMPARE(serviceCount(), 0);
        QCOMPARE(DM->ADOTableService->State(), TDataSetState::dsBrowse);
        QCOMPARE(FormService->EditDriverName->text(), kDriverName);
        QCOMPARE(FormService->EditTarget->text(), target);
        QCOMPARE(FormService->EditMoney->text(), u"15000"_s);
    }

    void numbersThatAreNotWholeStoreNothing_data()
    {
        QTest::addColumn<QString>("fare");
        QTest::addColumn<QString>("error");
        QTest::newRow("letters") << u"12a"_s << u"'12a' is not a valid integer value"_s;
        QTest::newRow("decimals") << u"1.5"_s << u"'1.5' is not a valid integer value"_s;
        QTest::newRow("beyond 32 bits") << u"2147483648"_s << u"'2147483648' is not a valid integer value"_s;
        QTest::newRow("empty") << QString() << u"'' is not a valid integer value"_s;
    }

    void numbersThatAreNotWholeStoreNothing()
    {
        QFETCH(QString, fare);
        QFETCH(QString, error);
        QVERIFY(openNew());
        typeAndEnter(u"7"_s);
        typeAndEnter(u"3"_s);
        typeAndEnter(kTarget);
        pressKey(Qt::Key_Backspace);  // the selected "0" goes
        typeAndEnter(fare);
        pressEnter();
        QCOMPARE(f->dialogs.log, QStringList{u"error: "_s + error});
        QCOMPARE(serviceCount(), 0);
        QCOMPARE(DM->ADOTableService->State(), TDataSetState::dsBrowse);
        QCOMPARE(FormService->EditMoney->text(), fare);
        QCOMPARE(FormService->EditAcountName->text(), kAcountName);
        QCOMPARE(FormService->EditServiceId->text(), u"1"_s);

        // Corrected, the next press stores one row, with the corrected fare only.
        QCOMPARE(focused(), FormService->BitBtn1);
        pressKey(Qt::Key_Backtab, Qt::ShiftModifier);
        typeText(focused(), u"700"_s);
        pressEnter();
        pressEnter();
        QCOMPARE(serviceCount(), 1);
        QCOMPARE(f->scalar(u"SELECT service_moeny FROM service"_s).toLongLong(), 7000000LL);
    }

    void emptyCodeReachedByTheMouseStoresNothing()
    {
        QVERIFY(openNew());
        fillByKeys(u"7"_s, u"3"_s, kTarget, u"15000"_s);
        // The operator clears the driver code with the mouse and clicks "ثبت".
        QTest::mouseClick(FormService->EditDriverId, Qt::LeftButton);
        QCOMPARE(focused(), FormService->EditDriverId);
        pressKey(Qt::Key_A, Qt::ControlModifier);
        pressKey(Qt::Key_Delete);
        QTest::mouseClick(FormService->BitBtn1, Qt::LeftButton);
        QCOMPARE(f->dialogs.errors, QStringList{u"'' is not a valid integer value"_s});
        QVERIFY(f->dialogs.questions.isEmpty());
        QCOMPARE(serviceCount(), 0);
        QCOMPARE(DM->ADOTableService->State(), TDataSetState::dsBrowse);
        QCOMPARE(FormService->EditTarget->text(), kTarget);
    }

    void persianDigitsAreNumbers()
    {
        QVERIFY(openNew());
        TFormService* w = FormService;
        typeAndEnter(u"۰۷"_s);
        QCOMPARE(w->EditDriverId->text(), u"07"_s);
        typeAndEnter(u"٣"_s);
        QCOMPARE(w->EditAcountId->text(), u"3"_s);
        backToDate();
        typeAndEnter(u"۱۴۰۵/۰۹/۱۰"_s);
        QCOMPARE(w->MaskEdit1->Text(), u"1405/09/10"_s);
        pressEnter();
        typeAndEnter(kTarget);
        typeText(focused(), u"۱۲۳۴۵"_s);
        QCOMPARE(w->EditMoney->text(), u"12345"_s);
        pressEnter();
        f->dialogs.answers << true;
        pressEnter();
        const Row r = row(u"1=1"_s);
        QCOMPARE(r[u"driver_id"_s].toInt(), 7);
        QCOMPARE(r[u"acount_id"_s].toInt(), 3);
        QCOMPARE(r[u"service_date"_s].toString(), u"1405/09/10"_s);
        QCOMPARE(r[u"service_moeny"_s].toLongLong(), 123450000LL);
        QVERIFY(f->dialogs.previews[0].contains(u"QRLabel15=12345 ريال"_s));
    }

    void datesFromTheYear1300On_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored");  // empty: refused
        QTest::newRow("1300") << u"1300/01/01"_s << u"1300/01/01"_s;
        QTest::newRow("1399 last day") << u"1399/12/30"_s << u"1399/12/30"_s;
        QTest::newRow("1410, digits only") << u"14100315"_s << u"1410/03/15"_s;
        QTest::newRow("1299") << u"1299/12/29"_s << QString();
        QTest::newRow("month 13") << u"1405/13/01"_s << QString();
        QTest::newRow("1404 has no 30 Esfand") << u"1404/12/30"_s << QString();
        QTest::newRow("day missing") << u"1405/09"_s << QString();
    }

    void datesFromTheYear1300On()
    {
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        QVERIFY(openNew());
        typeAndEnter(u"7"_s);
        typeAndEnter(u"3"_s);
        backToDate();
        typeAndEnter(typed);
        QCOMPARE(focused(), FormService->EditSource);
        pressEnter();
        typeAndEnter(kTarget);
        typeAndEnter(u"1000"_s);
        pressEnter();
        if (stored.isEmpty()) {
            QCOMPARE(f->dialogs.log, QStringList{u"message: "_s + kBadDate});
            QCOMPARE(serviceCount(), 0);
            QCOMPARE(focused(), FormService->MaskEdit1);
        } else {
            QVERIFY(f->dialogs.errors.isEmpty());
            QCOMPARE(f->scalar(u"SELECT service_date FROM service"_s).toString(), stored);
            QCOMPARE(f->scalar(u"SELECT service_id FROM service"_s).toInt(), 1);
        }
    }

    void tooLongDriverNameIsRefusedAndNothingStoredLater()
    {
        QVERIFY(openNew());
        TFormService* w = FormService;
        typeAndEnter(u"7"_s);
        typeAndEnter(u"3"_s);
        typeText(focused(), kTarget);
        QTest::mouseClick(w->EditDriverName, Qt::LeftButton);
        pressKey(Qt::Key_A, Qt::ControlModifier);
        const QString longName = QString(51, u'ن');
        typeAndEnter(longName);
        QCOMPARE(focused(), w->MaskEdit1);
        pressEnter();
        pressEnter();
        QCOMPARE(focused(), w->EditTarget);
        pressEnter();
        typeAndEnter(u"15000"_s);
        pressEnter();
        QCOMPARE(f->dialogs.errors.size(), 1);
        QVERIFY2(f->dialogs.errors[0].contains(u"driver_name"_s) && f->dialogs.errors[0].contains(u"50"_s),
                 qPrintable(f->dialogs.errors[0]));
        QVERIFY(f->dialogs.questions.isEmpty());
        QCOMPARE(serviceCount(), 0);
        QCOMPARE(DM->ADOTableService->State(), TDataSetState::dsBrowse);
        QCOMPARE(w->EditDriverName->text(), longName);
        QCOMPARE(w->EditServiceId->text(), u"1"_s);

        // Shortened, the service is stored once, as it now reads.
        QTest::mouseClick(w->EditDriverName, Qt::LeftButton);
        pressKey(Qt::Key_A, Qt::ControlModifier);
        typeText(focused(), QString(50, u'ن'));
        QTest::mouseClick(w->BitBtn1, Qt::LeftButton);
        QCOMPARE(serviceCount(), 1);
        QCOMPARE(f->scalar(u"SELECT driver_name FROM service"_s).toString(), QString(50, u'ن'));
        QCOMPARE(f->scalar(u"SELECT service_moeny FROM service"_s).toLongLong(), 150000000LL);
    }

    void correctionKeepsNumberAndTime()
    {
        storeService(5, u"1405/09/10"_s, 10000);
        storeService(5, kToday, 3000, u"08:00:00"_s);
        DM->ADOTableService->Reopen();
        setPercent(12);
        QVERIFY(!FormService->OpenForCorrection(u"1405/09/11"_s, u"5"_s));
        QVERIFY(!FormService->isVisible());

        QVERIFY(openCorrection(u"1405/09/10"_s, u"5"_s));
        TFormService* w = FormService;
        QVERIFY(w->EditMode);
        QVERIFY(w->BitBtn2->isVisible());
        QVERIFY(!w->BitBtn1->isVisible());
        QCOMPARE(w->EditServiceId->text(), u"5"_s);
        QCOMPARE(w->EditDriverId->text(), u"7"_s);
        QCOMPARE(w->EditDriverName->text(), kDriverName);
        QCOMPARE(w->EditAcountId->text(), u"3"_s);
        QCOMPARE(w->EditAcountName->text(), kAcountName);
        QCOMPARE(w->EditSource->text(), u"A"_s);
        QCOMPARE(w->EditTarget->text(), u"B"_s);
        QCOMPARE(w->EditMoney->text(), u"10000"_s);
        QCOMPARE(w->MaskEdit1->Text(), u"1405/09/10"_s);
        QVERIFY(f->dialogs.log.isEmpty());

        // Another window moves the service table meanwhile, as a payment does when it is stored.
        QVERIFY(DM->ADOTableService->Locate(u"service_date;service_id"_s, {kToday, u"5"_s}));

        typeAndEnter(u"20000"_s);
        QCOMPARE(focused(), w->BitBtn2);
        pressEnter();
        QVERIFY(f->dialogs.log.isEmpty());
        QVERIFY(!w->isVisible());
        QCOMPARE(serviceCount(), 2);
        const Row r = row(u"service_date='1405/09/10'"_s);
        QCOMPARE(r[u"service_id"_s].toInt(), 5);
        QCOMPARE(r[u"service_moeny"_s].toLongLong(), 200000000LL);
        QCOMPARE(r[u"service_percent"_s].toLongLong(), 24000000LL);  // at today's 12 percent
        QCOMPARE(r[u"Service_time"_s].toString(), u"09:15:00"_s);
        QCOMPARE(r[u"service_action"_s].toString(), u"انجام سرويس شماره 5"_s);
        const Row other = row(u"service_date='1405/09/17'"_s);
        QCOMPARE(other[u"service_moeny"_s].toLongLong(), 30000000LL);
        QCOMPARE(other[u"service_action"_s].toString(), u"old"_s);

        QCOMPARE(w->EditServiceId->text(), u"5"_s);
        QCOMPARE(w->MaskEdit1->Text(), u"1405/09/10"_s);
        QCOMPARE(w->EditDriverId->text(), QString());
        QCOMPARE(w->EditMoney->text(), u"0"_s);
        // The list shows the corrected row.
        QVERIFY(DM->QueryViewService->Locate(u"service_date;service_id"_s, {u"1405/09/10"_s, u"5"_s}));
        QCOMPARE(DM->QueryViewService->FieldByName(u"service_moeny"_s).AsString(), u"20000"_s);
    }

    void correctionOfAServiceRegisteredThisSession()
    {
        for (int n = 1; n <= 3; ++n) storeService(n, u"1405/09/10"_s);
        DM->ADOTableService->Reopen();
        QVERIFY(openNew());
        fillByKeys(u"7"_s, u"3"_s, kTarget, u"15000"_s);
        pressEnter();
        QCOMPARE(serviceCount(), 4);
        pressKey(Qt::Key_Escape);
        QVERIFY(!FormService->isVisible());
        QVERIFY(openCorrection(kToday, u"1"_s));
        QCOMPARE(FormService->EditMoney->text(), u"15000"_s);
        typeAndEnter(u"16000"_s);
        pressEnter();
        QCOMPARE(f->scalar(u"SELECT service_moeny FROM service WHERE service_date='1405/09/17'"_s).toLongLong(),
                 160000000LL);
        QCOMPARE(serviceCount(), 4);
    }

    void leavingTheEditButtonKeepsTheCorrection()
    {
        storeService(5, u"1405/09/10"_s, 10000);
        DM->ADOTableService->Reopen();
        QVERIFY(openCorrection(u"1405/09/10"_s, u"5"_s));
        TFormService* w = FormService;
        pressKey(Qt::Key_Tab);
        QCOMPARE(focused(), w->BitBtn2);
        pressKey(Qt::Key_Tab);  // leaving the edit button keeps it: "ثبت" would refuse a correction
        QVERIFY(!w->BitBtn1->isVisible());
        QVERIFY(w->BitBtn2->isVisible());
        QVERIFY(w->EditMode);
        QCOMPARE(focused(), w->EditServiceId);
        pressKey(Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(focused(), w->BitBtn2);
        pressKey(Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(focused(), w->EditMoney);
        typeAndEnter(u"30000"_s);
        QCOMPARE(focused(), w->BitBtn2);
        pressEnter();
        QVERIFY(!w->isVisible());
        QVERIFY(f->dialogs.messages.isEmpty());
        QCOMPARE(serviceCount(), 1);
        QCOMPARE(f->scalar(u"SELECT service_moeny FROM service"_s).toLongLong(), 300000000LL);
    }

    void correctionOntoATakenIdentityIsRefused()
    {
        storeService(5, u"1405/09/10"_s, 10000);
        storeService(5, u"1405/09/11"_s, 20000);
        DM->ADOTableService->Reopen();
        QVERIFY(openCorrection(u"1405/09/10"_s, u"5"_s));
        for (int i = 0; i < 3; ++i) pressKey(Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(focused(), FormService->MaskEdit1);
        typeText(focused(), u"1405/09/11"_s);
        QTest::mouseClick(FormService->BitBtn2, Qt::LeftButton);
        QCOMPARE(f->dialogs.errors.size(), 1);
        QVERIFY2(f->dialogs.errors[0].contains(u"سرويسي با اين شماره در اين تاريخ قبلاً ثبت شده است"_s),
                 qPrintable(f->dialogs.errors[0]));
        QCOMPARE(DM->ADOTableService->State(), TDataSetState::dsBrowse);
        QCOMPARE(f->scalar(u"SELECT count(*) FROM service WHERE service_date='1405/09/10'"_s).toInt(), 1);
        QCOMPARE(f->scalar(u"SELECT service_moeny FROM service WHERE service_date='1405/09/11'"_s).toLongLong(),
                 200000000LL);
        QVERIFY(FormService->isVisible());
    }

    void questionComesQuicklyOnAHundredThousandServices()
    {
        f->exec(
            u"WITH RECURSIVE n(x) AS (SELECT 0 UNION ALL SELECT x + 1 FROM n WHERE x < 99999) "
            "INSERT INTO service (service_id, driver_id, driver_name, acount_id, acount_name, service_date, "
            "service_start_add, service_target_add, service_action, service_moeny, service_percent, Service_time) "
            "SELECT x % 1000 + 1, 7, 'D', 3, 'A', '1404/0' || (x / 30000 + 1) || '/' || "
            "CASE WHEN (x / 1000) % 30 < 9 THEN '0' ELSE '' END || ((x / 1000) % 30 + 1), "
            "'S', 'T', 'old', 150000000, 15000000, '10:00:00' FROM n"_s);
        QCOMPARE(serviceCount(), 100000);
        for (agency::TDataset* ds : DM->datasets())
            if (ds->Active()) ds->Reopen();
        QVERIFY(openNew());
        fillByKeys(u"7"_s, u"3"_s, kTarget, u"15000"_s);
        QCOMPARE(focused(), FormService->BitBtn1);

        // The first save after the bulk load also folds the load's log into the database file.
        TimedDialogs timed(&f->dialogs);
        for (const char* which : {"first", "next"}) {
            if (QByteArray(which) == "next") fillByKeys(u"7"_s, u"3"_s, kTarget, u"15000"_s);
            QCOMPARE(focused(), FormService->BitBtn1);
            setDialogs(&timed);
            timed.questionAfterNs = -1;
            timed.clock.start();
            pressEnter();
            setDialogs(&f->dialogs);
            QVERIFY(timed.questionAfterNs >= 0);
            const double ms = timed.questionAfterNs / 1e6;
            qInfo("%s save, 100000 services stored: %.2f ms from Enter on the record button to the print question",
                  which, ms);
            QVERIFY2(ms < 500, qPrintable(QString::number(ms)));
        }
        QCOMPARE(serviceCount(), 100002);
        QCOMPARE(FormService->EditServiceId->text(), u"3"_s);
    }

    // F4 in the subscriber number reads it as a telephone: one subscriber is filled in and his last
    // five services shown, newest first, Enter copying one into the new service and Esc none; a
    // number of several subscribers opens the picker on them; an unknown one says so.
    void phoneFindsTheCaller_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QList<int>>("keys");  // pressed in the list of last services
        QTest::addColumn<QString>("message");
        QTest::addColumn<QStringList>("stored");  // origin, destination, fare of the new service
        const QList<int> down = {Qt::Key_Down, Qt::Key_Return};
        QTest::newRow("Persian digits, a past trip copied")
            << u"۰۲۱۸۸۷۷۶۶۵۵"_s << down << QString() << QStringList{u"مبدا 6"_s, u"مقصد 6"_s, u"18000"_s};
        QTest::newRow("Esc keeps the address")
            << u"88776655"_s << QList<int>{Qt::Key_Escape} << QString() << QStringList{kAcountAdd, kTarget, u"0"_s};
        QTest::newRow("two on one number, the picker")
            << u"09121234567"_s << down << QString() << QStringList{u"مبدا 6"_s, u"مقصد 6"_s, u"18000"_s};
        QTest::newRow("nobody") << u"66554433"_s << QList<int>{} << u"مشتركي با اين شماره تلفن نيست"_s << QStringList{};
    }
    void phoneFindsTheCaller()
    {
        QFETCH(QString, typed);
        QFETCH(QList<int>, keys);
        QFETCH(QString, message);
        QFETCH(QStringList, stored);
        f->exec(
            u"UPDATE acount SET acount_tel = '021-88776655 / 0912 123 4567' WHERE acount_id = 3; "
            "UPDATE acount SET acount_tel = '+98 912 1234567' WHERE acount_id = 4"_s);
        for (int i = 1; i <= 7; ++i)
            f->exec(
                u"INSERT INTO service (service_id, acount_id, service_date, service_start_add, service_target_add, "
                "service_moeny) VALUES (%1, 3, '1405/09/0%1', 'مبدا %1', 'مقصد %1', %1 * 30000000)"_s.arg(i));
        // A payment is no trip of the subscriber.
        f->exec(
            u"INSERT INTO service (acount_id, service_date, driver_bes, driver_bes_no) VALUES "
            "(3, '1405/09/09', 10000, 1)"_s);
        QVERIFY(openNew());
        typeAndEnter(u"7"_s);
        typeText(focused(), typed);
        pressKey(Qt::Key_F4);
        if (!message.isEmpty()) {
            QCOMPARE(f->dialogs.messages, QStringList{message});
            QCOMPARE(focused(), FormService->EditAcountId);
            return;
        }
        if (FormSelectAcount->isVisible()) {
            QVERIFY(QTest::qWaitForWindowActive(FormSelectAcount));
            QCOMPARE(DM->QueryAcount->RecordCount(), 2);
            QCOMPARE(focused(), FormSelectAcount->DBGrid1);
            pressEnter();
        }
        QTableWidget* list = FormService->LastServices->ListServices;
        QTRY_VERIFY(FormService->LastServices->isActiveWindow());
        QCOMPARE(list->rowCount(), 5);
        QCOMPARE(list->item(0, 0)->text(), u"1405/09/07"_s);
        QCOMPARE(list->item(4, 1)->text(), u"مبدا 3"_s);
        QCOMPARE(FormService->EditAcountId->text(), u"3"_s);
        f->dialogs.saveAnswers << f->dir.filePath(u"last.csv"_s);
        pressKey(Qt::Key_E, Qt::ControlModifier);
        QFile csv(f->dir.filePath(u"last.csv"_s));
        QVERIFY(csv.open(QIODevice::ReadOnly) && QString::fromUtf8(csv.readAll()).contains(u"مقصد 7"_s));
        for (int key : keys) pressKey(key);
        QVERIFY(QTest::qWaitForWindowActive(FormService));
        if (focused() == FormService->EditTarget) typeAndEnter(kTarget);
        QCOMPARE(focused(), FormService->EditMoney);
        pressEnter();
        pressEnter();
        QCOMPARE(f->rows(u"SELECT service_start_add, service_target_add, service_moeny / 10000, acount_name FROM "
                         "service WHERE service_date = '%1'"_s.arg(kToday)),
                 (QList<QVariantList>{{stored[0], stored[1], stored[2].toLongLong(), kAcountName}}));
    }
};

QTEST_MAIN(TestService)
#include "tst_service.moc"
