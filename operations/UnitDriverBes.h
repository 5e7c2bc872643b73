#pragma once

#include "controls/Edits.h"
#include "controls/Form.h"

class TFormDriverBes : public TForm {
    Q_OBJECT

public:
    explicit TFormDriverBes(QWidget* parent = nullptr);

    TLabeledEdit* EditServiceId;
    TMaskEdit* MaskEdit1 = nullptr;
    TLabeledEdit* EditDriverId = nullptr;
    TLabeledEdit* EditDriverName = nullptr;
    TLabeledEdit* EditMoney = nullptr;
    TBitBtn* BitBtn1;
    TBitBtn* BitBtn2;

    // False: a new payment; true: a stored payment is being corrected.
    bool EditMode = false;
};

extern TFormDriverBes* FormDriverBes;
