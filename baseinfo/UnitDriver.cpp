#include "baseinfo/UnitDriver.h"

#include "baseinfo/Registers.h"
#include "baseinfo/UnitNewDriver.h"
#include "controls/Dialogs.h"
#include "data/UnitDM.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

TFormDriver* FormDriver = nullptr;

TFormDriver::TFormDriver(QWidget* parent) : TForm(parent)
{
    Frame(u"FormDriver"_s, u"ليست راننده گان"_s, {688, 446});

    DBGrid1 = new TDBGrid(this, &DM->DataSourceDriver,
                          {{u"driver_id"_s, u"كد"_s, 50},
                           {u"driver_name"_s, u"نام راننده"_s, 145},
                           {u"driver_auto"_s, u"نام اتومبيل"_s, 100},
                           {u"driver_add"_s, u"آدرس"_s, 230},
                           {u"driver_tel"_s, u"تلفن"_s, 115}});
    DBGrid1->SetEditable(true);
    // A row no code or name can find is never stored.
    DBGrid1->SetRequired({u"driver_id"_s, u"driver_name"_s});
    NewDriver = new TBitBtn(u"جديد"_s, this);
    NewDriver->setObjectName(u"NewDriver"_s);
    NewDriver->setDefault(true);
    DeleteDriver = new TBitBtn(u"حذف"_s, this);
    DeleteDriver->setObjectName(u"DeleteDriver"_s);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(NewDriver);
    buttons->addWidget(DeleteDriver);
    buttons->addStretch();
    auto* box = new QVBoxLayout(this);
    box->addWidget(DBGrid1, 1);
    box->addLayout(buttons);
    setTabOrder(DBGrid1, NewDriver);
    setTabOrder(NewDriver, DeleteDriver);

    // "جديد" is the default button: Enter in the table presses it.
    connect(DBGrid1, &TDBGrid::Activated, NewDriver, &QPushButton::click);
    connect(NewDriver, &QPushButton::clicked, this, [this] { guarded([this] { NewDriverClick(); }); });
    connect(DeleteDriver, &QPushButton::clicked, this, [this] { guarded([this] { DeleteDriverClick(); }); });
}

void TFormDriver::NewDriverClick()
{
    FormNewDriver->Prepare(NextCode(DM->QueryMaxDR));
}

void TFormDriver::DeleteDriverClick()
{
    ConfirmDelete(DM->ADOTableDriver);
}
