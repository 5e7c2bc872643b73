#include "data/Phone.h"

#include "data/Database.h"
#include "data/ServerDatabase.h"
#include "data/Schema.h"

using namespace Qt::StringLiterals;

namespace agency {

namespace {

constexpr int kKeyDigits = 8;

// What parts two numbers in one field, and what is dropped inside a number; the triggers below
// and phoneNumbers read them alike.
const QString kSeparators = u",،/;و"_s;
const QString kDropped = u" -().\u200c\u200e\u200f"_s;

QChar asciiDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= 0x06F0 && u <= 0x06F9) return QChar(u'0' + (u - 0x06F0));
    if (u >= 0x0660 && u <= 0x0669) return QChar(u'0' + (u - 0x0660));
    return c;
}

QString key(const QString& digits)
{
    return digits.right(kKeyDigits);
}

QString literal(QChar c)
{
    return c == u'\'' ? u"''''"_s : u"'"_s + c + u"'"_s;
}

// The replacements that turn a field into the text the keys are read from: digits in ASCII, the
// dropped characters gone and every separator a comma; in passes of a few, since SQLite's parser
// refuses calls nested much deeper.
QStringList normalising(const QString& column)
{
    QList<std::pair<QChar, QString>> pairs;
    for (int i = 0; i < 10; ++i)
        for (char16_t zero : {u'\u06F0', u'\u0660'}) pairs.append({QChar(char16_t(zero + i)), QString::number(i)});
    for (QChar c : kDropped) pairs.append({c, QString()});
    for (QChar c : kSeparators)
        if (c != u',') pairs.append({c, u","_s});
    QStringList passes;
    for (qsizetype at = 0; at < pairs.size(); at += 8) {
        QString sql = column;
        for (const auto& [from, to] : pairs.mid(at, 8)) sql = u"replace(%1, %2, '%3')"_s.arg(sql, literal(from), to);
        passes << sql;
    }
    return passes;
}

// The kept rows matching `where` from the field: the text of their first pass, then the others.
QStringList normalised(const QString& insert, const QString& field, const QString& where)
{
    const QStringList passes = normalising(field);
    QStringList out = {insert.arg(passes.front())};
    for (const QString& pass : normalising(u"phone"_s).mid(1))
        out << u"UPDATE acount_phone SET phone = %1%2"_s.arg(pass, where);
    return out;
}

// The key of a number held in the SQL text x: the prefix taken off, then the last eight digits.
QString keyOf(const QString& x)
{
    const QString stripped =
        u"(CASE WHEN substr(%1, 1, 3) = '+98' THEN substr(%1, 4) WHEN substr(%1, 1, 4) = '0098' "
        "THEN substr(%1, 5) WHEN substr(%1, 1, 1) = '0' THEN substr(%1, 2) ELSE %1 END)"_s.arg(x);
    const QString last = u"(CASE WHEN length(%1) > %2 THEN substr(%1, length(%1) - %3) ELSE %1 END)"_s.arg(stripped)
                             .arg(kKeyDigits)
                             .arg(kKeyDigits - 1);
    return u"nullif(%1, '')"_s.arg(last);
}

// The keys of the kept rows matching `where`, from the normalised text their insert left.
QString keys(const QString& where)
{
    const QString first = u"substr(phone, 1, instr(phone || ',', ',') - 1)"_s;
    const QString last = u"substr(phone, instr(phone, ',') + 1)"_s;
    return u"UPDATE acount_phone SET phone = %1, phone2 = CASE WHEN instr(phone, ',') > 0 THEN %2 END%3"_s.arg(
        keyOf(first), keyOf(last), where);
}

}  // namespace

QString phoneDigits(const QString& number)
{
    QString digits;
    bool plus = false;
    for (QChar c : number) {
        c = asciiDigit(c);
        if (c.isDigit() && c.unicode() < 128)
            digits += c;
        else if (c == u'+' && digits.isEmpty())
            plus = true;
    }
    if (plus && digits.startsWith(u"98"_s)) return digits.mid(2);
    if (digits.startsWith(u"0098"_s)) return digits.mid(4);
    if (digits.startsWith(u'0')) return digits.mid(1);
    return digits;
}

QStringList phoneNumbers(const QString& field)
{
    QString parted = field;
    for (QChar c : kSeparators) parted.replace(c, u',');
    QStringList out;
    for (const QString& part : parted.split(u',')) {
        const QString digits = phoneDigits(part);
        if (!digits.isEmpty()) out << digits;
    }
    return out;
}

