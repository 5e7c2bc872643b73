#include "reports/UnitDriverHesab.h"

TFormDriverHesab* FormDriverHesab = nullptr;

TFormDriverHesab::TFormDriverHesab(QWidget* parent) : TForm(parent)
{
    setObjectName(QStringLiteral("FormDriverHesab"));
    setWindowTitle(QString::fromUtf16(u"ريز حساب رانندگان"));
}
