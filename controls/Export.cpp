#include "controls/Export.h"

#include "controls/DBGrid.h"
#include "controls/Dialogs.h"
#include "controls/Edits.h"
#include "data/Currency.h"
#include "data/Errors.h"
#include "data/SolarDate.h"

#include <QApplication>
#include <QFileInfo>
#include <QKeyEvent>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QSaveFile>
#include <QShortcut>
#include <QTextOption>

using namespace Qt::StringLiterals;

namespace {

using RowSink = std::function<void(const QStringList&)>;

[[noreturn]] void failed(const QString& path, const QString& why)
{
    throw agency::Error(u"فايل %1 نوشته نشد: %2"_s.arg(QFileInfo(path).fileName(), why));
}

bool isRtl(QChar c)
{
    return c.direction() == QChar::DirR || c.direction() == QChar::DirAL;
}

bool isBidiControl(QChar c)
{
    const char16_t u = c.unicode();
    return u == 0x200E || u == 0x200F || (u >= 0x202A && u <= 0x202E) || (u >= 0x2066 && u <= 0x2069);
}

QString csvField(const QString& text)
{
    // The marks that keep a negative amount's sign at the left on the screen would make it text.
    QString out;
    for (QChar c : text)
        if (!isBidiControl(c)) out += c;
    // A name typed as "=HYPERLINK(...)" or "-2+3+cmd|..." must not open as a formula; a negative
    // amount stays a number.
    static const QRegularExpression negativeNumber(u"^-\\d+(\\.\\d+)?$"_s);
    const bool formula = !out.isEmpty() && (QStringView(u"=+@\t\r").contains(out[0]) ||
                                            (out[0] == u'-' && !negativeNumber.match(out).hasMatch()));
    if (formula) out.prepend(u'\'');
    if (!out.contains(u',') && !out.contains(u'"') && !out.contains(u'\n') && !out.contains(u'\r')) return out;
    return u'"' + out.replace(u"\""_s, u"\"\""_s) + u'"';
}

void writeCsv(const TExportSheet& t, QSaveFile& file)
{
    // A byte-order mark, so that spreadsheets read the Persian as UTF-8.
    file.write("\xEF\xBB\xBF");
    auto line = [&file](const QStringList& fields) {
        QStringList out;
        for (const QString& f : fields) out << csvField(f);
        file.write((out.join(u',') + u"\r\n"_s).toUtf8());
    };
    line({t.caption});
    for (const auto& [caption, value] : t.filter) line({caption, value});
    file.write("\r\n");
    line(t.titles);
    t.rows(line);
    if (!t.totals.isEmpty()) line(t.totals);
    if (!t.footer.isEmpty()) {
        file.write("\r\n");
        for (const QString& f : t.footer) line({f});
    }
}

void writePdf(const TExportSheet& t, QSaveFile& file)
{
    QPdfWriter pdf(&file);
    pdf.setPageSize(QPageSize(QPageSize::A4));
    pdf.setPageMargins(QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter);
    pdf.setResolution(300);
    pdf.setTitle(t.caption);
    QPainter p(&pdf);
    p.setLayoutDirection(Qt::RightToLeft);
    const QRect page = p.viewport();
    QFont font = t.font;
    font.setPointSize(9);
    QFont bold = font;
    bold.setBold(true);
    QFont heading = bold;
    heading.setPointSize(13);
    p.setFont(font);
    const int rowHeight = p.fontMetrics().height() * 3 / 2;
    const int pad = rowHeight / 4;

    // The widths, scaled to the page; the first column stands at the right.
    int total = 0;
    for (int w : t.widths) total += w;
    QVector<QRect> cells;
    int right = page.right();
    for (int w : t.widths) {
        const int width = int(qint64(w) * page.width() / qMax(1, total));
        cells << QRect(right - width, 0, width, rowHeight);
        right -= width;
    }
    QTextOption rtl(Qt::AlignRight | Qt::AlignAbsolute | Qt::AlignVCenter);
    rtl.setTextDirection(Qt::RightToLeft);
    rtl.setWrapMode(QTextOption::NoWrap);
    QTextOption centred(Qt::AlignCenter);
    centred.setTextDirection(Qt::RightToLeft);
    QStringList filter;
    for (const auto& [caption, value] : t.filter) filter << caption + u": "_s + IsolateLtrRuns(value);

    int y = page.top();
    enum class Kind { Titles, Row, Totals };
    auto drawRow = [&](const QStringList& texts, Kind kind) {
        p.setFont(kind == Kind::Row ? font : bold);
        for (int c = 0; c < cells.size(); ++c) {
            const QRect box = cells[c].translated(0, y);
            if (kind == Kind::Titles) p.fillRect(box, QColor(230, 230, 230));
            p.drawRect(box);
            // Totals and rows alike stand at the right of their cells, so a total is under its column.
            // A negative amount reads as the grid shows it, its sign at the left.
            p.drawText(box.adjusted(pad, 0, -pad, 0),
                       kind == Kind::Titles ? texts.value(c) : agency::displayAmount(texts.value(c)),
                       kind == Kind::Titles ? centred : rtl);
        }
        y += rowHeight;
    };
    auto line = [&](const QString& text, const QFont& f) {
        p.setFont(f);
        const int h = p.fontMetrics().height() * 3 / 2;
        p.drawText(QRect(page.left(), y, page.width(), h), text, centred);
        y += h;
    };
    // Every page says whose list it is and which filter made it.
    auto newPage = [&](bool first) {
        if (!first) pdf.newPage();
        y = page.top();
        line(t.caption, heading);
        if (!filter.isEmpty()) line(filter.join(u"    "_s), bold);
        drawRow(t.titles, Kind::Titles);
    };
    newPage(true);
    t.rows([&](const QStringList& texts) {
        if (y + rowHeight > page.bottom()) newPage(false);
        drawRow(texts, Kind::Row);
    });
    if (!t.totals.isEmpty()) {
        if (y + rowHeight > page.bottom()) newPage(false);
        drawRow(t.totals, Kind::Totals);
    }
    p.setFont(font);
    y += rowHeight / 2;
    // A long sentence wraps within the page rather than running off it.
    QTextOption wrapped = rtl;
    wrapped.setWrapMode(QTextOption::WordWrap);
    for (const QString& text : t.footer) {
        const QRectF need = p.boundingRect(QRectF(0, 0, page.width(), page.height()), text, wrapped);
        const int height = qMax(rowHeight, int(need.height()) + pad);
        if (y + height > page.bottom()) newPage(false);
        p.setFont(font);
        p.drawText(QRect(page.left(), y, page.width(), height), text, wrapped);
        y += height;
    }
    if (t.picture) {
        const int height = page.width() * 2 / 3;
        if (y + height > page.bottom()) newPage(false);
        p.save();
        t.picture(p, QRect(page.left(), y, page.width(), height));
        p.restore();
    }
    if (!p.end()) failed(file.fileName(), u"صفحه PDF ساخته نشد"_s);
}

// Takes Ctrl+E from a text field of the window before the field's own binding does, and leaves
// the key to the window's shortcut.
class ExportKeyFilter : public QObject {
public:
    ExportKeyFilter(QWidget* window, QObject* parent) : QObject(parent), m_window(window)
    {
        qApp->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::ShortcutOverride) return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->keyCombination() != QKeyCombination(Qt::ControlModifier, Qt::Key_E)) return false;
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget || !m_window->isAncestorOf(widget)) return false;
        event->ignore();
        return true;
    }

