#pragma once

#include "data/Ledger.h"
#include "operations/Registration.h"

class KeyChain;

// The desk's working window: records a new service, or corrects a stored one.
class TFormService : public TRegistrationForm {
    Q_OBJECT

public:
    explicit TFormService(QWidget* parent = nullptr);

    TLabeledEdit* EditServiceId;
    TLabeledEdit* EditDriverId;
    TLabeledEdit* EditDriverName;
    TLabeledEdit* EditAcountId;
    TLabeledEdit* EditAcountName;
    QLabel* Label1;
    TMaskEdit* MaskEdit1;
    TLabeledEdit* EditSource;
    TLabeledEdit* EditTarget;
    TLabeledEdit* EditMoney;

    // Entry in correction mode on the stored service of that date and number; false, and
    // nothing else done, when there is none.
    bool OpenForCorrection(const QString& serviceDate, const QString& serviceId);

    void BitBtn1Click();
    void BitBtn2Click();

protected:
    void FormShow() override;

private:
    void DriverLookup(bool byEnter);
    void AcountLookup(bool byEnter);
    void OpenAcountPicker();
    void ShowNumberOfDate();
    void ClearFields() override;
    QString NextNumberOf(const QString& date);

    // Tells the desk when the driver's debt, this service counted, passes the agency's limit.
    void WarnOfDebt(const agency::ServiceInput& in);

    // The fields as a service stores them; false, with its message shown, when incomplete.
    bool ReadInput(agency::ServiceInput& in);

    KeyChain* m_keys;
};

extern TFormService* FormService;
