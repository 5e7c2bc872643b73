#pragma once

#include "controls/DBGrid.h"
#include "controls/Form.h"

// Every driver's debit, credit and balance over all dates, current at every showing.
class TFormDriverMande : public TForm {
    Q_OBJECT

public:
    explicit TFormDriverMande(QWidget* parent = nullptr);

    TDBGrid* DBGrid1;

protected:
    void FormShow() override;
};

extern TFormDriverMande* FormDriverMande;
