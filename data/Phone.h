#pragma once
// A subscriber found by his telephone, as the desk types it or a caller-ID device hands it in.
//
// A telephone field holds one number or two, parted by a comma (Latin or Persian), a slash, a
// semicolon or "و"; blanks, dashes, parentheses and dots inside a number are dropped. The first
// and the last number of each subscriber are kept in the table acount_phone by their last eight
// digits, the local number in Iran, so that a number typed with or without its area code, 0 or
// +98 reaches the same rows through an index; the digits before them must then agree as far as
// both go. Triggers in plain SQL keep the table with every write of acount, whoever writes it.

#include "data/Currency.h"

#include "data/Engine.h"

#include <QString>
#include <QStringList>
#include <QVector>


namespace agency {

// The schema version that brings the telephone index in.
constexpr int kPhoneIndexVersion = 6;

// The digits of one number: Persian and Arabic-Indic digits read as digits, everything that is
// no digit dropped, and a leading +98, 0098 or 0 taken off.
QString phoneDigits(const QString& number);

// The numbers a telephone field holds, each as phoneDigits gives it; empty ones left out.
QStringList phoneNumbers(const QString& field);

// Whether the field holds the number typed (its digits, as phoneDigits gives them).
bool holdsPhone(const QString& field, const QString& digits);

// The kept table, its indexes and triggers, and its filling from the rows there are; run again
// it builds the same.
QStringList phoneIndexSchema(Engine engine);

// The codes of the subscribers whose telephone holds the number typed, in code order; empty
// when the number has no digit.
QVector<qint32> subscribersByPhone(Connection* db, const QString& typed);

struct PastService {
    QString date;
    QString source;
    QString target;
    Currency fare;
    QString driverName;
};

// The subscriber's last services, newest first; payments are no services.
QVector<PastService> lastServices(Connection* db, qint32 acountId, int count = 5);

}  // namespace agency
