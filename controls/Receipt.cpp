#include "controls/Receipt.h"

#include "controls/Fonts.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QScopeGuard>
#include <QTextOption>

using namespace Qt::StringLiterals;

namespace {

struct Substitute {
    const char* face;
    const char* family;
    bool forBold;  // the stand-in for this weight of the face
};

// The named faces are not free; each has a free stand-in that shapes Persian. Titr has a heavy
// weight only: it stands in for the bold title, and a plain text of the face takes Nazli, so that
// a value never outweighs its bold caption.
constexpr Substitute substitutes[] = {
    {"Mitra", "Nazli", true},     {"Mitra", "Nazli", false}, {"Tabassom", "Titr", true},
    {"Tabassom", "Nazli", false}, {"Jadid", "Homa", true},   {"Jadid", "Homa", false},
};

const Substitute* substitute(const QString& face, bool bold)
{
    static const QStringList installed = QFontDatabase::families();
    if (installed.contains(face, Qt::CaseInsensitive)) return nullptr;
    for (const Substitute& s : substitutes)
        if (face == QLatin1String(s.face) && s.forBold == bold) return &s;
    return nullptr;
}

QString alignmentName(Qt::Alignment alignment)
{
    QString name;
    switch (alignment & Qt::AlignHorizontal_Mask & ~Qt::AlignAbsolute) {
        case Qt::AlignLeft:
            name = u"left"_s;
            break;
        case Qt::AlignRight:
            name = u"right"_s;
            break;
        case Qt::AlignHCenter:
            name = u"center"_s;
            break;
        case Qt::AlignJustify:
            name = u"justify"_s;
            break;
        default:
            name = u"none"_s;
            break;
    }
    if (alignment & Qt::AlignAbsolute) name += u" absolute"_s;
    return name;
}

// The free faces draw ي and ك the Arabic way, with dots and a mark; paper shows the Persian letters.
QString persianLetters(QString text)
{
    if (loadPersianFaces()) return text;
    return text.replace(QChar(0x064A), QChar(0x06CC)).replace(QChar(0x0643), QChar(0x06A9));
}

// How a character takes part in ordering a right-to-left line.
enum class Run { Left, Right, Number, Separator, Neutral };

Run runOf(QChar c)
{
    switch (c.direction()) {
        case QChar::DirL:
        case QChar::DirLRE:
        case QChar::DirLRO:
        case QChar::DirLRI:
            return Run::Left;
        case QChar::DirR:
        case QChar::DirAL:
        case QChar::DirRLE:
        case QChar::DirRLO:
        case QChar::DirRLI:
            return Run::Right;
        case QChar::DirEN:
        case QChar::DirAN:
            return Run::Number;
        case QChar::DirES:
        case QChar::DirCS:
        case QChar::DirET:
            return Run::Separator;
        default:
            return Run::Neutral;
    }
}

// The print preview records a page run by run and plays each run back laid out left to right, so
// a blank or a colon at the edge of a right-to-left run changes sides there (": شماره",
// "12345ريال"). Every stretch of such characters that reads right to left on the page is held
// between right-to-left marks, which read the same in whatever direction the text is laid out.
QString pinnedRightToLeft(const QString& text)
{
    const qsizetype n = text.size();
    QList<Run> runs(n);
    for (qsizetype i = 0; i < n; ++i) {
        runs[i] = runOf(text[i]);
        // A separator inside a number (1403/05/12, 10:25:30) belongs to the number.
        if (runs[i] == Run::Separator)
            runs[i] = i > 0 && i + 1 < n && runOf(text[i - 1]) == Run::Number && runOf(text[i + 1]) == Run::Number
                          ? Run::Number
                          : Run::Neutral;
        // Marks and joiners (the zero-width non-joiner of Persian words) go with their letter.
        if (i > 0 && (text[i].category() == QChar::Mark_NonSpacing || text[i].direction() == QChar::DirBN))
            runs[i] = runs[i - 1];
    }
    // A number after Latin letters reads with them.
    Run strong = Run::Right;
    for (Run& run : runs) {
        if (run == Run::Left || run == Run::Right)
            strong = run;
        else if (run == Run::Number && strong == Run::Left)
            run = Run::Left;
    }
    const QChar mark(0x200F);  // right-to-left mark
    QString out;
    out.reserve(n + 8);
    for (qsizetype i = 0; i < n;) {
        if (runs[i] != Run::Neutral) {
            out += text[i++];
            continue;
        }
        qsizetype end = i;
        while (end < n && runs[end] == Run::Neutral) ++end;
        // Only a stretch with Latin on both sides reads left to right; the line's ends count as right.
        const bool leftToRight = i > 0 && end < n && runs[i - 1] == Run::Left && runs[end] == Run::Left;
        if (!leftToRight) out += mark;
        out += QStringView(text).mid(i, end - i);
        if (!leftToRight) out += mark;
        i = end;
    }
    return out;
}

QString boldMark(bool isBold)
{
    return isBold ? u" bold"_s : QString();
}

// A text slightly too wide for its box is set smaller, down to this part of its size.
constexpr qreal kLeastScale = 0.9;

QString mm(qreal value)
{
    return QString::number(value, 'f', 1);
}

}  // namespace

