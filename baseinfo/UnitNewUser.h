#pragma once

#include "controls/Form.h"

class TFormNewUser : public TForm {
    Q_OBJECT

public:
    explicit TFormNewUser(QWidget* parent = nullptr);
};

extern TFormNewUser* FormNewUser;
