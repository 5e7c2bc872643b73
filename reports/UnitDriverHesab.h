#pragma once

#include "controls/DBGrid.h"
#include "controls/Edits.h"
#include "controls/Form.h"

#include <QtGlobal>

class KeyChain;

// One driver's account over a range of dates: his services (debit) and payments (credit), the
// two totals and a sentence stating the balance.
class TFormDriverHesab : public TForm {
    Q_OBJECT

public:
    explicit TFormDriverHesab(QWidget* parent = nullptr);

    TLabeledEdit* EditDriverId = nullptr;
    TDBText* DBText1 = nullptr;
    QLabel* Label5 = nullptr;
    TMaskEdit* MaskEdit1 = nullptr;
    QLabel* Label6 = nullptr;
    TMaskEdit* MaskEdit2 = nullptr;
    TDBGrid* DBGrid1 = nullptr;
    TDBText* DBText2 = nullptr;
    TDBText* DBText3 = nullptr;
    QLabel* Label1 = nullptr;

    void EditDriverIdKeyPress();
    void MaskEdit2KeyPress();

    // The sentence for a balance (debit minus credit, whole rials).
    static QString BalanceSentence(qint64 balance);

    // Puts the two totals under the debit and credit columns.
    void PlaceTotals();

protected:
    void FormShow() override;
    void resizeEvent(QResizeEvent* event) override;

private:
    KeyChain* m_keys;
    bool m_exportable = false;  // the totals and sentence shown are those of the filter last run
    QWidget* m_totals = nullptr;
};

extern TFormDriverHesab* FormDriverHesab;
