#pragma once
// A one-page printed receipt: fixed text boxes laid out in millimetres on a single band.

#include <QFont>
#include <QMarginsF>
#include <QPageSize>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <QtGlobal>

#include <vector>

class QPagedPaintDevice;
class QPainter;
class QPaintDevice;
class QWidget;

// One fixed-size, word-wrapped, right-to-left text box of a receipt.
struct ReceiptItem {
    QString Name;
    QRectF box;  // mm, from the band's top-left
    Qt::Alignment alignment;
    QString face;  // the named face, e.g. "Mitra"
    int pointSize = 10;
    bool bold = false;
    QString Caption;
};

class Receipt {
public:
    virtual ~Receipt();
    Receipt(const Receipt&) = delete;
    Receipt& operator=(const Receipt&) = delete;

    const QPageSize& pageSize() const { return m_pageSize; }
    const QMarginsF& margins() const { return m_margins; }  // mm: left, top, right, bottom
    const QSizeF& bandSize() const { return m_bandSize; }   // mm
    const std::vector<ReceiptItem*>& items() const { return m_items; }
    const ReceiptItem* item(const QString& name) const;

    // Sets the device's page size and margins, then paints the one page.
    void paint(QPagedPaintDevice* device) const;
    // Paints the band with its top-left corner at the painter's origin.
    void paintBand(QPainter& painter) const;

    // One line for the page, then one per item in paint order.
    QString layoutDump() const;
    bool writePdf(const QString& path) const;
    // Modal print preview on the default printer; does nothing while one is already open.
    void preview(QWidget* parent) const;
    bool previewOpen() const { return m_previewOpen; }

    // The face itself if installed, else its free stand-in for that weight; then Noto Naskh Arabic
    // for missing glyphs.
    static QStringList families(const QString& face, bool bold);
    static QFont font(const ReceiptItem& item);
    // Millimetres to pixels of the device; the one conversion every length goes through.
    static qreal mmToDevice(qreal mm, const QPaintDevice* device, Qt::Orientation orientation);
    static QRectF mmToDevice(const QRectF& mm, const QPaintDevice* device);

protected:
    Receipt(const QPageSize& pageSize, const QMarginsF& margins, const QSizeF& bandSize);
    // Registers an item of the subclass; items paint in registration order.
    void add(ReceiptItem& item);
    static ReceiptItem label(QStringView name, qreal left, qreal top, qreal width, qreal height,
                             Qt::Alignment alignment, QStringView face, int pointSize, bool bold, QStringView caption);
    static constexpr Qt::AlignmentFlag Left = Qt::AlignLeft;
    static constexpr Qt::AlignmentFlag Right = Qt::AlignRight;
    static constexpr Qt::AlignmentFlag Centre = Qt::AlignHCenter;
    static constexpr bool Bold = true;
    static constexpr bool Plain = false;

private:
    bool paintPage(QPagedPaintDevice* device) const;

    QPageSize m_pageSize;
    QMarginsF m_margins;
    QSizeF m_bandSize;
    std::vector<ReceiptItem*> m_items;
    mutable bool m_previewOpen = false;
};
