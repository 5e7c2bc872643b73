#include "baseinfo/UnitNewDriver.h"

TFormNewDriver* FormNewDriver = nullptr;

TFormNewDriver::TFormNewDriver(QWidget* parent) : TForm(parent)
{
    setObjectName(QStringLiteral("FormNewDriver"));
    setWindowTitle(QString::fromUtf16(u"اضافه كردن راننده جديد"));
}
