#include "controls/Style.h"

#include "controls/Fonts.h"

#include <QApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QTranslator>

using namespace Qt::StringLiterals;

QString applicationTitle()
{
    return u"برنامه آژانسهاي درون شهري"_s;
}

void setupApplication(QApplication& app)
{
    QApplication::setApplicationName(u"agency"_s);
    QApplication::setOrganizationName(u"agency"_s);
    QApplication::setApplicationVersion(u"1.0.0"_s);
    QApplication::setLayoutDirection(Qt::RightToLeft);
    // Nazli, in the copy that draws ي and ك the Persian way; Noto's Naskh for what it lacks.
    QFont font;
    font.setFamilies({persianFamily(u"Nazli"_s), u"Noto Naskh Arabic"_s, u"DejaVu Sans"_s});
    font.setPointSize(11);
    QApplication::setFont(font);
    app.setQuitOnLastWindowClosed(true);
    // Qt's own dialogs (files, print preview, standard buttons) speak Persian too.
    static const bool translated = [&app] {
        auto* qt = new QTranslator(&app);
        return qt->load(QLocale(QLocale::Persian, QLocale::Iran), u"qtbase"_s, u"_"_s,
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath)) &&
               QCoreApplication::installTranslator(qt);
    }();
    Q_UNUSED(translated);
}
