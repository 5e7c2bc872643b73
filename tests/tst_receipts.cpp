// The two receipts: their layout, the PDF they write, what the page shows, the preview.

#include "controls/Receipt.h"
#include "operations/UnitReportPay.h"
#include "operations/UnitReportService.h"

#include <QApplication>
#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QImage>
#include <QMap>
#include <QPainter>
#include <QPicture>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <algorithm>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

using Texts = QMap<QString, QString>;  // item name -> text expected on the page

constexpr qreal kPointsPerMm = 72.0 / 25.4;
constexpr int kPngDpi = 100;

// A filled receipt of either kind, and the texts its variable items must show.
struct Filled {
    std::unique_ptr<Receipt> receipt;
    Texts texts;
};

Filled service(const QString& title, const QString& address, const QString& tel, const QString& number,
               const QString& date, const QString& time, const QString& driver, const QString& origin,
               const QString& target, const QString& amount)
{
    auto receipt = std::make_unique<TQRService>();
    receipt->setTexts(title, address, tel, number, date, time, driver, origin, target, amount);
    return {std::move(receipt),
            {{u"Title"_s, title},
             {u"QRLabel19"_s, address},
             {u"QRLabel20"_s, tel},
             {u"QRLabel9"_s, number},
             {u"QRLabel10"_s, date},
             {u"QRLabel11"_s, time},
             {u"QRLabel12"_s, driver},
             {u"QRLabel13"_s, origin},
             {u"QRLabel14"_s, target},
             {u"QRLabel15"_s, amount}}};
}

Filled payment(const QString& title, const QString& number, const QString& date, const QString& driver,
               const QString& amount)
{
    auto receipt = std::make_unique<TQRPay>();
    receipt->setTexts(title, number, date, driver, amount);
    return {std::move(receipt),
            {{u"Title"_s, title},
             {u"QRLabel9"_s, number},
             {u"QRLabel10"_s, date},
             {u"QRLabel12"_s, driver},
             {u"QRLabel15"_s, amount}}};
}

const QString kAgency = u"آژانس تاكسي تلفني پيك"_s;
const QString kLongName =
    u"محمدحسين عبدالرحيم زاده اصفهاني نژاد قاسملوي كرمانشاهي تبريزي "
    "شيرازي يزدي كاشاني قزويني مازندراني"_s;

Filled make(const QString& row)
{
    if (row == u"service"_s)
        return service(kAgency, u"تهران، خيابان آزادي، پلاك ۱۲"_s, u"66012345 - 66012346"_s, u"7"_s, u"1403/05/12"_s,
                       u"10:25:30"_s, u"علي كريمي"_s, u"ميدان انقلاب"_s, u"فرودگاه مهرآباد"_s, u"15000 ريال"_s);
    if (row == u"service without address"_s)
        return service(kAgency, QString(), QString(), u"0012"_s, u"1399/12/30"_s, u"23:59:59"_s, u"رضا"_s, u"ونك"_s,
                       u"تجريش"_s, u"0150 ريال"_s);
    if (row == u"service long name"_s)
        return service(kAgency, QString(), QString(), QString(), QString(), QString(), kLongName, QString(), QString(),
                       QString());
    if (row == u"payment"_s) return payment(kAgency, u"57"_s, u"1403/01/01"_s, u"مهدي كاظمي"_s, u"250000 ريال"_s);
    if (row == u"payment of nothing"_s) return payment(kAgency, u"1"_s, u"1405/01/01"_s, u"يوسف"_s, u"0 ريال"_s);
    if (row == u"payment long name"_s) return payment(kAgency, QString(), QString(), kLongName, QString());
    return {};
}

// Texts compare as a reader sees them: presentation forms, blanks, and the Arabic and Persian
// variants of yeh, kaf and the digits do not count.
QString comparable(const QString& text)
{
    QString out;
    for (QChar c : text.normalized(QString::NormalizationForm_KC)) {
        if (c.isSpace() || c.category() == QChar::Other_Format) continue;
        const char16_t u = c.unicode();
        if (u == 0x064A)
            c = QChar(0x06CC);
        else if (u == 0x0643)
            c = QChar(0x06A9);
        else if (u >= 0x0660 && u <= 0x0669)
            c = QChar(u'0' + (u - 0x0660));
        else if (u >= 0x06F0 && u <= 0x06F9)
            c = QChar(u'0' + (u - 0x06F0));
        out += c;
    }
    return out;
}

