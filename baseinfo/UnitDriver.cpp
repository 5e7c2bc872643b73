#include "baseinfo/UnitDriver.h"

TFormDriver* FormDriver = nullptr;

TFormDriver::TFormDriver(QWidget* parent) : TForm(parent)
{
    setObjectName(QStringLiteral("FormDriver"));
    setWindowTitle(QString::fromUtf16(u"ليست راننده گان"));
}