Receipt::Receipt(const QPageSize& pageSize, const QMarginsF& margins, const QSizeF& bandSize)
    : m_pageSize(pageSize), m_margins(margins), m_bandSize(bandSize)
{
}

Receipt::~Receipt() = default;

void Receipt::add(ReceiptItem& item)
{
    m_items.push_back(&item);
}

ReceiptItem Receipt::label(QStringView name, qreal left, qreal top, qreal width, qreal height, Qt::Alignment alignment,
                           QStringView face, int pointSize, bool bold, QStringView caption)
{
    return {name.toString(),   QRectF(left, top, width, height), alignment, face.toString(), pointSize, bold,
            caption.toString()};
}

const ReceiptItem* Receipt::item(const QString& name) const
{
    for (const ReceiptItem* item : m_items)
        if (item->Name == name) return item;
    return nullptr;
}

QStringList Receipt::families(const QString& face, bool bold)
{
    const Substitute* stand = substitute(face, bold);
    return {stand ? persianFamily(QString::fromLatin1(stand->family)) : face, u"Noto Naskh Arabic"_s};
}

QFont Receipt::font(const ReceiptItem& item)
{
    QFont font;
    font.setFamilies(families(item.face, item.bold));
    font.setPointSize(item.pointSize);
    font.setBold(item.bold);
    return font;
}

qreal Receipt::mmToDevice(qreal mm, const QPaintDevice* device, Qt::Orientation orientation)
{
    const int dpi = orientation == Qt::Horizontal ? device->logicalDpiX() : device->logicalDpiY();
    return mm * dpi / 25.4;
}

QRectF Receipt::mmToDevice(const QRectF& mm, const QPaintDevice* device)
{
    return {mmToDevice(mm.left(), device, Qt::Horizontal), mmToDevice(mm.top(), device, Qt::Vertical),
            mmToDevice(mm.width(), device, Qt::Horizontal), mmToDevice(mm.height(), device, Qt::Vertical)};
}

