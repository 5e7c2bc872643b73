#include "operations/UnitSelectAcount.h"

TFormSelectAcount* FormSelectAcount = nullptr;

TFormSelectAcount::TFormSelectAcount(QWidget* parent) : TForm(parent)
{
    setObjectName(QStringLiteral("FormSelectAcount"));
    setWindowTitle(QString::fromUtf16(u"انتخاب مشترك"));
}
