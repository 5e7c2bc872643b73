#include "controls/Style.h"

#include <QApplication>
#include <QFont>

void setupApplication(QApplication& app)
{
    QApplication::setApplicationName(QStringLiteral("agency"));
    QApplication::setOrganizationName(QStringLiteral("agency"));
    QApplication::setApplicationVersion(QStringLiteral("1.0.0"));
    QApplication::setApplicationDisplayName(QString::fromUtf16(u"برنامه آژانسهاي درون شهري"));
    QApplication::setLayoutDirection(Qt::RightToLeft);
    // Nazli draws a final ي and ك the Persian way; Noto's Naskh is the fallback for what it lacks.
    QFont font;
    font.setFamilies({QStringLiteral("Nazli"), QStringLiteral("Noto Naskh Arabic"), QStringLiteral("DejaVu Sans")});
    font.setPointSize(11);
    QApplication::setFont(font);
    app.setQuitOnLastWindowClosed(true);
}
