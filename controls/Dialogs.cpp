#include "controls/Dialogs.h"

#include "controls/Receipt.h"
#include "controls/Style.h"
#include "data/Errors.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

using namespace Qt::StringLiterals;

namespace {

Dialogs* g_dialogs = nullptr;

QWidget* activeParent()
{
    return QApplication::activeWindow();
}

enum class Buttons { Ok, YesNo, OkCancel };

// A box sizes itself as it shows, so it is centred only then.
class CentredBox : public QMessageBox {
public:
    using QMessageBox::QMessageBox;

protected:
    void showEvent(QShowEvent* event) override
    {
        QMessageBox::showEvent(event);
        centreOnParent(this, parentWidget());
    }
};

bool box(QMessageBox::Icon icon, const QString& text, Buttons buttons)
{
    CentredBox m(icon, applicationTitle(), isolateQuoted(text), QMessageBox::NoButton, activeParent());
    m.setLayoutDirection(Qt::RightToLeft);
    switch (buttons) {
        case Buttons::YesNo: {
            QPushButton* yes = m.addButton(u"بله"_s, QMessageBox::YesRole);
            m.addButton(u"خير"_s, QMessageBox::NoRole);
            m.setDefaultButton(yes);
            m.exec();
            return m.clickedButton() == yes;
        }
        case Buttons::OkCancel:
            // The data grid's own question keeps its standard buttons.
            m.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            m.setDefaultButton(QMessageBox::Ok);
            return m.exec() == QMessageBox::Ok;
        case Buttons::Ok:
            break;
    }
    m.addButton(u"تاييد"_s, QMessageBox::AcceptRole);
    m.exec();
    return true;
}

}  // namespace

void WidgetDialogs::ShowMessage(const QString& text)
{
    box(QMessageBox::NoIcon, text, Buttons::Ok);
}
bool WidgetDialogs::Confirm(const QString& text)
{
    return box(QMessageBox::Question, text, Buttons::YesNo);
}
bool WidgetDialogs::ConfirmOk(const QString& text)
{
    return box(QMessageBox::Question, text, Buttons::OkCancel);
}
void WidgetDialogs::ShowError(const QString& text)
{
    box(QMessageBox::Critical, text, Buttons::Ok);
}
void WidgetDialogs::Preview(const Receipt& receipt)
{
    receipt.preview(activeParent());
}

QString WidgetDialogs::SaveFileName(const QString& proposed)
{
    const QString csv = u"CSV (*.csv)"_s;
    const QString pdf = u"PDF (*.pdf)"_s;
    QString filter = csv;
    QString path = QFileDialog::getSaveFileName(activeParent(), u"خروجي"_s, QDir::home().filePath(proposed),
                                                csv + u";;"_s + pdf, &filter);
    // The chosen kind decides the ending when the desk typed none.
    if (!path.isEmpty() && QFileInfo(path).suffix().isEmpty()) path += filter == pdf ? u".pdf"_s : u".csv"_s;
    return path;
}

void centreOnParent(QWidget* window, QWidget* parent)
{
    if (!parent) {
        parent = QApplication::activeWindow();
        if (parent == window) parent = nullptr;
    }
    const QRect area = parent ? parent->frameGeometry() : window->screen()->availableGeometry();
    const QSize size = window->frameGeometry().size();
    window->move(area.center() - QPoint((size.width() - 1) / 2, (size.height() - 1) / 2));
}

QString isolated(const QString& run)
{
    return QChar(0x2068) + run + QChar(0x2069);
}

QString isolateQuoted(const QString& text)
{
    QString out;
    qsizetype from = 0;
    for (;;) {
        const qsizetype open = text.indexOf(u'«', from);
        const qsizetype close = open < 0 ? -1 : text.indexOf(u'»', open + 1);
        if (close < 0) break;
        out += text.mid(from, open + 1 - from) + isolated(text.mid(open + 1, close - open - 1)) + u'»';
        from = close + 1;
    }
    return out + text.mid(from);
}

Dialogs& dialogs()
{
    static WidgetDialogs fallback;
    return g_dialogs ? *g_dialogs : fallback;
}

void setDialogs(Dialogs* d)
{
    g_dialogs = d;
}

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
