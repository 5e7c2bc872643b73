#include "data/Currency.h"

#include "data/Errors.h"

using namespace Qt::StringLiterals;

namespace agency {

Currency Currency::parse(const QString& text)
{
    // Refused, never wrapped or cut: beyond the column's range, a fifth decimal, anything but digits.
    const auto refuse = [&text] { throw Error(u"'%1' is not a valid currency value"_s.arg(text)); };
    const QString s = asciiDigits(text).trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == u'-' || s[i] == u'+')) negative = s[i++] == u'-';
    const auto isDigit = [&s](qsizetype at) { return at < s.size() && s[at] >= u'0' && s[at] <= u'9'; };
    qint64 whole = 0;
    int digits = 0;
    for (; isDigit(i); ++i, ++digits)
        if (__builtin_mul_overflow(whole, 10, &whole) || __builtin_add_overflow(whole, s[i].unicode() - u'0', &whole))
            refuse();
    qint64 frac = 0;
    int fracDigits = 0;
    if (i < s.size() && s[i] == u'.') {
        for (++i; isDigit(i); ++i, ++fracDigits) {
            if (fracDigits >= 4) refuse();
            frac = frac * 10 + (s[i].unicode() - u'0');
        }
    }
    if (i != s.size() || digits + fracDigits == 0) refuse();
    for (int k = fracDigits; k < 4; ++k) frac *= 10;
    qint64 units = 0;
    if (__builtin_mul_overflow(whole, kScale, &units) || __builtin_add_overflow(units, frac, &units)) refuse();
    return fromUnits(negative ? -units : units);
}

Currency Currency::share(qint32 fare, qint32 percent)
{
    // fare × percent fits 63 bits; ÷ 100 in ten-thousandths is × 100, so the result is exact
    // unless it leaves the currency column's range.
    qint64 units = 0;
    if (__builtin_mul_overflow(qint64(fare) * qint64(percent), kScale / 100, &units))
        throw Error(u"سهم آژانس از اين مبلغ بزرگ تر از آن است كه نگه داشته شود"_s);
    return fromUnits(units);
}

QString Currency::toString() const
{
    const bool negative = m_units < 0;
    const quint64 a = negative ? quint64(-(m_units + 1)) + 1 : quint64(m_units);
    QString out = QString::number(a / kScale);
    quint64 frac = a % kScale;
    if (frac) {
        QString f = QString::number(frac).rightJustified(4, u'0');
        while (f.endsWith(u'0')) f.chop(1);
        out += u'.' + f;
    }
    return negative ? u'-' + out : out;
}

qint64 Currency::roundToInteger() const
{
    qint64 q = m_units / kScale;
    qint64 r = m_units % kScale;  // same sign as m_units
    const qint64 half = kScale / 2;
    if (r > half || (r == half && (q % 2 != 0)))
        ++q;
    else if (r < -half || (r == -half && (q % 2 != 0)))
        --q;
    return q;
}

QString displayAmount(const QString& text)
{
    QString out;
    for (qsizetype i = 0; i < text.size();) {
        // A minus that starts a number, not one between two (a range "12-14" stays as it is).
        const bool starts = text[i] == u'-' && i + 1 < text.size() && text[i + 1].isDigit() &&
                            (i == 0 || !(text[i - 1].isLetterOrNumber() || text[i - 1] == u'.'));
        if (!starts) {
            out += text[i++];
            continue;
        }
        qsizetype end = i + 1;
        while (end < text.size() && (text[end].isDigit() || text[end] == u'.')) ++end;
        out += QChar(0x200E) + text.mid(i, end - i);
        i = end;
    }
    return out;
}

}  // namespace agency
