#pragma once

#include "controls/Form.h"

class TFormViewDriverBes : public TForm {
    Q_OBJECT

public:
    explicit TFormViewDriverBes(QWidget* parent = nullptr);
};

extern TFormViewDriverBes* FormViewDriverBes;
