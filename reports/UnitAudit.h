#pragma once

#include "controls/DBGrid.h"
#include "controls/Edits.h"
#include "controls/Form.h"

class KeyChain;

// The audit trail, read only: who corrected a service or payment or deleted a driver, subscriber
// or user, and when, narrowed by a range of dates and a user's name; the current row's values
// before and after in full under the list.
class TFormAudit : public TForm {
    Q_OBJECT

public:
    explicit TFormAudit(QWidget* parent = nullptr);

    QLabel* Label5;
    TMaskEdit* MaskEdit1;
    QLabel* Label6;
    TMaskEdit* MaskEdit2;
    TLabeledEdit* EditUser;
    TDBGrid* DBGrid1;
    QLabel* Label1;
    TDBText* DBText1;
    QLabel* Label2;
    TDBText* DBText2;

    // Lists the records of the dates in the range whose user's name holds the typed text.
    void Filter();

protected:
    void FormShow() override;

private:
    KeyChain* m_keys;
};

extern TFormAudit* FormAudit;
