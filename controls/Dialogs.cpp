#include "controls/Dialogs.h"

#include "controls/Receipt.h"
#include "data/Errors.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace {

Dialogs* g_dialogs = nullptr;

QWidget* activeParent() { return QApplication::activeWindow(); }

int box(QMessageBox::Icon icon, const QString& text, bool question)
{
    QMessageBox m(icon, QApplication::applicationDisplayName(), text, QMessageBox::NoButton, activeParent());
    m.setLayoutDirection(Qt::RightToLeft);
    if (question) {
        QPushButton* yes = m.addButton(QString::fromUtf16(u"بله"), QMessageBox::YesRole);
        m.addButton(QString::fromUtf16(u"خير"), QMessageBox::NoRole);
        m.setDefaultButton(yes);
        m.exec();
        return m.clickedButton() == yes ? 1 : 0;
    }
    m.addButton(QString::fromUtf16(u"تاييد"), QMessageBox::AcceptRole);
    m.exec();
    return 1;
}

}  // namespace

void WidgetDialogs::ShowMessage(const QString& text) { box(QMessageBox::NoIcon, text, false); }
bool WidgetDialogs::Confirm(const QString& text) { return box(QMessageBox::Question, text, true) == 1; }
void WidgetDialogs::ShowError(const QString& text) { box(QMessageBox::Critical, text, false); }
void WidgetDialogs::Preview(const Receipt& receipt) { receipt.preview(activeParent()); }

Dialogs& dialogs()
{
    static WidgetDialogs fallback;
    return g_dialogs ? *g_dialogs : fallback;
}

void setDialogs(Dialogs* d) { g_dialogs = d; }

void guarded(const std::function<void()>& handler)
{
    try {
        handler();
    } catch (const agency::Error& e) {
        dialogs().ShowError(e.text());
    } catch (const std::exception& e) {
        dialogs().ShowError(QString::fromUtf8(e.what()));
    }
}
