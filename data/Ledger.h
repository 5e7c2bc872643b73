#pragma once
// The rules that store a service or a payment, whichever window or tool asks: the checks before a
// row is begun, the numbering per day and for payments, the next free number when another desk
// took the one in hand, the agency's share, the payment's description, and the correction of a
// stored row. It takes complete values and needs no window.

#include "data/Currency.h"

#include <QSet>
#include <QStringList>
#include <QString>

#include <functional>
#include <optional>

namespace agency {

class TDM;

// A service as the desk typed it. The number is the ledger's to give.
struct ServiceInput {
    QString date;  // yyyy/mm/dd
    qint32 driverId = 0, acountId = 0, fare = 0;
    QString driverName, acountName, source, target;
};

// A payment as the desk typed it. The number is the ledger's to give.
struct PaymentInput {
    QString date;
    qint32 driverId = 0, amount = 0;
    QString driverName;
};

// Why an input cannot be stored, before any row is begun.
enum class InputFault { None, Incomplete, BadDate };

// What a new row was stored with: the number it took and the time it was written.
struct Stored {
    qint32 number = 0;
    QString time;
};

// A driver's debt to the agency against the agency's limit.
struct Debt {
    Currency balance;  // his shares less his payments, over all dates, as the balances show it
    Currency limit;    // 0: no limit
    // Passed only when strictly above the limit: a debt equal to it is still within.
    bool passed() const { return limit > Currency() && balance > limit; }
};

class Ledger {
public:
    explicit Ledger(TDM& dm) : m_dm(dm) {}

    static InputFault Check(const ServiceInput& in);
    static InputFault Check(const PaymentInput& in);
    // The desk's words for a fault.
    static QString FaultText(InputFault fault);
    static QString PaymentDescription(qint32 number);

    // The number the next service of that day, or the next payment, takes now.
    qint32 NextServiceNumber(const QString& date) const;
    qint32 NextPaymentNumber() const;
    // The agency's share of a fare at the percentage of the settings.
    Currency ShareOf(qint32 fare) const;

    // The limit as the desk types it: empty or 0 for none. Raises Error, in the desk's words, for
    // a negative amount or a text that is not one.
    static Currency DebtLimitOf(const QString& text);
    // What the driver owes now, from the kept balances (a stored service already counts), against
    // the limit of the settings.
    Debt DebtOf(qint32 driverId) const;
    // The limit in force (0: none) and the codes of the drivers whose debt passes it.
    Currency DebtLimit() const;
    QSet<qint32> DriversOverLimit() const;

    // Stores a new row under the next free number, taking the one after when another desk stores
    // that number meanwhile. Raises Error, storing nothing, when the input or the store is refused.
    Stored StoreService(const ServiceInput& in);
    Stored StorePayment(const PaymentInput& in);

    // Rewrites the stored row with that id, keeping its number; false when the row is no longer
    // stored. Raises Error, changing nothing, when the store is refused.
    bool CorrectService(qint64 rowId, qint32 serviceId, const ServiceInput& in);
    bool CorrectPayment(qint64 rowId, qint32 number, const PaymentInput& in);

private:
    // A store whose commit went unanswered: the input it was for (as text) and what it took.
    struct Unanswered {
        QString input;
        Stored stored;
    };
    // Stores through appendNumbered, first settling an unanswered store: the same input typed
    // again after it was stored is not stored twice.
    Stored store(const QString& input, const std::function<qint32()>& next,
                 const std::function<void(const Stored&)>& write);

    TDM& m_dm;
    std::optional<Unanswered> m_unanswered;
};

}  // namespace agency
