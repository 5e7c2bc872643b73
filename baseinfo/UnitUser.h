#pragma once

#include "controls/Form.h"

class TFormUser : public TForm {
    Q_OBJECT

public:
    explicit TFormUser(QWidget* parent = nullptr);
};

extern TFormUser* FormUser;
