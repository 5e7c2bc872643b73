#include "controls/Form.h"

#include "controls/Dialogs.h"

#include <QKeyEvent>
#include <QShowEvent>

TForm::TForm(QWidget* parent) : QDialog(parent)
{
    setLayoutDirection(Qt::RightToLeft);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
}

void TForm::Show()
{
    show();
    raise();
    activateWindow();
}

int TForm::ShowModal()
{
    return exec();
}

bool TForm::FormShortCut(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return true;
    }
    return false;
}

void TForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous()) guarded([this] { FormShow(); });
}

void TForm::keyPressEvent(QKeyEvent* event)
{
    bool handled = false;
    guarded([&] { handled = FormShortCut(event); });
    if (!handled && event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) QDialog::keyPressEvent(event);
}

void TForm::Frame(const QString& name, const QString& caption, QSize fixedSize)
{
    setObjectName(name);
    setWindowTitle(caption);
    if (fixedSize.isValid()) setFixedSize(fixedSize);
}