void Receipt::paintBand(QPainter& painter) const
{
    const QPaintDevice* device = painter.device();
    for (const ReceiptItem* item : m_items) {
        const QRectF box = mmToDevice(item->box, device);
        painter.save();
        painter.setClipRect(box, Qt::IntersectClip);
        painter.fillRect(box, Qt::white);
        painter.setPen(Qt::black);
        const QString text = pinnedRightToLeft(persianLetters(item->Caption));
        QFont face = font(*item);
        // The stand-in faces set a little wider than the named ones: a text slightly too wide for
        // its box is set smaller rather than broken onto a line that the box cannot show.
        const qreal width = QFontMetricsF(face, device).horizontalAdvance(text);
        if (width > box.width() && width * kLeastScale <= box.width())
            face.setPointSizeF(face.pointSizeF() * box.width() / width * 0.99);
        painter.setFont(face);
        // Under right-to-left Qt mirrors AlignLeft/AlignRight, which puts each value next to its caption.
        QTextOption option(item->alignment | Qt::AlignTop);
        option.setTextDirection(Qt::RightToLeft);
        option.setWrapMode(QTextOption::WordWrap);
        // The captions' trailing blanks keep a gap between caption and value.
        option.setFlags(QTextOption::IncludeTrailingSpaces);
        painter.drawText(box, text, option);
        painter.restore();
    }
}

bool Receipt::paintPage(QPagedPaintDevice* device) const
{
    device->setPageLayout(QPageLayout(m_pageSize, QPageLayout::Portrait, m_margins, QPageLayout::Millimeter));
    QPainter painter;
    if (!painter.begin(device)) return false;
    // A printer may refuse margins below its own; keep the band where it belongs on the paper.
    const QMarginsF actual = device->pageLayout().margins(QPageLayout::Millimeter);
    painter.translate(mmToDevice(m_margins.left() - actual.left(), device, Qt::Horizontal),
                      mmToDevice(m_margins.top() - actual.top(), device, Qt::Vertical));
    paintBand(painter);
    return painter.end();
}

void Receipt::paint(QPagedPaintDevice* device) const
{
    paintPage(device);
}

bool Receipt::writePdf(const QString& path) const
{
    QPdfWriter writer(path);
    writer.setCreator(u"agency"_s);
    return paintPage(&writer);
}

void Receipt::preview(QWidget* parent) const
{
    if (m_previewOpen) return;
    m_previewOpen = true;
    const auto closed = qScopeGuard([this] { m_previewOpen = false; });

    QPrinter printer(QPrinter::HighResolution);
    printer.setCopyCount(1);
    printer.setPageLayout(QPageLayout(m_pageSize, QPageLayout::Portrait, m_margins, QPageLayout::Millimeter));
    QPrintPreviewDialog dialog(&printer, parent);
    dialog.setLayoutDirection(Qt::RightToLeft);
    dialog.setWindowTitle(u"پيش نمايش چاپ"_s);
    dialog.resize(900, 800);
    // At actual size, as the desk's receipts opened; not fitted to the window's width.
    if (auto* page = dialog.findChild<QPrintPreviewWidget*>()) {
        page->setZoomMode(QPrintPreviewWidget::CustomZoom);
        page->setZoomFactor(1.0);
    }
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [this](QPrinter* target) { paintPage(target); });
    dialog.exec();
}

QString Receipt::layoutDump() const
{
    QString dump = u"page %1 %2 x %3 | margins %4 %5 %6 %7 | band %8 x %9\n"_s.arg(
        m_pageSize.key(), mm(m_pageSize.size(QPageSize::Millimeter).width()),
        mm(m_pageSize.size(QPageSize::Millimeter).height()), mm(m_margins.left()), mm(m_margins.top()),
        mm(m_margins.right()), mm(m_margins.bottom()), mm(m_bandSize.width()), mm(m_bandSize.height()));
    for (const ReceiptItem* item : m_items) {
        const QFont requested = font(*item);
        QString caption = item->Caption;
        caption.replace(u'\n', u"\\n"_s);
        dump += u"%1 | %2 %3 %4 %5 | %6 | %7 %8%9 -> %10 %11%12 | \"%13\"\n"_s.arg(
            item->Name, mm(item->box.left()), mm(item->box.top()), mm(item->box.width()), mm(item->box.height()),
            alignmentName(item->alignment), item->face, QString::number(item->pointSize), boldMark(item->bold),
            QFontInfo(requested).family(), QString::number(requested.pointSizeF()), boldMark(requested.bold()),
            caption);
    }
    return dump;
}
