#pragma once

#include "controls/Form.h"

class TFormDriverHesab : public TForm {
    Q_OBJECT

public:
    explicit TFormDriverHesab(QWidget* parent = nullptr);
};

extern TFormDriverHesab* FormDriverHesab;
