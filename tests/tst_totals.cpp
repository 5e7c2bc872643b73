// The two totals windows as the desk opens them from the main window: every driver's balance
// (F9) and the statistics of a range of dates (F11).

#include "app/UnitMain.h"
#include "data/UnitDM.h"
#include "reports/UnitAmar.h"
#include "reports/UnitDriverMande.h"
#include "tests/Fixture.h"

#include <QBarSeries>
#include <QBarSet>
#include <QCategoryAxis>
#include <QChartView>
#include <QFile>
#include <QLineSeries>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// "driver|name|share|payment[|date[|fare]]": one service row (a share) or payment row.
QString insertRow(const QString& spec, int n)
{
    const QStringList p = spec.split(u'|');
    const auto units = [](const QString& amount) { return agency::Currency::parse(amount).units(); };
    const bool payment = units(p[3]) != 0;
    return u"INSERT INTO service (service_id, driver_bes_no, driver_id, driver_name, service_date, service_moeny, "
           u"service_percent, driver_bes) VALUES (%1, %2, %3, '%4', '%5', %6, %7, %8)"_s.arg(payment ? 0 : n)
               .arg(payment ? n : 0)
               .arg(p[0], p[1], p.value(4, u"1405/09/17"_s))
               .arg(units(p.value(5, u"0"_s)))
               .arg(units(p[2]))
               .arg(units(p[3]));
}

}  // namespace

class TestTotals : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<Fixture> f;

    void store(const QStringList& rows)
    {
        for (int i = 0; i < rows.size(); ++i) f->exec(insertRow(rows[i], i + 1));
    }

    // A main-window key, and the window it opens in front.
    bool open(int key, QWidget* window)
    {
        if (!bringToFront(FormMain)) return false;
        QTest::keyClick(FormMain, Qt::Key(key));
        return QTest::qWaitForWindowActive(window);
    }

    QStringList balanceLines()
    {
        TDBGrid* g = FormDriverMande->DBGrid1;
        QStringList out;
        for (int r = 0; r < g->model()->rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < g->model()->columnCount(); ++c) cells << g->Model()->Text(r, c);
            out << cells.join(u'|') + (g->model()->index(r, 2).data(Qt::BackgroundRole).isValid() ? u"!"_s : u""_s);
        }
        return out;
    }

    QStringList totals() { return {FormAmar->DBText1->text(), FormAmar->DBText2->text(), FormAmar->DBText4->text()}; }

