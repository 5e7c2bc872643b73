#include "baseinfo/UnitUser.h"

#include "baseinfo/UnitNewUser.h"
#include "controls/Dialogs.h"
#include "data/UnitDM.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QPainter>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;
using agency::TDataSetState;

TFormUser* FormUser = nullptr;

namespace {

// The decoration of the window's upper part: three users before a dark blue sky.
QPixmap UsersPicture(const QSize& size)
{
    QPixmap pm(size);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, size.height());
    sky.setColorAt(0, QColor(0x10, 0x20, 0x60));
    sky.setColorAt(1, Qt::black);
    p.fillRect(pm.rect(), sky);
    const qreal unit = size.height() / 6.0;
    const struct {
        qreal x, scale;
        QColor colour;
    } people[] = {{0.28, 0.8, QColor(0x70, 0x90, 0xC0)},
                  {0.72, 0.8, QColor(0x70, 0x90, 0xC0)},
                  {0.5, 1.0, QColor(0xD0, 0xE0, 0xFF)}};
    p.setPen(Qt::NoPen);
    for (const auto& person : people) {
        const qreal u = unit * person.scale, cx = size.width() * person.x, bottom = size.height();
        p.setBrush(person.colour);
        p.drawEllipse(QPointF(cx, bottom - 3.6 * u), 0.9 * u, 0.9 * u);
        p.drawRoundedRect(QRectF(cx - 1.5 * u, bottom - 2.5 * u, 3 * u, 2.5 * u), u, u);
    }
    return pm;
}

}  // namespace

TFormUser::TFormUser(QWidget* parent) : TForm(parent)
{
    Frame(u"FormUser"_s, u"كاربران سيستم"_s, {239, 410});
    setAutoFillBackground(true);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);

    auto button = [this](const QString& name, const QString& caption) {
        auto* b = new TBitBtn(caption, this);
        b->setObjectName(name);
        b->setMinimumWidth(0);
        return b;
    };
    BitBtn2 = button(u"BitBtn2"_s, u" جديد"_s);
    BitBtn4 = button(u"BitBtn4"_s, u"حذف "_s);
    BitBtn1 = button(u"BitBtn1"_s, u"ذخيره"_s);
    BitBtn3 = button(u"BitBtn3"_s, u"انصراف"_s);

    Image1 = new QLabel(this);
    Image1->setPixmap(UsersPicture(QSize(223, 120)));

    DBGrid1 = new TDBGrid(this, &DM->DataSourceUser, {{u"UserName"_s, u"UserName"_s, 212}});
    DBGrid1->SetEditable(true);
    DBGrid1->horizontalHeader()->setStretchLastSection(false);
    DBGrid1->setFrameShape(QFrame::NoFrame);
    QPalette grey = DBGrid1->palette();
    grey.setColor(QPalette::Base, QColor(0x80, 0x80, 0x80));
    grey.setColor(QPalette::Window, QColor(0x80, 0x80, 0x80));
    DBGrid1->setPalette(grey);
    DBGrid1->installEventFilter(this);

    const QString rights[][2] = {{u"Sabt"_s, u"دسترسي به ثبت نامه ها"_s},
                                 {u"Payeh"_s, u"دسترسي به ويرايش اطلاعات پايه"_s},
                                 {u"Reports"_s, u"دسترسي به گزارشات"_s},
                                 {u"Users"_s, u"دسترسي به مديريت كاربران"_s}};
    QCheckBox** boxes[] = {&DBCheckBox1, &DBCheckBox2, &DBCheckBox3, &DBCheckBox4};
    for (int i = 0; i < 4; ++i) {
        *boxes[i] = new QCheckBox(rights[i][1], this);
        (*boxes[i])->setObjectName(u"DBCheckBox%1"_s.arg(i + 1));
        (*boxes[i])->setProperty("DataField", rights[i][0]);
        (*boxes[i])->hide();
    }
    agency::TDataset* users = DM->ADOTableUser;
    connect(users, &agency::TDataset::currentChanged, this, &TFormUser::ShowRights);
    connect(users, &agency::TDataset::reset, this, &TFormUser::ShowRights);

    // The buttons across the top, from the right: " جديد", "ذخيره", "انصراف", "حذف ".
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(2);
    for (TBitBtn* b : {BitBtn2, BitBtn1, BitBtn3, BitBtn4}) buttons->addWidget(b);
    auto* box = new QVBoxLayout(this);
    box->setContentsMargins(8, 8, 8, 0);
    box->setSpacing(6);
    box->addLayout(buttons);
    box->addWidget(Image1, 0, Qt::AlignHCenter);
    box->addWidget(DBGrid1, 1);
    setTabOrder(DBGrid1, BitBtn2);
    setTabOrder(BitBtn2, BitBtn4);
    setTabOrder(BitBtn4, BitBtn1);
    setTabOrder(BitBtn1, BitBtn3);

    connect(BitBtn2, &QPushButton::clicked, this, [this] { guarded([this] { BitBtn2Click(); }); });
    connect(BitBtn4, &QPushButton::clicked, this, [this] { guarded([this] { BitBtn4Click(); }); });
    connect(BitBtn1, &QPushButton::clicked, this, [this] { guarded([this] { BitBtn1Click(); }); });
    connect(BitBtn3, &QPushButton::clicked, this, [this] { guarded([this] { BitBtn3Click(); }); });
}

