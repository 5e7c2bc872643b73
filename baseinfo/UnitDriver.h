#pragma once

#include "controls/DBGrid.h"
#include "controls/Edits.h"
#include "controls/Form.h"

// The drivers list: corrected in place, new drivers through "جديد", removal through "حذف".
class TFormDriver : public TForm {
    Q_OBJECT

public:
    explicit TFormDriver(QWidget* parent = nullptr);

    TDBGrid* DBGrid1;
    TBitBtn* NewDriver;
    TBitBtn* DeleteDriver;

    void NewDriverClick();
    void DeleteDriverClick();
};

extern TFormDriver* FormDriver;
