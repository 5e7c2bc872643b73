// The service list (F7) and the driver account (F10), driven by keys on a desk's worth of rows,
// and what every report's export says.

#include "app/UnitMain.h"
#include "data/UnitDM.h"
#include "operations/UnitSelectDriver.h"
#include "operations/UnitService.h"
#include "reports/UnitAmar.h"
#include "reports/UnitDriverHesab.h"
#include "reports/UnitDriverMande.h"
#include "reports/UnitViewDriverBes.h"
#include "reports/UnitViewService.h"
#include "tests/Fixture.h"

#include <QApplication>
#include <QFile>
#include <QHeaderView>
#include <QRegularExpression>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QString kToday = u"1405/09/17"_s;
const QString kDriver = u"علي رضايي"_s;
const QString kZero = u"مانده حساب صفر است"_s;

QString debtor(const QString& amount)
{
    return u"مانده حساب  "_s + amount + u"  ريال بدهكار است"_s;
}
QString creditor(const QString& amount)
{
    return u"مانده حساب  "_s + amount + u"  ريال بستانكار است"_s;
}

// Every row of a grid, fetched to its end, one column's shown texts joined by a blank per row.
QStringList listed(TDBGrid* grid, QList<int> columns)
{
    TDBGridModel* m = grid->Model();
    while (m->canFetchMore({})) m->fetchMore({});
    QStringList out;
    for (int r = 0; r < m->rowCount(); ++r) {
        QStringList cells;
        for (int c : columns) cells << m->Text(r, c);
        out << cells.join(u' ');
    }
    return out;
}

}  // namespace

class TestReports : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<Fixture> f;

    // 1100 services numbered 1..550 on each of 1405/08/10 and 1405/08/11, stored with the days
    // interleaved, subscribers 1..5 in turn, fare x rials, share 100; a payment on each day.
    void storeServices()
    {
        f->exec(
            u"WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n WHERE x < 1100) "
            "INSERT INTO service (service_id, driver_id, driver_name, acount_id, acount_name, service_date, "
            "service_start_add, service_target_add, service_action, service_moeny, service_percent, "
            "Service_time) SELECT (x + 1) / 2, 7, '%1', x % 5 + 1, 'مشترك ' || (x % 5 + 1), "
            "'1405/08/1' || (x % 2), 'ميدان آزادي', 'خيابان ' || x, 'سرويس', x * 10000, "
            "1000000, '10:00:00' FROM n"_s.arg(kDriver));
        f->exec(
            u"INSERT INTO service (service_id, driver_bes_no, driver_id, driver_name, service_date, driver_bes, "
            "service_action) VALUES (0, 1, 7, '%1', '1405/08/10', 50000000, 'پرداخت'), "
            "(0, 2, 7, '%1', '1405/08/11', 50000000, 'پرداخت')"_s.arg(kDriver));
        DM->ADOTableService->Reopen();
    }

    // "date number" of the services the condition selects, by date then number.
    QStringList expected(const QString& where)
    {
        QStringList out;
        for (const QVariantList& r :
             f->rows(u"SELECT service_date, service_id FROM service WHERE "_s + where + u" ORDER BY 1, 2"_s))
            out << r[0].toString() + u' ' + r[1].toString();
        return out;
    }

    // The filters of the four reports with date fields, as they stand.
    QStringList filters()
    {
        return {DM->QueryViewService->SQL.Text(), DM->QueryViewDriverBes->SQL.Text(), DM->QueryDriverHesab->SQL.Text(),
                DM->QueryAmar->SQL.Text()};
    }

    bool showList()
    {
        if (!bringToFront(FormMain)) return false;
        QTest::keyClick(FormMain, Qt::Key_F7);
        return QTest::qWaitForWindowActive(FormViewService);
    }

    // F10, the code, both dates, each with Enter.
    void account(const QString& code, const QString& from, const QString& to)
    {
        QVERIFY(bringToFront(FormMain));
        QTest::keyClick(FormMain, Qt::Key_F10);
        QVERIFY(QTest::qWaitForWindowActive(FormDriverHesab));
        QCOMPARE(focused(), FormDriverHesab->EditDriverId);
        typeAndEnter(code);
        QCOMPARE(focused(), FormDriverHesab->MaskEdit1);
        typeAndEnter(from);
        QCOMPARE(focused(), FormDriverHesab->MaskEdit2);
        typeAndEnter(to);
    }

