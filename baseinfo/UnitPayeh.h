#pragma once

#include "controls/DBEdit.h"
#include "controls/Edits.h"
#include "controls/Form.h"

class KeyChain;

// The agency's own settings, edited in place in the settings row that the whole program reads.
class TFormPayeh : public TForm {
    Q_OBJECT

public:
    explicit TFormPayeh(QWidget* parent = nullptr);

    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Label4;
    QLabel* Label5;
    TDBEdit* DBEdit1;  // title
    TDBEdit* DBEdit3;  // address
    TDBEdit* DBEdit4;  // telephones
    TDBEdit* DBEdit2;  // share percentage
    TDBEdit* DBEdit5;  // the debt above which a driver's services are warned of
    TBitBtn* Button1;

    void Button1Click();

protected:
    void FormShow() override;

private:
    KeyChain* m_keys;
};

extern TFormPayeh* FormPayeh;
