#include "data/Dataset.h"

#include <limits>

#include "data/Database.h"
#include "data/Errors.h"

#include <sqlite3.h>

namespace agency {

namespace {

constexpr int kFetchChunk = 64;

QString quoted(const QString& name) { return QLatin1Char('"') + name + QLatin1Char('"'); }

bool isNumeric(FieldType t)
{
    return t == FieldType::Integer || t == FieldType::AutoInc || t == FieldType::Boolean ||
           t == FieldType::Currency;
}

}  // namespace

void TStrings::Delete(int index)
{
    if (index < 0 || index >= m_lines.size())
        throw Error(QStringLiteral("List index out of bounds (%1)").arg(index));
    m_lines.removeAt(index);
}

QString valueAsString(const QVariant& v, FieldType type)
{
    if (v.isNull())
        return QString();
    switch (type) {
    case FieldType::Currency:
        return Currency::fromUnits(v.toLongLong()).toString();
    case FieldType::Boolean:
        return v.toLongLong() ? QStringLiteral("True") : QStringLiteral("False");
    case FieldType::Float:
        return QString::number(v.toDouble(), 'g', 15);
    case FieldType::Integer:
    case FieldType::AutoInc:
        return v.typeId() == QMetaType::QString ? v.toString() : QString::number(v.toLongLong());
    case FieldType::Text:
        return v.typeId() == QMetaType::QString ? v.toString()
                                                : (v.typeId() == QMetaType::Double ? QString::number(v.toDouble(), 'g', 15)
                                                                                   : QString::number(v.toLongLong()));
    }
    return v.toString();
}

qint32 valueAsInteger(const QVariant& v, FieldType type)
{
    if (v.isNull())
        return 0;
    switch (type) {
    case FieldType::Currency:
        return qint32(Currency::fromUnits(v.toLongLong()).roundToInteger());
    case FieldType::Float:
        return qint32(qRound64(v.toDouble()));
    case FieldType::Text:
        return StrToInt(v.toString());
    default:
        return qint32(v.toLongLong());
    }
}

// ---- TField ----

QString TField::FieldName() const { return m_ds->Columns()[m_index].name; }
FieldType TField::DataType() const { return m_ds->Columns()[m_index].type; }
QVariant TField::Value() const { return m_ds->currentValue(m_index); }
bool TField::IsNull() const { return Value().isNull(); }
QString TField::AsString() const { return valueAsString(Value(), DataType()); }
qint32 TField::AsInteger() const { return valueAsInteger(Value(), DataType()); }
bool TField::AsBoolean() const { return Value().toLongLong() != 0; }

Currency TField::AsCurrency() const
{
    const QVariant v = Value();
    if (v.isNull())
        return Currency();
    switch (DataType()) {
    case FieldType::Currency:
        return Currency::fromUnits(v.toLongLong());
    case FieldType::Text:
        return Currency::parse(v.toString());
    case FieldType::Float:
        return Currency::fromUnits(qRound64(v.toDouble() * Currency::kScale));
    default:
        return Currency::fromInteger(v.toLongLong());
    }
}

namespace {

// A value the column cannot hold is refused before it is pending: the row stays in editing, as
// it was, and the value is never stored.
[[noreturn]] void refuseSize(const QString& value, const QString& field)
{
    throw Error(QString::fromUtf16(u"عدد %1 در ستون %2 نمي گنجد").arg(value, field));
}

bool fitsInteger(qint64 value)
{
    return value >= std::numeric_limits<qint32>::min() && value <= std::numeric_limits<qint32>::max();
}

}  // namespace

void TField::SetAsString(const QString& text)
{
    switch (DataType()) {
    case FieldType::Text:
        m_ds->setPendingValue(m_index, text);
        return;
    case FieldType::Integer:
    case FieldType::AutoInc: {
        if (text.isEmpty()) {
            m_ds->setPendingValue(m_index, QVariant());
            return;
        }
        qint32 v = 0;
        if (!tryStrToInt(text, &v))
            throw Error(QStringLiteral("'%1' is not a valid integer value for field '%2'").arg(text, FieldName()));
        m_ds->setPendingValue(m_index, qint64(v));
        return;
    }
    case FieldType::Currency:
        m_ds->setPendingValue(m_index, text.isEmpty() ? QVariant() : QVariant(Currency::parse(text).units()));
        return;
    case FieldType::Boolean:
        m_ds->setPendingValue(m_index, qint64(text.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0 ? 1 : 0));
        return;
    case FieldType::Float:
        m_ds->setPendingValue(m_index, text.toDouble());
        return;
    }
}

void TField::SetAsInteger(qint64 value)
{
    switch (DataType()) {
    case FieldType::Currency: {
        qint64 units = 0;
        if (__builtin_mul_overflow(value, Currency::kScale, &units))
            refuseSize(QString::number(value), FieldName());
        m_ds->setPendingValue(m_index, units);
        return;
    }
    case FieldType::Text:
        m_ds->setPendingValue(m_index, QString::number(value));
        return;
    case FieldType::Integer:
    case FieldType::AutoInc:
        // A code beyond 32 bits would read back as another number and feed the numbering.
        if (!fitsInteger(value))
            refuseSize(QString::number(value), FieldName());
        m_ds->setPendingValue(m_index, value);
        return;
    case FieldType::Boolean:
    case FieldType::Float:
        m_ds->setPendingValue(m_index, value);
        return;
    }
}

void TField::SetAsCurrency(Currency value)
{
    switch (DataType()) {
    case FieldType::Currency:
        m_ds->setPendingValue(m_index, value.units());
        return;
    case FieldType::Text:
        m_ds->setPendingValue(m_index, value.toString());
        return;
    case FieldType::Integer:
    case FieldType::AutoInc:
        if (!fitsInteger(value.roundToInteger()))
            refuseSize(value.toString(), FieldName());
        m_ds->setPendingValue(m_index, value.roundToInteger());
        return;
    case FieldType::Boolean:
    case FieldType::Float:
        m_ds->setPendingValue(m_index, value.roundToInteger());
        return;
    }
}

void TField::SetAsBoolean(bool value) { m_ds->setPendingValue(m_index, qint64(value ? 1 : 0)); }
void TField::Clear() { m_ds->setPendingValue(m_index, QVariant()); }

// ---- TDataset ----

TDataset::TDataset(Database* db, const QString& name, bool writable, QObject* parent)
    : QObject(parent), m_db(db), m_writable(writable)
{
    setObjectName(name);
}

TDataset::~TDataset()
{
    m_idStmt.reset();
    m_rowStmt.reset();
    if (m_conn) {
        if (m_inSnapshot)
            sqlite3_exec(m_conn, "ROLLBACK", nullptr, nullptr, nullptr);
        Database::closeConnection(m_conn);
    }
}

void TDataset::raise(const QString& text) const { throw Error(Name() + QStringLiteral(": ") + text); }

void TDataset::Open()
{
    if (Active())
        return;
    // Parse first: a text outside the dialect is refused before anything changes.
    ParsedQuery q = parseSelect(selectText());
    if (!m_conn)
        m_conn = m_db->openReader();
    if (orderByRowid() && q.plain)
        q.orderSql = q.orderSql.isEmpty() ? QStringLiteral("rowid") : q.orderSql + QStringLiteral(", rowid");
    m_query = q;
    try {
        exec(m_conn, QStringLiteral("BEGIN"));
        m_inSnapshot = true;
        if (m_query.plain) {
            QString sql = QStringLiteral("SELECT rowid FROM ") + quoted(m_query.table->name);
            if (!m_query.whereSql.isEmpty())
                sql += QStringLiteral(" WHERE ") + m_query.whereSql;
            if (!m_query.orderSql.isEmpty())
                sql += QStringLiteral(" ORDER BY ") + m_query.orderSql;
            m_idStmt = std::make_unique<Statement>(m_conn, sql);
            m_rowStmt = std::make_unique<Statement>(
                m_conn, QStringLiteral("SELECT %1 FROM %2 WHERE rowid=?").arg(m_query.selectSql, quoted(m_query.table->name)));
        } else {
            m_idStmt = std::make_unique<Statement>(m_conn, m_query.sql());
        }
        m_done = false;
        m_state = TDataSetState::dsBrowse;
        m_empty = Row(m_query.columns.size());
        // The first step takes the snapshot.
        fetchMore(kFetchChunk);
    } catch (...) {
        m_idStmt.reset();
        m_rowStmt.reset();
        if (m_inSnapshot)
            sqlite3_exec(m_conn, "ROLLBACK", nullptr, nullptr, nullptr);
        m_inSnapshot = false;
        m_ids.clear();
        m_rows.clear();
        m_done = true;
        m_state = TDataSetState::dsInactive;
        throw;
    }
    m_cur = m_ids.isEmpty() ? -1 : 0;
    m_eof = m_bof = m_ids.isEmpty();
    emit reset();
    emit currentChanged(m_cur);
}

void TDataset::Close()
{
    if (!Active())
        return;
    releaseSnapshot();
    m_ids.clear();
    m_rows.clear();
    m_touched.clear();
    m_pending.clear();
    m_modified.clear();
    m_done = true;
    m_cur = -1;
    m_eof = m_bof = true;
    m_state = TDataSetState::dsInactive;
    emit reset();
    emit currentChanged(m_cur);
}

void TDataset::Reopen()
{
    Close();
    Open();
}

void TDataset::releaseSnapshot()
{
    m_idStmt.reset();
    m_rowStmt.reset();
    if (m_inSnapshot) {
        sqlite3_exec(m_conn, "COMMIT", nullptr, nullptr, nullptr);
        m_inSnapshot = false;
    }
}

bool TDataset::fetchId()
{
    if (m_done || !m_idStmt)
        return false;
    if (!m_idStmt->step()) {
        m_done = true;
        maybeRelease();
        return false;
    }
    if (m_query.plain) {
        m_ids.append(m_idStmt->columnInt(0));
    } else {
        const qint64 id = m_ids.size();
        Row r(m_query.columns.size());
        for (int i = 0; i < r.size(); ++i)
            r[i] = m_idStmt->column(i);
        m_rows.insert(id, r);
        m_ids.append(id);
    }
    return true;
}

void TDataset::fetchMore(int count)
{
    const int before = int(m_ids.size());
    for (int i = 0; i < count && fetchId(); ++i) {
    }
    if (m_ids.size() > before)
        emit rowInserted(-1);  // grids re-read the row count
}

void TDataset::maybeRelease()
{
    // The snapshot is needed while row ids remain to step or row values remain to read.
    if (m_done && m_inSnapshot && m_rows.size() >= m_ids.size())
        releaseSnapshot();
}

const TDataset::Row& TDataset::row(int index)
{
    if (index < 0 || index >= m_ids.size())
        return m_empty;
    const qint64 id = m_ids[index];
    auto it = m_rows.constFind(id);
    if (it != m_rows.constEnd())
        return *it;
    Row r(m_query.columns.size());
    if (m_rowStmt) {
        m_rowStmt->reset();
        m_rowStmt->bind(1, id);
        if (m_rowStmt->step())
            for (int i = 0; i < r.size(); ++i)
                r[i] = m_rowStmt->column(i);
        m_rowStmt->reset();
    }
    it = m_rows.insert(id, r);
    maybeRelease();
    return *it;
}

QVariant TDataset::value(int rowIndex, int column)
{
    const Row& r = row(rowIndex);
    return column >= 0 && column < r.size() ? r[column] : QVariant();
}

QVariant TDataset::currentValue(int column)
{
    if (m_state == TDataSetState::dsEdit || m_state == TDataSetState::dsInsert)
        return m_pending.value(column);
    return value(m_cur, column);
}

void TDataset::setPendingValue(int column, const QVariant& v)
{
    if (m_state != TDataSetState::dsEdit && m_state != TDataSetState::dsInsert)
        raise(QStringLiteral("Dataset not in edit or insert mode"));
    m_pending[column] = v;
    m_modified[column] = true;
}

bool TDataset::IsEmpty()
{
    if (!Active())
        return true;
    if (m_ids.isEmpty())
        fetchId();
    return m_ids.isEmpty();
}

void TDataset::checkBrowseMode()
{
    // A move leaves the pending row behind: it is stored first (dropped when nothing was typed),
    // or a later store would write it over whatever row the cursor then stands on.
    if (m_state != TDataSetState::dsEdit && m_state != TDataSetState::dsInsert)
        return;
    if (m_modified.contains(true))
        Post();
    else
        Cancel();
}

void TDataset::First()
{
    if (!Active())
        raise(QStringLiteral("Cannot perform this operation on a closed dataset"));
    checkBrowseMode();
    if (m_ids.isEmpty())
        fetchId();
    m_cur = m_ids.isEmpty() ? -1 : 0;
    m_bof = true;
    m_eof = m_ids.isEmpty();
    emit currentChanged(m_cur);
}

void TDataset::Next()
{
    if (!Active())
        raise(QStringLiteral("Cannot perform this operation on a closed dataset"));
    checkBrowseMode();
    if (m_cur + 1 >= m_ids.size())
        fetchId();
    if (m_cur + 1 < m_ids.size()) {
        ++m_cur;
        m_bof = false;
        m_eof = false;
        emit currentChanged(m_cur);
    } else {
        m_eof = true;
    }
}

void TDataset::Prior()
{
    checkBrowseMode();
    if (m_cur > 0) {
        --m_cur;
        m_eof = false;
        emit currentChanged(m_cur);
    } else {
        m_bof = true;
    }
}

void TDataset::MoveTo(int rowIndex)
{
    if (rowIndex != m_cur)
        checkBrowseMode();
    while (rowIndex >= m_ids.size() && fetchId()) {
    }
    if (rowIndex < 0 || rowIndex >= m_ids.size() || rowIndex == m_cur)
        return;
    m_cur = rowIndex;
    m_eof = m_bof = false;
    emit currentChanged(m_cur);
}

int TDataset::RecordCount()
{
    while (fetchId()) {
    }
    return int(m_ids.size());
}

int TDataset::FieldIndex(const QString& name) const
{
    for (int i = 0; i < m_query.columns.size(); ++i)
        if (m_query.columns[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

TField TDataset::FieldByName(const QString& name)
{
    const int i = FieldIndex(name);
    if (i < 0)
        raise(QStringLiteral("Field '%1' not found").arg(name));
    return TField(this, i);
}

int TDataset::indexOfId(qint64 id)
{
    for (int i = 0;; ++i) {
        if (i >= m_ids.size() && !fetchId())
            return -1;
        if (m_ids[i] == id)
            return i;
    }
}

bool TDataset::Locate(const QString& keyFields, const QVariantList& values)
{
    if (!Active())
        raise(QStringLiteral("Cannot perform this operation on a closed dataset"));
    checkBrowseMode();
    const QStringList keys = keyFields.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    if (keys.size() != values.size())
        raise(QStringLiteral("Locate: the number of fields and values differ"));
    QVector<int> cols;
    bool probeable = m_query.plain && m_inSnapshot;
    for (const QString& k : keys) {
        const int c = FieldIndex(k.trimmed());
        if (c < 0)
            raise(QStringLiteral("Field '%1' not found").arg(k.trimmed()));
        cols.append(c);
        probeable = probeable && m_query.columns[c].sourceColumn >= 0;
    }
    auto rowMatches = [&](const Row& r) {
        for (int k = 0; k < cols.size(); ++k) {
            const QString have = valueAsString(r[cols[k]], m_query.columns[cols[k]].type);
            if (have.toCaseFolded() != values[k].toString().toCaseFolded())
                return false;
        }
        return true;
    };
    auto matches = [&](int rowIndex) { return rowMatches(row(rowIndex)); };
    int found = -1;
    if (probeable) {
        // Ask the snapshot through its indexes rather than reading every row.
        QString sql = QStringLiteral("SELECT rowid FROM ") + quoted(m_query.table->name) + QStringLiteral(" WHERE ");
        if (!m_query.whereSql.isEmpty())
            sql += QLatin1Char('(') + m_query.whereSql + QStringLiteral(") AND ");
        QVariantList binds;
        for (int k = 0; k < cols.size(); ++k) {
            const ResultColumn& rc = m_query.columns[cols[k]];
            const QString col = quoted(m_query.table->columns[rc.sourceColumn].name);
            const QString text = values[k].toString();
            if (k)
                sql += QStringLiteral(" AND ");
            if (isNumeric(rc.type)) {
                qint32 n = 0;
                if (!tryStrToInt(text, &n))
                    return false;
                sql += col + QStringLiteral("=?");
                binds << (rc.type == FieldType::Currency ? Currency::fromInteger(n).units() : qint64(n));
            } else {
                sql += col + QStringLiteral("=? COLLATE NOCASE");
                binds << text;
            }
        }
        QStringList touched;
        for (const qint64 id : std::as_const(m_touched))
            touched << QString::number(id);
        if (!touched.isEmpty())
            sql += QStringLiteral(" AND rowid NOT IN (") + touched.join(QLatin1Char(',')) + QLatin1Char(')');
        if (!m_query.orderSql.isEmpty())
            sql += QStringLiteral(" ORDER BY ") + m_query.orderSql;
        sql += QStringLiteral(" LIMIT 1");
        Statement probe(m_conn, sql);
        for (int k = 0; k < binds.size(); ++k)
            probe.bind(k + 1, binds[k]);
        if (probe.step()) {
            found = indexOfId(probe.columnInt(0));
            if (found >= 0 && !matches(found))
                found = -1;
        }
        // The rows written since the snapshot are compared as this dataset holds them.
        for (const qint64 id : std::as_const(m_touched)) {
            // Content first: finding the position of a row is a scan, done only for a match.
            const auto it = m_rows.constFind(id);
            if (it == m_rows.constEnd() || !rowMatches(*it))
                continue;
            const int i = int(m_ids.indexOf(id));
            if (i >= 0 && (found < 0 || i < found) && matches(i))
                found = i;
        }
    } else {
        for (int i = 0;; ++i) {
            if (i >= m_ids.size() && !fetchId())
                break;
            if (matches(i)) {
                found = i;
                break;
            }
        }
    }
    if (found < 0)
        return false;
    m_cur = found;
    m_eof = m_bof = false;
    emit currentChanged(m_cur);
    return true;
}

void TDataset::Append()
{
    if (!Active())
        raise(QStringLiteral("Cannot perform this operation on a closed dataset"));
    if (!m_writable)
        raise(QStringLiteral("Cannot modify a read-only dataset"));
    if (m_state == TDataSetState::dsEdit || m_state == TDataSetState::dsInsert)
        Post();
    m_pending = Row(m_query.columns.size());
    m_modified = QVector<bool>(m_query.columns.size(), false);
    m_state = TDataSetState::dsInsert;
    emit stateChanged();
}

void TDataset::Edit()
{
    if (!Active())
        raise(QStringLiteral("Cannot perform this operation on a closed dataset"));
    if (!m_writable)
        raise(QStringLiteral("Cannot modify a read-only dataset"));
    if (m_state == TDataSetState::dsEdit || m_state == TDataSetState::dsInsert)
        return;
    if (IsEmpty() || m_cur < 0) {
        Append();
        return;
    }
    m_pending = row(m_cur);
    m_modified = QVector<bool>(m_query.columns.size(), false);
    m_state = TDataSetState::dsEdit;
    emit stateChanged();
}

void TDataset::Cancel()
{
    if (m_state != TDataSetState::dsEdit && m_state != TDataSetState::dsInsert)
        return;
    m_pending.clear();
    m_modified.clear();
    m_state = TDataSetState::dsBrowse;
    emit stateChanged();
    emit rowChanged(m_cur);
}

void TDataset::checkWidths() const
{
    for (int i = 0; i < m_query.columns.size(); ++i) {
        const ResultColumn& rc = m_query.columns[i];
        if (!m_modified[i] || rc.sourceColumn < 0)
            continue;
        const ColumnDef& def = m_query.table->columns[rc.sourceColumn];
        if (def.type == FieldType::Text && m_pending[i].toString().size() > def.width)
            raise(QString::fromUtf16(u"متن «%1» براي ستون %2 بلندتر از %3 نويسه است")
                      .arg(m_pending[i].toString(), def.name)
                      .arg(def.width));
    }
}

void TDataset::raiseStore(const Error& e, const Row& attempted) const
{
    const QString msg = e.text();
    auto has = [&](const char* s) { return msg.contains(QLatin1String(s), Qt::CaseInsensitive); };
    // The code the refused row carried, so that the desk knows which one is taken.
    auto code = [&](const QString& column) {
        const int i = FieldIndex(column);
        return i >= 0 && i < attempted.size() ? valueAsString(attempted[i], m_query.columns[i].type) : QString();
    };
    if (has("UNIQUE")) {
        if (has("service_identity") || has("service.service_date"))
            raise(QString::fromUtf16(u"سرويسي با اين شماره در اين تاريخ قبلاً ثبت شده است"));
        if (has("payment_number") || has("service.driver_bes_no"))
            raise(QString::fromUtf16(u"پرداختي با اين شماره قبلاً ثبت شده است"));
        if (has("driver_code") || has("driver.driver_id"))
            raise(QString::fromUtf16(u"راننده اي با اين كد (%1) قبلاً ثبت شده است").arg(code(QStringLiteral("driver_id"))));
        if (has("acount_code") || has("acount.acount_id"))
            raise(QString::fromUtf16(u"مشتركي با اين شماره (%1) قبلاً ثبت شده است").arg(code(QStringLiteral("acount_id"))));
    }
    raise(msg);
}

TDataset::Row TDataset::readBack(qint64 rowid)
{
    Statement st(m_db->writer(),
                 QStringLiteral("SELECT %1 FROM %2 WHERE rowid=?").arg(m_query.selectSql, quoted(m_query.table->name)));
    st.bind(1, rowid);
    Row r(m_query.columns.size());
    if (st.step())
        for (int i = 0; i < r.size(); ++i)
            r[i] = st.column(i);
    return r;
}

void TDataset::Post()
{
    if (m_state != TDataSetState::dsEdit && m_state != TDataSetState::dsInsert)
        raise(QStringLiteral("Dataset not in edit or insert mode"));
    const bool inserting = m_state == TDataSetState::dsInsert;
    qint64 rowid = inserting ? 0 : m_ids[m_cur];
    Row stored;
    try {
        checkWidths();
        QStringList names;
        QVariantList binds;
        for (int i = 0; i < m_query.columns.size(); ++i) {
            const ResultColumn& rc = m_query.columns[i];
            if (!m_modified[i] || rc.sourceColumn < 0)
                continue;
            names << quoted(m_query.table->columns[rc.sourceColumn].name);
            binds << m_pending[i];
        }
        sqlite3* w = m_db->writer();
        Transaction tx(w);
        if (inserting) {
            QString sql = QStringLiteral("INSERT INTO ") + quoted(m_query.table->name);
            if (names.isEmpty()) {
                sql += QStringLiteral(" DEFAULT VALUES");
            } else {
                QStringList marks(names.size(), QStringLiteral("?"));
                sql += QStringLiteral(" (%1) VALUES (%2)").arg(names.join(QLatin1Char(',')), marks.join(QLatin1Char(',')));
            }
            Statement st(w, sql);
            for (int k = 0; k < binds.size(); ++k)
                st.bind(k + 1, binds[k]);
            st.step();
            rowid = sqlite3_last_insert_rowid(w);
        } else if (!names.isEmpty()) {
            QStringList sets;
            for (const QString& n : names)
                sets << n + QStringLiteral("=?");
            Statement st(w, QStringLiteral("UPDATE %1 SET %2 WHERE rowid=?")
                                .arg(quoted(m_query.table->name), sets.join(QLatin1Char(','))));
            for (int k = 0; k < binds.size(); ++k)
                st.bind(k + 1, binds[k]);
            st.bind(int(binds.size()) + 1, rowid);
            st.step();
        }
        stored = readBack(rowid);
        tx.commit();
    } catch (const Error& e) {
        // A row that could not be stored is dropped: nothing stays pending to be stored later.
        const Row attempted = m_pending;
        Cancel();
        if (e.text().startsWith(Name() + QStringLiteral(": ")))
            throw;
        raiseStore(e, attempted);
    }
    m_rows.insert(rowid, stored);
    m_touched.insert(rowid);
    m_pending.clear();
    m_modified.clear();
    m_state = TDataSetState::dsBrowse;
    if (inserting) {
        m_ids.append(rowid);
        m_cur = int(m_ids.size()) - 1;
        m_eof = m_bof = false;
        emit rowInserted(m_cur);
        emit currentChanged(m_cur);
    } else {
        emit rowChanged(m_cur);
    }
    emit stateChanged();
}

void TDataset::Delete()
{
    if (!Active())
        raise(QStringLiteral("Cannot perform this operation on a closed dataset"));
    if (!m_writable)
        raise(QStringLiteral("Cannot modify a read-only dataset"));
    if (m_state == TDataSetState::dsInsert) {
        Cancel();
        return;
    }
    if (IsEmpty() || m_cur < 0)
        raise(QStringLiteral("Cannot perform this operation on an empty dataset"));
    Cancel();
    const qint64 rowid = m_ids[m_cur];
    try {
        sqlite3* w = m_db->writer();
        Transaction tx(w);
        Statement st(w, QStringLiteral("DELETE FROM %1 WHERE rowid=?").arg(quoted(m_query.table->name)));
        st.bind(1, rowid);
        st.step();
        tx.commit();
    } catch (const Error& e) {
        raiseStore(e);
    }
    const int removed = m_cur;
    m_ids.removeAt(removed);
    m_rows.remove(rowid);
    m_touched.insert(rowid);
    if (m_cur >= m_ids.size())
        fetchId();
    if (m_cur >= m_ids.size())
        m_cur = int(m_ids.size()) - 1;
    m_eof = m_ids.isEmpty();
    emit rowRemoved(removed);
    emit currentChanged(m_cur);
}

bool WalkToCode(TDataset* dataset, const QString& field, qint32 code)
{
    for (dataset->First(); !dataset->Eof(); dataset->Next())
        if (dataset->FieldByName(field).AsInteger() == code)
            return true;
    return false;
}

// ---- TADOTable / TADOQuery ----

TADOTable::TADOTable(Database* db, const QString& name, const QString& table, const QString& indexFields, QObject* parent)
    : TDataset(db, name, true, parent), TableName(table), IndexFieldNames(indexFields)
{
}

QString TADOTable::selectText() const
{
    QString text = QStringLiteral("select * from ") + TableName;
    if (!IndexFieldNames.isEmpty())
        text += QStringLiteral(" order by ") + QString(IndexFieldNames).replace(QLatin1Char(';'), QLatin1Char(','));
    return text;
}

TADOQuery::TADOQuery(Database* db, const QString& name, const QStringList& lines, QObject* parent)
    : TDataset(db, name, false, parent)
{
    SQL.setLines(lines);
}

}  // namespace agency
