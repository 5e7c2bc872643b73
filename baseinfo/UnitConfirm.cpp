#include "baseinfo/UnitConfirm.h"

TFormConfirm* FormConfirm = nullptr;

TFormConfirm::TFormConfirm(QWidget* parent) : TForm(parent)
{
    setObjectName(QStringLiteral("FormConfirm"));
    setWindowTitle(QString::fromUtf16(u"تاييد"));
}
