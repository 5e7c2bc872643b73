#include "baseinfo/UnitAcount.h"

#include "baseinfo/Registers.h"
#include "baseinfo/UnitNewAcount.h"
#include "controls/Dialogs.h"
#include "data/UnitDM.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

TFormAcount* FormAcount = nullptr;

TFormAcount::TFormAcount(QWidget* parent) : TForm(parent)
{
    Frame(u"FormAcount"_s, u"ليست مشتركين"_s, {688, 446});

    BitBtn1 = new TBitBtn(u"جديد"_s, this);
    BitBtn1->setObjectName(u"BitBtn1"_s);
    BitBtn2 = new TBitBtn(u"حذف"_s, this);
    BitBtn2->setObjectName(u"BitBtn2"_s);
    DBGrid1 = new TDBGrid(this, &DM->DataSourceAcount,
                          {{u"acount_id"_s, u"اشتراك"_s, 44},
                           {u"acount_name"_s, u"نام"_s, 124},
                           {u"acount_add"_s, u"آدرس"_s, 345},
                           {u"acount_tel"_s, u"تلفن"_s, 125}});
    DBGrid1->SetEditable(true);
    // A row no code or name can find is never stored.
    DBGrid1->SetRequired({u"acount_id"_s, u"acount_name"_s});

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    buttons->addStretch();
    auto* box = new QVBoxLayout(this);
    box->addWidget(DBGrid1, 1);
    box->addLayout(buttons);
    setTabOrder(BitBtn1, BitBtn2);
    setTabOrder(BitBtn2, DBGrid1);

    connect(BitBtn1, &QPushButton::clicked, this, [this] { guarded([this] { BitBtn1Click(); }); });
    connect(BitBtn2, &QPushButton::clicked, this, [this] { guarded([this] { BitBtn2Click(); }); });
}

void TFormAcount::BitBtn1Click()
{
    FormNewAcount->Prepare(NextCode(DM->QueryMaxA));
}

void TFormAcount::BitBtn2Click()
{
    ConfirmDelete(DM->ADOTableAcount);
}
