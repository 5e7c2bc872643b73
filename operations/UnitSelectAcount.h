#pragma once

#include "controls/DBGrid.h"
#include "controls/Edits.h"
#include "controls/Form.h"

// Finds a subscriber by name and hands him to the service window.
class TFormSelectAcount : public TForm {
    Q_OBJECT

public:
    explicit TFormSelectAcount(QWidget* parent = nullptr);

    TDBGrid* DBGrid1;
    TBitBtn* BitBtn1;
    TLabeledEdit* EditAcountName;

    void EditAcountNameKeyUp();
    void DBGrid1KeyPress();
    void BitBtn1Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

extern TFormSelectAcount* FormSelectAcount;
