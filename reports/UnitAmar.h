#pragma once

#include "controls/Form.h"

class TFormAmar : public TForm {
    Q_OBJECT

public:
    explicit TFormAmar(QWidget* parent = nullptr);
};

extern TFormAmar* FormAmar;
