#include "controls/Fonts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFontDatabase>

bool loadPersianFaces()
{
    static int loaded = -1;
    if (loaded >= 0)
        return loaded > 0;
    loaded = 0;
    const QStringList dirs = {QCoreApplication::applicationDirPath() + QStringLiteral("/fonts"),
                              QCoreApplication::applicationDirPath() + QStringLiteral("/../fonts"),
                              QStringLiteral(AGENCY_FONT_DIR)};
    for (const QString& dir : dirs) {
        const QStringList files = QDir(dir).entryList({QStringLiteral("*-farsi.ttf")}, QDir::Files);
        for (const QString& file : files)
            if (QFontDatabase::addApplicationFont(QDir(dir).filePath(file)) >= 0)
                loaded = 1;
        if (loaded)
            break;
    }
    return loaded > 0;
}

QString persianFamily(const QString& family)
{
    const QString farsi = family + QStringLiteral(" Farsi");
    return loadPersianFaces() && QFontDatabase::hasFamily(farsi) ? farsi : family;
}
