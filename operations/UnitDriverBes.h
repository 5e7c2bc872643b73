#pragma once

#include "controls/Edits.h"
#include "controls/Form.h"

class KeyChain;
namespace agency {
class TDataset;
}

// Records the money a driver hands over to the agency, or corrects a stored payment.
class TFormDriverBes : public TForm {
    Q_OBJECT

public:
    explicit TFormDriverBes(QWidget* parent = nullptr);

    TLabeledEdit* EditServiceId;
    QLabel* Label1;
    TMaskEdit* MaskEdit1;
    TLabeledEdit* EditDriverId;
    TLabeledEdit* EditDriverName;
    TLabeledEdit* EditMoney;
    TBitBtn* BitBtn1;
    TBitBtn* BitBtn2;

    // False: a new payment; true: a stored payment is being corrected.
    bool EditMode = false;

    // Entry in correction mode on the stored payment of that date and number; false, and nothing
    // else done, when there is none.
    bool OpenForCorrection(const QString& serviceDate, const QString& driverBesNo);

    void BitBtn1Click();
    void BitBtn2Click();

protected:
    void FormShow() override;

private:
    // The fields as a payment stores them; false, with its message shown, when incomplete.
    struct PaymentInput {
        QString date;
        qint32 number = 0, driverId = 0, amount = 0;
    };
    bool ReadInput(PaymentInput& in);
    // The columns that recording and correcting write alike.
    void WriteColumns(agency::TDataset* t, const PaymentInput& in);
    void ClearFields();

    KeyChain* m_keys;
    QString m_correctedRow;  // id of the stored row being corrected
};

extern TFormDriverBes* FormDriverBes;
