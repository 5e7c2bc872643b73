#include "app/UnitNewDatabase.h"

#include "controls/Dialogs.h"
#include "controls/Keys.h"
#include "data/Database.h"
#include "data/Errors.h"

#include <QFormLayout>
#include <QLabel>

using namespace Qt::StringLiterals;

TFormNewDatabase::TFormNewDatabase(const QString& path, QWidget* parent) : TForm(parent), m_path(path)
{
    Frame(u"FormNewDatabase"_s, u"ساختن پايگاه داده جديد"_s);
    setMinimumWidth(460);

    auto* form = new QFormLayout(this);
    auto* intro = new QLabel(
        u"پايگاه داده برنامه در اين پوشه نيست. براي ساختن آن اطلاعات آژانس و نخستين كاربر را وارد كنيد."_s, this);
    intro->setWordWrap(true);
    form->addRow(intro);
    auto add = [&](TLabeledEdit*& edit, const char* name, const char16_t* caption) {
        edit = new TLabeledEdit(QString::fromUtf16(caption), this);
        edit->setObjectName(QString::fromLatin1(name));
        form->addRow(edit->EditLabel, edit);
    };
    add(EditTitle, "EditTitle", u"عنوان آژانس");
    add(EditPercent, "EditPercent", u"درصد سهم آژانس");
    add(EditUserName, "EditUserName", u"نام كاربر");
    add(EditPassword, "EditPassword", u"كلمه عبور");
    add(EditPassword2, "EditPassword2", u"تكرار كلمه عبور");
    EditTitle->setMaxLength(50);
    EditUserName->setMaxLength(50);
    EditPercent->setDigitsOnlyAscii(true);
    EditPercent->setMaximumWidth(80);
    EditPassword->setEchoMode(QLineEdit::Password);
    EditPassword2->setEchoMode(QLineEdit::Password);

    auto* keys = new KeyChain(this);
    keys->enterTo(EditTitle, EditPercent);
    keys->enterTo(EditPercent, EditUserName);
    keys->enterTo(EditUserName, EditPassword);
    keys->enterTo(EditPassword, EditPassword2);
    keys->onEnter(EditPassword2, [this] { Create(); });
}

void TFormNewDatabase::FormShow()
{
    SetFocus(EditTitle);
}

void TFormNewDatabase::Create()
{
    qint32 percent = 0;
    if (!agency::tryStrToInt(EditPercent->text(), &percent)) {
        dialogs().ShowMessage(u"درصد سهم آژانس بايد عددي صحيح باشد"_s);
        SetFocus(EditPercent);
        return;
    }
    if (EditPassword->text() != EditPassword2->text()) {
        dialogs().ShowMessage(u"رمز و تكرار يكسان نيست"_s);
        SetFocus(EditPassword);
        return;
    }
    agency::NewDatabase settings;
    settings.title = EditTitle->text();
    settings.percent = percent;
    settings.userName = EditUserName->text();
    settings.password = EditPassword->text();
    agency::Database::create(m_path, settings);
    m_created = true;
    accept();
}
