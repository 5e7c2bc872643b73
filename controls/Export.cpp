#include "controls/Export.h"

#include <QFileInfo>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTextOption>
#include <functional>

#include "controls/DBGrid.h"
#include "controls/Dialogs.h"
#include "controls/Edits.h"
#include "data/Errors.h"
#include "data/SolarDate.h"

using namespace Qt::StringLiterals;

namespace {

struct Table {
    QString caption;
    QStringList titles;
    QVector<int> widths;
    QStringList footer;
};

Table describe(TDBGrid* grid)
{
    Table t;
    t.caption = grid->window()->windowTitle();
    TDBGridModel* m = grid->Model();
    for (int c = 0; c < m->columnCount(); ++c) {
        t.titles << m->headerData(c, Qt::Horizontal).toString();
        t.widths << qMax(40, grid->columnWidth(c));
    }
    if (grid->ExportFooter) t.footer = grid->ExportFooter();
    return t;
}

// Each row's texts as the grid shows them, in order; a new row not yet stored is left out.
void eachRow(TDBGrid* grid, const std::function<void(const QStringList&)>& use)
{
    TDBGridModel* m = grid->Model();
    const int pending = m->PendingRow();
    for (int r = 0; r < m->rowCount(); ++r) {
        if (r == pending) continue;
        QStringList texts;
        for (int c = 0; c < m->columnCount(); ++c) texts << m->Text(r, c);
        use(texts);
    }
}

[[noreturn]] void failed(const QString& path, const QString& why)
{
    throw agency::Error(u"فايل %1 نوشته نشد: %2"_s.arg(QFileInfo(path).fileName(), why));
}

QString csvField(const QString& text)
{
    QString out = text;
    // A name typed as "=HYPERLINK(...)" or "-2+3+cmd|..." must not open as a formula; a negative
    // amount stays a number.
    static const QRegularExpression negativeNumber(u"^-\\d+(\\.\\d+)?$"_s);
    const bool formula = !out.isEmpty() && (QStringView(u"=+@\t\r").contains(out[0]) ||
                                            (out[0] == u'-' && !negativeNumber.match(out).hasMatch()));
    if (formula) out.prepend(u'\'');
    if (!out.contains(u',') && !out.contains(u'"') && !out.contains(u'\n') && !out.contains(u'\r')) return out;
    return u'"' + out.replace(u"\""_s, u"\"\""_s) + u'"';
}

void writeCsv(TDBGrid* grid, const Table& t, QSaveFile& file)
{
    // A byte-order mark, so that spreadsheets read the Persian as UTF-8.
    file.write("\xEF\xBB\xBF");
    auto line = [&file](const QStringList& fields) {
        QStringList out;
        for (const QString& f : fields) out << csvField(f);
        file.write((out.join(u',') + u"\r\n"_s).toUtf8());
    };
    line(t.titles);
    eachRow(grid, line);
    if (!t.footer.isEmpty()) {
        file.write("\r\n");
        for (const QString& f : t.footer) line({f});
    }
}

void writePdf(TDBGrid* grid, const Table& t, QSaveFile& file)
{
    QPdfWriter pdf(&file);
    pdf.setPageSize(QPageSize(QPageSize::A4));
    pdf.setPageMargins(QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter);
    pdf.setResolution(300);
    pdf.setTitle(t.caption);
    QPainter p(&pdf);
    p.setLayoutDirection(Qt::RightToLeft);
    const QRect page = p.viewport();
    QFont font = grid->font();
    font.setPointSize(9);
    QFont heading = font;
    heading.setPointSize(13);
    heading.setBold(true);
    p.setFont(font);
    const int rowHeight = p.fontMetrics().height() * 3 / 2;
    const int pad = rowHeight / 4;

    // The grid's widths, scaled to the page; the first column stands at the right.
    int total = 0;
    for (int w : t.widths) total += w;
    QVector<QRect> cells;
    int right = page.right();
    for (int w : t.widths) {
        const int width = int(qint64(w) * page.width() / total);
        cells << QRect(right - width, 0, width, rowHeight);
        right -= width;
    }
    QTextOption rtl(Qt::AlignRight | Qt::AlignAbsolute | Qt::AlignVCenter);
    rtl.setTextDirection(Qt::RightToLeft);
    rtl.setWrapMode(QTextOption::NoWrap);
    QTextOption centred(Qt::AlignCenter);
    centred.setTextDirection(Qt::RightToLeft);

    int y = page.top();
    auto drawRow = [&](const QStringList& texts, bool titles) {
        QFont f = font;
        f.setBold(titles);
        p.setFont(f);
        for (int c = 0; c < cells.size(); ++c) {
            const QRect box = cells[c].translated(0, y);
            if (titles) p.fillRect(box, QColor(230, 230, 230));
            p.drawRect(box);
            p.drawText(box.adjusted(pad, 0, -pad, 0), texts.value(c), titles ? centred : rtl);
        }
        y += rowHeight;
    };
    auto newPage = [&](bool first) {
        if (!first) pdf.newPage();
        y = page.top();
        p.setFont(heading);
        const int h = p.fontMetrics().height() * 3 / 2;
        p.drawText(QRect(page.left(), y, page.width(), h), t.caption, centred);
        y += h;
        drawRow(t.titles, true);
        p.setFont(font);
    };
    newPage(true);
    eachRow(grid, [&](const QStringList& texts) {
        if (y + rowHeight > page.bottom()) newPage(false);
        drawRow(texts, false);
    });
    p.setFont(font);
    y += rowHeight / 2;
    // A long sentence wraps within the page rather than running off it.
    QTextOption wrapped = rtl;
    wrapped.setWrapMode(QTextOption::WordWrap);
    for (const QString& line : t.footer) {
        const QRectF need = p.boundingRect(QRectF(0, 0, page.width(), page.height()), line, wrapped);
        const int height = qMax(rowHeight, int(need.height()) + pad);
        if (y + height > page.bottom()) newPage(false);
        p.drawText(QRect(page.left(), y, page.width(), height), line, wrapped);
        y += height;
    }
    if (!p.end()) failed(file.fileName(), u"صفحه PDF ساخته نشد"_s);
}

}  // namespace

QString ProposedExportName(const TDBGrid* grid)
{
    QString name = grid->ExportName ? grid->ExportName() : grid->window()->windowTitle();
    QStringList dates;
    for (const TMaskEdit* date : grid->window()->findChildren<TMaskEdit*>())
        if (date->IsComplete()) dates << date->Text();
    if (dates.isEmpty()) dates << agency::SolarDate::TodayDate();
    dates.removeDuplicates();
    name += u' ' + dates.join(u" تا "_s);
    for (QChar& c : name)
        if (QStringView(u"/\\:*?\"<>|").contains(c)) c = u'-';
    return name.simplified() + u".csv"_s;
}

void ExportGrid(TDBGrid* grid, const QString& path)
{
    if (!grid->DataSet()) return;
    grid->Model()->FetchAll();
    const Table t = describe(grid);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) failed(path, file.errorString());
    if (path.endsWith(u".pdf"_s, Qt::CaseInsensitive))
        writePdf(grid, t, file);
    else
        writeCsv(grid, t, file);
    // Only a whole file takes the chosen name.
    if (!file.commit()) failed(path, file.errorString());
}

void TDBGrid::ExportDialog()
{
    const QString path = dialogs().SaveFileName(ProposedExportName(this));
    if (!path.isEmpty()) guarded([&] { ExportGrid(this, path); });
}
