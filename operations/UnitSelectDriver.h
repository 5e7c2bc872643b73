#pragma once

#include "controls/Picker.h"

// Finds a driver by name and hands him to the window that asked (Caller).
class TFormSelectDriver : public TPicker {
    Q_OBJECT

public:
    explicit TFormSelectDriver(QWidget* parent = nullptr);

    TLabeledEdit* EditDriverName;

    // Which window the choice goes to: 1 service, 2 payment, 3 driver account; set by the
    // opener after showing, never cleared.
    int Caller = 0;

    void EditDriverNameKeyUp() { Research(); }
    void DBGrid1KeyPress() override;
    void BitBtn1Click() override;
};

extern TFormSelectDriver* FormSelectDriver;
