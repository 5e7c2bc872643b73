#include "controls/Style.h"

#include "controls/Fonts.h"

#include <QApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QTranslator>

QString applicationTitle()
{
    return QString::fromUtf16(u"برنامه آژانسهاي درون شهري");
}

void setupApplication(QApplication& app)
{
    QApplication::setApplicationName(QStringLiteral("agency"));
    QApplication::setOrganizationName(QStringLiteral("agency"));
    QApplication::setApplicationVersion(QStringLiteral("1.0.0"));
    QApplication::setLayoutDirection(Qt::RightToLeft);
    // Nazli, in the copy that draws ي and ك the Persian way; Noto's Naskh for what it lacks.
    QFont font;
    font.setFamilies({persianFamily(QStringLiteral("Nazli")), QStringLiteral("Noto Naskh Arabic"),
                      QStringLiteral("DejaVu Sans")});
    font.setPointSize(11);
    QApplication::setFont(font);
    app.setQuitOnLastWindowClosed(true);
    // Qt's own dialogs (files, print preview, standard buttons) speak Persian too.
    static const bool translated = [&app] {
        auto* qt = new QTranslator(&app);
        return qt->load(QLocale(QLocale::Persian, QLocale::Iran), QStringLiteral("qtbase"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath)) &&
               QCoreApplication::installTranslator(qt);
    }();
    Q_UNUSED(translated);
}
