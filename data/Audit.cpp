#include "data/Audit.h"

#include "data/Database.h"

#include "data/Dataset.h"
#include "data/Errors.h"
#include "data/ServerDatabase.h"
#include "data/Session.h"
#include "data/SolarDate.h"

using namespace Qt::StringLiterals;

namespace agency {

namespace {

struct Rule {
    QString table;
    AuditWrite write;
    QStringList identity;  // columns a correction names whatever changed, so that the row can be told
};

const QVector<Rule>& rules()
{
    static const QVector<Rule> list = {
        {u"service"_s, AuditWrite::Update, {u"service_date"_s, u"service_id"_s, u"driver_bes_no"_s}},
        {u"driver"_s, AuditWrite::Delete, {}},
        {u"acount"_s, AuditWrite::Delete, {}},
        {u"Users"_s, AuditWrite::Delete, {}},
    };
    return list;
}

const Rule* ruleFor(const QString& table, AuditWrite write)
{
    for (const Rule& r : rules())
        if (r.write == write && r.table.compare(table, Qt::CaseInsensitive) == 0) return &r;
    return nullptr;
}

// The key is the audit row's own column; a password hash is nobody's to read.
bool recorded(const ColumnDef& c)
{
    return c.type != FieldType::AutoInc && c.name.compare(u"PassWord"_s, Qt::CaseInsensitive) != 0;
}

QString quoted(const QString& name)
{
    return u'"' + name + u'"';
}

}  // namespace

QStringList auditGuardStatements(Engine engine)
{
    if (engine == Engine::Server) {
        // The program's role keeps only reading and adding; the trigger holds for any other role.
        return QStringList{u"REVOKE UPDATE, DELETE, TRUNCATE ON audit FROM CURRENT_USER"_s}
               << serverTrigger(u"audit_unchanged"_s, u"BEFORE UPDATE OR DELETE"_s, u"audit"_s,
                                u"RAISE EXCEPTION '%1';"_s.arg(auditRefusalText()));
    }
    const QString refuse = u"SELECT RAISE(ABORT, '%1'); END"_s.arg(auditRefusalText());
    return {u"CREATE TRIGGER IF NOT EXISTS audit_no_update BEFORE UPDATE ON audit BEGIN "_s + refuse,
            u"CREATE TRIGGER IF NOT EXISTS audit_no_delete BEFORE DELETE ON audit BEGIN "_s + refuse};
}

QString auditRefusalText()
{
    return u"سابقه تغييرات را نمي توان تغيير داد يا حذف كرد"_s;
}

QStringList auditSchema(Engine engine)
{
    QStringList out = {createTableStatement(*findTable(u"audit"_s), engine, true),
                       u"CREATE INDEX IF NOT EXISTS audit_day ON audit(audit_date, id)"_s};
    out << auditGuardStatements(engine);
    out << u"UPDATE \"Users\" SET \"Users\"=1 WHERE \"ID\"=(SELECT min(\"ID\") FROM \"Users\") AND NOT EXISTS "
           "(SELECT 1 FROM \"Users\" WHERE \"Users\"<>0)"_s;
    return out;
}

QString auditText(const QStringList& columns, const QStringList& values)
{
    QStringList lines;
    for (qsizetype i = 0; i < columns.size(); ++i) {
        QString v = values.value(i);
        v.replace(u'\\', u"\\\\"_s).replace(u'\n', u"\\n"_s).replace(u'\r', u"\\r"_s);
        lines << columns[i] + u'=' + v;
    }
    return lines.join(u'\n');
}

AuditTrail::AuditTrail(Connection* db, const TableDef& table, qint64 row, AuditWrite write)
    : m_db(db), m_table(table), m_row(row), m_write(write), m_audited(ruleFor(table.name, write) != nullptr)
{
    if (m_audited) m_before = read();
}

QVariantList AuditTrail::read() const
{
    QStringList names;
    for (const ColumnDef& c : m_table.columns) names << quoted(c.name);
    Statement st(m_db, u"SELECT %1 FROM %2 WHERE %3=?"_s.arg(names.join(u','), quoted(m_table.name),
                                                           quoted(m_table.keyName())));
    st.bind(1, m_row);
    QVariantList out;
    if (!st.step()) return out;
    for (int i = 0; i < m_table.columns.size(); ++i) out << st.column(i);
    return out;
}

void AuditTrail::record()
{
    if (!m_audited || m_before.isEmpty()) return;  // no row was there to change
    const Rule& rule = *ruleFor(m_table.name, m_write);
    const QVariantList after = m_write == AuditWrite::Update ? read() : QVariantList();
    QStringList names, before;
    QStringList afterNames, afterValues;
    for (int i = 0; i < m_table.columns.size(); ++i) {
        const ColumnDef& c = m_table.columns[i];
        if (!recorded(c)) continue;
        const QString was = valueAsString(m_before[i], c.type);
        if (m_write == AuditWrite::Delete) {
            names << c.name;
            before << was;
            continue;
        }
        const QString is = valueAsString(after.value(i), c.type);
        const bool changed = m_before[i] != after.value(i);
        if (changed || (rule.identity.contains(c.name) && !was.isEmpty() && was != u"0"_s)) {
            names << c.name;
            before << was;
        }
        if (changed) {
            afterNames << c.name;
            afterValues << is;
        }
    }
    QString action;
    if (m_write == AuditWrite::Update) {
        const int number = m_table.columnIndex(u"service_id"_s);
        action = m_before.value(number).toLongLong() != 0 ? u"اصلاح سرويس"_s : u"اصلاح پرداخت"_s;
    } else if (m_table.name == u"driver"_s) {
        action = u"حذف راننده"_s;
    } else if (m_table.name == u"acount"_s) {
        action = u"حذف مشترك"_s;
    } else {
        action = u"حذف كاربر"_s;
    }
    const QDateTime when = SolarDate::now();
    Statement st(m_db,
                 u"INSERT INTO audit (audit_user, audit_date, audit_time, audit_table, audit_row, audit_action, "
                 "audit_before, audit_after) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"_s);
    const QVariantList values = {session().userName,
                                 SolarDate::fromGregorian(when.date()),
                                 SolarDate::LongTime(when.time()),
                                 m_table.name,
                                 m_row,
                                 action,
                                 auditText(names, before),
                                 auditText(afterNames, afterValues)};
    for (int k = 0; k < values.size(); ++k) st.bind(k + 1, values[k]);
    st.step();
}

}  // namespace agency
