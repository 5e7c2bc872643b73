#include "app/Unit10.h"

#include "app/UnitMain.h"
#include "controls/Dialogs.h"
#include "controls/PasswordChar.h"
#include "controls/Pictures.h"
#include "controls/Style.h"
#include "data/Password.h"
#include "data/Session.h"
#include "data/UnitDM.h"

#include <QGridLayout>
#include <QKeyEvent>

using namespace Qt::StringLiterals;

TFormEnter* FormEnter = nullptr;

TFormEnter::TFormEnter(QWidget* parent) : TForm(parent)
{
    setObjectName(u"FormEnter"_s);
    // The task bar names the program by its first window.
    setWindowTitle(applicationTitle());
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setAutoFillBackground(true);
    setStyleSheet(u"TFormEnter { background: #E00000; border: 1px solid #600000; }"_s);
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(0xE0, 0x00, 0x00));
    setPalette(p);
    setFixedSize(380, 130);

    auto* grid = new QGridLayout(this);
    Label1 = new QLabel(u"لطفاً كد ورود به برنامه را وارد كنيد"_s, this);
    QFont lf = Label1->font();
    lf.setBold(true);
    lf.setPointSize(lf.pointSize() + 2);
    Label1->setFont(lf);
    Label1->setStyleSheet(u"color: #00FF00;"_s);
    Label1->setAlignment(Qt::AlignRight | Qt::AlignAbsolute | Qt::AlignVCenter);

    Image1 = new QLabel(this);
    Image1->setPixmap(Pictures::keys(56));

    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(u"Edit1"_s);
    Edit1->setLayoutDirection(Qt::LeftToRight);
    Edit1->setFrame(false);
    Edit1->setStyleSheet(u"QLineEdit { background: #E00000; color: white; border: none; }"_s);
    SetPasswordChar(Edit1, u'*');
    QFont ef = Edit1->font();
    ef.setPointSize(20);
    Edit1->setFont(ef);
    Edit1->installEventFilter(this);

    // Right to left: column 0 is at the right; the picture of keys stands at the left.
    grid->addWidget(Label1, 0, 0, 1, 2);
    grid->addWidget(Edit1, 1, 0);
    grid->addWidget(Image1, 1, 1);
}

void TFormEnter::FormShow()
{
    Edit1->setFocus(Qt::OtherFocusReason);
}

bool TFormEnter::FormShortCut(QKeyEvent* event)
{
    // The login reads its keys in the password field itself.
    return event->key() == Qt::Key_Escape ? (close(), true) : false;
}

bool TFormEnter::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Edit1 && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter || key->key() == Qt::Key_Escape) {
            Edit1KeyPress(key);
            return true;
        }
    }
    return TForm::eventFilter(watched, event);
}

void TFormEnter::Edit1KeyPress(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    guarded([this] { Login(); });
}

void TFormEnter::Login()
{
    const QString typed = Edit1->text();
    // The field is emptied whatever the outcome, also when reading the users fails.
    struct Clear {
        QLineEdit* e;
        ~Clear() { e->clear(); }
    } clear{Edit1};

    agency::TADOTable* users = DM->ADOTableUser;
    users->Open();
    users->First();
    bool matched = false;
    while (!users->Eof()) {
        if (agency::Password::verify(users->FieldByName(u"PassWord"_s).AsString(), typed)) {
            agency::session().userName = users->FieldByName(u"UserName"_s).AsString();
            agency::session().userId = users->FieldByName(u"ID"_s).Value().toLongLong();
            agency::session().usersRight = users->FieldByName(u"Users"_s).AsBoolean();
            matched = true;
            hide();
            FormMain->show();
            break;
        }
        users->Next();
    }
    if (!matched) dialogs().ShowMessage(u"كد موجود نيست"_s);
}
