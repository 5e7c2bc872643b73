#include "baseinfo/UnitNewAcount.h"

TFormNewAcount* FormNewAcount = nullptr;

TFormNewAcount::TFormNewAcount(QWidget* parent) : TForm(parent)
{
    setObjectName(QStringLiteral("FormNewAcount"));
    setWindowTitle(QString::fromUtf16(u"ثبت اشتراك جديد"));
}