bool run(const QString& program, const QStringList& arguments, QByteArray* output = nullptr)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        qWarning().noquote() << program << arguments.join(u' ')
                             << "failed:" << QString::fromLocal8Bit(process.readAllStandardError());
        return false;
    }
    if (output) *output = process.readAllStandardOutput();
    return true;
}

// The item's box on the page, in PDF points from the page's top-left corner.
QRectF pageBoxPt(const Receipt& receipt, const ReceiptItem& item)
{
    const QRectF mm = item.box.translated(receipt.margins().left(), receipt.margins().top());
    return {mm.left() * kPointsPerMm, mm.top() * kPointsPerMm, mm.width() * kPointsPerMm, mm.height() * kPointsPerMm};
}

// One glyph or run of the PDF's text layer, as pdftotext places it.
struct Word {
    QRectF box;  // points
    QString text;
};

QList<Word> words(const QString& pdf)
{
    QByteArray html;
    if (!run(u"pdftotext"_s, {u"-bbox"_s, pdf, u"-"_s}, &html)) return {};
    static const QRegularExpression word(
        uR"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">(.*?)</word>)re"_s);
    QList<Word> list;
    for (const QRegularExpressionMatch& m : word.globalMatch(QString::fromUtf8(html))) {
        QString text = m.captured(5);
        text.replace(u"&lt;"_s, u"<"_s)
            .replace(u"&gt;"_s, u">"_s)
            .replace(u"&quot;"_s, u"\""_s)
            .replace(u"&amp;"_s, u"&"_s);
        const QPointF topLeft(m.captured(1).toDouble(), m.captured(2).toDouble());
        const QPointF bottomRight(m.captured(3).toDouble(), m.captured(4).toDouble());
        list.append({QRectF(topLeft, bottomRight), text});
    }
    return list;
}

// Lines from top to bottom, each read right to left; the tests' texts hold no Latin phrases.
QStringList readLines(QList<Word> list)
{
    std::sort(list.begin(), list.end(),
              [](const Word& a, const Word& b) { return a.box.center().y() < b.box.center().y(); });
    QList<QList<Word>> lines;
    for (const Word& w : list) {
        if (lines.isEmpty() || w.box.center().y() - lines.last().first().box.center().y() > 5.0)
            lines.append(QList<Word>());
        lines.last().append(w);
    }
    QStringList texts;
    for (QList<Word>& line : lines) {
        std::sort(line.begin(), line.end(), [](const Word& a, const Word& b) { return a.box.right() > b.box.right(); });
        QString text;
        for (const Word& w : line) text += w.text;
        texts.append(text);
    }
    return texts;
}

QString describe(const Word& w)
{
    return u"'%1' at %2,%3 pt"_s.arg(w.text).arg(w.box.center().x()).arg(w.box.center().y());
}

QImage renderPng(const QString& pdf, const QString& dir)
{
    const QString stem = dir + u"/page"_s;
    if (!run(u"pdftoppm"_s, {u"-r"_s, QString::number(kPngDpi), u"-gray"_s, u"-png"_s, u"-singlefile"_s, pdf, stem}))
        return {};
    return QImage(stem + u".png"_s);
}

QRect pixelBox(const Receipt& receipt, const ReceiptItem& item)
{
    const qreal perMm = kPngDpi / 25.4;
    const QRectF mm = item.box.translated(receipt.margins().left(), receipt.margins().top());
    return QRectF(mm.left() * perMm, mm.top() * perMm, mm.width() * perMm, mm.height() * perMm).toAlignedRect();
}

bool isInk(const QImage& image, int x, int y)
{
    return qGray(image.pixel(x, y)) < 160;
}

// A single free-standing item, to look at how one text is drawn.
class OneItem : public Receipt {
public:
    OneItem(const QString& face, Qt::Alignment alignment, const QString& caption)
        : Receipt(QPageSize(QPageSize::A5), QMarginsF(), QSizeF(100, 12)),
          text(label(u"text", 0, 0, 100, 12, alignment, face, 14, Plain, caption))
    {
        add(text);
    }

    QImage image() const
    {
        QImage image(800, 96, QImage::Format_RGB32);
        image.setDotsPerMeterX(8000);  // 800 px across the 100 mm box
        image.setDotsPerMeterY(8000);
        image.fill(Qt::white);
        QPainter painter(&image);
        paintBand(painter);
        return image;
    }

