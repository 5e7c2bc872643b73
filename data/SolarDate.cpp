#include "data/SolarDate.h"

#include <QCalendar>

using namespace Qt::StringLiterals;

namespace agency::SolarDate {

namespace {

Clock& clockRef()
{
    static Clock clock;
    return clock;
}

const QCalendar& jalali()
{
    static const QCalendar calendar(QCalendar::System::Jalali);
    return calendar;
}

}  // namespace

void setClock(Clock clock)
{
    clockRef() = std::move(clock);
}

QDateTime now()
{
    return clockRef() ? clockRef()() : QDateTime::currentDateTime();
}

QString fromGregorian(const QDate& date)
{
    const QCalendar::YearMonthDay ymd = jalali().partsFromDate(date);
    if (!ymd.isValid()) return QString();
    return u"%1/%2/%3"_s.arg(ymd.year, 4, 10, QChar(u'0'))
        .arg(ymd.month, 2, 10, QChar(u'0'))
        .arg(ymd.day, 2, 10, QChar(u'0'));
}

QDate toGregorian(const QString& solar)
{
    if (solar.size() != 10 || solar[4] != u'/' || solar[7] != u'/') return QDate();
    bool ok1 = false, ok2 = false, ok3 = false;
    const int y = solar.left(4).toInt(&ok1);
    const int m = solar.mid(5, 2).toInt(&ok2);
    const int d = solar.mid(8, 2).toInt(&ok3);
    if (!ok1 || !ok2 || !ok3) return QDate();
    return jalali().dateFromParts(y, m, d);
}

bool isStrictDate(const QString& text)
{
    if (text.size() != 10) return false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool slash = i == 4 || i == 7;
        if (slash ? text[i] != u'/' : (text[i] < u'0' || text[i] > u'9')) return false;
    }
    return text.left(4).toInt() >= 1300 && toGregorian(text).isValid();
}

QString completeDate(const QString& text)
{
    const QStringList parts = text.split(u'/');
    if (parts.size() != 3) return {};
    // Blanks stand only where the mask left a digit out; the month may lack one of its two.
    const QString year = parts[0].trimmed();
    const QString month = parts[1].trimmed();
    const QString day = parts[2].trimmed();
    if (month.size() == 1 && parts[1].size() <= 2) {
        const QString date = year + u"/0"_s + month + u'/' + day;
        return isStrictDate(date) ? date : QString();
    }
    return isStrictDate(text) ? text : QString();
}

QString weekdayName(const QDate& date)
{
    static const char16_t* const names[] = {u"دوشنبه", u"سه شنبه", u"چهارشنبه", u"پنجشنبه",
                                            u"جمعه",   u"شنبه",    u"يكشنبه"};
    const int dow = date.dayOfWeek();  // 1 = Monday
    return dow >= 1 && dow <= 7 ? QString::fromUtf16(names[dow - 1]) : QString();
}

QString TodayDate()
{
    return fromGregorian(now().date());
}

QString TodayText()
{
    return weekdayName(now().date());
}

QString LongTime()
{
    return LongTime(now().time());
}

QString LongTime(const QTime& time)
{
    return time.toString(u"hh:mm:ss"_s);
}

}  // namespace agency::SolarDate
