#include "reports/UnitViewDriverBes.h"

TFormViewDriverBes* FormViewDriverBes = nullptr;

TFormViewDriverBes::TFormViewDriverBes(QWidget* parent) : TForm(parent)
{
    setObjectName(QStringLiteral("FormViewDriverBes"));
    setWindowTitle(QString::fromUtf16(u"نمايش پرداختهاي رانندگان"));
}