private slots:
    void init()
    {
        f = std::make_unique<Fixture>();
        f->exec(
            u"INSERT INTO driver (driver_id, driver_name, driver_add, driver_tel, driver_auto) VALUES "
            "(7, '%1', '', '', ''), (12, 'Hasan', '', '', '')"_s.arg(kDriver));
        f->exec(
            u"INSERT INTO acount (acount_id, acount_name, acount_add, acount_tel) VALUES (1, 'مشترك 1', '', ''), "
            "(2, 'مشترك 2', '', ''), (3, 'مشترك 3', '', ''), (4, 'مشترك 4', '', ''), (5, 'مشترك 5', '', '')"_s);
        DM->ADOTableDriver->Reopen();
        DM->ADOTableAcount->Reopen();
    }
    void cleanup() { f.reset(); }

    void listFilters_data()
    {
        QTest::addColumn<QString>("field");  // where the text is typed; "" for the first showing
        QTest::addColumn<QStringList>("typed");
        QTest::addColumn<QString>("where");  // the same selection, written for the check
        QTest::newRow("first showing") << QString() << QStringList() << u"service_id<>0"_s;
        QTest::newRow("number") << u"EditServiceId"_s << QStringList{u"5"_s} << u"service_id=5"_s;
        QTest::newRow("number, Persian digits") << u"EditServiceId"_s << QStringList{u"۵۵۰"_s} << u"service_id=550"_s;
        QTest::newRow("number of payments") << u"EditServiceId"_s << QStringList{u"0"_s} << u"0"_s;
        QTest::newRow("subscriber") << u"EditAcountId"_s << QStringList{u"3"_s} << u"service_id<>0 AND acount_id=3"_s;
        QTest::newRow("one date") << u"MaskEdit1"_s << QStringList{u"1405/08/11"_s}
                                  << u"service_id<>0 AND service_date='1405/08/11'"_s;
        QTest::newRow("range") << u"MaskEdit1"_s << QStringList{u"1405/08/10"_s, u"1405/08/11"_s} << u"service_id<>0"_s;
        QTest::newRow("range reversed") << u"MaskEdit1"_s << QStringList{u"1405/08/11"_s, u"1405/08/10"_s} << u"0"_s;
    }

    void listFilters()
    {
        QFETCH(QString, field);
        QFETCH(QStringList, typed);
        QFETCH(QString, where);
        storeServices();
        DM->QueryViewService->Reopen();  // as start-up left it
        TFormViewService* l = FormViewService;
        QVERIFY(showList());
        QCOMPARE(l->MaskEdit1->Text(), kToday);
        QCOMPARE(l->MaskEdit2->Text(), kToday);
        if (!field.isEmpty()) {
            l->findChild<QWidget*>(field)->setFocus();
            for (const QString& t : typed) typeAndEnter(t);
            if (field == u"MaskEdit1"_s && typed.size() == 1) QCOMPARE(focused(), l->MaskEdit2);
        }
        QCOMPARE(listed(l->DBGrid1, {1, 0}), expected(where));
        QCOMPARE(f->dialogs.log, QStringList());

        // Hidden, a service stored meanwhile, shown again: the same filter runs again on fresh
        // rows, and the dates are today's.
        QTest::keyClick(l, Qt::Key_Escape);
        QVERIFY(!l->isVisible());
        f->exec(
            u"INSERT INTO service (service_id, driver_id, acount_id, service_date) VALUES (551, 7, 3, '1405/08/11')"_s);
        QVERIFY(showList());
        QCOMPARE(l->MaskEdit1->Text(), kToday);
        QCOMPARE(l->MaskEdit2->Text(), kToday);
        const QStringList want = expected(where);
        QCOMPARE(listed(l->DBGrid1, {1, 0}), want);

        // Ctrl+End reaches the last row; the captions under the list follow it.
        l->DBGrid1->setFocus();
        QTest::keyClick(l->DBGrid1, Qt::Key_End, Qt::ControlModifier);
        if (want.isEmpty()) return;
        const QStringList last = want.last().split(u' ');
        const QVariantList r = f->rows(
                                    u"SELECT driver_name, acount_name, service_start_add, service_target_add "
                                    "FROM service WHERE service_date='%1' AND service_id=%2"_s.arg(last[0], last[1]))
                                   .value(0);
        QCOMPARE((QStringList{l->DBText1->text(), l->DBText2->text(), l->DBText3->text(), l->DBText4->text()}),
                 (QStringList{r[0].toString(), r[1].toString(), r[2].toString(), r[3].toString()}));
    }

    // Ctrl+E in any field of a report writes the window's caption and the filter that made the list
    // over it, and the totals each under its own column (in the PDF, at its column's right edge).
    void exportHeaded_data()
    {
        QTest::addColumn<int>("key");              // the main window's key for the report
        QTest::addColumn<QStringList>("typed");    // "field=text", each text followed by Enter
        QTest::addColumn<QString>("from");         // the field Ctrl+E is pressed in
        QTest::addColumn<QStringList>("heading");  // the lines over the titles
        QTest::addColumn<QString>("totals");       // the line under the rows
        const QString services = u"نمايش سرويسهاي صورت گرفته"_s;
        const QStringList range{u"تاريخ,1405/08/10"_s, u"تا تاريخ,1405/08/11"_s};
        const QStringList f10{u"EditDriverId=7"_s, u"MaskEdit1=1405/08/10"_s, u"MaskEdit2=1405/08/11"_s};
        const QStringList hesab =
            QStringList{u"ريز حساب رانندگان"_s, u"كد راننده,7"_s, u"نام راننده,"_s + kDriver} + range;
        QTest::newRow("F7 number") << int(Qt::Key_F7) << QStringList{u"EditServiceId=5"_s} << u"EditServiceId"_s
                                   << QStringList{services, u"شماره سرويس,5"_s} << QString();
        QTest::newRow("F7 subscriber") << int(Qt::Key_F7) << QStringList{u"EditAcountId=3"_s} << u"MaskEdit1"_s
                                       << QStringList{services, u"شماره مشترك,3"_s} << QString();
        QTest::newRow("F7 range") << int(Qt::Key_F7)
                                  << QStringList{u"MaskEdit1=1405/08/10"_s, u"MaskEdit2=1405/08/11"_s} << u"MaskEdit1"_s
                                  << QStringList{services} + range << QString();
        QTest::newRow("F8 one date, another typed")
            << int(Qt::Key_F8) << QStringList{u"MaskEdit1=1405/08/10"_s} << u"EditServiceId"_s
            << QStringList{u"نمايش پرداختهاي رانندگان"_s, range[0]} << QString();
        QTest::newRow("F9") << int(Qt::Key_F9) << QStringList() << QString()
                            << QStringList{u"نمايش مانده حسابهاي رانندگان"_s} << QString();
        QTest::newRow("F10 from the code")
            << int(Qt::Key_F10) << f10 << u"EditDriverId"_s << hesab << u"جمع,,110000,10000"_s;
        QTest::newRow("F10 PDF") << int(Qt::Key_F10) << f10 << u"MaskEdit2"_s << hesab << u"pdf"_s;
        // The totals still on the screen are the last account's: not written under the refused one.
        QTest::newRow("F10 refused after a run")
            << int(Qt::Key_F10)
            << f10 + QStringList{u"EditDriverId=7x"_s, u"MaskEdit1=1405/08/10"_s, u"MaskEdit2=1405/08/11"_s}
            << u"MaskEdit1"_s << QStringList{u"ريز حساب رانندگان"_s, u"كد راننده,7x"_s, u"نام راننده,"_s} + range
            << QString();
        QTest::newRow("F11") << int(Qt::Key_F11) << QStringList{u"MaskEdit1=1405/08/10"_s, u"MaskEdit2=1405/08/11"_s}
                             << u"MaskEdit1"_s << QStringList{u"آمار"_s} + range << u"605550,110000,10000"_s;
    }
    void exportHeaded()
    {
        QFETCH(int, key);
        QFETCH(QStringList, typed);
        QFETCH(QString, from);
        QFETCH(QStringList, heading);
        QFETCH(QString, totals);
        storeServices();
        QVERIFY(bringToFront(FormMain));
        QTest::keyClick(FormMain, Qt::Key(key));
        QWidget* w = nullptr;
        QTRY_VERIFY((w = QApplication::activeWindow()) && w != FormMain);
        for (const QString& t : typed) {
            w->findChild<QWidget*>(t.section(u'=', 0, 0))->setFocus();
            typeAndEnter(t.section(u'=', 1));
        }
        const QString path = f->dir.filePath(totals == u"pdf"_s ? u"export.pdf"_s : u"export.csv"_s);
        f->dialogs.saveAnswers << path;
        if (!from.isEmpty()) w->findChild<QWidget*>(from)->setFocus();
        const qsizetype refused = QByteArray(QTest::currentDataTag()).contains("refused") ? 1 : 0;
        QCOMPARE(f->dialogs.errors.size(), refused);
        pressKey(Qt::Key_E, Qt::ControlModifier);
        QCOMPARE(f->dialogs.errors.size(), refused);
        if (totals == u"pdf"_s) {
            const QString text = agency::foldText(runTool(u"pdftotext"_s, {path, u"-"_s}));
            for (const QString& expected : {heading[0], kDriver, u"1405/08/10"_s, u"1405/08/11"_s})
                QVERIFY2(text.contains(agency::foldText(expected)), qPrintable(expected));
            // The debit total ends where the rows' shares end, the credit total where the payments do.
            const QString words = runTool(u"pdftotext"_s, {u"-bbox"_s, path, u"-"_s});
            auto right = [&](const QString& word) {
                return qRound(QRegularExpression(u"xMax=\"([0-9.]+)\"[^>]*>"_s + word + u"</word>"_s)
                                  .match(words)
                                  .captured(1)
                                  .toDouble());
            };
            QCOMPARE(right(u"110000"_s), right(u"100"_s));
            QCOMPARE(right(u"10000"_s), right(u"5000"_s));
            return;
        }
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(file.readAll().mid(3)).split(u"\r\n"_s);
        QCOMPARE(lines.mid(0, heading.size() + 1), heading + QStringList{QString()});
        auto* grid = w->findChild<TDBGrid*>();
        const int rows = grid ? grid->Model()->rowCount() : 0;
        QVERIFY(grid ? rows > 0 || refused : true);
        QCOMPARE(lines.value(heading.size() + 2 + rows), totals);
    }

    void correctionFromTheList()
    {
        storeServices();
        QVERIFY(showList());
        TFormViewService* l = FormViewService;
        l->EditServiceId->setFocus();
        typeAndEnter(u"5"_s);
        QCOMPARE(listed(l->DBGrid1, {1, 0, 5}), (QStringList{u"1405/08/10 5 10"_s, u"1405/08/11 5 9"_s}));
        l->DBGrid1->setFocus();
        QTest::keyClick(l->DBGrid1, Qt::Key_Down);
        pressEnter();
        QVERIFY(QTest::qWaitForWindowActive(FormService));
        QVERIFY(FormService->EditMode);
        QCOMPARE(FormService->MaskEdit1->Text(), u"1405/08/11"_s);
        QCOMPARE(focused(), FormService->EditMoney);
        typeAndEnter(u"25000"_s);
        pressEnter();
        QVERIFY(!FormService->isVisible());
        QCOMPARE(f->dialogs.log, QStringList());
        QCOMPARE(listed(l->DBGrid1, {1, 0, 5, 6}),
                 (QStringList{u"1405/08/10 5 10 100"_s, u"1405/08/11 5 25000 2500"_s}));
    }

    void hostileFilterText_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        for (const QString& field : {u"EditServiceId"_s, u"EditAcountId"_s, u"EditDriverId"_s}) {
            const QByteArray tag = field.toLatin1();
            QTest::newRow(tag + " letters") << field << u"۱۲الف"_s;
            QTest::newRow(tag + " condition") << field << u"1 or 1=1"_s;
            QTest::newRow(tag + " quote, statement") << field << u"1'; delete from service; --"_s;
            QTest::newRow(tag + " comment") << field << u"1 /* x */"_s;
            QTest::newRow(tag + " nested") << field << QString(5000, u'(');
            QTest::newRow(tag + " beyond 32 bits") << field << u"4294967297"_s;
        }
    }

    void hostileFilterText()
    {
        QFETCH(QString, field);
        QFETCH(QString, typed);
        storeServices();
        const int stored = f->scalar(u"SELECT count(*) FROM service"_s).toInt();
        TDBGrid* grid;
        agency::TADOQuery* query;
        if (field == u"EditDriverId"_s) {
            account(u"7"_s, u"1405/08/10"_s, u"1405/08/10"_s);
            QCOMPARE(FormDriverHesab->Label1->text(), debtor(u"50000"_s));
            FormDriverHesab->EditDriverId->setText(typed);
            FormDriverHesab->MaskEdit2->setFocus();
            grid = FormDriverHesab->DBGrid1;
            query = DM->QueryDriverHesab;
        } else {
            QVERIFY(showList());
            auto* edit = FormViewService->findChild<QLineEdit*>(field);
            edit->setFocus();
            edit->setText(typed);  // whatever the keyboard allows
            grid = FormViewService->DBGrid1;
            query = DM->QueryViewService;
        }
        pressEnter();
        QCOMPARE(f->dialogs.errors.size(), 1);
        QVERIFY(!f->dialogs.errors[0].isEmpty());
        QVERIFY(!query->Active());
        QCOMPARE(grid->Model()->rowCount(), 0);
        QCOMPARE(f->scalar(u"SELECT count(*) FROM service"_s).toInt(), stored);
        if (field == u"EditDriverId"_s)  // the sentence keeps what it said
            QCOMPARE(FormDriverHesab->Label1->text(), debtor(u"50000"_s));
    }

    void accountSentences_data()
    {
        QTest::addColumn<int>("services");        // rows of driver 7 on 1405/08/10..11, one a time
        QTest::addColumn<qint64>("share");        // ten-thousandths of a rial, each
        QTest::addColumn<QList<qint64>>("paid");  // ten-thousandths of a rial, each a payment
        QTest::addColumn<QString>("to");
        QTest::addColumn<QStringList>("shown");  // debit total, credit total, sentence
        QTest::newRow("debtor, 1200 rows") << 1200 << 100000LL << QList<qint64>{40000000, 60000000} << u"1405/08/11"_s
                                           << QStringList{u"12000"_s, u"10000"_s, debtor(u"2000"_s)};
        QTest::newRow("equal") << 10 << 10000000LL << QList<qint64>{100000000} << u"1405/08/11"_s
                               << QStringList{u"10000"_s, u"10000"_s, kZero};
        QTest::newRow("creditor") << 1 << 10000000LL << QList<qint64>{35000000} << u"1405/08/11"_s
                                  << QStringList{u"1000"_s, u"3500"_s, creditor(u"2500"_s)};
        QTest::newRow("fractions rounded each") << 2 << 7502500LL << QList<qint64>{15015000} << u"1405/08/11"_s
                                                << QStringList{u"1500.5"_s, u"1501.5"_s, creditor(u"2"_s)};
        QTest::newRow("empty range") << 5 << 10000000LL << QList<qint64>{1000000} << u"1405/08/05"_s
                                     << QStringList{u""_s, u""_s, kZero};
        QTest::newRow("reversed range") << 5 << 10000000LL << QList<qint64>{1000000} << u"1405/08/09"_s
                                        << QStringList{u""_s, u""_s, kZero};
        QTest::newRow("beyond 32 bits") << 0 << 0LL << QList<qint64>{20000000000000, 20000000000000, 20000000000000}
                                        << u"1405/08/11"_s
                                        << QStringList{u"0"_s, u"6000000000"_s, creditor(u"6000000000"_s)};
    }

    void accountSentences()
    {
        QFETCH(int, services);
        QFETCH(qint64, share);
        QFETCH(QList<qint64>, paid);
        QFETCH(QString, to);
        QFETCH(QStringList, shown);
        // Driver 12 and the days around the range have rows of their own that must not count.
        f->exec(
            u"INSERT INTO service (service_id, driver_id, driver_name, service_date, service_percent, "
            "service_action) VALUES (1, 12, 'Hasan', '1405/08/10', 990000, 'x'), "
            "(1, 7, '%1', '1405/08/09', 990000, 'x'), (1, 7, '%1', '1405/08/12', 990000, 'x')"_s.arg(kDriver));
        if (services > 0)
            f->exec(
                u"WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n WHERE x < %1) "
                "INSERT INTO service (service_id, driver_id, driver_name, service_date, service_percent, "
                "service_action) SELECT 5000 - x, 7, '%2', '1405/08/1' || (1 - x % 2), %3, "
                "'انجام سرويس شماره ' || x FROM n"_s.arg(services)
                    .arg(kDriver)
                    .arg(share));
        for (int i = 0; i < paid.size(); ++i)
            f->exec(
                u"INSERT INTO service (service_id, driver_bes_no, driver_id, driver_name, service_date, "
                "driver_bes, service_action) VALUES (0, %1, 7, '%2', '1405/08/10', %3, 'پرداخت')"_s.arg(i + 1)
                    .arg(kDriver)
                    .arg(paid[i]));

        account(u"۷"_s, u"1405/08/10"_s, to);
        TFormDriverHesab* w = FormDriverHesab;
        QCOMPARE(f->dialogs.log, QStringList());
        QCOMPARE((QStringList{w->DBText2->text(), w->DBText3->text(), w->Label1->text()}), shown);

        // The rows by date, then as stored; the driver's name above them.
        QStringList rows;
        for (const QVariantList& r :
             f->rows(u"SELECT service_date, service_action FROM service WHERE driver_id=7 AND service_date "
                     "BETWEEN '1405/08/10' AND '%1' ORDER BY service_date, id"_s.arg(to)))
            rows << r[0].toString() + u' ' + r[1].toString();
        QCOMPARE(listed(w->DBGrid1, {0, 1}), rows);
        QCOMPARE(w->DBText1->text(), rows.isEmpty() ? QString() : kDriver);
    }

    void emptyCodeOpensThePicker()
    {
        QVERIFY(bringToFront(FormMain));
        QTest::keyClick(FormMain, Qt::Key_F10);
        QVERIFY(QTest::qWaitForWindowActive(FormDriverHesab));
        FormDriverHesab->EditDriverId->clear();
        pressEnter();
        QVERIFY(QTest::qWaitForWindowActive(FormSelectDriver));
        QCOMPARE(FormSelectDriver->Caller, 3);
        FormSelectDriver->EditDriverName->setFocus();
        typeText(focused(), u"Has"_s);
        FormSelectDriver->DBGrid1->setFocus();
        pressEnter();
        QVERIFY(!FormSelectDriver->isVisible());
        QVERIFY(QTest::qWaitForWindowActive(FormDriverHesab));
        QCOMPARE(FormDriverHesab->EditDriverId->text(), u"12"_s);
        QCOMPARE(focused(), FormDriverHesab->MaskEdit1);
    }

    // Every date field as the desk types into it: a one-digit month is completed, a date that is
    // not whole never reaches a filter; the report dates cannot be left, by any means, until whole.
    void dateFieldsCompleteOrRefuse_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("leave");      // Enter, Tab or a click on the next field
        QTest::addColumn<QString>("shown");  // after leaving; empty: refused, the focus kept
        const std::pair<int, const char*> windows[] = {{Qt::Key_F2, "service"},      {Qt::Key_F3, "payment"},
                                                       {Qt::Key_F7, "service list"}, {Qt::Key_F8, "payment list"},
                                                       {Qt::Key_F10, "account"},     {Qt::Key_F11, "statistics"}};
        for (auto [key, name] : windows) {
            QTest::addRow("%s: 1405/9/17", name)
                << key << u"MaskEdit1"_s << u"1405/9/17"_s << int(Qt::Key_Return) << u"1405/09/17"_s;
            if (key == Qt::Key_F2 || key == Qt::Key_F3) continue;  // refused when stored, as before
            QTest::addRow("%s: a day of one digit", name)
                << key << u"MaskEdit1"_s << u"1405/09/7"_s << int(Qt::Key_Return) << QString();
            QTest::addRow("%s: no such day, second field", name)
                << key << u"MaskEdit2"_s << u"1405/07/31"_s << int(Qt::Key_Return) << QString();
        }
        for (const char* field : {"MaskEdit1", "MaskEdit2"})
            for (auto [leave, how] :
                 {std::pair{int(Qt::Key_Tab), "Tab"}, {int(Qt::Key_Backtab), "Shift+Tab"}, {0, "a click"}}) {
                QTest::addRow("statistics, %s left by %s", field, how)
                    << int(Qt::Key_F11) << QString::fromLatin1(field) << u"1405/09/1"_s << leave << QString();
                QTest::addRow("statistics, %s completed by %s", field, how)
                    << int(Qt::Key_F11) << QString::fromLatin1(field) << u"1405/8/30"_s << leave << u"1405/08/30"_s;
            }
    }
    void dateFieldsCompleteOrRefuse()
    {
        QFETCH(int, key);
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(int, leave);
        QFETCH(QString, shown);
        QVERIFY(bringToFront(FormMain));
        QTest::keyClick(FormMain, Qt::Key(key));
        QTRY_VERIFY(QApplication::activeWindow() && QApplication::activeWindow() != FormMain);
        QWidget* window = QApplication::activeWindow();
        auto* date = window->findChild<TMaskEdit*>(field);
        QVERIFY(date);
        // Straight into the field, as a click on it puts the desk there.
        date->setFocus(Qt::ActiveWindowFocusReason);
        const QStringList before = filters();
        typeText(date, typed);
        if (leave == Qt::Key_Return || leave == Qt::Key_Tab)
            pressKey(leave);
        else if (leave == Qt::Key_Backtab)
            pressKey(leave, Qt::ShiftModifier);
        else
            window->findChild<TMaskEdit*>(field == u"MaskEdit1"_s ? u"MaskEdit2"_s : u"MaskEdit1"_s)
                ->setFocus(Qt::MouseFocusReason);
        if (shown.isEmpty()) {
            const QString message = key == Qt::Key_F11 ? u"مقدار وارد شده كامل نيست"_s : u"تاريخ درست نيست"_s;
            QCOMPARE(f->dialogs.log, QStringList{u"message: "_s + message});
            QCOMPARE(focused(), date);
            QCOMPARE(filters(), before);
            return;
        }
        QCOMPARE(f->dialogs.log, QStringList());
        QCOMPARE(date->displayText(), shown);
        QCOMPARE(date->Text(), shown);
        QVERIFY(focused() != date);
        for (const QString& sql : filters())
            QVERIFY2(!sql.contains(u"1405/8/"_s) && !sql.contains(u"1405/9/"_s), qPrintable(sql));
    }

    // The two totals stand under the debit and credit columns, whatever the window's size.
    void accountTotalsUnderTheirColumns()
    {
        f->exec(
            u"INSERT INTO service (service_id, driver_id, driver_name, service_date, service_percent, "
            "service_action) VALUES (1, 7, '%1', '1405/09/17', 990000, 'x')"_s.arg(kDriver));
        account(u"7"_s, kToday, kToday);
        TFormDriverHesab* w = FormDriverHesab;
        QCOMPARE(w->DBText2->text(), u"99"_s);
        for (QSize size : {w->size(), QSize(900, 560)}) {
            w->setFixedSize(size);
            QTRY_COMPARE(w->size(), size);
            QHeaderView* h = w->DBGrid1->horizontalHeader();
            for (auto [total, column] : {std::pair{w->DBText2, 2}, {w->DBText3, 3}}) {
                const int left = h->viewport()->mapTo(w, QPoint(h->sectionViewportPosition(column), 0)).x();
                QTRY_COMPARE(total->mapTo(w, QPoint()).x(), left);
                QCOMPARE(total->width(), h->sectionSize(column));
            }
        }
    }

    void windowsShowAllTheirTitles()
    {
        QVERIFY(showList());
        QStringList titles;
        for (int c = 0; c < 7; ++c)
            titles << FormViewService->DBGrid1->Model()->headerData(c, Qt::Horizontal).toString();
        QCOMPARE(titles, (QStringList{u"سرويس"_s, u"تاريخ"_s, u"ساعت"_s, u"كدراننده"_s, u"اشتراك"_s, u"مبلغ سرويس"_s,
                                      u"سهم آژانس"_s}));
        TFormViewService* l = FormViewService;
        QCOMPARE((QStringList{l->windowTitle(), l->EditServiceId->EditLabel->text(), l->EditAcountId->EditLabel->text(),
                              l->Label5->text(), l->Label6->text(), l->Label1->text(), l->Label2->text(),
                              l->Label3->text(), l->Label4->text()}),
                 (QStringList{u"نمايش سرويسهاي صورت گرفته"_s, u"شماره سرويس"_s, u"شماره مشترك"_s, u"تاريخ"_s,
                              u"تا تاريخ"_s, u"نام راننده :"_s, u"نام مشترك : "_s, u"مبدا :"_s, u"مقصد :"_s}));
        account(u"7"_s, kToday, kToday);
        TFormDriverHesab* w = FormDriverHesab;
        titles.clear();
        for (int c = 0; c < 4; ++c) titles << w->DBGrid1->Model()->headerData(c, Qt::Horizontal).toString();
        QCOMPARE(titles, (QStringList{u"تاريخ"_s, u"شرح"_s, u"بدهكار"_s, u"بستانكار"_s}));
        QCOMPARE((QStringList{w->windowTitle(), w->EditDriverId->EditLabel->text(), w->Label5->text(),
                              w->Label6->text(), w->Label1->text()}),
                 (QStringList{u"ريز حساب رانندگان"_s, u"كد راننده"_s, u"تاريخ"_s, u"تا تاريخ"_s, kZero}));
    }
};

QTEST_MAIN(TestReports)
#include "tst_reports.moc"
