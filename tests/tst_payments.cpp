// Driver payments as the desk records them: F3, the payment window driven by keys, its receipt,
// and the payment list (F8) that finds a payment and hands it back for correction.

#include "app/UnitMain.h"
#include "controls/Receipt.h"
#include "data/UnitDM.h"
#include "operations/UnitDriverBes.h"
#include "operations/UnitSelectDriver.h"
#include "reports/UnitViewDriverBes.h"
#include "tests/Fixture.h"

#include <QApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QString kToday = u"1405/09/17"_s;
const QString kDriver = u"علي رضايي"_s;
const QString kAction = u"بابت پرداخت وجه به شماره  "_s;
const QString kIncomplete = u"اطلاعات كامل نيست"_s;
const QString kPrintQuestion = u"آيا مايل به چاپ پرداخت هستيد ؟"_s;

}  // namespace

class TestPayments : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<Fixture> f;

    // Payments numbered from `first` to `last`, one a day back from 1405/08/30, driver 7, 1000 rials each.
    void storePayments(int first, int last, const QString& date = QString())
    {
        f->exec(
            u"WITH RECURSIVE n(x) AS (SELECT %1 UNION ALL SELECT x + 1 FROM n WHERE x < %2) "
            "INSERT INTO service (driver_bes_no, driver_id, driver_name, driver_bes, "
            "service_date, service_action) SELECT x, 7, '%3', 10000000, %4, '%5' || x FROM n"_s.arg(first)
                .arg(last)
                .arg(kDriver, date.isEmpty() ? u"'1405/08/' || CASE WHEN x % 30 > 20 THEN '0' ELSE '' END || (30 - x % 30)"_s : u"'"_s + date + u"'"_s,
                     kAction));
        DM->ADOTableService->Reopen();
    }

    void storeService(int number, const QString& date)
    {
        f->exec(
            u"INSERT INTO service (service_id, driver_id, driver_name, acount_id, acount_name, "
            "service_date, service_start_add, service_target_add, service_action, service_moeny, "
            "service_percent) VALUES (%1, 7, '%2', 3, 'A', '%3', 'S', 'T', 'old', 10000, 1000)"_s.arg(number)
                .arg(kDriver, date));
        DM->ADOTableService->Reopen();
    }

    QVariantList payment(const QString& where)
    {
        const auto r = f->rows(
            u"SELECT driver_bes_no, driver_id, driver_name, driver_bes / 10000, service_date, service_action, "
            "service_id, acount_id, acount_name, service_start_add, service_target_add, service_moeny, "
            "service_percent, Service_time FROM service WHERE "_s +
            where);
        return r.size() == 1 ? r[0] : QVariantList();
    }
    int payments() { return f->scalar(u"SELECT count(*) FROM service WHERE driver_bes_no<>0"_s).toInt(); }

    // F3 in the main window, as the desk opens a new payment.
    bool openNew()
    {
        if (!bringToFront(FormMain)) return false;
        QTest::keyClick(FormMain, Qt::Key_F3);
        return QTest::qWaitForWindowActive(FormDriverBes);
    }

    // From the date: Enter, the driver code, the amount; the focus then stands on the record button.
    void fillByKeys(const QString& code, const QString& amount)
    {
        pressEnter();
        typeAndEnter(code);
        typeAndEnter(amount);
    }

    // F8, then Enter in the first date: the payments of that date.
    bool listDate(const QString& date)
    {
        if (!bringToFront(FormMain)) return false;
        QTest::keyClick(FormMain, Qt::Key_F8);
        if (!QTest::qWaitForWindowActive(FormViewDriverBes)) return false;
        FormViewDriverBes->MaskEdit1->setFocus();
        typeAndEnter(date);
        return focused() == FormViewDriverBes->MaskEdit2;
    }

    // The number typed over what the field held, and Enter.
    void filterNumber(const QString& typed)
    {
        QVERIFY(bringToFront(FormViewDriverBes));
        FormViewDriverBes->EditServiceId->setFocus();
        pressKey(Qt::Key_A, Qt::ControlModifier);
        typeAndEnter(typed);
    }

    QStringList listed(int column)
    {
        QStringList out;
        TDBGridModel* m = FormViewDriverBes->DBGrid1->Model();
        while (m->canFetchMore({})) m->fetchMore({});
        for (int r = 0; r < m->rowCount(); ++r) out << m->Text(r, column);
        return out;
    }

