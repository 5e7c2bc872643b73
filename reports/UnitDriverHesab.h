#pragma once

#include "controls/Edits.h"
#include "controls/Form.h"

class TFormDriverHesab : public TForm {
    Q_OBJECT

public:
    explicit TFormDriverHesab(QWidget* parent = nullptr);

    TLabeledEdit* EditDriverId = nullptr;
    TMaskEdit* MaskEdit1 = nullptr;
    TMaskEdit* MaskEdit2 = nullptr;
};

extern TFormDriverHesab* FormDriverHesab;
