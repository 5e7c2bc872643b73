// The service window as the desk uses it: opened by F2 or for a correction, driven by keys,
// checked against the rows stored, the messages shown and the receipt printed.

#include "app/UnitMain.h"
#include "controls/Receipt.h"
#include "data/SolarDate.h"
#include "data/UnitDM.h"
#include "operations/UnitReportService.h"
#include "operations/UnitSelectAcount.h"
#include "operations/UnitSelectDriver.h"
#include "operations/UnitService.h"
#include "tests/Fixture.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>
#include <memory>

using agency::TDataSetState;

namespace {

QString S(const char16_t* text) { return QString::fromUtf16(text); }

const QString kToday = QStringLiteral("1405/09/17");
const QString kNotFound = S(u"اين كد وجود ندارد");
const QString kIncomplete = S(u"اطلاعات كامل نيست");
const QString kPrintQuestion = S(u"آيا مايل به چاپ سرويس هستيد ؟");
const QString kBadDate = S(u"تاريخ درست نيست");
const QString kDriverName = S(u"علي رضايي");
const QString kAcountName = S(u"شركت نمونه");
const QString kAcountAdd = S(u"خيابان آزادي 12");
const QString kTarget = S(u"ميدان انقلاب");

// Every column of one stored row, by name.
using Row = QMap<QString, QVariant>;
const QStringList kColumns = {
    QStringLiteral("service_id"),        QStringLiteral("driver_id"),          QStringLiteral("driver_name"),
    QStringLiteral("acount_id"),         QStringLiteral("acount_name"),        QStringLiteral("service_date"),
    QStringLiteral("service_start_add"), QStringLiteral("service_target_add"), QStringLiteral("service_action"),
    QStringLiteral("service_moeny"),     QStringLiteral("service_percent"),    QStringLiteral("driver_bes"),
    QStringLiteral("driver_bes_no"),     QStringLiteral("Service_time")};

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
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return false;
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
        f->exec(QStringLiteral("INSERT INTO driver (driver_id, driver_name, driver_add, driver_tel, driver_auto) "
                               "VALUES (7, '%1', '', '', ''), (12, 'Hasan', '', '', '')")
                    .arg(kDriverName));
        f->exec(QStringLiteral("INSERT INTO acount (acount_id, acount_name, acount_add, acount_tel) "
                               "VALUES (3, '%1', '%2', ''), (4, 'Bank', '', '')")
                    .arg(kAcountName, kAcountAdd));
        DM->ADOTableDriver->Reopen();
        DM->ADOTableAcount->Reopen();
    }

    // A stored service, as another day's work left it.
    void storeService(int number, const QString& date, qint64 fare = 10000, const QString& time = QStringLiteral("09:15:00"))
    {
        f->exec(QStringLiteral("INSERT INTO service (service_id, driver_id, driver_name, acount_id, acount_name, "
                               "service_date, service_start_add, service_target_add, service_action, service_moeny, "
                               "service_percent, Service_time) VALUES (%1, 7, '%2', 3, '%3', '%4', 'A', 'B', "
                               "'old', %5, %6, '%7')")
                    .arg(number)
                    .arg(kDriverName, kAcountName, date)
                    .arg(fare * 10000)
                    .arg(fare * 1000)
                    .arg(time));
    }

    void setPercent(int percent)
    {
        f->exec(QStringLiteral("UPDATE payeh SET percent=%1").arg(percent));
        DM->ADOTablePayeh->Reopen();
    }

    int serviceCount() { return f->scalar(QStringLiteral("SELECT count(*) FROM service")).toInt(); }

    Row row(const QString& where)
    {
        const QList<QVariantList> r =
            f->rows(QStringLiteral("SELECT %1 FROM service WHERE %2").arg(kColumns.join(QLatin1Char(',')), where));
        Row out;
        if (r.size() == 1)
            for (int i = 0; i < kColumns.size(); ++i)
                out.insert(kColumns[i], r[0][i]);
        return out;
    }

    // F2 in the main window, as the desk opens the window.
    bool openNew()
    {
        FormMain->activateWindow();
        if (!QTest::qWaitForWindowActive(FormMain))
            return false;
        QTest::keyClick(FormMain, Qt::Key_F2);
        return FormService->isVisible() && QTest::qWaitForWindowActive(FormService) &&
               focused() == FormService->EditDriverId;
    }

    // The operator closes the picker that a lookup opened and is back in the service window.
    bool backToService()
    {
        TForm* picker = FormSelectDriver->isVisible() ? static_cast<TForm*>(FormSelectDriver) : FormSelectAcount;
        if (!QTest::qWaitForWindowActive(picker))
            return false;
        QTest::keyClick(picker, Qt::Key_Escape);
        if (picker->isVisible())
            return false;
        FormService->activateWindow();
        return QTest::qWaitForWindowActive(FormService) && QApplication::activeWindow() == FormService;
    }

    // As the service list will: from its own window, which is in front.
    bool openCorrection(const QString& date, const QString& number)
    {
        FormMain->activateWindow();
        if (!QTest::qWaitForWindowActive(FormMain))
            return false;
        if (!FormService->OpenForCorrection(date, number))
            return false;
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
        QCOMPARE(w->windowTitle(), S(u"ثبت سرويس هاي آژانس"));
        QCOMPARE(w->size(), QSize(490, 330));
        QCOMPARE(w->layoutDirection(), Qt::RightToLeft);
        const QList<QPair<TLabeledEdit*, QString>> captions = {
            {w->EditServiceId, S(u"شماره سرويس")}, {w->EditDriverId, S(u"كد راننده")},
            {w->EditDriverName, S(u"نام راننده")}, {w->EditAcountId, S(u"شماره مشترك")},
            {w->EditAcountName, S(u"نام مشترك")},  {w->EditSource, S(u"مبدا")},
            {w->EditTarget, S(u"مقصد")},           {w->EditMoney, S(u"مبلغ دريافتي")}};
        for (const auto& [edit, caption] : captions) {
            QCOMPARE(edit->EditLabel->text(), caption);
            QVERIFY(edit->EditLabel->font().bold());
        }
        QCOMPARE(w->Label1->text(), S(u"تاريخ"));
        QCOMPARE(w->BitBtn1->text(), S(u"ثبت"));
        QCOMPARE(w->BitBtn2->text(), S(u"ويرايش"));

        QVERIFY(w->EditServiceId->isReadOnly());
        QCOMPARE(w->EditServiceId->text(), QStringLiteral("1"));
        QCOMPARE(w->MaskEdit1->Text(), kToday);
        QCOMPARE(w->EditMoney->text(), QStringLiteral("0"));
        QVERIFY(!w->EditMode);
        QVERIFY(w->BitBtn1->isVisible());
        QVERIFY(!w->BitBtn2->isVisible());

        QList<QWidget*> chain;
        QWidget* next = w->EditServiceId;
        do {
            if (next->focusPolicy() & Qt::TabFocus)
                chain << next;
            next = next->nextInFocusChain();
        } while (next != w->EditServiceId && chain.size() < 20);
        const QList<QWidget*> order = {w->EditServiceId, w->EditDriverId, w->EditDriverName, w->EditAcountId,
                                       w->EditAcountName, w->MaskEdit1,    w->EditSource,     w->EditTarget,
                                       w->EditMoney,      w->BitBtn1,      w->BitBtn2};
        QCOMPARE(chain, order);
    }

    void escHidesWithoutSavingAndTheNextShowResets()
    {
        QVERIFY(openNew());
        fillByKeys(QStringLiteral("7"), QStringLiteral("3"), kTarget, QStringLiteral("15000"));
        QTest::keyClick(focused(), Qt::Key_Escape);
        QVERIFY(!FormService->isVisible());
        QCOMPARE(serviceCount(), 0);
        QVERIFY(f->dialogs.log.isEmpty());

        // Opening again while visible keeps what is typed; from hidden it starts afresh.
        QVERIFY(openNew());
        for (TLabeledEdit* e : {FormService->EditDriverId, FormService->EditDriverName, FormService->EditAcountId,
                                FormService->EditAcountName, FormService->EditSource, FormService->EditTarget})
            QCOMPARE(e->text(), QString());
        QCOMPARE(FormService->EditMoney->text(), QStringLiteral("0"));
        QCOMPARE(FormService->MaskEdit1->Text(), kToday);
        typeAndEnter(QStringLiteral("7"));
        storeService(1, kToday);
        FormMain->N2Click();
        QCOMPARE(FormService->EditDriverName->text(), kDriverName);
        QCOMPARE(FormService->EditServiceId->text(), QStringLiteral("2"));
    }

    void enterMovesThroughTheNamesDateAndAddresses()
    {
        QVERIFY(openNew());
        TFormService* w = FormService;
        typeAndEnter(QStringLiteral("7"));
        typeAndEnter(QStringLiteral("3"));
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
        QCOMPARE(w->EditMoney->selectedText(), QStringLiteral("0"));
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
        typeAndEnter(QStringLiteral("7"));
        QCOMPARE(w->EditDriverName->text(), kDriverName);
        QCOMPARE(focused(), w->EditAcountId);
        typeAndEnter(QStringLiteral("3"));
        QCOMPARE(w->EditAcountName->text(), kAcountName);
        QCOMPARE(w->EditSource->text(), kAcountAdd);
        QCOMPARE(focused(), w->EditTarget);
        typeAndEnter(kTarget);
        QCOMPARE(focused(), w->EditMoney);
        typeText(focused(), QStringLiteral("15000"));
        QCOMPARE(w->EditMoney->text(), QStringLiteral("15000"));  // the "0" was replaced
        pressEnter();
        QCOMPARE(focused(), w->BitBtn1);
        f->dialogs.answers << false;
        pressEnter();

        QCOMPARE(f->dialogs.log, QStringList{QStringLiteral("question: ") + kPrintQuestion});
        QCOMPARE(serviceCount(), 1);
        const Row r = row(QStringLiteral("1"));
        QCOMPARE(r[QStringLiteral("service_id")].toInt(), 1);
        QCOMPARE(r[QStringLiteral("driver_id")].toInt(), 7);
        QCOMPARE(r[QStringLiteral("driver_name")].toString(), kDriverName);
        QCOMPARE(r[QStringLiteral("acount_id")].toInt(), 3);
        QCOMPARE(r[QStringLiteral("acount_name")].toString(), kAcountName);
        QCOMPARE(r[QStringLiteral("service_date")].toString(), kToday);
        QCOMPARE(r[QStringLiteral("service_start_add")].toString(), kAcountAdd);
        QCOMPARE(r[QStringLiteral("service_target_add")].toString(), kTarget);
        QCOMPARE(r[QStringLiteral("service_action")].toString(), S(u"بابت انجام سرويس بشماره 1"));
        QCOMPARE(r[QStringLiteral("service_moeny")].toLongLong(), 150000000LL);
        QCOMPARE(r[QStringLiteral("service_percent")].toLongLong(), 15000000LL);
        QCOMPARE(r[QStringLiteral("driver_bes")].toLongLong(), 0LL);
        QCOMPARE(r[QStringLiteral("driver_bes_no")].toLongLong(), 0LL);
        QCOMPARE(r[QStringLiteral("Service_time")].toString(), QStringLiteral("10:30:00"));

        // Ready for the next service of the day.
        QVERIFY(w->isVisible());
        QCOMPARE(focused(), w->EditDriverId);
        for (TLabeledEdit* e : {w->EditDriverId, w->EditDriverName, w->EditAcountId, w->EditAcountName,
                                w->EditSource, w->EditTarget})
            QCOMPARE(e->text(), QString());
        QCOMPARE(w->EditMoney->text(), QStringLiteral("0"));
        QCOMPARE(w->MaskEdit1->Text(), kToday);
        QCOMPARE(w->EditServiceId->text(), QStringLiteral("2"));
        QVERIFY(f->dialogs.previews.isEmpty());
    }

    void yesPrintsTheReceiptOfTheStoredService()
    {
        f->exec(QStringLiteral("UPDATE payeh SET \"Add\"='%1', Tel='021-1234 0912'").arg(S(u"تهران، خيابان وليعصر")));
        DM->ADOTablePayeh->Reopen();
        // A clock that moves on a second at every reading: the receipt reads it after the answer.
        QDateTime moment = f->now;
        agency::SolarDate::setClock([&moment] { return moment = moment.addSecs(1); });
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("service.pdf"));
        bool written = false;
        f->dialogs.onPreview = [&](const Receipt& receipt) { written = receipt.writePdf(pdf); };

        QVERIFY(openNew());
        fillByKeys(QStringLiteral("7"), QStringLiteral("3"), kTarget, QStringLiteral("015000"));
        f->dialogs.answers << true;
        pressEnter();

        QCOMPARE(f->dialogs.previews.size(), 1);
        QMap<QString, QString> texts;
        for (const QString& item : f->dialogs.previews[0])
            texts.insert(item.section(QLatin1Char('='), 0, 0), item.section(QLatin1Char('='), 1));
        const QString storedTime = f->scalar(QStringLiteral("SELECT Service_time FROM service")).toString();
        QCOMPARE(texts[QStringLiteral("Title")], S(u"آژانس نمونه"));
        QCOMPARE(texts[QStringLiteral("QRLabel19")], S(u"تهران، خيابان وليعصر"));
        QCOMPARE(texts[QStringLiteral("QRLabel20")], QStringLiteral("021-1234 0912"));
        QCOMPARE(texts[QStringLiteral("QRLabel9")], QStringLiteral("1"));
        QCOMPARE(texts[QStringLiteral("QRLabel10")], kToday);
        QVERIFY2(texts[QStringLiteral("QRLabel11")] > storedTime, qPrintable(texts[QStringLiteral("QRLabel11")]));
        QCOMPARE(texts[QStringLiteral("QRLabel12")], kDriverName);
        QCOMPARE(texts[QStringLiteral("QRLabel13")], kAcountAdd);
        QCOMPARE(texts[QStringLiteral("QRLabel14")], kTarget);
        QCOMPARE(texts[QStringLiteral("QRLabel15")], S(u"015000 ريال"));  // as typed
        QCOMPARE(f->scalar(QStringLiteral("SELECT service_moeny FROM service")).toLongLong(), 150000000LL);
        QCOMPARE(FormService->EditServiceId->text(), QStringLiteral("2"));

        QVERIFY(written);
        for (const char* tool : {"pdfinfo", "pdftotext"})
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
                QSKIP("poppler-utils are not installed");
        QByteArray info, text;
        QVERIFY(runTool(QStringLiteral("pdfinfo"), {pdf}, &info));
        QVERIFY2(QRegularExpression(QStringLiteral("Pages:\\s+1\\n")).match(QString::fromUtf8(info)).hasMatch(),
                 info.constData());
        QVERIFY(runTool(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")}, &text));
        QVERIFY2(text.contains("015000"), text.constData());
        QVERIFY2(text.contains(kToday.toUtf8()), text.constData());
    }

    void numberingPerDay()
    {
        // Today 1 to 7, and higher numbers on other days that must not count.
        for (int n = 1; n <= 7; ++n)
            storeService(n, kToday);
        for (int n = 1; n <= 3; ++n)
            storeService(n, QStringLiteral("1405/09/10"));
        storeService(40, QStringLiteral("1405/09/16"));
        DM->ADOTableService->Reopen();
        QVERIFY(openNew());
        QCOMPARE(FormService->EditServiceId->text(), QStringLiteral("8"));

        // Under another date the service takes that date's next number, on the row and the receipt.
        typeAndEnter(QStringLiteral("7"));
        typeAndEnter(QStringLiteral("3"));
        backToDate();
        QCOMPARE(focused(), FormService->MaskEdit1);
        typeAndEnter(QStringLiteral("1405/09/10"));
        QCOMPARE(FormService->EditServiceId->text(), QStringLiteral("4"));  // shown before it is stored
        pressEnter();
        typeAndEnter(kTarget);
        typeAndEnter(QStringLiteral("1000"));
        f->dialogs.answers << true;
        pressEnter();
        QCOMPARE(row(QStringLiteral("service_date='1405/09/10' AND service_id=4"))[QStringLiteral("service_action")].toString(),
                 S(u"بابت انجام سرويس بشماره 4"));
        QVERIFY(f->dialogs.previews[0].contains(QStringLiteral("QRLabel9=4")));
        QVERIFY(f->dialogs.previews[0].contains(QStringLiteral("QRLabel10=1405/09/10")));
        // Today's sequence is untouched, and the date is back at today.
        QCOMPARE(FormService->EditServiceId->text(), QStringLiteral("8"));
        QCOMPARE(FormService->MaskEdit1->Text(), kToday);

        // A day with nothing yet starts at 1; today's next service takes 8.
        typeAndEnter(QStringLiteral("7"));
        typeAndEnter(QStringLiteral("3"));
        backToDate();
        typeAndEnter(QStringLiteral("1404/01/05"));
        QCOMPARE(FormService->EditServiceId->text(), QStringLiteral("1"));
        pressEnter();
        typeAndEnter(kTarget);
        typeAndEnter(QStringLiteral("1000"));
        pressEnter();
        QCOMPARE(row(QStringLiteral("service_date='1404/01/05'"))[QStringLiteral("service_id")].toInt(), 1);
        fillByKeys(QStringLiteral("7"), QStringLiteral("3"), kTarget, QStringLiteral("1000"));
        pressEnter();
        QCOMPARE(row(QStringLiteral("service_date='1405/09/17' AND service_id=8")).size(), kColumns.size());
        QCOMPARE(FormService->EditServiceId->text(), QStringLiteral("9"));
        QCOMPARE(serviceCount(), 14);
        QVERIFY(f->dialogs.errors.isEmpty());
    }

    void numberTakenMeanwhileTakesTheNextFree()
    {
        QVERIFY(openNew());
        QCOMPARE(FormService->EditServiceId->text(), QStringLiteral("1"));
        storeService(1, kToday);  // another copy of the program was quicker
        fillByKeys(QStringLiteral("7"), QStringLiteral("3"), kTarget, QStringLiteral("5000"));
        f->dialogs.answers << true;
        pressEnter();
        QVERIFY(f->dialogs.errors.isEmpty());
        QCOMPARE(serviceCount(), 2);
        QCOMPARE(row(QStringLiteral("service_id=2"))[QStringLiteral("service_moeny")].toLongLong(), 50000000LL);
        QVERIFY(f->dialogs.previews[0].contains(QStringLiteral("QRLabel9=2")));
        QCOMPARE(FormService->EditServiceId->text(), QStringLiteral("3"));
    }

    void shareOfTheFare_data()
    {
        QTest::addColumn<int>("percent");
        QTest::addColumn<QString>("fare");
        QTest::addColumn<qint64>("shareUnits");
        QTest::newRow("nothing") << 10 << QStringLiteral("0") << qint64(0);
        QTest::newRow("20000 at 12") << 12 << QStringLiteral("20000") << qint64(2400) * 10000;
        QTest::newRow("12345 at 15") << 15 << QStringLiteral("12345") << qint64(18517500);
        QTest::newRow("largest fare") << 100 << QStringLiteral("2147483647") << qint64(2147483647) * 10000;
    }

    void shareOfTheFare()
    {
        QFETCH(int, percent);
        QFETCH(QString, fare);
        QFETCH(qint64, shareUnits);
        setPercent(percent);
        QVERIFY(openNew());
        fillByKeys(QStringLiteral("7"), QStringLiteral("3"), kTarget, fare);
        pressEnter();
        QVERIFY(f->dialogs.errors.isEmpty());
        QCOMPARE(f->scalar(QStringLiteral("SELECT service_percent FROM service")).toLongLong(), shareUnits);
        QCOMPARE(f->scalar(QStringLiteral("SELECT service_moeny FROM service")).toLongLong(),
                 fare.toLongLong() * 10000);
    }

    void lookupByEnterOrByLeaving_data()
    {
        QTest::addColumn<bool>("subscriber");
        QTest::addColumn<int>("trigger");
        QTest::addColumn<QString>("code");
        for (const auto& [name, k] : {std::pair{"Enter", int(Qt::Key_Return)}, std::pair{"Tab", int(Qt::Key_Tab)}}) {
            const QByteArray by = name;
            QTest::newRow("driver by " + by) << false << k << QStringLiteral("7");
            QTest::newRow("driver with leading zeros by " + by) << false << k << QStringLiteral("007");
            QTest::newRow("driver in Persian digits by " + by) << false << k << S(u"۰۷");
            QTest::newRow("subscriber by " + by) << true << k << QStringLiteral("3");
            QTest::newRow("subscriber with a leading zero by " + by) << true << k << QStringLiteral("03");
            QTest::newRow("subscriber in Arabic-Indic digits by " + by) << true << k << S(u"٣");
        }
    }

    void lookupByEnterOrByLeaving()
    {
        QFETCH(bool, subscriber);
        QFETCH(int, trigger);
        QFETCH(QString, code);
        QVERIFY(openNew());
        TFormService* w = FormService;
        if (subscriber)
            typeAndEnter(QStringLiteral("12"));
        typeText(focused(), code);
        pressKey(trigger);
        if (subscriber) {
            QCOMPARE(w->EditAcountName->text(), kAcountName);
            QCOMPARE(w->EditSource->text(), kAcountAdd);
            QCOMPARE(focused(), w->EditTarget);
            QCOMPARE(w->EditDriverName->text(), QStringLiteral("Hasan"));
        } else {
            QCOMPARE(w->EditDriverName->text(), kDriverName);
            QCOMPARE(focused(), w->EditAcountId);
        }
        QVERIFY(f->dialogs.log.isEmpty());
        QVERIFY(!FormSelectDriver->isVisible());
        QVERIFY(!FormSelectAcount->isVisible());

        // The code is stored as its number.
        if (!subscriber)
            typeAndEnter(QStringLiteral("3"));
        typeAndEnter(kTarget);
        typeAndEnter(QStringLiteral("100"));
        pressEnter();
        QCOMPARE(f->scalar(subscriber ? QStringLiteral("SELECT acount_id FROM service")
                                      : QStringLiteral("SELECT driver_id FROM service"))
                     .toInt(),
                 subscriber ? 3 : 7);
    }

    // A register larger than any block of rows a dataset reads at once: the codes past the first
    // block must be found as surely as the first.
    void lookupPastTheFirstRows_data()
    {
        QTest::addColumn<bool>("subscriber");
        QTest::addColumn<int>("code");
        for (const int code : {1, 65, 70, 1500}) {
            QTest::newRow(qPrintable(QStringLiteral("driver %1").arg(code))) << false << code;
            QTest::newRow(qPrintable(QStringLiteral("subscriber %1").arg(code))) << true << code;
        }
    }
    void lookupPastTheFirstRows()
    {
        QFETCH(bool, subscriber);
        QFETCH(int, code);
        f->exec(QStringLiteral("DELETE FROM driver; DELETE FROM acount;"));
        const QString numbers = QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i < 1500) ");
        f->exec(numbers + QStringLiteral("INSERT INTO driver (driver_id, driver_name) SELECT i, 'راننده ' || i FROM n"));
        f->exec(numbers + QStringLiteral("INSERT INTO acount (acount_id, acount_name, acount_add) "
                                         "SELECT i, 'مشترك ' || i, 'نشاني ' || i FROM n"));
        DM->ADOTableDriver->Reopen();
        DM->ADOTableAcount->Reopen();
        QVERIFY(openNew());
        if (subscriber)
            typeAndEnter(QStringLiteral("1"));
        typeAndEnter(QString::number(code));
        QVERIFY2(f->dialogs.log.isEmpty(), qPrintable(f->dialogs.log.join(u'|')));
        if (subscriber) {
            QCOMPARE(FormService->EditAcountName->text(), S(u"مشترك ") + QString::number(code));
            QCOMPARE(FormService->EditSource->text(), S(u"نشاني ") + QString::number(code));
        } else {
            QCOMPARE(FormService->EditDriverName->text(), S(u"راننده ") + QString::number(code));
        }
    }

    void unknownOrEmptyCodeOpensThePicker_data()
    {
        QTest::addColumn<bool>("subscriber");
        QTest::addColumn<int>("trigger");
        QTest::addColumn<QString>("code");
        for (const auto& [name, k] : {std::pair{"Enter", int(Qt::Key_Return)}, std::pair{"Tab", int(Qt::Key_Tab)}}) {
            const QByteArray by = name;
            QTest::newRow("unknown driver by " + by) << false << k << QStringLiteral("99");
            QTest::newRow("empty driver by " + by) << false << k << QString();
            QTest::newRow("unknown subscriber by " + by) << true << k << QStringLiteral("99");
            QTest::newRow("empty subscriber by " + by) << true << k << QString();
        }
    }

    void unknownOrEmptyCodeOpensThePicker()
    {
        QFETCH(bool, subscriber);
        QFETCH(int, trigger);
        QFETCH(QString, code);
        QVERIFY(openNew());
        if (subscriber)
            typeAndEnter(QStringLiteral("7"));
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
        typeAndEnter(subscriber ? QStringLiteral("3") : QStringLiteral("7"));
        QCOMPARE(subscriber ? FormService->EditAcountName->text() : FormService->EditDriverName->text(),
                 subscriber ? kAcountName : kDriverName);
        QCOMPARE(f->dialogs.messages.size(), code.isEmpty() ? 0 : 1);
    }

    void incompleteInformation_data()
    {
        QTest::addColumn<QString>("acount");
        QTest::addColumn<QString>("target");
        QTest::newRow("no destination") << QStringLiteral("3") << QString();
        QTest::newRow("no origin") << QStringLiteral("4") << kTarget;
    }

    void incompleteInformation()
    {
        QFETCH(QString, acount);
        QFETCH(QString, target);
        QVERIFY(openNew());
        fillByKeys(QStringLiteral("7"), acount, target, QStringLiteral("15000"));
        pressEnter();
        QCOMPARE(f->dialogs.log, QStringList{QStringLiteral("message: ") + kIncomplete});
        QCOMPARE(serviceCount(), 0);
        QCOMPARE(DM->ADOTableService->State(), TDataSetState::dsBrowse);
        QCOMPARE(FormService->EditDriverName->text(), kDriverName);
        QCOMPARE(FormService->EditTarget->text(), target);
        QCOMPARE(FormService->EditMoney->text(), QStringLiteral("15000"));
    }

    void numbersThatAreNotWholeStoreNothing_data()
    {
        QTest::addColumn<QString>("fare");
        QTest::addColumn<QString>("error");
        QTest::newRow("letters") << QStringLiteral("12a") << QStringLiteral("'12a' is not a valid integer value");
        QTest::newRow("decimals") << QStringLiteral("1.5") << QStringLiteral("'1.5' is not a valid integer value");
        QTest::newRow("beyond 32 bits") << QStringLiteral("2147483648")
                                        << QStringLiteral("'2147483648' is not a valid integer value");
        QTest::newRow("empty") << QString() << QStringLiteral("'' is not a valid integer value");
    }

    void numbersThatAreNotWholeStoreNothing()
    {
        QFETCH(QString, fare);
        QFETCH(QString, error);
        QVERIFY(openNew());
        typeAndEnter(QStringLiteral("7"));
        typeAndEnter(QStringLiteral("3"));
        typeAndEnter(kTarget);
        pressKey(Qt::Key_Backspace);  // the selected "0" goes
        typeAndEnter(fare);
        pressEnter();
        QCOMPARE(f->dialogs.log, QStringList{QStringLiteral("error: ") + error});
        QCOMPARE(serviceCount(), 0);
        QCOMPARE(DM->ADOTableService->State(), TDataSetState::dsBrowse);
        QCOMPARE(FormService->EditMoney->text(), fare);
        QCOMPARE(FormService->EditAcountName->text(), kAcountName);
        QCOMPARE(FormService->EditServiceId->text(), QStringLiteral("1"));

        // Corrected, the next press stores one row, with the corrected fare only.
        QCOMPARE(focused(), FormService->BitBtn1);
        pressKey(Qt::Key_Backtab, Qt::ShiftModifier);
        typeText(focused(), QStringLiteral("700"));
        pressEnter();
        pressEnter();
        QCOMPARE(serviceCount(), 1);
        QCOMPARE(f->scalar(QStringLiteral("SELECT service_moeny FROM service")).toLongLong(), 7000000LL);
    }

    void emptyCodeReachedByTheMouseStoresNothing()
    {
        QVERIFY(openNew());
        fillByKeys(QStringLiteral("7"), QStringLiteral("3"), kTarget, QStringLiteral("15000"));
        // The operator clears the driver code with the mouse and clicks "ثبت".
        QTest::mouseClick(FormService->EditDriverId, Qt::LeftButton);
        QCOMPARE(focused(), FormService->EditDriverId);
        pressKey(Qt::Key_A, Qt::ControlModifier);
        pressKey(Qt::Key_Delete);
        QTest::mouseClick(FormService->BitBtn1, Qt::LeftButton);
        QCOMPARE(f->dialogs.errors, QStringList{QStringLiteral("'' is not a valid integer value")});
        QVERIFY(f->dialogs.questions.isEmpty());
        QCOMPARE(serviceCount(), 0);
        QCOMPARE(DM->ADOTableService->State(), TDataSetState::dsBrowse);
        QCOMPARE(FormService->EditTarget->text(), kTarget);
    }

    void persianDigitsAreNumbers()
    {
        QVERIFY(openNew());
        TFormService* w = FormService;
        typeAndEnter(S(u"۰۷"));
        QCOMPARE(w->EditDriverId->text(), QStringLiteral("07"));
        typeAndEnter(S(u"٣"));
        QCOMPARE(w->EditAcountId->text(), QStringLiteral("3"));
        backToDate();
        typeAndEnter(S(u"۱۴۰۵/۰۹/۱۰"));
        QCOMPARE(w->MaskEdit1->Text(), QStringLiteral("1405/09/10"));
        pressEnter();
        typeAndEnter(kTarget);
        typeText(focused(), S(u"۱۲۳۴۵"));
        QCOMPARE(w->EditMoney->text(), QStringLiteral("12345"));
        pressEnter();
        f->dialogs.answers << true;
        pressEnter();
        const Row r = row(QStringLiteral("1"));
        QCOMPARE(r[QStringLiteral("driver_id")].toInt(), 7);
        QCOMPARE(r[QStringLiteral("acount_id")].toInt(), 3);
        QCOMPARE(r[QStringLiteral("service_date")].toString(), QStringLiteral("1405/09/10"));
        QCOMPARE(r[QStringLiteral("service_moeny")].toLongLong(), 123450000LL);
        QVERIFY(f->dialogs.previews[0].contains(S(u"QRLabel15=12345 ريال")));
    }

    void datesFromTheYear1300On_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored");  // empty: refused
        QTest::newRow("1300") << QStringLiteral("1300/01/01") << QStringLiteral("1300/01/01");
        QTest::newRow("1399 last day") << QStringLiteral("1399/12/30") << QStringLiteral("1399/12/30");
        QTest::newRow("1410, digits only") << QStringLiteral("14100315") << QStringLiteral("1410/03/15");
        QTest::newRow("1299") << QStringLiteral("1299/12/29") << QString();
        QTest::newRow("month 13") << QStringLiteral("1405/13/01") << QString();
        QTest::newRow("1404 has no 30 Esfand") << QStringLiteral("1404/12/30") << QString();
        QTest::newRow("day missing") << QStringLiteral("1405/09") << QString();
    }

    void datesFromTheYear1300On()
    {
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        QVERIFY(openNew());
        typeAndEnter(QStringLiteral("7"));
        typeAndEnter(QStringLiteral("3"));
        backToDate();
        typeAndEnter(typed);
        QCOMPARE(focused(), FormService->EditSource);
        pressEnter();
        typeAndEnter(kTarget);
        typeAndEnter(QStringLiteral("1000"));
        pressEnter();
        if (stored.isEmpty()) {
            QCOMPARE(f->dialogs.log, QStringList{QStringLiteral("message: ") + kBadDate});
            QCOMPARE(serviceCount(), 0);
            QCOMPARE(focused(), FormService->MaskEdit1);
        } else {
            QVERIFY(f->dialogs.errors.isEmpty());
            QCOMPARE(f->scalar(QStringLiteral("SELECT service_date FROM service")).toString(), stored);
            QCOMPARE(f->scalar(QStringLiteral("SELECT service_id FROM service")).toInt(), 1);
        }
    }

    void tooLongDriverNameIsRefusedAndNothingStoredLater()
    {
        QVERIFY(openNew());
        TFormService* w = FormService;
        typeAndEnter(QStringLiteral("7"));
        typeAndEnter(QStringLiteral("3"));
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
        typeAndEnter(QStringLiteral("15000"));
        pressEnter();
        QCOMPARE(f->dialogs.errors.size(), 1);
        QVERIFY2(f->dialogs.errors[0].contains(QStringLiteral("driver_name")) &&
                     f->dialogs.errors[0].contains(QStringLiteral("50")),
                 qPrintable(f->dialogs.errors[0]));
        QVERIFY(f->dialogs.questions.isEmpty());
        QCOMPARE(serviceCount(), 0);
        QCOMPARE(DM->ADOTableService->State(), TDataSetState::dsBrowse);
        QCOMPARE(w->EditDriverName->text(), longName);
        QCOMPARE(w->EditServiceId->text(), QStringLiteral("1"));

        // Shortened, the service is stored once, as it now reads.
        QTest::mouseClick(w->EditDriverName, Qt::LeftButton);
        pressKey(Qt::Key_A, Qt::ControlModifier);
        typeText(focused(), QString(50, u'ن'));
        QTest::mouseClick(w->BitBtn1, Qt::LeftButton);
        QCOMPARE(serviceCount(), 1);
        QCOMPARE(f->scalar(QStringLiteral("SELECT driver_name FROM service")).toString(), QString(50, u'ن'));
        QCOMPARE(f->scalar(QStringLiteral("SELECT service_moeny FROM service")).toLongLong(), 150000000LL);
    }

    void correctionKeepsNumberAndTime()
    {
        storeService(5, QStringLiteral("1405/09/10"), 10000);
        storeService(5, kToday, 3000, QStringLiteral("08:00:00"));
        DM->ADOTableService->Reopen();
        setPercent(12);
        QVERIFY(!FormService->OpenForCorrection(QStringLiteral("1405/09/11"), QStringLiteral("5")));
        QVERIFY(!FormService->isVisible());

        QVERIFY(openCorrection(QStringLiteral("1405/09/10"), QStringLiteral("5")));
        TFormService* w = FormService;
        QVERIFY(w->EditMode);
        QVERIFY(w->BitBtn2->isVisible());
        QVERIFY(!w->BitBtn1->isVisible());
        QCOMPARE(w->EditServiceId->text(), QStringLiteral("5"));
        QCOMPARE(w->EditDriverId->text(), QStringLiteral("7"));
        QCOMPARE(w->EditDriverName->text(), kDriverName);
        QCOMPARE(w->EditAcountId->text(), QStringLiteral("3"));
        QCOMPARE(w->EditAcountName->text(), kAcountName);
        QCOMPARE(w->EditSource->text(), QStringLiteral("A"));
        QCOMPARE(w->EditTarget->text(), QStringLiteral("B"));
        QCOMPARE(w->EditMoney->text(), QStringLiteral("10000"));
        QCOMPARE(w->MaskEdit1->Text(), QStringLiteral("1405/09/10"));
        QVERIFY(f->dialogs.log.isEmpty());

        // Another window moves the service table meanwhile, as a payment does when it is stored.
        QVERIFY(DM->ADOTableService->Locate(QStringLiteral("service_date;service_id"), {kToday, QStringLiteral("5")}));

        typeAndEnter(QStringLiteral("20000"));
        QCOMPARE(focused(), w->BitBtn2);
        pressEnter();
        QVERIFY(f->dialogs.log.isEmpty());
        QVERIFY(!w->isVisible());
        QCOMPARE(serviceCount(), 2);
        const Row r = row(QStringLiteral("service_date='1405/09/10'"));
        QCOMPARE(r[QStringLiteral("service_id")].toInt(), 5);
        QCOMPARE(r[QStringLiteral("service_moeny")].toLongLong(), 200000000LL);
        QCOMPARE(r[QStringLiteral("service_percent")].toLongLong(), 24000000LL);  // at today's 12 percent
        QCOMPARE(r[QStringLiteral("Service_time")].toString(), QStringLiteral("09:15:00"));
        QCOMPARE(r[QStringLiteral("service_action")].toString(), S(u"انجام سرويس شماره 5"));
        const Row other = row(QStringLiteral("service_date='1405/09/17'"));
        QCOMPARE(other[QStringLiteral("service_moeny")].toLongLong(), 30000000LL);
        QCOMPARE(other[QStringLiteral("service_action")].toString(), QStringLiteral("old"));

        QCOMPARE(w->EditServiceId->text(), QStringLiteral("5"));
        QCOMPARE(w->MaskEdit1->Text(), QStringLiteral("1405/09/10"));
        QCOMPARE(w->EditDriverId->text(), QString());
        QCOMPARE(w->EditMoney->text(), QStringLiteral("0"));
        // The list shows the corrected row.
        QVERIFY(DM->QueryViewService->Locate(QStringLiteral("service_date;service_id"),
                                             {QStringLiteral("1405/09/10"), QStringLiteral("5")}));
        QCOMPARE(DM->QueryViewService->FieldByName(QStringLiteral("service_moeny")).AsString(), QStringLiteral("20000"));
    }

    void correctionOfAServiceRegisteredThisSession()
    {
        for (int n = 1; n <= 3; ++n)
            storeService(n, QStringLiteral("1405/09/10"));
        DM->ADOTableService->Reopen();
        QVERIFY(openNew());
        fillByKeys(QStringLiteral("7"), QStringLiteral("3"), kTarget, QStringLiteral("15000"));
        pressEnter();
        QCOMPARE(serviceCount(), 4);
        pressKey(Qt::Key_Escape);
        QVERIFY(!FormService->isVisible());
        QVERIFY(openCorrection(kToday, QStringLiteral("1")));
        QCOMPARE(FormService->EditMoney->text(), QStringLiteral("15000"));
        typeAndEnter(QStringLiteral("16000"));
        pressEnter();
        QCOMPARE(f->scalar(QStringLiteral("SELECT service_moeny FROM service WHERE service_date='1405/09/17'")).toLongLong(),
                 160000000LL);
        QCOMPARE(serviceCount(), 4);
    }

    void leavingTheEditButtonKeepsTheCorrection()
    {
        storeService(5, QStringLiteral("1405/09/10"), 10000);
        DM->ADOTableService->Reopen();
        QVERIFY(openCorrection(QStringLiteral("1405/09/10"), QStringLiteral("5")));
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
        typeAndEnter(QStringLiteral("30000"));
        QCOMPARE(focused(), w->BitBtn2);
        pressEnter();
        QVERIFY(!w->isVisible());
        QVERIFY(f->dialogs.messages.isEmpty());
        QCOMPARE(serviceCount(), 1);
        QCOMPARE(f->scalar(QStringLiteral("SELECT service_moeny FROM service")).toLongLong(), 300000000LL);
    }

    void correctionOntoATakenIdentityIsRefused()
    {
        storeService(5, QStringLiteral("1405/09/10"), 10000);
        storeService(5, QStringLiteral("1405/09/11"), 20000);
        DM->ADOTableService->Reopen();
        QVERIFY(openCorrection(QStringLiteral("1405/09/10"), QStringLiteral("5")));
        for (int i = 0; i < 3; ++i)
            pressKey(Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(focused(), FormService->MaskEdit1);
        typeText(focused(), QStringLiteral("1405/09/11"));
        QTest::mouseClick(FormService->BitBtn2, Qt::LeftButton);
        QCOMPARE(f->dialogs.errors.size(), 1);
        QVERIFY2(f->dialogs.errors[0].contains(S(u"سرويسي با اين شماره در اين تاريخ قبلاً ثبت شده است")),
                 qPrintable(f->dialogs.errors[0]));
        QCOMPARE(DM->ADOTableService->State(), TDataSetState::dsBrowse);
        QCOMPARE(f->scalar(QStringLiteral("SELECT count(*) FROM service WHERE service_date='1405/09/10'")).toInt(), 1);
        QCOMPARE(f->scalar(QStringLiteral("SELECT service_moeny FROM service WHERE service_date='1405/09/11'")).toLongLong(),
                 200000000LL);
        QVERIFY(FormService->isVisible());
    }

    void questionComesQuicklyOnAHundredThousandServices()
    {
        f->exec(QStringLiteral(
            "WITH RECURSIVE n(x) AS (SELECT 0 UNION ALL SELECT x + 1 FROM n WHERE x < 99999) "
            "INSERT INTO service (service_id, driver_id, driver_name, acount_id, acount_name, service_date, "
            "service_start_add, service_target_add, service_action, service_moeny, service_percent, Service_time) "
            "SELECT x % 1000 + 1, 7, 'D', 3, 'A', printf('1404/%02d/%02d', x / 30000 + 1, (x / 1000) % 30 + 1), "
            "'S', 'T', 'old', 150000000, 15000000, '10:00:00' FROM n"));
        QCOMPARE(serviceCount(), 100000);
        for (agency::TDataset* ds : DM->datasets())
            if (ds->Active())
                ds->Reopen();
        QVERIFY(openNew());
        fillByKeys(QStringLiteral("7"), QStringLiteral("3"), kTarget, QStringLiteral("15000"));
        QCOMPARE(focused(), FormService->BitBtn1);

        // The first save after the bulk load also folds the load's log into the database file.
        TimedDialogs timed(&f->dialogs);
        for (const char* which : {"first", "next"}) {
            if (QByteArray(which) == "next")
                fillByKeys(QStringLiteral("7"), QStringLiteral("3"), kTarget, QStringLiteral("15000"));
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
        QCOMPARE(FormService->EditServiceId->text(), QStringLiteral("3"));
    }
};

QTEST_MAIN(TestService)
#include "tst_service.moc"