    ReceiptItem text;
};

// The band as the screen shows it at 96 dots an inch: painted directly, or the way the print
// preview shows a page, recorded run by run and played back.
QImage bandImage(const Receipt& receipt, bool throughPreview)
{
    const qreal perMm = 96 / 25.4;
    QImage image(qCeil(receipt.bandSize().width() * perMm), qCeil(receipt.bandSize().height() * perMm),
                 QImage::Format_RGB32);
    image.setDotsPerMeterX(qRound(perMm * 1000));
    image.setDotsPerMeterY(qRound(perMm * 1000));
    image.fill(Qt::white);
    QPainter painter(&image);
    if (throughPreview) {
        QPicture recorded;
        QPainter recorder(&recorded);
        receipt.paintBand(recorder);
        recorder.end();
        painter.drawPicture(0, 0, recorded);
    } else {
        receipt.paintBand(painter);
    }
    return image;
}

QList<QPrintPreviewDialog*> openPreviews()
{
    QList<QPrintPreviewDialog*> list;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* dialog = qobject_cast<QPrintPreviewDialog*>(w); dialog && dialog->isVisible()) list.append(dialog);
    return list;
}

}  // namespace

class TestReceipts : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void layoutMatchesReference_data();
    void layoutMatchesReference();
    void pdfIsOnePageOfItsPaper_data();
    void pdfIsOnePageOfItsPaper();
    void everyTextComesBackFromItsBox_data();
    void everyTextComesBackFromItsBox();
    void longNameWrapsInsideItsBox_data();
    void longNameWrapsInsideItsBox();
    void noInkOutsideTheBoxes_data();
    void noInkOutsideTheBoxes();
    void colonAndBlankStandWhereAReaderExpects_data();
    void colonAndBlankStandWhereAReaderExpects();
    void previewShowsThePageAsPrinted_data();
    void previewShowsThePageAsPrinted();
    void namedFacesResolveToPersianFaces();
    void alignmentFollowsRightToLeft();
    void previewWaitsAndIsNotReentered();

private:
    QTemporaryDir m_dir;
};

void TestReceipts::initTestCase()
{
    QVERIFY(m_dir.isValid());
    for (const char* tool : {"pdfinfo", "pdftotext", "pdftoppm"})
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            QSKIP("poppler-utils are not installed");
}

void TestReceipts::layoutMatchesReference_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reference");
    QTest::newRow("service") << u"service"_s << QFINDTESTDATA("data/receipt_service.txt");
    QTest::newRow("payment") << u"payment"_s << QFINDTESTDATA("data/receipt_pay.txt");
}

void TestReceipts::layoutMatchesReference()
{
    QFETCH(QString, kind);
    QFETCH(QString, reference);
    // As constructed, before any print sets a text.
    std::unique_ptr<Receipt> receipt;
    if (kind == u"service"_s)
        receipt = std::make_unique<TQRService>();
    else
        receipt = std::make_unique<TQRPay>();
    QFile file(reference);
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(reference));
    const QStringList expected = QString::fromUtf8(file.readAll()).split(u'\n');
    const QStringList actual = receipt->layoutDump().split(u'\n');
    for (qsizetype i = 0; i < std::min(expected.size(), actual.size()); ++i) QCOMPARE(actual.at(i), expected.at(i));
    QCOMPARE(actual.size(), expected.size());
}

void TestReceipts::pdfIsOnePageOfItsPaper_data()
{
    QTest::addColumn<QString>("row");
    QTest::addColumn<qreal>("widthMm");
    QTest::addColumn<qreal>("heightMm");
    QTest::newRow("service on Letter") << u"service"_s << 215.9 << 279.4;
    QTest::newRow("payment on A4") << u"payment"_s << 210.0 << 297.0;
}

