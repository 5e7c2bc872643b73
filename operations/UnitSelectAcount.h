#pragma once

#include "controls/Form.h"

class TFormSelectAcount : public TForm {
    Q_OBJECT

public:
    explicit TFormSelectAcount(QWidget* parent = nullptr);
};

extern TFormSelectAcount* FormSelectAcount;
