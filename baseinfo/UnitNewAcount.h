#pragma once

#include "controls/Form.h"

class TFormNewAcount : public TForm {
    Q_OBJECT

public:
    explicit TFormNewAcount(QWidget* parent = nullptr);
};

extern TFormNewAcount* FormNewAcount;