void TestReceipts::pdfIsOnePageOfItsPaper()
{
    QFETCH(QString, row);
    QFETCH(qreal, widthMm);
    QFETCH(qreal, heightMm);
    const Filled filled = make(row);
    const QString pdf = m_dir.filePath(row + u".pdf"_s);
    QVERIFY(filled.receipt->writePdf(pdf));
    QByteArray info;
    QVERIFY(run(u"pdfinfo"_s, {pdf}, &info));
    const QString text = QString::fromUtf8(info);
    const auto pages = QRegularExpression(uR"(Pages:\s+(\d+))"_s).match(text);
    QVERIFY2(pages.hasMatch(), qPrintable(text));
    QCOMPARE(pages.captured(1), u"1"_s);
    const auto size = QRegularExpression(uR"(Page size:\s+([\d.]+) x ([\d.]+) pts)"_s).match(text);
    QVERIFY2(size.hasMatch(), qPrintable(text));
    QVERIFY2(qAbs(size.captured(1).toDouble() - widthMm * kPointsPerMm) < 0.5, qPrintable(size.captured(0)));
    QVERIFY2(qAbs(size.captured(2).toDouble() - heightMm * kPointsPerMm) < 0.5, qPrintable(size.captured(0)));

    // The caller learns when the file cannot be written.
    QTest::ignoreMessage(QtWarningMsg, "QPainter::begin(): Returned false");
    QVERIFY(!filled.receipt->writePdf(m_dir.filePath(u"missing/receipt.pdf"_s)));
}

void TestReceipts::everyTextComesBackFromItsBox_data()
{
    QTest::addColumn<QString>("row");
    for (const char* row : {"service", "service without address", "payment", "payment of nothing"})
        QTest::newRow(row) << QString::fromLatin1(row);
}

void TestReceipts::everyTextComesBackFromItsBox()
{
    QFETCH(QString, row);
    const Filled filled = make(row);
    const QString pdf = m_dir.filePath(u"texts.pdf"_s);
    QVERIFY(filled.receipt->writePdf(pdf));
    const QList<Word> all = words(pdf);
    QVERIFY(!all.isEmpty());

    QMap<const ReceiptItem*, QList<Word>> byItem;
    for (const Word& w : all) {
        const ReceiptItem* owner = nullptr;
        for (const ReceiptItem* item : filled.receipt->items())
            if (pageBoxPt(*filled.receipt, *item).contains(w.box.center())) owner = item;
        QVERIFY2(owner, qPrintable(u"outside every box: "_s + describe(w)));
        byItem[owner].append(w);
    }
    for (const ReceiptItem* item : filled.receipt->items()) {
        // Variable items must show what was set; the fixed ones keep their captions.
        const QString expected = filled.texts.value(item->Name, item->Caption);
        const QStringList lines = readLines(byItem.value(item));
        QVERIFY2(lines.size() <= 1, qPrintable(item->Name + u": "_s + lines.join(u'|')));
        QCOMPARE(comparable(lines.join(QString())), comparable(expected));
    }
}

void TestReceipts::longNameWrapsInsideItsBox_data()
{
    QTest::addColumn<QString>("row");
    QTest::newRow("service") << u"service long name"_s;
    QTest::newRow("payment") << u"payment long name"_s;
}

void TestReceipts::longNameWrapsInsideItsBox()
{
    QFETCH(QString, row);
    const Filled filled = make(row);
    const Receipt& receipt = *filled.receipt;
    const ReceiptItem* name = receipt.item(u"QRLabel12"_s);
    QVERIFY(name);
    QCOMPARE(name->Caption, kLongName);
    const QString pdf = m_dir.filePath(u"long.pdf"_s);
    QVERIFY(receipt.writePdf(pdf));

    // The name is the one variable text; every other word belongs to a fixed caption.
    QList<Word> nameWords;
    for (const Word& w : words(pdf)) {
        const bool fixed = std::any_of(receipt.items().begin(), receipt.items().end(), [&](const ReceiptItem* item) {
            return item != name && !item->Caption.isEmpty() && pageBoxPt(receipt, *item).contains(w.box.center());
        });
        if (!fixed) nameWords.append(w);
    }
    const QRectF box = pageBoxPt(receipt, *name);
    for (const Word& w : nameWords)
        QVERIFY2(w.box.left() >= box.left() - 0.5 && w.box.right() <= box.right() + 0.5,
                 qPrintable(describe(w) + u" beside the box"_s));
    // Lines past the box's height are clipped away; those drawn break between words, in order.
    const QStringList lines = readLines(nameWords);
    // The box holds one line of the name: it ends at a word, before the name does.
    QVERIFY2(!lines.isEmpty() && comparable(lines.join(QString())) != comparable(kLongName),
             qPrintable(lines.join(u'|')));
    QStringList wholeWords;
    QString prefix;
    for (const QString& w : kLongName.split(u' ')) wholeWords.append(comparable(prefix += w));
    QString shown;
    for (const QString& line : lines) {
        shown += line;
        QVERIFY2(wholeWords.contains(comparable(shown)), qPrintable(line));
    }
}

