#pragma once

#include "controls/DBGrid.h"
#include "controls/Edits.h"
#include "controls/Form.h"

class KeyChain;

// The stored services, narrowed by number, by subscriber, by one date or by a range of dates;
// Enter on one opens it in the service window for correction.
class TFormViewService : public TForm {
    Q_OBJECT

public:
    explicit TFormViewService(QWidget* parent = nullptr);

    TDBGrid* DBGrid1;
    TLabeledEdit* EditServiceId;
    TLabeledEdit* EditAcountId;
    QLabel* Label5;
    TMaskEdit* MaskEdit1;
    QLabel* Label6;
    TMaskEdit* MaskEdit2;
    QLabel* Label1;
    TDBText* DBText1;
    QLabel* Label2;
    TDBText* DBText2;
    QLabel* Label3;
    TDBText* DBText3;
    QLabel* Label4;
    TDBText* DBText4;

    void EditServiceIdKeyPress();
    void EditAcountIdKeyPress();
    void MaskEdit1KeyPress();
    void MaskEdit2KeyPress();
    void DBGrid1KeyPress();

protected:
    void FormShow() override;

private:
    // Replaces the whole text of the list's query by a filter on this condition and runs it.
    void Filter(const QString& where);

    KeyChain* m_keys;
};

extern TFormViewService* FormViewService;
