#pragma once

#include "controls/Form.h"

class TFormAcount : public TForm {
    Q_OBJECT

public:
    explicit TFormAcount(QWidget* parent = nullptr);
};

extern TFormAcount* FormAcount;
