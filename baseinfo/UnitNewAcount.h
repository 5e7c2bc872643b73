#pragma once

#include "baseinfo/Registers.h"

// Adds subscribers, one after another, each with the next code.
class TFormNewAcount : public TFormNewEntry {
    Q_OBJECT

public:
    explicit TFormNewAcount(QWidget* parent = nullptr);

    TLabeledEdit* LabeledEdit1;  // code
    TLabeledEdit* LabeledEdit2;  // name
    TLabeledEdit* LabeledEdit3;  // address
    TLabeledEdit* LabeledEdit4;  // telephone
};

extern TFormNewAcount* FormNewAcount;
