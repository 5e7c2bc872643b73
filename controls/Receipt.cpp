#include "controls/Receipt.h"

#include "controls/Fonts.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QScopeGuard>
#include <QTextOption>

namespace {

struct Substitute {
    const char* face;
    const char* family;
    qreal scale;
};

// The named faces are not free; each has a free stand-in that shapes Persian.
// Nazli sets wider than Mitra: a touch smaller, the captions fit the boxes drawn for Mitra.
constexpr Substitute substitutes[] = {
    {"Mitra", "Nazli", 0.95},
    {"Tabassom", "Titr", 1.0},
    {"Jadid", "Homa", 1.0},
};

const Substitute* substitute(const QString& face)
{
    static const QStringList installed = QFontDatabase::families();
    if (installed.contains(face, Qt::CaseInsensitive))
        return nullptr;
    for (const Substitute& s : substitutes)
        if (face == QLatin1String(s.face))
            return &s;
    return nullptr;
}

QString alignmentName(Qt::Alignment alignment)
{
    QString name;
    switch (alignment & Qt::AlignHorizontal_Mask & ~Qt::AlignAbsolute) {
    case Qt::AlignLeft: name = QStringLiteral("left"); break;
    case Qt::AlignRight: name = QStringLiteral("right"); break;
    case Qt::AlignHCenter: name = QStringLiteral("center"); break;
    case Qt::AlignJustify: name = QStringLiteral("justify"); break;
    default: name = QStringLiteral("none"); break;
    }
    if (alignment & Qt::AlignAbsolute)
        name += QStringLiteral(" absolute");
    return name;
}

// The free faces draw ي and ك the Arabic way, with dots and a mark; paper shows the Persian letters.
QString persianLetters(QString text)
{
    if (loadPersianFaces())
        return text;
    return text.replace(QChar(0x064A), QChar(0x06CC)).replace(QChar(0x0643), QChar(0x06A9));
}

QString boldMark(bool isBold) { return isBold ? QStringLiteral(" bold") : QString(); }

QString mm(qreal value) { return QString::number(value, 'f', 1); }

}  // namespace

Receipt::Receipt(const QPageSize& pageSize, const QMarginsF& margins, const QSizeF& bandSize)
    : m_pageSize(pageSize), m_margins(margins), m_bandSize(bandSize)
{
}

Receipt::~Receipt() = default;

void Receipt::add(ReceiptItem& item) { m_items.push_back(&item); }

ReceiptItem Receipt::label(QStringView name, qreal left, qreal top, qreal width, qreal height, Qt::Alignment alignment,
                           QStringView face, int pointSize, bool bold, QStringView caption)
{
    return {name.toString(), QRectF(left, top, width, height), alignment, face.toString(), pointSize, bold,
            caption.toString()};
}

const ReceiptItem* Receipt::item(const QString& name) const
{
    for (const ReceiptItem* item : m_items)
        if (item->Name == name)
            return item;
    return nullptr;
}

QStringList Receipt::families(const QString& face)
{
    const Substitute* stand = substitute(face);
    return {stand ? persianFamily(QString::fromLatin1(stand->family)) : face, QStringLiteral("Noto Naskh Arabic")};
}

QFont Receipt::font(const ReceiptItem& item)
{
    const Substitute* stand = substitute(item.face);
    QFont font;
    font.setFamilies(families(item.face));
    font.setPointSizeF(item.pointSize * (stand ? stand->scale : 1.0));
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
        painter.setFont(font(*item));
        // Under right-to-left Qt mirrors AlignLeft/AlignRight, which puts each value next to its caption.
        QTextOption option(item->alignment | Qt::AlignTop);
        option.setTextDirection(Qt::RightToLeft);
        option.setWrapMode(QTextOption::WordWrap);
        // The captions' trailing blanks keep a gap between caption and value.
        option.setFlags(QTextOption::IncludeTrailingSpaces);
        painter.drawText(box, persianLetters(item->Caption), option);
        painter.restore();
    }
}

bool Receipt::paintPage(QPagedPaintDevice* device) const
{
    device->setPageLayout(QPageLayout(m_pageSize, QPageLayout::Portrait, m_margins, QPageLayout::Millimeter));
    QPainter painter;
    if (!painter.begin(device))
        return false;
    // A printer may refuse margins below its own; keep the band where it belongs on the paper.
    const QMarginsF actual = device->pageLayout().margins(QPageLayout::Millimeter);
    painter.translate(mmToDevice(m_margins.left() - actual.left(), device, Qt::Horizontal),
                      mmToDevice(m_margins.top() - actual.top(), device, Qt::Vertical));
    paintBand(painter);
    return painter.end();
}

void Receipt::paint(QPagedPaintDevice* device) const { paintPage(device); }

bool Receipt::writePdf(const QString& path) const
{
    QPdfWriter writer(path);
    writer.setCreator(QStringLiteral("agency"));
    return paintPage(&writer);
}

void Receipt::preview(QWidget* parent) const
{
    if (m_previewOpen)
        return;
    m_previewOpen = true;
    const auto closed = qScopeGuard([this] { m_previewOpen = false; });

    QPrinter printer(QPrinter::HighResolution);
    printer.setCopyCount(1);
    printer.setPageLayout(QPageLayout(m_pageSize, QPageLayout::Portrait, m_margins, QPageLayout::Millimeter));
    QPrintPreviewDialog dialog(&printer, parent);
    dialog.setLayoutDirection(Qt::RightToLeft);
    dialog.setWindowTitle(QString::fromUtf16(u"پيش نمايش چاپ"));
    dialog.resize(900, 800);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [this](QPrinter* target) { paintPage(target); });
    dialog.exec();
}

QString Receipt::layoutDump() const
{
    QString dump = QStringLiteral("page %1 %2 x %3 | margins %4 %5 %6 %7 | band %8 x %9\n")
                       .arg(m_pageSize.key(), mm(m_pageSize.size(QPageSize::Millimeter).width()),
                            mm(m_pageSize.size(QPageSize::Millimeter).height()), mm(m_margins.left()),
                            mm(m_margins.top()), mm(m_margins.right()), mm(m_margins.bottom()),
                            mm(m_bandSize.width()), mm(m_bandSize.height()));
    for (const ReceiptItem* item : m_items) {
        const QFont requested = font(*item);
        QString caption = item->Caption;
        caption.replace(QLatin1Char('\n'), QLatin1String("\\n"));
        dump += QStringLiteral("%1 | %2 %3 %4 %5 | %6 | %7 %8%9 -> %10 %11%12 | \"%13\"\n")
                    .arg(item->Name, mm(item->box.left()), mm(item->box.top()), mm(item->box.width()),
                         mm(item->box.height()), alignmentName(item->alignment), item->face,
                         QString::number(item->pointSize), boldMark(item->bold), QFontInfo(requested).family(),
                         QString::number(requested.pointSizeF()), boldMark(requested.bold()), caption);
    }
    return dump;
}
