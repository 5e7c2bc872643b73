// A list exported by Ctrl+E as the desk sees it: every row in order, titles and footer, to CSV
// and to PDF, and nothing under the chosen name when the file cannot be written.

#include "controls/DBGrid.h"
#include "controls/Form.h"
#include "data/Database.h"
#include "data/UnitDM.h"
#include "tests/Fixture.h"

#include <QFile>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSet>
#include <QTest>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

constexpr int kDrivers = 1100;
const QString kQuoted = u"علي \"حاجي\", رضايي"_s;
const QString kFormula = u"=HYPERLINK(\"x\")"_s;
const QString kProposed = u"ليست راننده گان \u20661405-09-17.csv\u2069"_s;
const QString kSignedFormula = u"-2+3+cmd|' /C calc'!A0"_s;  // opens as a formula though it starts like a number

}  // namespace

class TestExport : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<Fixture> f;
    std::unique_ptr<TForm> host;
    TDBGrid* grid = nullptr;
    QLineEdit* field = nullptr;  // a filter field beside the grid, as the report windows have

private slots:
    void init()
    {
        f = std::make_unique<Fixture>(false);
        QStringList values;
        for (int i = 1; i <= kDrivers; ++i)
            values << u"(%1, '%2', '', '', '')"_s.arg(i).arg(i == 7   ? QString(kQuoted).replace(u"'"_s, u"''"_s)
                                                             : i == 8 ? kFormula
                                                             : i == 9 ? QString(kSignedFormula).replace(u"'"_s, u"''"_s)
                                                             : i == 10 ? u"-1500"_s
                                                                       : u"راننده %1"_s.arg(i));
        f->exec(u"INSERT INTO driver (driver_id, driver_name, driver_add, driver_tel, driver_auto) VALUES "_s +
                values.join(u','));
        DM->QueryDriver->Reopen();
        host = std::make_unique<TForm>();
        host->setWindowTitle(u"ليست راننده گان"_s);
        host->resize(600, 400);
        grid = new TDBGrid(host.get());
        field = new QLineEdit(host.get());
        auto* layout = new QVBoxLayout(host.get());
        layout->addWidget(field);
        layout->addWidget(grid);
        grid->SetDataSource(&DM->DSDriver);
        grid->SetColumns({{u"driver_id"_s, u"كد"_s, 50}, {u"driver_name"_s, u"نام راننده"_s, 145}});
        grid->ExportFilter = {{u"تاريخ"_s, u"1405/09/17"_s}};
        grid->ExportTotals = [] { return QStringList{{}, u"جمع رانندگان: %1"_s.arg(kDrivers)}; };
        grid->ExportFooter = [] { return QStringList{u"پايان"_s}; };
        QVERIFY(showActive(host.get()));
        grid->setFocus();
    }
    void cleanup()
    {
        host.reset();
        f.reset();
    }

    void exportByCtrlE_data()
    {
        QTest::addColumn<QString>("target");  // under the test's folder; empty: the dialog cancelled
        QTest::addColumn<bool>("written");
        QTest::addColumn<bool>("fromField");  // Ctrl+E typed in the filter field, not in the grid
        // The proposed name as the dialog gives it back, its date and ending isolated.
        QTest::newRow("CSV") << kProposed << true << false;
        QTest::newRow("PDF") << u"list.pdf"_s << true << false;
        QTest::newRow("PDF, from the filter field") << u"list.pdf"_s << true << true;
        QTest::newRow("cancelled") << QString() << false << false;
        QTest::newRow("a folder that is not there") << u"missing/list.csv"_s << false << false;
        QTest::newRow("over a folder") << u"folder.csv"_s << false << false;
    }
    void exportByCtrlE()
    {
        QFETCH(QString, target);
        QFETCH(bool, written);
        QFETCH(bool, fromField);
        QVERIFY(QDir(f->dir.path()).mkdir(u"folder.csv"_s));
        f->dialogs.saveAnswers << (target.isEmpty() ? QString() : f->dir.filePath(target));
        const QString path = target.isEmpty()
                                 ? QString()
                                 : f->dir.filePath(QString(target).remove(QRegularExpression(u"[\u2066-\u2069]"_s)));
        QWidget* typedIn = fromField ? static_cast<QWidget*>(field) : grid;
        typedIn->setFocus();
        QTest::keyClick(typedIn, Qt::Key_E, Qt::ControlModifier);
        QCOMPARE(f->dialogs.proposedNames, QStringList{kProposed});
        QCOMPARE(QFileInfo(path).isFile(), written);
        QCOMPARE(f->dialogs.errors.size(), written || path.isEmpty() ? 0 : 1);
        if (!written) {
            // Nothing half-written beside it either.
            QCOMPARE(QDir(f->dir.path()).entryList({u"*.csv"_s, u"*.pdf"_s}, QDir::Files), QStringList());
            return;
        }
        if (path.endsWith(u".csv"_s)) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QByteArray bytes = file.readAll();
            QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
            QStringList lines = QString::fromUtf8(bytes.mid(3)).split(u"\r\n"_s);
            // The window's caption and filter head the file.
            QCOMPARE(lines.mid(0, 3), (QStringList{u"ليست راننده گان"_s, u"تاريخ,1405/09/17"_s, {}}));
            lines = lines.mid(3);
            QCOMPARE(lines.size(), 1 + kDrivers + 4);  // titles, rows, totals, a blank, the footer, the last line end
            QCOMPARE(lines[0], u"كد,نام راننده"_s);
            QCOMPARE(lines[1], u"1,راننده 1"_s);
            QCOMPARE(lines[7], u"7,\"علي \"\"حاجي\"\", رضايي\""_s);
            QCOMPARE(lines[8], u"8,\"'=HYPERLINK(\"\"x\"\")\""_s);  // never a formula
            QCOMPARE(lines[9], u"9,'"_s + kSignedFormula);
            QCOMPARE(lines[10], u"10,-1500"_s);  // a negative number stays a number
            QCOMPARE(lines[kDrivers], u"1100,راننده 1100"_s);
            QCOMPARE(lines[kDrivers + 1], u",جمع رانندگان: 1100"_s);  // under the name column
            QCOMPARE(lines[kDrivers + 3], u"پايان"_s);
        } else {
            // The faces draw ي and ك the Persian way, and the text layer says so: compare folded.
            const QString text = agency::foldText(runTool(u"pdftotext"_s, {path, u"-"_s}));
            for (const QString& expected :
                 {u"ليست راننده گان"_s, u"1405/09/17"_s, u"نام راننده"_s, u"جمع رانندگان"_s, u"پايان"_s})
                QVERIFY2(text.contains(agency::foldText(expected)), qPrintable(expected));
            // Every row of the list, on whichever page it fell.
            QSet<int> codes;
            // pdftotext marks its right-to-left runs; the words are between the marks.
            for (const QString& word : QString(text)
                                           .replace(QRegularExpression(u"[\u202a-\u202e]"_s), u" "_s)
                                           .split(QRegularExpression(u"\\s+"_s)))
                if (bool ok; word.toInt(&ok) > 0 && ok) codes << word.toInt();
            for (int code = 1; code <= kDrivers; ++code)
                QVERIFY2(codes.contains(code), qPrintable(QString::number(code)));
            const QString info = runTool(u"pdfinfo"_s, {path});
            const int pages = info.section(u"Pages:"_s, 1).trimmed().section(u'\n', 0, 0).toInt();
            QVERIFY2(pages > 1, qPrintable(info));
        }
    }
};

QTEST_MAIN(TestExport)
#include "tst_export.moc"
