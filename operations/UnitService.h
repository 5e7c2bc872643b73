#pragma once

#include "controls/Edits.h"
#include "controls/Form.h"

#include "data/Currency.h"

class KeyChain;
namespace agency {
class TDataset;
}

// The desk's working window: records a new service, or corrects a stored one.
class TFormService : public TForm {
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
    TBitBtn* BitBtn1;
    TBitBtn* BitBtn2;

    // False in new-service mode, true while a stored service is being corrected.
    bool EditMode = false;

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
    void ClearFields();
    QString NextNumberOf(const QString& date);

    // The fields as a service stores them; false, with its message shown, when incomplete.
    struct ServiceInput {
        QString date;
        qint32 serviceId = 0, driverId = 0, acountId = 0, fare = 0;
        agency::Currency share;
    };
    bool ReadInput(ServiceInput& in);
    // The columns that registration and correction write alike, in their order.
    void WriteColumns(agency::TDataset* t, const ServiceInput& in);

    KeyChain* m_keys;
    QString m_correctedRow;  // id of the stored row being corrected
};

extern TFormService* FormService;
