#include "baseinfo/UnitConfirm.h"

#include "controls/Dialogs.h"
#include "controls/Keys.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

TFormConfirm* FormConfirm = nullptr;

TFormConfirm::TFormConfirm(QWidget* parent) : TForm(parent)
{
    Frame(u"FormConfirm"_s, u"تاييد"_s);
    setWindowFlag(Qt::FramelessWindowHint, true);
    setFixedSize(333, 106);
    QPalette maroon = palette();
    maroon.setColor(QPalette::Window, QColor(0x80, 0x00, 0x00));
    setPalette(maroon);
    setAutoFillBackground(true);

    Label1 = new QLabel(u"آيا مطمئن هستيد ؟"_s, this);
    Label1->setObjectName(u"Label1"_s);
    QFont big = Label1->font();
    big.setBold(true);
    big.setPointSize(16);
    Label1->setFont(big);
    QPalette cream = Label1->palette();
    cream.setColor(QPalette::WindowText, QColor(0xFF, 0xFB, 0xF0));
    Label1->setPalette(cream);
    Label1->setAlignment(Qt::AlignCenter);

    BitBtn1 = new TBitBtn(u"بله"_s, this);
    BitBtn1->setObjectName(u"BitBtn1"_s);
    BitBtn1->setDefault(true);
    BitBtn2 = new TBitBtn(u"خير"_s, this);
    BitBtn2->setObjectName(u"BitBtn2"_s);

    // Right to left: the first button added stands at the right, so "خير" goes first.
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BitBtn2);
    buttons->addSpacing(40);
    buttons->addWidget(BitBtn1);
    buttons->addStretch();
    auto* box = new QVBoxLayout(this);
    box->addWidget(Label1, 1);
    box->addLayout(buttons);
    setTabOrder(BitBtn1, BitBtn2);

    connect(BitBtn1, &QPushButton::clicked, this, [this] { guarded([this] { BitBtn1Click(); }); });
    connect(BitBtn2, &QPushButton::clicked, this, [this] { guarded([this] { BitBtn2Click(); }); });
}

int TFormConfirm::ShowModal()
{
    m_answered = false;
    const int result = TForm::ShowModal();
    // Closed any other way than by its two buttons: that is no, whatever was answered before.
    if (!m_answered) Confirmed = false;
    return result;
}

void TFormConfirm::FormShow()
{
    SetFocus(BitBtn1);
}

bool TFormConfirm::FormShortCut(QKeyEvent* event)
{
    switch (event->key()) {
        case Qt::Key_Escape:
            BitBtn2->click();
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            // The default button, unless the focus stands on the other one.
            (focusWidget() == BitBtn2 ? BitBtn2 : BitBtn1)->click();
            return true;
        default:
            return false;
    }
}

void TFormConfirm::BitBtn1Click()
{
    Confirmed = true;
    m_answered = true;
    close();
}

void TFormConfirm::BitBtn2Click()
{
    Confirmed = false;
    m_answered = true;
    close();
}
