#pragma once

#include "controls/Picker.h"

// Finds a subscriber by name and hands him to the service window.
class TFormSelectAcount : public TPicker {
    Q_OBJECT

public:
    explicit TFormSelectAcount(QWidget* parent = nullptr);

    TLabeledEdit* EditAcountName;

    void EditAcountNameKeyUp() { Research(); }
    void DBGrid1KeyPress() override;
    void BitBtn1Click() override;
};

extern TFormSelectAcount* FormSelectAcount;
