#include "operations/UnitDriverBes.h"

#include <QFormLayout>
#include <QHBoxLayout>

TFormDriverBes* FormDriverBes = nullptr;

TFormDriverBes::TFormDriverBes(QWidget* parent) : TForm(parent)
{
    setObjectName(QStringLiteral("FormDriverBes"));
    setWindowTitle(QString::fromUtf16(u"ثبت پرداختهاي رانندگان"));
    auto* form = new QFormLayout(this);
    EditServiceId = new TLabeledEdit(QString::fromUtf16(u"شماره سرويس"), this);
    EditServiceId->setObjectName(QStringLiteral("EditServiceId"));
    EditServiceId->setReadOnly(true);
    form->addRow(EditServiceId->EditLabel, EditServiceId);
    auto* buttons = new QHBoxLayout;
    BitBtn1 = new TBitBtn(QString::fromUtf16(u"ثبت"), this);
    BitBtn2 = new TBitBtn(QString::fromUtf16(u"ويرايش"), this);
    BitBtn2->hide();
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    form->addRow(buttons);
}
