#include "operations/UnitSelectDriver.h"

TFormSelectDriver* FormSelectDriver = nullptr;

TFormSelectDriver::TFormSelectDriver(QWidget* parent) : TForm(parent)
{
    setObjectName(QStringLiteral("FormSelectDriver"));
    setWindowTitle(QString::fromUtf16(u"انتخاب راننده"));
    setFixedSize(365, 446);
}
