#pragma once

#include "controls/Form.h"

class TFormConfirm : public TForm {
    Q_OBJECT

public:
    explicit TFormConfirm(QWidget* parent = nullptr);
};

extern TFormConfirm* FormConfirm;
