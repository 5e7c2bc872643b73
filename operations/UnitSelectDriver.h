#pragma once

#include "controls/DBGrid.h"
#include "controls/Edits.h"
#include "controls/Form.h"

// Finds a driver by name and hands him to the window that asked (Caller).
class TFormSelectDriver : public TForm {
    Q_OBJECT

public:
    explicit TFormSelectDriver(QWidget* parent = nullptr);

    TDBGrid* DBGrid1;
    TBitBtn* BitBtn1;
    TLabeledEdit* EditDriverName;

    // Which window the choice goes to: 1 service, 2 payment, 3 driver account; set by the
    // opener after showing, never cleared.
    int Caller = 0;

    void EditDriverNameKeyUp();
    void DBGrid1KeyPress();
    void BitBtn1Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

extern TFormSelectDriver* FormSelectDriver;
