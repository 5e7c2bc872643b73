#pragma once

#include "controls/Form.h"

class TFormNewDriver : public TForm {
    Q_OBJECT

public:
    explicit TFormNewDriver(QWidget* parent = nullptr);
};

extern TFormNewDriver* FormNewDriver;
