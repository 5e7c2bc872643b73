#include "baseinfo/UnitNewUser.h"

#include "controls/Dialogs.h"
#include "controls/Keys.h"
#include "controls/PasswordChar.h"
#include "data/Password.h"
#include "data/Schema.h"
#include "data/UnitDM.h"

#include <QGridLayout>

using namespace Qt::StringLiterals;

TFormNewUser* FormNewUser = nullptr;

TFormNewUser::TFormNewUser(QWidget* parent) : TForm(parent)
{
    Frame(u"FormNewUser"_s, u"ثبت كاربر جديد"_s);
    resize(330, 130);

    LabeledEdit1 = new TLabeledEdit(u"نام كاربر"_s, u"LabeledEdit1"_s, this);
    LabeledEdit2 = new TLabeledEdit(u"كلمه عبور"_s, u"LabeledEdit2"_s, this);
    LabeledEdit3 = new TLabeledEdit(u"تكرار كلمه عبور"_s, u"LabeledEdit3"_s, this);
    SetPasswordChar(LabeledEdit2, u'@');
    SetPasswordChar(LabeledEdit3, u'@');

    // Right to left: column 0 stands at the right, so each caption is right of its field.
    auto* grid = new QGridLayout(this);
    int row = 0;
    for (TLabeledEdit* e : {LabeledEdit1, LabeledEdit2, LabeledEdit3}) {
        grid->addWidget(e->EditLabel, row, 0);
        grid->addWidget(e, row++, 1);
    }
    grid->setColumnStretch(1, 1);
    setTabOrder(LabeledEdit1, LabeledEdit2);
    setTabOrder(LabeledEdit2, LabeledEdit3);

    m_keys = new KeyChain(this);
    m_keys->enterTo(LabeledEdit1, LabeledEdit2);
    m_keys->enterTo(LabeledEdit2, LabeledEdit3);
    m_keys->onEnter(LabeledEdit3, [this] { LabeledEdit3KeyPress(); });
}

void TFormNewUser::FormShow()
{
    for (TLabeledEdit* e : {LabeledEdit1, LabeledEdit2, LabeledEdit3}) e->clear();
    SetFocus(LabeledEdit1);
}

bool TFormNewUser::NameFits(const QString& name)
{
    const agency::TableDef* users = agency::findTable(u"Users"_s);
    const int width = users->columns[users->columnIndex(u"UserName"_s)].width;
    if (name.size() <= width) return true;
    dialogs().ShowMessage(u"«نام كاربر» بيش از %1 حرف است و ثبت نمي شود"_s.arg(width));
    return false;
}

bool TFormNewUser::PasswordFree(const QString& password, qint64 ownId)
{
    agency::TADOTable* users = DM->ADOTableUser;
    users->Open();
    // The stored rows are read in place: the list's current row stays where the desk left it.
    const int id = users->FieldIndex(u"ID"_s);
    const int hash = users->FieldIndex(u"PassWord"_s);
    const int count = users->RecordCount();
    for (int i = 0; i < count; ++i) {
        if (users->value(i, id).toLongLong() == ownId) continue;
        if (agency::Password::verify(users->value(i, hash).toString(), password)) {
            dialogs().ShowMessage(u"اين كلمه عبور را كاربر ديگري دارد؛ كلمه عبور ديگري انتخاب كنيد"_s);
            return false;
        }
    }
    return true;
}

void TFormNewUser::StoreUserRow(const QString& name, const QString& password)
{
    agency::TADOTable* users = DM->ADOTableUser;
    users->WriteAndPost([&] {
        users->FieldByName(u"UserName"_s).SetAsString(name);
        // The password itself is never stored.
        users->FieldByName(u"PassWord"_s).SetAsString(agency::Password::hash(password));
    });
}

void TFormNewUser::LabeledEdit3KeyPress()
{
    const QString name = LabeledEdit1->text();
    const QString password = LabeledEdit2->text();
    if (password != LabeledEdit3->text()) {
        dialogs().ShowMessage(u"رمز و تكرار يكسان نيست"_s);
        return;
    }
    if (!NameFits(name) || !PasswordFree(password)) return;

    agency::TADOTable* users = DM->ADOTableUser;
    users->Open();
    users->Append();
    StoreUserRow(name, password);
    // The list is read afresh, the new user with it, from its first row.
    users->Close();
    close();
    users->Open();
}
