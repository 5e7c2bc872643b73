#pragma once
// Money as the currency columns hold it: a 64-bit count of ten-thousandths, exact.

#include <QString>
#include <QtGlobal>

namespace agency {

class Currency {
public:
    static constexpr qint64 kScale = 10000;

    constexpr Currency() = default;
    static constexpr Currency fromUnits(qint64 units)
    {
        Currency c;
        c.m_units = units;
        return c;
    }
    static constexpr Currency fromInteger(qint64 whole) { return fromUnits(whole * kScale); }

    // "1851.75", "-12", "0.0001"; raises agency::Error on anything else.
    static Currency parse(const QString& text);

    // The agency's share: fare × percent ÷ 100, exact in 64 bits for any 32-bit operands.
    static Currency share(qint32 fare, qint32 percent);

    constexpr qint64 units() const { return m_units; }

    // Plain digits, no grouping, decimals only where there are some: "2400", "1851.75".
    QString toString() const;

    // Whole rials, a half going to the even neighbour.
    qint64 roundToInteger() const;

    friend constexpr Currency operator+(Currency a, Currency b) { return fromUnits(a.m_units + b.m_units); }
    friend constexpr Currency operator-(Currency a, Currency b) { return fromUnits(a.m_units - b.m_units); }
    friend constexpr bool operator==(Currency a, Currency b) { return a.m_units == b.m_units; }
    friend constexpr auto operator<=>(Currency a, Currency b) { return a.m_units <=> b.m_units; }

private:
    qint64 m_units = 0;
};

// The one way an amount is written in right-to-left text: each negative number starts with a
// left-to-right mark (U+200E), so that "-377" reads with its sign at the left in every grid,
// total, receipt and export; the rest of the text is left as it is.
QString displayAmount(const QString& text);

}  // namespace agency