private slots:
    void init()
    {
        f = std::make_unique<Fixture>();
        f->exec(
            u"INSERT INTO driver (driver_id, driver_name, driver_add, driver_tel, driver_auto) VALUES "
            "(7, '%1', '', '', ''), (12, 'Hasan', '', '', '')"_s.arg(kDriver));
        DM->ADOTableDriver->Reopen();
    }
    void cleanup() { f.reset(); }

    void windowAsF3OpensIt()
    {
        QVERIFY(openNew());
        QCOMPARE(focused(), FormDriverBes->MaskEdit1);
        TFormDriverBes* w = FormDriverBes;
        QCOMPARE(w->windowTitle(), u"ثبت پرداختهاي رانندگان"_s);
        QCOMPARE(w->layoutDirection(), Qt::RightToLeft);
        QCOMPARE((QStringList{w->EditServiceId->EditLabel->text(), w->Label1->text(),
                              w->EditDriverId->EditLabel->text(), w->EditDriverName->EditLabel->text(),
                              w->EditMoney->EditLabel->text(), w->BitBtn1->text(), w->BitBtn2->text()}),
                 (QStringList{u"شماره سرويس"_s, u"تاريخ"_s, u"كد راننده"_s, u"نام راننده"_s, u"مبلغ دريافتي"_s,
                              u"ثبت"_s, u"ويرايش"_s}));
        QVERIFY(w->EditServiceId->isReadOnly());
        QCOMPARE(w->MaskEdit1->Text(), kToday);
        QCOMPARE(w->EditMoney->text(), u"0"_s);
        QVERIFY(w->BitBtn1->isVisible() && !w->BitBtn2->isVisible());
        QList<QWidget*> chain;
        QWidget* next = w->EditServiceId;
        do {
            if (next->focusPolicy() & Qt::TabFocus) chain << next;
            next = next->nextInFocusChain();
        } while (next != w->EditServiceId && chain.size() < 10);
        QCOMPARE(chain, (QList<QWidget*>{w->EditServiceId, w->MaskEdit1, w->EditDriverId, w->EditDriverName,
                                         w->EditMoney, w->BitBtn1, w->BitBtn2}));
        // Enter in the name and in the read-only number does nothing; Esc closes without storing.
        w->EditDriverName->setFocus();
        pressEnter();
        QCOMPARE(focused(), w->EditDriverName);
        pressKey(Qt::Key_Escape);
        QVERIFY(!w->isVisible());
        QCOMPARE(payments(), 0);
    }

    void f3ProposesTheNextNumberOverAllDates_data()
    {
        QTest::addColumn<int>("stored");  // payments 1 .. stored, on earlier dates
        QTest::addColumn<QString>("proposed");
        QTest::newRow("none yet") << 0 << u"1"_s;
        QTest::newRow("up to 57 on other dates") << 57 << u"58"_s;
        QTest::newRow("up to 9999, more than one fetch") << 9999 << u"10000"_s;
    }

    void f3ProposesTheNextNumberOverAllDates()
    {
        QFETCH(int, stored);
        QFETCH(QString, proposed);
        if (stored) storePayments(1, stored);
        storeService(900, kToday);  // services carry no payment number
        QVERIFY(openNew());
        QCOMPARE(FormDriverBes->EditServiceId->text(), proposed);

        // Recorded by keys alone; the next number is proposed without asking the table again.
        fillByKeys(u"7"_s, u"25000"_s);
        QCOMPARE(focused(), FormDriverBes->BitBtn1);
        pressEnter();
        const int number = proposed.toInt();
        QCOMPARE(payment(u"driver_bes_no=%1"_s.arg(number)),
                 (QVariantList{number, 7, kDriver, 25000, kToday, kAction + proposed, 0, 0, QVariant(), QVariant(),
                               QVariant(), 0, 0, QVariant()}));
        QCOMPARE(FormDriverBes->EditServiceId->text(), QString::number(number + 1));
        QCOMPARE(focused(), FormDriverBes->EditDriverId);
        QCOMPARE(FormDriverBes->MaskEdit1->Text(), kToday);
        QCOMPARE(FormDriverBes->EditMoney->text(), u"0"_s);

        typeAndEnter(u"12"_s);
        typeAndEnter(u"0"_s);  // a payment of nothing is a payment
        pressEnter();
        QCOMPARE(payment(u"driver_bes_no=%1"_s.arg(number + 1)).value(3).toInt(), 0);
        QCOMPARE(payment(u"driver_bes_no=%1"_s.arg(number + 1)).value(2).toString(), u"Hasan"_s);
        QCOMPARE(f->dialogs.questions, QStringList(2, kPrintQuestion));
        QVERIFY(f->dialogs.previews.isEmpty());
        QVERIFY(f->dialogs.errors.isEmpty());

        // A later F3 asks the table again; the open window keeps what is typed.
        storePayments(number + 5, number + 5);
        typeText(focused(), u"7"_s);
        QVERIFY(openNew());
        QCOMPARE(FormDriverBes->EditServiceId->text(), QString::number(number + 6));
        QCOMPARE(FormDriverBes->EditDriverId->text(), u"7"_s);
    }

    void numberTakenMeanwhileTakesTheNextFree()
    {
        QVERIFY(openNew());
        QCOMPARE(FormDriverBes->EditServiceId->text(), u"1"_s);
        storePayments(1, 3, kToday);  // another copy of the program was quicker
        fillByKeys(u"7"_s, u"4000"_s);
        f->dialogs.answers << true;
        pressEnter();
        QVERIFY(f->dialogs.errors.isEmpty());
        QCOMPARE(payments(), 4);
        QCOMPARE(payment(u"driver_bes_no=4"_s).value(5).toString(), kAction + u"4"_s);
        QVERIFY(f->dialogs.previews[0].contains(u"QRLabel9=4"_s));
        QCOMPARE(FormDriverBes->EditServiceId->text(), u"5"_s);
    }

    void printYesShowsTheReceiptAndNoStillStores_data()
    {
        QTest::addColumn<bool>("print");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("stored");
        QTest::addColumn<QString>("printed");
        QTest::addColumn<QString>("date");
        QTest::newRow("yes, Persian digits") << true << u"۱۲۳۴۵"_s << 12345 << u"12345 ريال"_s << kToday;
        QTest::newRow("yes, nothing") << true << u"0"_s << 0 << u"0 ريال"_s << kToday;
        QTest::newRow("no") << false << u"500"_s << 500 << QString() << kToday;
        QTest::newRow("yes, back-dated") << true << u"700"_s << 700 << u"700 ريال"_s << u"1405/08/30"_s;
    }

    void printYesShowsTheReceiptAndNoStillStores()
    {
        QFETCH(bool, print);
        QFETCH(QString, typed);
        QFETCH(int, stored);
        QFETCH(QString, printed);
        QFETCH(QString, date);
        storePayments(1, 56);
        QTemporaryDir dir;
        const QString pdf = dir.filePath(u"payment.pdf"_s);
        f->dialogs.onPreview = [&](const Receipt& receipt) { receipt.writePdf(pdf); };
        QVERIFY(openNew());
        if (date != kToday) typeText(focused(), date);
        fillByKeys(u"7"_s, typed);
        f->dialogs.answers << print;
        pressEnter();
        QCOMPARE(payment(u"driver_bes_no=57 AND service_date='%1'"_s.arg(date)).value(3).toInt(), stored);
        QCOMPARE(FormDriverBes->EditServiceId->text(), u"58"_s);
        if (!print) {
            QVERIFY(f->dialogs.previews.isEmpty());
            return;
        }
        QCOMPARE(f->dialogs.previews.size(), 1);
        for (const QString& item : {u"Title=آژانس نمونه"_s, u"QRLabel9=57"_s, u"QRLabel10="_s + date,
                                    u"QRLabel12="_s + kDriver, u"QRLabel15="_s + printed})
            QVERIFY2(f->dialogs.previews[0].contains(item), qPrintable(item));
        if (QStandardPaths::findExecutable(u"pdftotext"_s).isEmpty()) QSKIP("poppler-utils are not installed");
        QProcess text;
        text.start(u"pdftotext"_s, {pdf, u"-"_s});
        QVERIFY(text.waitForFinished());
        const QString page = QString::fromUtf8(text.readAllStandardOutput());
        QVERIFY2(page.contains(u"57"_s) && page.contains(date) && page.contains(printed.left(printed.indexOf(u' '))),
                 qPrintable(page));
    }

    void incompleteOrNotWholeStoresNothing_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("name");  // typed over the name the lookup found
        QTest::addColumn<QString>("amount");
        QTest::addColumn<QString>("shown");
        QTest::newRow("no code") << QString() << kDriver << u"100"_s << u"message: "_s + kIncomplete;
        QTest::newRow("no name") << u"7"_s << QString() << u"100"_s << u"message: "_s + kIncomplete;
        QTest::newRow("amount with letters")
            << u"7"_s << kDriver << u"12a"_s << u"error: '12a' is not a valid integer value"_s;
        QTest::newRow("amount beyond 32 bits")
            << u"7"_s << kDriver << u"2147483648"_s << u"error: '2147483648' is not a valid integer value"_s;
        QTest::newRow("code with letters")
            << u"7x"_s << kDriver << u"100"_s << u"error: '7x' is not a valid integer value"_s;
    }

    void incompleteOrNotWholeStoresNothing()
    {
        QFETCH(QString, code);
        QFETCH(QString, name);
        QFETCH(QString, amount);
        QFETCH(QString, shown);
        QVERIFY(openNew());
        fillByKeys(u"7"_s, amount);
        TFormDriverBes* w = FormDriverBes;
        w->EditDriverId->setText(code);  // as the mouse would leave them
        w->EditDriverName->setText(name);
        f->dialogs.clear();
        QTest::mouseClick(w->BitBtn1, Qt::LeftButton);
        QCOMPARE(f->dialogs.log, QStringList{shown});
        QCOMPARE(payments(), 0);
        QCOMPARE(DM->ADOTableService->State(), agency::TDataSetState::dsBrowse);
        QCOMPARE(w->EditMoney->text(), amount);
        QCOMPARE(w->EditServiceId->text(), u"1"_s);
    }

    void emptyOrUnknownCodeOpensThePicker_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<int>("trigger");
        QTest::addColumn<bool>("choose");  // a driver chosen in the picker, or the picker left with Esc
        QTest::newRow("empty, Enter, chosen") << QString() << int(Qt::Key_Return) << true;
        QTest::newRow("empty, Tab") << QString() << int(Qt::Key_Tab) << false;
        QTest::newRow("unknown, Enter") << u"99"_s << int(Qt::Key_Return) << false;
        QTest::newRow("unknown, Tab, chosen") << u"99"_s << int(Qt::Key_Tab) << true;
    }

    void emptyOrUnknownCodeOpensThePicker()
    {
        QFETCH(QString, code);
        QFETCH(int, trigger);
        QFETCH(bool, choose);
        QVERIFY(openNew());
        pressEnter();
        typeText(focused(), code);
        pressKey(trigger);
        QCOMPARE(f->dialogs.messages, code.isEmpty() ? QStringList() : QStringList{u"اين كد وجود ندارد"_s});
        QVERIFY(FormSelectDriver->isVisible());
        QCOMPARE(FormSelectDriver->Caller, 2);
        QCOMPARE(FormDriverBes->focusWidget(), FormDriverBes->EditDriverId);
        QCOMPARE(FormDriverBes->EditDriverName->text(), QString());
        QVERIFY(QTest::qWaitForWindowActive(FormSelectDriver));
        if (choose) {
            // Searched by name, chosen with Enter: code and name filled, the amount next.
            FormSelectDriver->EditDriverName->setFocus();
            typeText(focused(), u"Has"_s);
            FormSelectDriver->DBGrid1->setFocus();
            pressEnter();
            QVERIFY(!FormSelectDriver->isVisible());
            QVERIFY(QTest::qWaitForWindowActive(FormDriverBes));
            QCOMPARE(FormDriverBes->EditDriverId->text(), u"12"_s);
            QCOMPARE(FormDriverBes->EditDriverName->text(), u"Hasan"_s);
            QCOMPARE(focused(), FormDriverBes->EditMoney);
            typeAndEnter(u"300"_s);
            pressEnter();
            QCOMPARE(payment(u"1=1"_s).mid(0, 4), (QVariantList{1, 12, u"Hasan"_s, 300}));
            return;
        }
        // The operator leaves the picker with Esc and is back on the code, which typing replaces.
        QTest::keyClick(FormSelectDriver, Qt::Key_Escape);
        QVERIFY(bringToFront(FormDriverBes));
        QCOMPARE(focused(), FormDriverBes->EditDriverId);
        typeAndEnter(u"007"_s);  // codes compare as numbers
        QCOMPARE(FormDriverBes->EditDriverName->text(), kDriver);
        QCOMPARE(focused(), FormDriverBes->EditMoney);
    }

    void listFiltersAndCorrection()
    {
        storePayments(1, 1500);  // thirty dates, fifty payments each
        storePayments(1501, 1501, kToday);
        storeService(1501, u"1405/08/30"_s);
        DM->QueryViewDriverBes->Reopen();  // as start-up ran it

        // Recorded now, a payment is listed only after a filter; showing the list does not run it.
        QVERIFY(openNew());
        fillByKeys(u"12"_s, u"777"_s);
        pressEnter();
        QVERIFY(bringToFront(FormMain));
        QTest::keyClick(FormMain, Qt::Key_F8);
        QVERIFY(QTest::qWaitForWindowActive(FormViewDriverBes));
        TFormViewDriverBes* l = FormViewDriverBes;
        QStringList titles;
        for (int c = 0; c < 5; ++c) titles << l->DBGrid1->Model()->headerData(c, Qt::Horizontal).toString();
        QCOMPARE(titles, (QStringList{u"پرداخت"_s, u"تاريخ"_s, u"كدراننده"_s, u"نام راننده"_s, u"مبلغ پرداختي"_s}));
        QCOMPARE(
            (QStringList{l->windowTitle(), l->Label5->text(), l->Label6->text(), l->EditServiceId->EditLabel->text()}),
            (QStringList{u"نمايش پرداختهاي رانندگان"_s, u"تاريخ"_s, u"تا تاريخ"_s, u"شماره پرداخت"_s}));
        QCOMPARE(l->MaskEdit1->Text(), kToday);
        QCOMPARE(l->MaskEdit2->Text(), kToday);
        QCOMPARE(listed(0).size(), 1501);
        QVERIFY(!listed(0).contains(u"1502"_s));

        // One date, then Enter in the second date: the range, both ends included.
        QVERIFY(listDate(kToday));
        QCOMPARE(listed(0), (QStringList{u"1501"_s, u"1502"_s}));
        l->MaskEdit1->setFocus();
        typeAndEnter(u"1405/08/01"_s);
        QCOMPARE(listed(1), QStringList(50, u"1405/08/01"_s));
        typeAndEnter(u"1405/08/10"_s);
        QCOMPARE(listed(0).size(), 500);
        QVERIFY(listed(1).contains(u"1405/08/10"_s) && !listed(1).contains(u"1405/08/11"_s));

        // By number: one payment whatever its date, no service of that number; Persian digits too.
        filterNumber(u"۱۵۰۱"_s);
        QCOMPARE(listed(0), QStringList{u"1501"_s});
        QCOMPARE(listed(3), QStringList{kDriver});
        QCOMPARE(listed(4), QStringList{u"1000"_s});
        filterNumber(u"0"_s);  // services carry no payment number
        QCOMPARE(listed(0), QStringList());
        filterNumber(u"1501"_s);

        // Enter in the list: the payment window corrects it; the description stays.
        QVERIFY(bringToFront(l));
        l->DBGrid1->setFocus();
        pressEnter();
        QVERIFY(QTest::qWaitForWindowActive(FormDriverBes));
        TFormDriverBes* w = FormDriverBes;
        QVERIFY(w->EditMode && w->BitBtn2->isVisible() && !w->BitBtn1->isVisible());
        QCOMPARE(focused(), w->EditMoney);
        QCOMPARE(w->EditServiceId->text(), u"1501"_s);
        QCOMPARE(w->EditDriverId->text(), u"7"_s);
        QCOMPARE(w->EditDriverName->text(), kDriver);
        QCOMPARE(w->MaskEdit1->Text(), kToday);
        QCOMPARE(w->EditMoney->text(), u"1000"_s);
        typeAndEnter(u"1250"_s);
        QCOMPARE(focused(), w->BitBtn2);
        pressEnter();
        QVERIFY(!w->isVisible());
        QCOMPARE(payment(u"driver_bes_no=1501"_s).mid(0, 6),
                 (QVariantList{1501, 7, kDriver, 1250, kToday, kAction + u"1501"_s}));
        QCOMPARE(payments(), 1502);
        QCOMPARE(listed(4), QStringList{u"1250"_s});  // the list shows the stored amount at once

        // F3 after a correction: new-payment mode, a fresh number.
        QVERIFY(openNew());
        QVERIFY(!w->EditMode && w->BitBtn1->isVisible() && !w->BitBtn2->isVisible());
        QCOMPARE(w->EditServiceId->text(), u"1503"_s);
        QVERIFY(f->dialogs.errors.isEmpty());
    }

    // A payment corrected from a list longer than one fetch shows its stored amount there at once.
    void correctionShowsInTheListAtOnce_data()
    {
        QTest::addColumn<int>("downs");  // Down presses from the first row; -1 for Ctrl+End
        QTest::newRow("the first row") << 0;
        QTest::newRow("the last row") << -1;
    }
    void correctionShowsInTheListAtOnce()
    {
        QFETCH(int, downs);
        storePayments(1, 1500);
        QVERIFY(listDate(u"1405/08/01"_s));
        typeAndEnter(u"1405/08/30"_s);
        TDBGrid* grid = FormViewDriverBes->DBGrid1;
        grid->setFocus();
        if (downs < 0) pressKey(Qt::Key_End, Qt::ControlModifier);
        for (int i = 0; i < downs; ++i) pressKey(Qt::Key_Down);
        const int row = grid->currentIndex().row();
        pressEnter();
        QVERIFY(QTest::qWaitForWindowActive(FormDriverBes));
        typeAndEnter(u"۴۳۲۱"_s);
        pressEnter();
        QCOMPARE(grid->Model()->Text(row, 4), u"4321"_s);
        QCOMPARE(listed(4).value(row), u"4321"_s);  // read again, past what the list kept
    }

    void filterTextThatIsNotANumberIsRefused_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::newRow("letters") << u"12a"_s;
        QTest::newRow("another condition") << u"1 and driver_id=7"_s;
        QTest::newRow("quote and statement") << u"1'; delete from service; --"_s;
        QTest::newRow("huge") << QString(5000, u'(');
    }

    void filterTextThatIsNotANumberIsRefused()
    {
        storePayments(1, 3);
        QVERIFY(listDate(u"1405/08/29"_s));
        FormViewDriverBes->EditServiceId->setFocus();
        f->dialogs.clear();
        // Typed into the field as it stands, whatever the keyboard allows.
        QFETCH(QString, typed);
        FormViewDriverBes->EditServiceId->setText(typed);
        pressEnter();
        QCOMPARE(f->dialogs.errors.size(), 1);
        QVERIFY(!f->dialogs.errors[0].isEmpty());
        QVERIFY(!DM->QueryViewDriverBes->Active());
        QCOMPARE(FormViewDriverBes->DBGrid1->Model()->rowCount(), 0);
        QCOMPARE(payments(), 3);
        // Enter on the empty list does nothing; the next filter lists again.
        FormViewDriverBes->DBGrid1->setFocus();
        pressEnter();
        QVERIFY(!FormDriverBes->isVisible());
        filterNumber(u"2"_s);
        QCOMPARE(listed(0), QStringList{u"2"_s});
        QCOMPARE(f->dialogs.errors.size(), 1);
    }
};

QTEST_MAIN(TestPayments)
#include "tst_payments.moc"
