#include "baseinfo/UnitAcount.h"

TFormAcount* FormAcount = nullptr;

TFormAcount::TFormAcount(QWidget* parent) : TForm(parent)
{
    setObjectName(QStringLiteral("FormAcount"));
    setWindowTitle(QString::fromUtf16(u"ليست مشتركين"));
}
