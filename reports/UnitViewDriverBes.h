#pragma once

#include "controls/DBGrid.h"
#include "controls/Edits.h"
#include "controls/Form.h"

class KeyChain;

// The stored payments, narrowed by number, by one date or by a range of dates; Enter on one
// opens it in the payment window for correction.
class TFormViewDriverBes : public TForm {
    Q_OBJECT

public:
    explicit TFormViewDriverBes(QWidget* parent = nullptr);

    TDBGrid* DBGrid1;
    QLabel* Label5;
    TMaskEdit* MaskEdit1;
    QLabel* Label6;
    TMaskEdit* MaskEdit2;
    TLabeledEdit* EditServiceId;

    void EditServiceIdKeyPress();
    void MaskEdit1KeyPress();
    void MaskEdit2KeyPress();
    void DBGrid1KeyPress();

protected:
    void FormShow() override;

private:
    // Replaces the third line of the list's query by this condition and runs it again.
    void Filter(const QString& where);

    KeyChain* m_keys;
};

extern TFormViewDriverBes* FormViewDriverBes;
