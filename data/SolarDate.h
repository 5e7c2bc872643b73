#pragma once
// Today's Solar Hijri date and time of day, from a clock that tests can replace.

#include <QDate>
#include <QDateTime>
#include <QString>

#include <functional>

namespace agency::SolarDate {

using Clock = std::function<QDateTime()>;

// Replaces the clock (an empty function restores the system clock).
void setClock(Clock clock);
QDateTime now();

// "yyyy/mm/dd" in ASCII digits, e.g. "1405/09/17".
QString fromGregorian(const QDate& date);
// The Gregorian date of a "yyyy/mm/dd" Solar date; invalid when the text is not one.
QDate toGregorian(const QString& solar);

// A stored or filtered date: exactly "yyyy/mm/dd", ten ASCII digits and slashes, no blank, naming a
// real Solar date from 1300 on.
bool isStrictDate(const QString& text);
// The date a typed text means: a month typed as one digit ("1405/9 /17", "1405/9/17") gets its
// zero; the year's four and the day's two digits are required. Empty when it names no date.
QString completeDate(const QString& text);

QString TodayDate();
// The Persian name of today's weekday.
QString TodayText();
QString weekdayName(const QDate& date);

// The time of day as the desk's long time format writes it: "hh:mm:ss".
QString LongTime();
QString LongTime(const QTime& time);

}  // namespace agency::SolarDate
