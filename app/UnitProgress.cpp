#include "app/UnitProgress.h"

#include <QScreen>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

TFormProgress* FormProgress = nullptr;

TFormProgress::TFormProgress(QWidget* parent) : QWidget(parent, Qt::FramelessWindowHint | Qt::SplashScreen)
{
    setObjectName(u"FormProgress"_s);
    setLayoutDirection(Qt::RightToLeft);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(0xA6, 0xCA, 0xF0));  // sky blue
    setPalette(p);
    setFixedSize(420, 90);

    auto* layout = new QVBoxLayout(this);
    Label1 = new QLabel(u"درحال اجراي برنامه    ...     لطفاً كمي صبر كنيد "_s, this);
    Label1->setAlignment(Qt::AlignCenter);
    QPalette lp = Label1->palette();
    lp.setColor(QPalette::WindowText, QColor(0x80, 0x00, 0x00));  // maroon
    Label1->setPalette(lp);
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setRange(0, 14);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setEnabled(false);
    ProgressBar1->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(Label1);
    layout->addWidget(ProgressBar1);
}

void TFormProgress::StepIt()
{
    ++m_steps;
    ProgressBar1->setValue(qMin(ProgressBar1->maximum(), ProgressBar1->value() + 1));
    ProgressBar1->repaint();
}

void TFormProgress::showEvent(QShowEvent* event)
{
    // Centred every time it shows: on the window it works for, or on the screen at start-up.
    const QRect area = parentWidget() ? parentWidget()->window()->frameGeometry() : screen()->availableGeometry();
    move(area.center() - rect().center());
    QWidget::showEvent(event);
}
