#include "baseinfo/UnitPayeh.h"

TFormPayeh* FormPayeh = nullptr;

TFormPayeh::TFormPayeh(QWidget* parent) : TForm(parent)
{
    setObjectName(QStringLiteral("FormPayeh"));
    setWindowTitle(QString::fromUtf16(u"اطلاعات پايه"));
}
