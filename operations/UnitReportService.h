#pragma once
// The service receipt: the permit printed for a newly registered service.

#include "controls/Receipt.h"

class TQRService : public Receipt {
public:
    TQRService();

    // The ten texts of one receipt; amount as printed, unit included.
    void setTexts(const QString& title, const QString& address, const QString& tel, const QString& number,
                  const QString& date, const QString& time, const QString& driver, const QString& origin,
                  const QString& target, const QString& amount);

    ReceiptItem Title;
    ReceiptItem QRLabel21;
    ReceiptItem QRLabel19;
    ReceiptItem QRLabel22;
    ReceiptItem QRLabel20;
    ReceiptItem QRLabel8;
    ReceiptItem QRLabel1;
    ReceiptItem QRLabel9;
    ReceiptItem QRLabel2;
    ReceiptItem QRLabel10;
    ReceiptItem QRLabel3;
    ReceiptItem QRLabel11;
    ReceiptItem QRLabel4;
    ReceiptItem QRLabel12;
    ReceiptItem QRLabel5;
    ReceiptItem QRLabel13;
    ReceiptItem QRLabel6;
    ReceiptItem QRLabel14;
    ReceiptItem QRLabel7;
    ReceiptItem QRLabel15;
    ReceiptItem QRLabel16;
    ReceiptItem QRLabel17;
    ReceiptItem QRLabel18;
};

extern TQRService* QRService;
