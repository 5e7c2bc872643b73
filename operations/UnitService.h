#pragma once

#include "data/Ledger.h"
#include "operations/Registration.h"

class KeyChain;
class TFormLastServices;

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

    // The subscriber whose telephone holds the number: F4 in the subscriber number hands in what
    // is typed there, and a caller-ID device may hand in the caller's number the same way. One
    // found fills the subscriber and shows his last services; several open the picker on them.
    void CallerNumber(const QString& number);
    // The last services of the subscriber in EditAcountId, when he has any; Enter on one copies
    // its addresses and fare into the new service.
    void ShowLastServices();
    TFormLastServices* LastServices;

protected:
    void FormShow() override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

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
