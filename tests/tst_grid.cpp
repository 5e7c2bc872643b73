// The data grid over the desk's tables: more rows than one fetch, editing in place by keys,
// refusals that keep what was typed, and the current row shared with the dataset.

#include "baseinfo/UnitNewDriver.h"
#include "controls/DBGrid.h"
#include "controls/Form.h"
#include "data/UnitDM.h"
#include "tests/Fixture.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;
using agency::TDataSetState;

namespace {

constexpr int kDrivers = 1100;

// A key to whatever has the focus, and the events it leaves behind (an editor commits queued).
void key(int k, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QTest::keyClick(focused(), Qt::Key(k), modifiers);
    QCoreApplication::processEvents();
}

// Key by key to whatever has the focus: the first key opens the cell's editor, the rest go to it.
void typeKeys(const QString& text)
{
    for (const QChar c : text) typeText(focused(), QString(c));
}

}  // namespace

class TestGrid : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<Fixture> f;
    std::unique_ptr<TForm> host;
    TDBGrid* grid = nullptr;
    std::unique_ptr<QAbstractItemModelTester> tester;

    // A window holding one grid on the drivers, as the registers have it.
    void showGrid(agency::TDataSource* source, bool editable)
    {
        host = std::make_unique<TForm>();
        host->resize(700, 400);
        grid = new TDBGrid(host.get());
        auto* layout = new QVBoxLayout(host.get());
        layout->addWidget(grid);
        grid->SetDataSource(source);
        grid->SetColumns({{u"driver_id"_s, u"كد"_s, 50}, {u"driver_name"_s, u"نام راننده"_s, 145}});
        grid->SetEditable(editable);
        tester = std::make_unique<QAbstractItemModelTester>(grid->Model(),
                                                            QAbstractItemModelTester::FailureReportingMode::QtTest);
        QVERIFY(showActive(host.get()));
        grid->setFocus();
    }

    QString nameOf(int code)
    {
        return f->scalar(u"SELECT driver_name FROM driver WHERE driver_id=%1"_s.arg(code)).toString();
    }
    int driverCount() { return f->scalar(u"SELECT count(*) FROM driver"_s).toInt(); }
    int currentRow() const { return grid->currentIndex().row(); }

    // Row 1 (driver 2), in the given column.
    void toSecondRow(int column)
    {
        key(Qt::Key_Down);
        // Right to left: the next column stands to the left.
        for (int c = 0; c < column; ++c) key(Qt::Key_Left);
        QCOMPARE(grid->currentIndex(), grid->Model()->index(1, column));
    }

