#pragma once

#include "controls/Form.h"

class TFormPayeh : public TForm {
    Q_OBJECT

public:
    explicit TFormPayeh(QWidget* parent = nullptr);
};

extern TFormPayeh* FormPayeh;
