#include "baseinfo/UnitChangePass.h"

TFormChangePass* FormChangePass = nullptr;

TFormChangePass::TFormChangePass(QWidget* parent) : TFormNewUser(parent)
{
    setObjectName(QStringLiteral("FormChangePass"));
    setWindowTitle(QString::fromUtf16(u"تغيير رمز"));
}