private slots:
    void init()
    {
        f = std::make_unique<Fixture>(false);
        QStringList values;
        for (int i = 1; i <= kDrivers; ++i) values << u"(%1, 'راننده %1', '', '', '')"_s.arg(i);
        f->exec(u"INSERT INTO driver (driver_id, driver_name, driver_add, driver_tel, driver_auto) VALUES "_s +
                values.join(u','));
        DM->ADOTableDriver->Reopen();
        DM->QueryDriver->Reopen();
    }
    void cleanup()
    {
        tester.reset();
        host.reset();
        f.reset();
    }

    void editingInPlace_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<int>("code");            // the driver whose row is checked afterwards
        QTest::addColumn<QString>("storedName");  // his name in the file; empty: no such row
        QTest::addColumn<int>("drivers");
        QTest::addColumn<bool>("refused");  // an error was shown and the row stays in editing

        QTest::newRow("a name typed over is stored on leaving the row")
            << u"name up"_s << 2 << u"حسن"_s << kDrivers << false;
        QTest::newRow("Esc abandons it and closes the window")
            << u"name esc"_s << 2 << u"راننده 2"_s << kDrivers << false;
        QTest::newRow("a code in use is refused, typing kept")
            << u"code1 up"_s << 2 << u"راننده 2"_s << kDrivers << true;
        QTest::newRow("a refused row outlives another window's lookup on the table")
            << u"code1 up walk"_s << 2 << u"راننده 2"_s << kDrivers << true;
        QTest::newRow("a refused row outlives another window's new entry")
            << u"code1 up save-new"_s << 2 << u"راننده 2"_s << kDrivers << true;
        QTest::newRow("a text over 50 letters is refused") << u"long up"_s << 2 << u"راننده 2"_s << kDrivers << true;
        QTest::newRow("a code not a number is refused") << u"codeX"_s << 2 << u"راننده 2"_s << kDrivers << true;
        QTest::newRow("Insert begins a row, stored once filled and left")
            << u"insert up"_s << 5000 << u"تازه"_s << kDrivers + 1 << false;
        QTest::newRow("a new row left unchanged is dropped")
            << u"insert-empty up"_s << 5000 << QString() << kDrivers << false;
        QTest::newRow("Down on the last row begins a new row")
            << u"end down up"_s << 5000 << u"تازه"_s << kDrivers + 1 << false;
        QTest::newRow("Ctrl+Delete answered OK deletes") << u"delete-ok"_s << 2 << QString() << kDrivers - 1 << false;
        QTest::newRow("Ctrl+Delete answered Cancel keeps")
            << u"delete-cancel"_s << 2 << u"راننده 2"_s << kDrivers << false;
    }
    void editingInPlace()
    {
        QFETCH(QString, steps);
        QFETCH(int, code);
        QFETCH(QString, storedName);
        QFETCH(int, drivers);
        QFETCH(bool, refused);
        showGrid(&DM->DataSourceDriver, true);
        agency::TADOTable* t = DM->ADOTableDriver;
        QString typed;
        for (const QString& step : steps.split(u' ')) {
            if (step == u"name") {
                toSecondRow(1);
                typeKeys(typed = u"حسن"_s);
            } else if (step == u"code1") {
                toSecondRow(0);
                typeKeys(typed = u"1"_s);
            } else if (step == u"codeX") {
                toSecondRow(0);
                typeKeys(u"x1"_s);
                key(Qt::Key_Return);
            } else if (step == u"long") {
                toSecondRow(1);
                typeKeys(typed = QString(51, QChar(0x0628)));
            } else if (step == u"insert" || step == u"insert-empty") {
                key(Qt::Key_Insert);
                QCOMPARE(t->State(), TDataSetState::dsInsert);
                QVERIFY(!t->canFetchMore());
                QCOMPARE(currentRow(), grid->Model()->rowCount() - 1);
                if (step == u"insert") {
                    typeKeys(u"5000"_s);
                    key(Qt::Key_Return);
                    key(Qt::Key_Left);
                    typeKeys(u"تازه"_s);
                }
            } else if (step == u"end") {
                key(Qt::Key_End, Qt::ControlModifier);
                QCOMPARE(grid->Model()->Text(currentRow(), 0), QString::number(kDrivers));
            } else if (step == u"down") {
                key(Qt::Key_Down);
                QCOMPARE(t->State(), TDataSetState::dsInsert);
                typeKeys(u"5000"_s);
                key(Qt::Key_Return);
                key(Qt::Key_Left);
                typeKeys(u"تازه"_s);
            } else if (step == u"walk") {
                // The service window's driver lookup walks the same table from its first row.
                guarded([t] { agency::WalkToCode(t, u"driver_id"_s, 3); });
            } else if (step == u"save-new") {
                // The new-driver window appends to the same table.
                FormNewDriver->Prepare(5000);
                FormNewDriver->LabeledEdit2->setText(u"تازه"_s);
                FormNewDriver->BitBtn1->click();
            } else if (step == u"up") {
                key(Qt::Key_Up);
            } else if (step == u"esc") {
                key(Qt::Key_Escape);
                QVERIFY(!host->isVisible());
            } else if (step.startsWith(u"delete")) {
                toSecondRow(0);
                f->dialogs.answers << (step == u"delete-ok");
                key(Qt::Key_Delete, Qt::ControlModifier);
                QCOMPARE(f->dialogs.questions.value(0), u"Delete record?"_s);
            }
        }
        QCOMPARE(driverCount(), drivers);
        QCOMPARE(nameOf(code), storedName);
        while (grid->Model()->canFetchMore({})) grid->Model()->fetchMore({});
        QCOMPARE(grid->Model()->rowCount() - (t->State() == TDataSetState::dsInsert ? 1 : 0), drivers);
        QCOMPARE(!f->dialogs.errors.isEmpty(), refused);
        if (refused) {
            // Nothing stored, the row still in editing on the same line, what was typed still there.
            QCOMPARE(t->State(), TDataSetState::dsEdit);
            QCOMPARE(currentRow(), 1);
            QCOMPARE(t->RecNo(), 1);
            if (!typed.isEmpty()) QCOMPARE(grid->Model()->Text(1, steps.startsWith(u"code") ? 0 : 1), typed);
            QCOMPARE(f->scalar(u"SELECT count(*) FROM driver WHERE driver_id=2"_s).toInt(), 1);
        } else if (host->isVisible()) {
            QCOMPARE(t->State(), TDataSetState::dsBrowse);
            // The row the desk sees highlighted is the one a delete would take.
            QCOMPARE(t->RecNo(), currentRow());
        }
    }

    void readOnlyGridSharesTheCurrentRow()
    {
        showGrid(&DM->DSDriver, false);
        agency::TADOQuery* q = DM->QueryDriver;
        QSignalSpy activated(grid, &TDBGrid::Activated);
        typeKeys(u"x"_s);
        QCOMPARE(focused(), static_cast<QWidget*>(grid));  // no cell editor took the key
        // Past the first fetch, both ways: the dataset moves the grid, the grid moves the dataset.
        QVERIFY(q->Locate(u"driver_id"_s, {u"1050"_s}));
        QCOMPARE(currentRow(), q->RecNo());
        QCOMPARE(grid->Model()->Text(currentRow(), 1), u"راننده 1050"_s);
        key(Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(q->FieldByName(u"driver_id"_s).AsInteger(), kDrivers);
        key(Qt::Key_Up);
        QCOMPARE(q->FieldByName(u"driver_id"_s).AsInteger(), kDrivers - 1);
        key(Qt::Key_Return);
        QCOMPARE(activated.count(), 1);
        const QRect cell = grid->visualRect(grid->currentIndex());
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(activated.count(), 2);
        // A reopened dataset takes the grid back to its first row, with the new rows.
        f->exec(u"DELETE FROM driver WHERE driver_id > 10"_s);
        q->Reopen();
        QCOMPARE(grid->Model()->rowCount(), 10);
        QCOMPARE(currentRow(), 0);
    }
};

QTEST_MAIN(TestGrid)
#include "tst_grid.moc"
