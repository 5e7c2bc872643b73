#include "baseinfo/UnitChangePass.h"

#include "controls/Dialogs.h"
#include "data/Session.h"
#include "data/UnitDM.h"

using namespace Qt::StringLiterals;

TFormChangePass* FormChangePass = nullptr;

namespace {

// The user's own row, by the id the login remembered: a rename since then does not lose it.
bool LocateOwnRow()
{
    agency::TADOTable* users = DM->ADOTableUser;
    users->Open();
    return users->Locate(u"ID"_s, {agency::session().userId});
}

}  // namespace

TFormChangePass::TFormChangePass(QWidget* parent) : TFormNewUser(parent)
{
    Frame(u"FormChangePass"_s, u"تغيير رمز"_s);
    LabeledEdit2->EditLabel->setText(u"كلمه عبورجديد"_s);
}

void TFormChangePass::FormShow()
{
    // The password fields keep what they held, and the focus stays where it was.
    LabeledEdit1->setText(LocateOwnRow() ? DM->ADOTableUser->FieldByName(u"UserName"_s).AsString()
                                         : agency::session().userName);
}

void TFormChangePass::LabeledEdit3KeyPress()
{
    const QString name = LabeledEdit1->text();
    const QString password = LabeledEdit2->text();
    if (password != LabeledEdit3->text()) {
        dialogs().ShowMessage(u"كلمه عبور و تكرار يكي نيست"_s);
        return;
    }
    if (!NameFits(name)) return;
    if (!LocateOwnRow()) {
        dialogs().ShowMessage(u"كاربر شما در بانك اطلاعات پيدا نشد؛ چيزي ثبت نشد"_s);
        return;
    }
    if (!PasswordFree(password, agency::session().userId)) return;

    DM->ADOTableUser->Edit();
    StoreUserRow(name, password);
    // The name changes with the row, once the row is stored.
    agency::session().userName = name;
    close();
}