bool holdsPhone(const QString& field, const QString& digits)
{
    if (digits.isEmpty()) return false;
    for (const QString& n : phoneNumbers(field))
        if (key(n) == key(digits) && (n.endsWith(digits) || digits.endsWith(n))) return true;
    return false;
}

QStringList phoneIndexSchema(Engine engine)
{
    const auto same = [engine](const QString& row) {
        return u" WHERE "_s + sameValue(u"acount_id"_s, row + u".acount_id"_s, engine);
    };
    const QString one = same(u"NEW"_s);
    // The server searches inside a text only under a collation that compares it letter by letter.
    const QString asIs = engine == Engine::Server ? u" COLLATE \"C\""_s : QString();
    const QString add = (normalised(u"INSERT INTO acount_phone (acount_id, phone) VALUES (NEW.acount_id, %1)"_s,
                                    u"(NEW.acount_tel%1)"_s.arg(asIs), one)
                         << keys(one))
                            .join(u"; "_s) +
                        u';';
    const QString remove = u"DELETE FROM acount_phone"_s + same(u"OLD"_s) + u';';
    QStringList out{u"CREATE TABLE IF NOT EXISTS acount_phone (acount_id BIGINT, phone TEXT, phone2 TEXT)"_s,
                       u"CREATE INDEX IF NOT EXISTS acount_phone_code ON acount_phone(acount_id)"_s,
                       u"CREATE INDEX IF NOT EXISTS acount_phone_key ON acount_phone(phone)"_s,
                       u"CREATE INDEX IF NOT EXISTS acount_phone_key2 ON acount_phone(phone2)"_s,
                    u"DELETE FROM acount_phone"_s};
    out << normalised(u"INSERT INTO acount_phone (acount_id, phone) SELECT acount_id, %1 FROM acount"_s,
                      u"(acount_tel%1)"_s.arg(asIs), QString())
        << keys(QString());
    if (engine == Engine::Server)
        return out << serverTrigger(u"acount_phone_insert"_s, u"AFTER INSERT"_s, u"acount"_s, add)
                   << serverTrigger(u"acount_phone_delete"_s, u"AFTER DELETE"_s, u"acount"_s, remove)
                   << serverTrigger(u"acount_phone_update"_s, u"AFTER UPDATE OF acount_id, acount_tel"_s, u"acount"_s,
                                    remove + u' ' + add);
    return out << u"CREATE TRIGGER IF NOT EXISTS acount_phone_insert AFTER INSERT ON acount BEGIN %1 END"_s.arg(add)
           << u"CREATE TRIGGER IF NOT EXISTS acount_phone_delete AFTER DELETE ON acount BEGIN %1 END"_s.arg(remove)
           << u"CREATE TRIGGER IF NOT EXISTS acount_phone_update AFTER UPDATE OF acount_id, acount_tel ON acount "
              "BEGIN %1 %2 END"_s.arg(remove, add);
}

QVector<qint32> subscribersByPhone(Connection* db, const QString& typed)
{
    const QString digits = phoneDigits(typed);
    QVector<qint32> out;
    if (digits.isEmpty()) return out;
    Statement st(db,
                 u"SELECT a.acount_id, a.acount_tel FROM acount_phone p JOIN acount a ON a.acount_id = p.acount_id "
                 "WHERE p.phone = ? OR p.phone2 = ? ORDER BY a.acount_id"_s);
    st.bind(1, key(digits));
    st.bind(2, key(digits));
    while (st.step())
        if (holdsPhone(st.column(1).toString(), digits)) out << qint32(st.columnInt(0));
    return out;
}

QVector<PastService> lastServices(Connection* db, qint32 acountId, int count)
{
    Statement st(db,
                 u"SELECT service_date, service_start_add, service_target_add, service_moeny, driver_name "
                 "FROM service WHERE acount_id = ? AND driver_bes_no = 0 "
                 "ORDER BY service_date DESC, service_id DESC LIMIT ?"_s);
    st.bind(1, acountId);
    st.bind(2, count);
    QVector<PastService> out;
    while (st.step())
        out.push_back({st.column(0).toString(), st.column(1).toString(), st.column(2).toString(),
                       Currency::fromUnits(st.columnInt(3)), st.column(4).toString()});
    return out;
}

}  // namespace agency