private slots:
    void init() { f = std::make_unique<Fixture>(); }
    void cleanup() { f.reset(); }

    void balances_data()
    {
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("two forms of one name, two lines")
            << QStringList{u"7|علي رضايي|1200|0"_s, u"7|علي رضائي|300|0"_s, u"7|علي رضايي|0|200"_s}
            << QStringList{u"7|علي رضائي|300|0|300!"_s, u"7|علي رضايي|1200|200|1000!"_s};
        QTest::newRow("paid more than his share")
            << QStringList{u"3|حسن|1000|0"_s, u"3|حسن|0|1500"_s} << QStringList{u"3|حسن|1000|1500|-500"_s};
        QTest::newRow("equal shares and payments")
            << QStringList{u"4|رضا|12000|0"_s, u"4|رضا|0|12000"_s} << QStringList{u"4|رضا|12000|12000|0"_s};
        QTest::newRow("services only, shares with decimals")
            << QStringList{u"5|رضا|2500.5|0"_s, u"5|رضا|0.25|0"_s} << QStringList{u"5|رضا|2500.75|0|2500.75!"_s};
        QTest::newRow("beyond 32 bits") << QStringList{u"9|x|3000000000|0"_s, u"9|x|0|1"_s}
                                        << QStringList{u"9|x|3000000000|1|2999999999!"_s};
        QTest::newRow("in the order of the drivers' codes")
            << QStringList{u"12|b|1|0"_s, u"2|a|1|0"_s, u"100|c|1|0"_s}
            << QStringList{u"2|a|1|0|1"_s, u"12|b|1|0|1"_s, u"100|c|1|0|1"_s};
    }
    void balances()
    {
        QFETCH(QStringList, rows);
        QFETCH(QStringList, lines);
        store(rows);
        f->exec(u"UPDATE payeh SET debt_limit=10000000"_s);  // lines of a driver owing more than 1000 marked !
        DM->ADOTablePayeh->Reopen();
        QVERIFY(open(Qt::Key_F9, FormDriverMande));
        QCOMPARE(balanceLines(), lines);
        // A payment recorded while the window is hidden counts at its next showing.
        QTest::keyClick(FormDriverMande, Qt::Key_Escape);
        QVERIFY(!FormDriverMande->isVisible());
        const QStringList first = lines[0].split(u'|');
        f->exec(insertRow(u"%1|%2|0|100"_s.arg(first[0], first[1]), 999));
        QVERIFY(open(Qt::Key_F9, FormDriverMande));
        const QStringList now = balanceLines()[0].split(u'|');
        QCOMPARE(agency::Currency::parse(now[3]),
                 agency::Currency::parse(first[3]) + agency::Currency::fromInteger(100));
    }

    void statistics_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QStringList>("shown");  // fares, shares, payments
        QTest::addColumn<QStringList>("axis");   // the chart's days, their count and the labels at either end
        QTest::newRow("one day") << u"1405/09/17"_s << u"1405/09/17"_s << QStringList{u"35000"_s, u"3500.5"_s, u"700"_s}
                                 << QStringList{u"1"_s, u"۰۹/۱۷"_s, u"۰۹/۱۷"_s};
        QTest::newRow("both ends of a range")
            << u"1405/09/10"_s << u"1405/09/17"_s << QStringList{u"50000"_s, u"5000.5"_s, u"1700"_s}
            << QStringList{u"8"_s, u"۰۹/۱۷"_s, u"۰۹/۱۰"_s};
        QTest::newRow("a year, over two")
            << u"1404/12/29"_s << u"1405/12/29"_s << QStringList{u"59990"_s, u"5999.5"_s, u"1700"_s}
            << QStringList{u"366"_s, u"۱۴۰۵/۱۱/۱۲"_s, u"۱۴۰۴/۱۲/۲۹"_s};
        QTest::newRow("a range without rows")
            << u"1405/10/01"_s << u"1405/10/30"_s << QStringList{QString(), QString(), QString()}
            << QStringList{u"30"_s, u"۱۰/۲۸"_s, u"۱۰/۰۱"_s};
        QTest::newRow("a range reversed") << u"1405/09/17"_s << u"1405/09/10"_s
                                          << QStringList{QString(), QString(), QString()} << QStringList{u"0"_s};
    }
    void statistics()
    {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QStringList, shown);
        store({u"1|a|2000.25|0|1405/09/17|20000"_s, u"1|a|1500.25|0|1405/09/17|15000"_s, u"1|a|0|700|1405/09/17"_s,
               u"2|b|1500|0|1405/09/10|15000"_s, u"2|b|0|1000|1405/09/10"_s, u"2|b|999|0|1405/09/09|9990"_s});
        QVERIFY(open(Qt::Key_F11, FormAmar));
        // The first showing: today's date in both fields, the totals as they stood at start-up.
        QCOMPARE(FormAmar->MaskEdit1->Text(), u"1405/09/17"_s);
        QCOMPARE(FormAmar->MaskEdit2->Text(), u"1405/09/17"_s);
        QCOMPARE(focused(), FormAmar->MaskEdit1);
        QCOMPARE(totals(), QStringList({QString(), QString(), QString()}));
        typeText(FormAmar->MaskEdit1, from);
        pressEnter();
        QCOMPARE(focused(), FormAmar->MaskEdit2);
        typeText(FormAmar->MaskEdit2, to);
        pressEnter();
        QCOMPARE(totals(), shown);
        QVERIFY(FormAmar->DBText3->isHidden());
        // The chart: a bar of services and a point of share for each day, the first day at the right.
        QFETCH(QStringList, axis);
        const QList<QAbstractSeries*> series = FormAmar->ChartView1->chart()->series();
        QCOMPARE(series.size(), axis[0] == u"0"_s ? 0 : 2);
        if (!series.isEmpty()) {
            const QBarSet* bars = static_cast<QBarSeries*>(series[0])->barSets().value(0);
            const auto* line = static_cast<QLineSeries*>(series[1]);
            QCOMPARE(QString::number(bars->count()), axis[0]);
            QCOMPARE(line->count(), bars->count());
            double services = 0, share = 0;
            for (int i = 0; i < bars->count(); ++i) services += bars->at(i), share += line->at(i).y();
            QCOMPARE(services, f->scalar(u"SELECT count(*) FROM service WHERE service_id<>0 AND service_date>='%1' "
                                         u"AND service_date<='%2'"_s.arg(from, to))
                                   .toDouble());
            QCOMPARE(share, shown[1].toDouble());
            const QStringList labels =
                static_cast<QCategoryAxis*>(FormAmar->ChartView1->chart()->axes(Qt::Horizontal)[0])->categoriesLabels();
            QCOMPARE(QStringList({labels.first(), labels.last()}), axis.mid(1));
        }
        // The PDF carries the chart under the totals.
        const QString path = f->dir.filePath(u"amar.pdf"_s);
        f->dialogs.saveAnswers << path;
        pressKey(Qt::Key_E, Qt::ControlModifier);
        QCOMPARE(
            agency::foldText(runTool(u"pdftotext"_s, {path, u"-"_s})).contains(agency::foldText(u"تعداد سرويسها"_s)),
            !series.isEmpty());
        // Shown again on another day: today's date, the same totals until Enter.
        QTest::keyClick(FormAmar, Qt::Key_Escape);
        f->setNow(f->now.addDays(1));
        f->tick();
        QVERIFY(open(Qt::Key_F11, FormAmar));
        QCOMPARE(FormAmar->MaskEdit1->Text(), u"1405/09/18"_s);
        QCOMPARE(totals(), shown);
    }

    // A negative balance reads "-500", its sign at the left, in the list as in every total.
    void negativeBalanceReadsWithItsSignAtTheLeft()
    {
        store({u"3|حسن|1000|0"_s, u"3|حسن|0|1500"_s});
        QVERIFY(open(Qt::Key_F9, FormDriverMande));
        TDBGrid* g = FormDriverMande->DBGrid1;
        const QString cell = g->model()->index(0, 4).data().toString();
        QVERIFY(readsLeftToRight(cell, u"-500"_s, g->font()));
        QCOMPARE(g->model()->index(0, 4).data(Qt::EditRole).toString(), u"-500"_s);
        // Written out, it stays a number a spreadsheet can add up.
        const QString path = f->dir.filePath(u"balances.csv"_s);
        f->dialogs.saveAnswers << path;
        pressKey(Qt::Key_E, Qt::ControlModifier);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY2(QString::fromUtf8(file.readAll()).contains(u",-500\r\n"_s), qPrintable(path));
    }

    void statisticsDateNotComplete()
    {
        QVERIFY(open(Qt::Key_F11, FormAmar));
        FormAmar->MaskEdit1->clear();
        typeText(FormAmar->MaskEdit1, u"1405"_s);
        pressEnter();
        QCOMPARE(focused(), FormAmar->MaskEdit1);
        QCOMPARE(f->dialogs.messages.size(), 1);
    }
};

QTEST_MAIN(TestTotals)
#include "tst_totals.moc"