private:
    QWidget* m_window;
};

}  // namespace

QString IsolateLtrRuns(const QString& text)
{
    QString out;
    qsizetype i = 0;
    while (i < text.size()) {
        if (isRtl(text[i]) || text[i].isSpace() || !(text[i].isLetterOrNumber())) {
            out += text[i++];
            continue;
        }
        // A run starts at a Latin letter or a digit and ends at the last one before the next
        // right-to-left letter.
        qsizetype end = i;
        for (qsizetype j = i; j < text.size() && !isRtl(text[j]); ++j)
            if (text[j].isLetterOrNumber()) end = j;
        out += QChar(0x2066) + text.mid(i, end - i + 1) + QChar(0x2069);
        i = end + 1;
    }
    return out;
}

QString ProposedExportName(const QWidget* window, const QString& name)
{
    QString proposed = name.isEmpty() ? window->windowTitle() : name;
    QStringList dates;
    for (const TMaskEdit* date : window->findChildren<TMaskEdit*>())
        if (date->IsComplete()) dates << date->Text();
    if (dates.isEmpty()) dates << agency::SolarDate::TodayDate();
    dates.removeDuplicates();
    proposed += u' ' + dates.join(u" تا "_s);
    for (QChar& c : proposed)
        if (QStringView(u"/\\:*?\"<>|").contains(c) || isBidiControl(c)) c = u'-';
    return IsolateLtrRuns(proposed.simplified() + u".csv"_s);
}

void ExportSheet(const TExportSheet& sheet, const QString& path)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) failed(path, file.errorString());
    if (path.endsWith(u".pdf"_s, Qt::CaseInsensitive))
        writePdf(sheet, file);
    else
        writeCsv(sheet, file);
    // Only a whole file takes the chosen name.
    if (!file.commit()) failed(path, file.errorString());
}

void ExportGrid(TDBGrid* grid, const QString& path)
{
    if (!grid->DataSet()) return;
    grid->Model()->FetchAll();
    ExportSheet(grid->Sheet(), path);
}

void ExportDialog(const QWidget* window, const QString& name, const std::function<TExportSheet()>& sheet)
{
    QString path = dialogs().SaveFileName(ProposedExportName(window, name));
    // The marks that order the proposed name on screen are no part of the file's name.
    const qsizetype folder = path.lastIndexOf(u'/') + 1;
    path = path.left(folder) + path.mid(folder).removeIf(isBidiControl);
    if (!path.isEmpty()) guarded([&] { ExportSheet(sheet(), path); });
}

void InstallExportKey(QWidget* window, const std::function<void()>& action)
{
    auto* key = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_E), window);
    key->setContext(Qt::WidgetWithChildrenShortcut);
    QObject::connect(key, &QShortcut::activated, window, action);
    new ExportKeyFilter(window, key);
}

void TDBGrid::ExportDialog()
{
    if (!DataSet()) return;
    ::ExportDialog(window(), ExportName ? ExportName() : QString(), [this] {
        m_model->FetchAll();
        return Sheet();
    });
}

TExportSheet TDBGrid::Sheet() const
{
    TExportSheet t;
    t.caption = window()->windowTitle();
    t.filter = ExportFilter;
    for (int c = 0; c < m_model->columnCount(); ++c) {
        t.titles << m_model->headerData(c, Qt::Horizontal).toString();
        t.widths << qMax(40, columnWidth(c));
    }
    // Each row's texts as the grid shows them, in order; a new row not yet stored is left out.
    t.rows = [m = m_model](const RowSink& use) {
        const int pending = m->PendingRow();
        for (int r = 0; r < m->rowCount(); ++r) {
            if (r == pending) continue;
            QStringList texts;
            for (int c = 0; c < m->columnCount(); ++c) texts << m->Text(r, c);
            use(texts);
        }
    };
    if (ExportTotals) t.totals = ExportTotals();
    if (ExportFooter) t.footer = ExportFooter();
    t.font = font();
    return t;
}
