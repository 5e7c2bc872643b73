#include "data/Errors.h"

#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <limits>
#include <sqlite3.h>

using namespace Qt::StringLiterals;

namespace agency {

QString writeFailure(int err, const QString& path)
{
    const QString dir = QFileInfo(path).absolutePath();
    switch (err) {
        case ENOENT:
        case ENOTDIR:
            return u"پوشه %1 وجود ندارد"_s.arg(dir);
        case EACCES:
        case EPERM:
        case EROFS:
            return u"در پوشه %1 نمي توان نوشت"_s.arg(dir);
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            return u"جاي خالي در %1 كافي نيست"_s.arg(dir);
        case EIO:
            return u"در %1 نوشته نشد: ديسك در خواندن يا نوشتن خطا داد"_s.arg(path);
        default:
            return u"در %1 نوشته نشد: %2"_s.arg(path, QString::fromLocal8Bit(std::strerror(err)));
    }
}

QString engineFailureText(int code, int systemErrno, const QString& path)
{
    switch (code & 0xff) {
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return u"پايگاه داده در دست برنامه ديگري است؛ آن را ببنديد و دوباره بكوشيد"_s;
        case SQLITE_FULL:
            return writeFailure(ENOSPC, path);
        case SQLITE_IOERR:
            return writeFailure(systemErrno ? systemErrno : EIO, path);
        case SQLITE_READONLY:
            return u"در فايل پايگاه داده نمي توان نوشت (فقط خواندني است): "_s + path;
        default:
            return QString();
    }
}

QString linkReadLine()
{
    return u"اطلاعات از سرور خوانده نشد."_s;
}

QString linkStoreLine()
{
    return u"آنچه در دست ثبت بود ثبت نشد؛ دوباره بكوشيد."_s;
}

Error asStoreFailure(const Error& e)
{
    if (!isLinkFailure(e.code()) || !e.text().startsWith(linkReadLine())) return e;
    return Error(linkStoreLine() + e.text().mid(linkReadLine().size()), e.code());
}

QString asciiDigits(const QString& text)
{
    QString out = text;
    for (QChar& c : out) {
        const char16_t u = c.unicode();
        if (u >= 0x06F0 && u <= 0x06F9)
            c = QChar(u'0' + (u - 0x06F0));
        else if (u >= 0x0660 && u <= 0x0669)
            c = QChar(u'0' + (u - 0x0660));
    }
    return out;
}

bool tryStrToInt(const QString& text, qint32* value)
{
    const QString s = asciiDigits(text).trimmed();
    int i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) {
        negative = s[i] == u'-';
        ++i;
    }
    if (i >= s.size()) return false;
    qint64 v = 0;
    for (; i < s.size(); ++i) {
        if (s[i] < u'0' || s[i] > u'9') return false;
        v = v * 10 + (s[i].unicode() - u'0');
        if (v > qint64(1) << 32) return false;
    }
    if (negative) v = -v;
    if (v < std::numeric_limits<qint32>::min() || v > std::numeric_limits<qint32>::max()) return false;
    if (value) *value = qint32(v);
    return true;
}

qint32 StrToInt(const QString& text)
{
    qint32 v = 0;
    if (!tryStrToInt(text, &v)) throw Error(u"'%1' is not a valid integer value"_s.arg(text));
    return v;
}

}  // namespace agency
