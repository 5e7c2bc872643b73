#pragma once

#include "controls/Form.h"

class TFormViewService : public TForm {
    Q_OBJECT

public:
    explicit TFormViewService(QWidget* parent = nullptr);
};

extern TFormViewService* FormViewService;
