#pragma once

#include "controls/DBGrid.h"
#include "controls/Edits.h"
#include "controls/Form.h"

// The subscribers list: corrected in place, new subscribers through "جديد", removal through "حذف".
class TFormAcount : public TForm {
    Q_OBJECT

public:
    explicit TFormAcount(QWidget* parent = nullptr);

    TBitBtn* BitBtn1;  // new
    TBitBtn* BitBtn2;  // delete
    TDBGrid* DBGrid1;

    void BitBtn1Click();
    void BitBtn2Click();
};

extern TFormAcount* FormAcount;
