#include "operations/UnitReportPay.h"

#include "data/Currency.h"

TQRPay* QRPay = nullptr;

TQRPay::TQRPay()
    : Receipt(QPageSize(QPageSize::A4), QMarginsF(3, 5, 3, 10), QSizeF(204.0, 87.3)),
      Title(label(u"Title", 2.1, 2.1, 201.3, 10.1, Centre, u"Tabassom", 18, Bold, u"Title")),
      QRLabel8(
          label(u"QRLabel8", 2.1, 14.8, 201.3, 7.7, Centre, u"Jadid", 14, Plain, u"رســـيـــد دريـــافـــت وجــــه")),
      QRLabel1(label(u"QRLabel1", 48.7, 28.6, 15.9, 7.9, Right, u"Mitra", 14, Bold, u"شماره :")),
      QRLabel9(label(u"QRLabel9", 10.6, 28.6, 34.4, 7.9, Left, u"Mitra", 14, Plain, u"QRLabel9")),
      QRLabel2(label(u"QRLabel2", 48.7, 36.5, 15.9, 7.7, Right, u"Mitra", 14, Bold, u"تاريخ :")),
      QRLabel10(label(u"QRLabel10", 10.6, 36.5, 34.4, 7.4, Left, u"Mitra", 14, Plain, u"QRLabel10")),
      QRLabel4(label(u"QRLabel4", 177.3, 48.7, 25.7, 7.7, Right, u"Mitra", 14, Bold, u"نام راننده : ")),
      QRLabel12(label(u"QRLabel12", 110.1, 48.7, 64.6, 7.4, Left, u"Mitra", 14, Plain, u"QRLabel12")),
      QRLabel7(label(u"QRLabel7", 177.3, 57.7, 15.9, 7.7, Right, u"Mitra", 14, Bold, u"مبلغ : ")),
      QRLabel15(label(u"QRLabel15", 141.8, 57.7, 32.8, 7.4, Left, u"Mitra", 14, Plain, u"QRLabel15")),
      QRLabel16(label(u"QRLabel16", 95.2, 65.6, 15.9, 7.7, Right, u"Mitra", 12, Plain, u"تنظيم كننده")),
      QRLabel17(label(u"QRLabel17", 14.8, 65.6, 15.9, 7.7, Right, u"Mitra", 12, Plain, u"راننده"))
{
    for (ReceiptItem* item : {&Title, &QRLabel8, &QRLabel1, &QRLabel9, &QRLabel2, &QRLabel10, &QRLabel4, &QRLabel12,
                              &QRLabel7, &QRLabel15, &QRLabel16, &QRLabel17})
        add(*item);
}

void TQRPay::setTexts(const QString& title, const QString& number, const QString& date, const QString& driver,
                      const QString& amount)
{
    Title.Caption = title;
    QRLabel9.Caption = number;
    QRLabel10.Caption = date;
    QRLabel12.Caption = driver;
    QRLabel15.Caption = agency::displayAmount(amount);
}
