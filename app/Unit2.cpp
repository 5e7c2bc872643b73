#include "app/Unit2.h"

#include "controls/Dialogs.h"
#include "controls/Fonts.h"
#include "controls/Pictures.h"
#include "controls/Style.h"

#include <QApplication>
#include <QMouseEvent>

using namespace Qt::StringLiterals;

TForm2* Form2 = nullptr;

namespace {
constexpr int kStartSize = 170;
constexpr int kPictureSize = 100;
}  // namespace

TForm2::TForm2(QWidget* parent) : TForm(parent)
{
    Frame(u"Form2"_s, u"درباره سيستم"_s);
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setFixedSize(420, 440);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(0xC8, 0xF0, 0xC8));  // pale green
    setPalette(p);

    Label1 = new QLabel(u"3"_s, this);
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setGeometry(rect());
    QFont f(persianFamily(u"Titr"_s));
    f.setBold(true);
    f.setPointSize(kStartSize);
    Label1->setFont(f);

    Image1 = new QLabel(this);
    Image1->setScaledContents(true);
    Image1->setCursor(Qt::PointingHandCursor);
    Image1->setPixmap(Pictures::credits(512, applicationTitle(), u"نسخه "_s + QApplication::applicationVersion(),
                                        u"ساخته گروه برنامه نويسان آژانس"_s));
    Image1->installEventFilter(this);

    Timer1 = new QTimer(this);
    Timer1->setInterval(30);
    connect(Timer1, &QTimer::timeout, this, &TForm2::Timer1Timer);
    Timer2 = new QTimer(this);
    Timer2->setInterval(30);
    connect(Timer2, &QTimer::timeout, this, &TForm2::Timer2Timer);
    ResetForNextShowing();
}

void TForm2::FormShow()
{
    Timer1->start();
}

void TForm2::showEvent(QShowEvent* event)
{
    TForm::showEvent(event);
    // Over the window it was opened from, wherever that stands now.
    centreOnParent(this);
}

void TForm2::Timer1Timer()
{
    if (Label1->isVisible()) {
        QFont f = Label1->font();
        f.setPointSize(f.pointSize() - 10);
        Label1->setFont(f);
    }
    QFont f = Label1->font();
    if (f.pointSize() == 10) {
        Label1->setText(QString::number(Label1->text().toInt() - 1));
        if (Label1->text() == u"0"_s) {
            Label1->hide();
            Timer2->start();
            Image1->show();
        }
        f.setPointSize(kStartSize);
        Label1->setFont(f);
    }
}

void TForm2::Timer2Timer()
{
    const QRect g = Image1->geometry();
    if (g.width() < width() && g.height() < height()) {
        Image1->setGeometry(g.x() - 4, g.y() - 4, g.width() + 8, g.height() + 8);
    } else {
        Timer2->stop();
        Image1->setGeometry(rect());
    }
}

void TForm2::Image1Click()
{
    close();
}

bool TForm2::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Image1 && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        Image1Click();
        return true;
    }
    return TForm::eventFilter(watched, event);
}

void TForm2::done(int result)
{
    TForm::done(result);
    ResetForNextShowing();
}

void TForm2::ResetForNextShowing()
{
    Timer1->stop();
    Timer2->stop();
    Image1->setGeometry((width() - kPictureSize) / 2, (height() - kPictureSize) / 2, kPictureSize, kPictureSize);
    Image1->hide();
    Label1->setText(u"3"_s);
    QFont f = Label1->font();
    f.setPointSize(kStartSize);
    Label1->setFont(f);
    Label1->show();
}