void TestReceipts::noInkOutsideTheBoxes_data()
{
    QTest::addColumn<QString>("row");
    for (const char* row : {"service", "service long name", "payment", "payment long name"})
        QTest::newRow(row) << QString::fromLatin1(row);
}

void TestReceipts::noInkOutsideTheBoxes()
{
    QFETCH(QString, row);
    const Filled filled = make(row);
    const Receipt& receipt = *filled.receipt;
    const QString pdf = m_dir.filePath(u"ink.pdf"_s);
    QVERIFY(receipt.writePdf(pdf));
    const QImage image = renderPng(pdf, m_dir.path());
    QVERIFY(!image.isNull());

    QList<QRect> boxes;
    for (const ReceiptItem* item : receipt.items()) {
        const QRect box = pixelBox(receipt, *item);
        boxes.append(box.adjusted(-1, -1, 1, 1));  // the rasteriser's smoothing
        if (item->Caption.isEmpty()) continue;
        bool inked = false;
        for (int y = box.top(); y <= box.bottom() && !inked; ++y)
            for (int x = box.left(); x <= box.right() && !inked; ++x) inked = isInk(image, x, y);
        QVERIFY2(inked, qPrintable(item->Name + u" shows nothing"_s));
    }
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (isInk(image, x, y))
                QVERIFY2(std::any_of(boxes.begin(), boxes.end(), [&](const QRect& b) { return b.contains(x, y); }),
                         qPrintable(u"ink at %1,%2 px outside every box"_s.arg(x).arg(y)));
}

void TestReceipts::colonAndBlankStandWhereAReaderExpects_data()
{
    QTest::addColumn<QString>("row");
    QTest::newRow("service") << u"service"_s;
    QTest::newRow("payment") << u"payment"_s;
}

void TestReceipts::colonAndBlankStandWhereAReaderExpects()
{
    QFETCH(QString, row);
    const Filled filled = make(row);
    const Receipt& receipt = *filled.receipt;
    const QString pdf = m_dir.filePath(u"order.pdf"_s);
    QVERIFY(receipt.writePdf(pdf));
    const QList<Word> all = words(pdf);
    static const QRegularExpression digits(u"^[0-9]+$"_s);
    int colons = 0;
    for (const ReceiptItem* item : receipt.items()) {
        const QRectF box = pageBoxPt(receipt, *item);
        QList<Word> mark, rest;
        for (const Word& w : all)
            if (box.contains(w.box.center())) (comparable(w.text) == u":"_s ? mark : rest).append(w);
        // Read right to left, a caption's colon follows its word: it stands at the word's left.
        if (item->Caption.trimmed().endsWith(u':')) {
            QCOMPARE(mark.size(), 1);
            ++colons;
            for (const Word& w : rest)
                QVERIFY2(mark[0].box.right() < w.box.left(),
                         qPrintable(item->Name + u": "_s + describe(mark[0]) + u" right of "_s + describe(w)));
        }
        // The amount reads number, blank, unit: the unit left of the digits, a blank's width apart.
        if (item->Name == u"QRLabel15"_s) {
            QList<Word> number, unit;
            for (const Word& w : rest) (digits.match(comparable(w.text)).hasMatch() ? number : unit).append(w);
            QCOMPARE(number.size(), 1);
            QVERIFY(!unit.isEmpty());
            for (const Word& w : unit)
                QVERIFY2(number[0].box.left() - w.box.right() >= 2.0,
                         qPrintable(describe(w) + u" against "_s + describe(number[0])));
        }
    }
    QCOMPARE(colons, row == u"service"_s ? 9 : 4);
}

void TestReceipts::previewShowsThePageAsPrinted_data()
{
    QTest::addColumn<QString>("row");
    for (const char* row : {"service", "service without address", "payment", "payment of nothing"})
        QTest::newRow(row) << QString::fromLatin1(row);
}

