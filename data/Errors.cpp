#include "data/Errors.h"

#include <limits>

namespace agency {

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
    if (i >= s.size())
        return false;
    qint64 v = 0;
    for (; i < s.size(); ++i) {
        if (s[i] < u'0' || s[i] > u'9')
            return false;
        v = v * 10 + (s[i].unicode() - u'0');
        if (v > qint64(1) << 32)
            return false;
    }
    if (negative)
        v = -v;
    if (v < std::numeric_limits<qint32>::min() || v > std::numeric_limits<qint32>::max())
        return false;
    if (value)
        *value = qint32(v);
    return true;
}

qint32 StrToInt(const QString& text)
{
    qint32 v = 0;
    if (!tryStrToInt(text, &v))
        throw Error(QStringLiteral("'%1' is not a valid integer value").arg(text));
    return v;
}

}  // namespace agency
