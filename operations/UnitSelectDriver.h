#pragma once

#include "controls/Form.h"

class TFormSelectDriver : public TForm {
    Q_OBJECT

public:
    explicit TFormSelectDriver(QWidget* parent = nullptr);

    // Which window the choice goes to: 1 service, 2 payment, 3 driver account.
    int Caller = 0;
};

extern TFormSelectDriver* FormSelectDriver;
