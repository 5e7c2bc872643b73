#include "operations/UnitReportService.h"

#include "data/Currency.h"

TQRService* QRService = nullptr;

TQRService::TQRService()
    : Receipt(QPageSize(QPageSize::Letter), QMarginsF(5, 5, 5, 5), QSizeF(205.8, 120.1)),
      Title(label(u"Title", 2.1, 2.1, 201.3, 10.1, Centre, u"Tabassom", 18, Bold, u"Title")),
      QRLabel21(label(u"QRLabel21", 182.0, 12.7, 23.0, 7.7, Right, u"Mitra", 12, Bold, u"آدرس  : ")),
      QRLabel19(label(u"QRLabel19", 2.1, 12.7, 178.1, 7.9, Left, u"Tabassom", 13, Plain, u"Title")),
      QRLabel22(label(u"QRLabel22", 182.0, 21.2, 23.0, 7.7, Right, u"Mitra", 12, Bold, u"تلفن ها : ")),
      QRLabel20(label(u"QRLabel20", 2.1, 21.2, 178.1, 7.9, Left, u"Tabassom", 13, Plain, u"Title")),
      QRLabel8(label(u"QRLabel8", 2.1, 29.6, 201.3, 7.7, Centre, u"Jadid", 14, Plain, u"مـجـوز ارائـه سـرويـس")),
      QRLabel1(label(u"QRLabel1", 48.7, 43.4, 15.9, 7.9, Right, u"Mitra", 14, Bold, u"شماره :")),
      QRLabel9(label(u"QRLabel9", 10.6, 43.4, 34.4, 7.9, Left, u"Mitra", 14, Plain, u"QRLabel9")),
      QRLabel2(label(u"QRLabel2", 48.7, 51.3, 15.9, 7.7, Right, u"Mitra", 14, Bold, u"تاريخ :")),
      QRLabel10(label(u"QRLabel10", 10.6, 51.3, 34.4, 7.4, Left, u"Mitra", 14, Plain, u"QRLabel10")),
      QRLabel3(label(u"QRLabel3", 48.7, 59.3, 15.9, 7.7, Right, u"Mitra", 14, Bold, u"ساعت :")),
      QRLabel11(label(u"QRLabel11", 10.6, 59.3, 34.4, 7.4, Left, u"Mitra", 14, Plain, u"QRLabel11")),
      QRLabel4(label(u"QRLabel4", 177.3, 69.8, 25.7, 7.7, Right, u"Mitra", 14, Bold, u"نام راننده : ")),
      QRLabel12(label(u"QRLabel12", 52.9, 69.8, 121.7, 7.4, Left, u"Mitra", 14, Plain, u"QRLabel12")),
      QRLabel5(label(u"QRLabel5", 177.3, 77.8, 15.9, 7.7, Right, u"Mitra", 14, Bold, u"مبدا : ")),
      QRLabel13(label(u"QRLabel13", 52.9, 77.8, 121.7, 7.4, Left, u"Mitra", 14, Plain, u"QRLabel13")),
      QRLabel6(label(u"QRLabel6", 177.3, 85.7, 15.9, 7.7, Right, u"Mitra", 14, Bold, u"مقصد : ")),
      QRLabel14(label(u"QRLabel14", 52.9, 85.7, 121.7, 7.4, Left, u"Mitra", 14, Plain, u"QRLabel14")),
      QRLabel7(label(u"QRLabel7", 177.3, 93.7, 15.9, 7.7, Right, u"Mitra", 14, Bold, u"مبلغ : ")),
      QRLabel15(label(u"QRLabel15", 52.9, 93.7, 121.7, 7.4, Left, u"Mitra", 14, Plain, u"QRLabel15")),
      QRLabel16(label(u"QRLabel16", 171.4, 112.2, 15.9, 7.7, Right, u"Mitra", 12, Plain, u"تنظيم كننده")),
      QRLabel17(label(u"QRLabel17", 91.0, 112.2, 15.9, 7.7, Right, u"Mitra", 12, Plain, u"راننده")),
      QRLabel18(label(u"QRLabel18", 16.9, 112.2, 15.9, 7.7, Right, u"Mitra", 12, Plain, u"مشترك"))
{
    for (ReceiptItem* item :
         {&Title,    &QRLabel21, &QRLabel19, &QRLabel22, &QRLabel20, &QRLabel8,  &QRLabel1, &QRLabel9,
          &QRLabel2, &QRLabel10, &QRLabel3,  &QRLabel11, &QRLabel4,  &QRLabel12, &QRLabel5, &QRLabel13,
          &QRLabel6, &QRLabel14, &QRLabel7,  &QRLabel15, &QRLabel16, &QRLabel17, &QRLabel18})
        add(*item);
}

void TQRService::setTexts(const QString& title, const QString& address, const QString& tel, const QString& number,
                          const QString& date, const QString& time, const QString& driver, const QString& origin,
                          const QString& target, const QString& amount)
{
    Title.Caption = title;
    QRLabel19.Caption = address;
    QRLabel20.Caption = tel;
    QRLabel9.Caption = number;
    QRLabel10.Caption = date;
    QRLabel11.Caption = time;
    QRLabel12.Caption = driver;
    QRLabel13.Caption = origin;
    QRLabel14.Caption = target;
    QRLabel15.Caption = agency::displayAmount(amount);
}
