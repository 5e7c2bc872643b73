#include "reports/UnitAmar.h"

TFormAmar* FormAmar = nullptr;

TFormAmar::TFormAmar(QWidget* parent) : TForm(parent)
{
    setObjectName(QStringLiteral("FormAmar"));
    setWindowTitle(QString::fromUtf16(u"آمار"));
}
