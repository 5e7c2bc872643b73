#include "reports/UnitDriverMande.h"

TFormDriverMande* FormDriverMande = nullptr;

TFormDriverMande::TFormDriverMande(QWidget* parent) : TForm(parent)
{
    setObjectName(QStringLiteral("FormDriverMande"));
    setWindowTitle(QString::fromUtf16(u"نمايش مانده حسابهاي رانندگان"));
}
