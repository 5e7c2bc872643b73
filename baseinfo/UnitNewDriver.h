#pragma once

#include "baseinfo/Registers.h"

// Adds drivers, one after another, each with the next code.
class TFormNewDriver : public TFormNewEntry {
    Q_OBJECT

public:
    explicit TFormNewDriver(QWidget* parent = nullptr);

    TLabeledEdit* LabeledEdit1;  // code
    TLabeledEdit* LabeledEdit2;  // name
    TLabeledEdit* LabeledEdit3;  // car
    TLabeledEdit* LabeledEdit4;  // address
    TLabeledEdit* LabeledEdit5;  // telephone
};

extern TFormNewDriver* FormNewDriver;
