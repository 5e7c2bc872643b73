#include "operations/UnitSelectAcount.h"

#include <QEvent>
#include <QGridLayout>
#include <QVBoxLayout>

#include "baseinfo/UnitNewAcount.h"
#include "controls/Dialogs.h"
#include "controls/Keys.h"
#include "data/UnitDM.h"
#include "operations/UnitService.h"

using namespace Qt::StringLiterals;

TFormSelectAcount* FormSelectAcount = nullptr;

TFormSelectAcount::TFormSelectAcount(QWidget* parent) : TForm(parent)
{
    setObjectName(u"FormSelectAcount"_s);
    setWindowTitle(u"انتخاب مشترك"_s);
    setFixedSize(547, 446);

    DBGrid1 = new TDBGrid(this);
    DBGrid1->setObjectName(u"DBGrid1"_s);
    DBGrid1->SetDataSource(&DM->DSAcount);
    DBGrid1->SetColumns(
        {{u"acount_id"_s, u"شماره"_s, 60}, {u"acount_name"_s, u"نام مشترك"_s, 170}, {u"acount_add"_s, u"آدرس"_s, 0}});
    BitBtn1 = new TBitBtn(u"جديد"_s, this);
    BitBtn1->setObjectName(u"BitBtn1"_s);
    EditAcountName = new TLabeledEdit(u"جستجوي نام مشترك"_s, this);
    EditAcountName->setObjectName(u"EditAcountName"_s);

    // Right to left: the caption stands right of the search box, "جديد" at the far left.
    auto* top = new QGridLayout;
    top->addWidget(EditAcountName->EditLabel, 0, 0);
    top->addWidget(EditAcountName, 0, 1);
    top->addWidget(BitBtn1, 0, 2);
    top->setColumnStretch(1, 1);
    auto* box = new QVBoxLayout(this);
    box->addLayout(top);
    box->addWidget(DBGrid1, 1);

    setTabOrder(DBGrid1, BitBtn1);
    setTabOrder(BitBtn1, EditAcountName);

    EditAcountName->installEventFilter(this);
    connect(DBGrid1, &TDBGrid::Activated, this, [this] { guarded([this] { DBGrid1KeyPress(); }); });
    connect(BitBtn1, &QPushButton::clicked, this, [this] { guarded([this] { BitBtn1Click(); }); });
}

bool TFormSelectAcount::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == EditAcountName && event->type() == QEvent::KeyRelease) guarded([this] { EditAcountNameKeyUp(); });
    return TForm::eventFilter(watched, event);
}

void TFormSelectAcount::EditAcountNameKeyUp()
{
    agency::TADOQuery* q = DM->QueryAcount;
    q->SQL.Clear();
    q->SQL.Add(u"select *"_s);
    q->SQL.Add(u"from acount"_s);
    // Whatever was typed is searched for as it stands, quotes and wildcards included.
    if (!EditAcountName->text().isEmpty())
        q->SQL.Add(u"where acount_name like "_s + agency::likeContains(EditAcountName->text()));
    q->Close();
    q->Open();
}

void TFormSelectAcount::DBGrid1KeyPress()
{
    agency::TADOQuery* q = DM->QueryAcount;
    // An empty list has nobody to hand back: the service window's fields stay as they are.
    if (!q->Active() || q->IsEmpty() || q->RecNo() < 0 || !FormService) return;
    FormService->EditAcountName->setText(q->FieldByName(u"acount_name"_s).AsString());
    FormService->EditSource->setText(q->FieldByName(u"acount_add"_s).AsString());
    FormService->EditAcountId->setText(q->FieldByName(u"acount_id"_s).AsString());
    FormService->activateWindow();
    SetFocus(FormService->EditTarget);
    close();
}

void TFormSelectAcount::BitBtn1Click()
{
    FormNewAcount->Prepare(HighestCode(DM->ADOTableAcount, u"acount_id"_s) + 1);
}
