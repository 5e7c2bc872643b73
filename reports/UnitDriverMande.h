#pragma once

#include "controls/Form.h"

class TFormDriverMande : public TForm {
    Q_OBJECT

public:
    explicit TFormDriverMande(QWidget* parent = nullptr);
};

extern TFormDriverMande* FormDriverMande;
