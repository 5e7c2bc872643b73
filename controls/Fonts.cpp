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
    const QStringList dirs = {QCoreApplication::applicationDirPath() + u"/fonts"_s,
                              QCoreApplication::applicationDirPath() + u"/../fonts"_s, QStringLiteral(AGENCY_FONT_DIR)};
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
