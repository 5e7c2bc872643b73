#pragma once

#include "data/Ledger.h"
#include "operations/Registration.h"

class KeyChain;

// Records the money a driver hands over to the agency, or corrects a stored payment.
class TFormDriverBes : public TRegistrationForm {
    Q_OBJECT

public:
    explicit TFormDriverBes(QWidget* parent = nullptr);

    TLabeledEdit* EditServiceId;
    QLabel* Label1;
    TMaskEdit* MaskEdit1;
    TLabeledEdit* EditDriverId;
    TLabeledEdit* EditDriverName;
    TLabeledEdit* EditMoney;

    // Entry in correction mode on the stored payment of that date and number; false, and nothing
    // else done, when there is none.
    bool OpenForCorrection(const QString& serviceDate, const QString& driverBesNo);

    void BitBtn1Click();
    void BitBtn2Click();

protected:
    void FormShow() override;

private:
    // The fields as a payment stores them; false, with its message shown, when incomplete.
    bool ReadInput(agency::PaymentInput& in);
    void ClearFields() override;

    KeyChain* m_keys;
};

extern TFormDriverBes* FormDriverBes;