void TFormUser::ShowRights()
{
    agency::TDataset* users = DM->ADOTableUser;
    for (QCheckBox* b : {DBCheckBox1, DBCheckBox2, DBCheckBox3, DBCheckBox4}) {
        const QString field = b->property("DataField").toString();
        b->setChecked(users->Active() && users->RecNo() >= 0 && users->FieldIndex(field) >= 0 &&
                      users->FieldByName(field).AsBoolean());
    }
}

void TFormUser::BitBtn2Click()
{
    FormNewUser->ShowModal();
}

bool TFormUser::RefuseLastUser()
{
    agency::TDataset* users = DM->ADOTableUser;
    // A new row not yet stored is only dropped; an empty list gets the data layer's own message.
    if (!users->Active() || users->State() == TDataSetState::dsInsert || users->RecNo() < 0) return false;
    const int hash = users->FieldIndex(u"PassWord"_s);
    const int count = users->RecordCount();
    for (int i = 0; i < count; ++i)
        if (i != users->RecNo() && !users->value(i, hash).toString().isEmpty()) return false;
    dialogs().ShowMessage(u"اين كاربر حذف نمي شود: بدون او هيچ كس نمي تواند وارد برنامه شود"_s);
    return true;
}

void TFormUser::BitBtn4Click()
{
    if (RefuseLastUser()) return;
    if (!dialogs().Confirm(u"آيا اطلاعات حذف شود ؟"_s)) return;
    DM->ADOTableUser->Delete();
    dialogs().ShowMessage(u"حذف شد ."_s);
}

void TFormUser::BitBtn1Click()
{
    agency::TDataset* users = DM->ADOTableUser;
    // A name too long for its column is refused before the store, and stays typed for its correction.
    if ((users->State() == TDataSetState::dsEdit || users->State() == TDataSetState::dsInsert) &&
        !TFormNewUser::NameFits(users->FieldByName(u"UserName"_s).AsString()))
        return;
    users->PostKeepingEdits();
}

void TFormUser::BitBtn3Click()
{
    DM->ADOTableUser->Cancel();
}

bool TFormUser::eventFilter(QObject* watched, QEvent* event)
{
    // The list's own Ctrl+Delete deletes too: the same guard stands before its question.
    if (watched == DBGrid1 && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Delete && (key->modifiers() & Qt::ControlModifier)) {
            bool refused = false;
            guarded([&] { refused = RefuseLastUser(); });
            if (refused) return true;
        }
    }
    return TForm::eventFilter(watched, event);
}
