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

QString TodayDate();
// The Persian name of today's weekday.
QString TodayText();
QString weekdayName(const QDate& date);

// The time of day as the desk's long time format writes it: "hh:mm:ss".
QString LongTime();
QString LongTime(const QTime& time);

}  // namespace agency::SolarDate
