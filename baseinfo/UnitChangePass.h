#pragma once

#include "baseinfo/UnitNewUser.h"

// The logged-in user's own password, and his name, changed; no other user's row is reached.
class TFormChangePass : public TFormNewUser {
    Q_OBJECT

public:
    explicit TFormChangePass(QWidget* parent = nullptr);

    void LabeledEdit3KeyPress() override;

protected:
    void FormShow() override;
};

extern TFormChangePass* FormChangePass;
