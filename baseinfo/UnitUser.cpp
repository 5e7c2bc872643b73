#include "baseinfo/UnitUser.h"

TFormUser* FormUser = nullptr;

TFormUser::TFormUser(QWidget* parent) : TForm(parent)
{
    setObjectName(QStringLiteral("FormUser"));
    setWindowTitle(QString::fromUtf16(u"كاربران سيستم"));
}
