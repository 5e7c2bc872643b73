#pragma once

#include "controls/DBGrid.h"
#include "controls/Edits.h"
#include "controls/Form.h"

#include <QCheckBox>

// The program's users: listed by name, renamed in place, created through " جديد", deleted.
class TFormUser : public TForm {
    Q_OBJECT

public:
    explicit TFormUser(QWidget* parent = nullptr);

    QLabel* Image1;
    TDBGrid* DBGrid1;
    TBitBtn* BitBtn2;  // " جديد"
    TBitBtn* BitBtn4;  // "حذف "
    TBitBtn* BitBtn1;  // "ذخيره"
    TBitBtn* BitBtn3;  // "انصراف"
    // The four rights, bound to the current row and never shown.
    QCheckBox* DBCheckBox1;
    QCheckBox* DBCheckBox2;
    QCheckBox* DBCheckBox3;
    QCheckBox* DBCheckBox4;

    void BitBtn2Click();
    void BitBtn4Click();
    void BitBtn1Click();
    void BitBtn3Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // True, after saying why, when deleting the current row would leave nobody able to log in.
    bool RefuseLastUser();
    void ShowRights();
};

extern TFormUser* FormUser;
