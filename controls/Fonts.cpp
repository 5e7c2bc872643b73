#include "controls/Fonts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFontDatabase>

using namespace Qt::StringLiterals;

bool loadPersianFaces()
{
    static int loaded = -1;
    if (loaded >= 0) return loaded > 0;
    loaded = 0;
    // Beside the program, in the build, or where the package installs them (/usr/share/agency).
    const QString bin = QCoreApplication::applicationDirPath();
    const QStringList dirs = {bin + u"/fonts"_s, bin + u"/../fonts"_s, bin + u"/../share/agency/fonts"_s,
                              u"" AGENCY_FONT_DIR ""_s};
    for (const QString& dir : dirs) {
        const QStringList files = QDir(dir).entryList({u"*-farsi.ttf"_s}, QDir::Files);
        for (const QString& file : files)
            if (QFontDatabase::addApplicationFont(QDir(dir).filePath(file)) >= 0) loaded = 1;
        if (loaded) break;
    }
    return loaded > 0;
}

QString persianFamily(const QString& family)
{
    const QString farsi = family + u" Farsi"_s;
    return loadPersianFaces() && QFontDatabase::hasFamily(farsi) ? farsi : family;
}
