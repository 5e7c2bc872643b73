#pragma once
// The payment receipt handed to a driver who has paid money to the agency.

#include "controls/Receipt.h"

class TQRPay : public Receipt {
public:
    TQRPay();

    // The five texts of one receipt; amount as printed, unit included.
    void setTexts(const QString& title, const QString& number, const QString& date, const QString& driver,
                  const QString& amount);

    ReceiptItem Title;
    ReceiptItem QRLabel8;
    ReceiptItem QRLabel1;
    ReceiptItem QRLabel9;
    ReceiptItem QRLabel2;
    ReceiptItem QRLabel10;
    ReceiptItem QRLabel4;
    ReceiptItem QRLabel12;
    ReceiptItem QRLabel7;
    ReceiptItem QRLabel15;
    ReceiptItem QRLabel16;
    ReceiptItem QRLabel17;
};

extern TQRPay* QRPay;
