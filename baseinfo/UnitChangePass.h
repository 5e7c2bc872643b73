#pragma once

#include "baseinfo/UnitNewUser.h"

class TFormChangePass : public TFormNewUser {
    Q_OBJECT

public:
    explicit TFormChangePass(QWidget* parent = nullptr);
};

extern TFormChangePass* FormChangePass;
