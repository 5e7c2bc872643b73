#include "reports/UnitViewService.h"

TFormViewService* FormViewService = nullptr;

TFormViewService::TFormViewService(QWidget* parent) : TForm(parent)
{
    setObjectName(QStringLiteral("FormViewService"));
    setWindowTitle(QString::fromUtf16(u"نمايش سرويسهاي صورت گرفته"));
}
