#pragma once

#include "controls/Form.h"

class TFormDriver : public TForm {
    Q_OBJECT

public:
    explicit TFormDriver(QWidget* parent = nullptr);
};

extern TFormDriver* FormDriver;
