#include "baseinfo/UnitNewUser.h"

TFormNewUser* FormNewUser = nullptr;

TFormNewUser::TFormNewUser(QWidget* parent) : TForm(parent)
{
    setObjectName(QStringLiteral("FormNewUser"));
    setWindowTitle(QString::fromUtf16(u"ثبت كاربر جديد"));
}