void TestReceipts::previewShowsThePageAsPrinted()
{
    QFETCH(QString, row);
    const Filled filled = make(row);
    const QImage printed = bandImage(*filled.receipt, false);
    const QImage previewed = bandImage(*filled.receipt, true);
    QCOMPARE(previewed.size(), printed.size());
    // Column by column, where each text has ink: a colon or a blank that changed sides moves whole
    // glyphs; rounding moves an edge by a pixel.
    for (const ReceiptItem* item : filled.receipt->items()) {
        const QRect box = Receipt::mmToDevice(item->box, &printed).toAlignedRect() & printed.rect();
        auto inked = [&box](const QImage& image, int x) {
            for (int y = box.top(); y <= box.bottom(); ++y)
                if (isInk(image, x, y)) return true;
            return false;
        };
        int differ = 0;
        for (int x = box.left(); x <= box.right(); ++x) differ += inked(printed, x) != inked(previewed, x);
        QVERIFY2(differ <= 2, qPrintable(item->Name + u": %1 columns differ"_s.arg(differ)));
    }
}

void TestReceipts::namedFacesResolveToPersianFaces()
{
    const QStringList installed = QFontDatabase::families();
    for (const QString& face : {u"Mitra"_s, u"Tabassom"_s, u"Jadid"_s}) {
        const OneItem arabic(face, Qt::AlignLeft, u"علي كريمي"_s);
        const QString family = QFontInfo(Receipt::font(arabic.text)).family();
        QVERIFY2(installed.contains(family), qPrintable(face + u" -> "_s + family));
        QVERIFY2(QFontDatabase::writingSystems(family).contains(QFontDatabase::Arabic), qPrintable(family));
        // Paper shows the Persian letters, final yeh without dots and kaf without its mark.
        const OneItem persian(face, Qt::AlignLeft, u"علی کریمی"_s);
        QVERIFY2(arabic.image() == persian.image(), qPrintable(face));
    }
}

void TestReceipts::alignmentFollowsRightToLeft()
{
    struct Case {
        Qt::Alignment alignment;
        qreal inkCentre;  // where the ink's middle falls across the box, 0 left .. 1 right
    };
    for (const Case& c : {Case{Qt::AlignLeft, 0.9}, Case{Qt::AlignRight, 0.1}, Case{Qt::AlignHCenter, 0.5}}) {
        const QImage image = OneItem(u"Mitra"_s, c.alignment, u"مبلغ"_s).image();
        int left = image.width(), right = -1;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (isInk(image, x, y)) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                }
        QVERIFY(right >= 0);
        const qreal centre = (left + right) / 2.0 / image.width();
        QVERIFY2(qAbs(centre - c.inkCentre) < 0.1, qPrintable(QString::number(centre)));
    }
}

void TestReceipts::previewWaitsAndIsNotReentered()
{
    TQRPay receipt;
    receipt.setTexts(kAgency, u"3"_s, u"1403/05/12"_s, u"رضا"_s, u"100 ريال"_s);
    int mostOpen = 0;
    int pages = -1;
    QPageSize::PageSizeId paper = QPageSize::Custom;
    bool rightToLeft = false;
    qreal zoom = 0;
    QTimer::singleShot(0, [&] {
        // Closes whatever is open by then, so that a faulty nested preview cannot hang the test.
        QTimer::singleShot(200, [&] {
            const QList<QPrintPreviewDialog*> open = openPreviews();
            mostOpen = std::max(mostOpen, int(open.size()));
            if (!open.isEmpty()) {
                pages = open.first()->findChild<QPrintPreviewWidget*>()->pageCount();
                zoom = open.first()->findChild<QPrintPreviewWidget*>()->zoomFactor();
                paper = open.first()->printer()->pageLayout().pageSize().id();
                rightToLeft = open.first()->layoutDirection() == Qt::RightToLeft;
            }
            for (QPrintPreviewDialog* dialog : open) dialog->reject();
        });
        QVERIFY(receipt.previewOpen());
        receipt.preview(nullptr);  // returns at once while the first is open
    });
    receipt.preview(nullptr);
    QCOMPARE(mostOpen, 1);
    QCOMPARE(pages, 1);
    QCOMPARE(paper, QPageSize::A4);
    QVERIFY(rightToLeft);
    QCOMPARE(zoom, 1.0);  // actual size
    QVERIFY(!receipt.previewOpen());
    QVERIFY(openPreviews().isEmpty());
}

QTEST_MAIN(TestReceipts)
#include "tst_receipts.moc"
