#include "data/Dataset.h"

#include "data/Audit.h"
#include "data/Database.h"
#include "data/Errors.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QRunnable>
#include <QScopeGuard>
#include <QThreadPool>
#include <QTimer>
#include <QVarLengthArray>

#include <algorithm>
#include <condition_variable>
#include <limits>
#include <mutex>

using namespace Qt::StringLiterals;

namespace agency {

namespace {

constexpr int kFetchChunk = 64;       // rows a dataset reads when it opens or a grid asks
constexpr qint64 kSliceNs = 4000000;  // one slice of idle-time reading: 4 ms
constexpr int kCacheRows = 512;       // rows kept read, by position (a power of two)
constexpr int kReadAhead = 256;       // rows read together when their ids lie close
constexpr int kBatch = 64;            // rows read together by their ids

QString quoted(const QString& name)
{
    return u'"' + name + u'"';
}

bool isNumeric(FieldType t)
{
    return t == FieldType::Integer || t == FieldType::AutoInc || t == FieldType::Boolean || t == FieldType::Currency;
}

}  // namespace

void TStrings::Delete(int index)
{
    if (index < 0 || index >= m_lines.size()) throw Error(u"List index out of bounds (%1)"_s.arg(index));
    m_lines.removeAt(index);
}

QString valueAsString(const QVariant& v, FieldType type)
{
    if (v.isNull()) return QString();
    switch (type) {
        case FieldType::Currency:
            return Currency::fromUnits(v.toLongLong()).toString();
        case FieldType::Boolean:
            return v.toLongLong() ? u"True"_s : u"False"_s;
        case FieldType::Float:
            return QString::number(v.toDouble(), 'g', 15);
        case FieldType::Integer:
        case FieldType::AutoInc:
            return v.typeId() == QMetaType::QString ? v.toString() : QString::number(v.toLongLong());
        case FieldType::Text:
            return v.typeId() == QMetaType::QString
                       ? v.toString()
                       : (v.typeId() == QMetaType::Double ? QString::number(v.toDouble(), 'g', 15)
                                                          : QString::number(v.toLongLong()));
    }
    return v.toString();
}

qint32 valueAsInteger(const QVariant& v, FieldType type)
{
    if (v.isNull()) return 0;
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

QString TField::FieldName() const
{
    return m_ds->Columns()[m_index].name;
}
FieldType TField::DataType() const
{
    return m_ds->Columns()[m_index].type;
}
QVariant TField::Value() const
{
    return m_ds->currentValue(m_index);
}
bool TField::IsNull() const
{
    return Value().isNull();
}
QString TField::AsString() const
{
    return valueAsString(Value(), DataType());
}
qint32 TField::AsInteger() const
{
    return valueAsInteger(Value(), DataType());
}
bool TField::AsBoolean() const
{
    return Value().toLongLong() != 0;
}

Currency TField::AsCurrency() const
{
    const QVariant v = Value();
    if (v.isNull()) return Currency();
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
    throw Error(u"عدد %1 در ستون %2 نمي گنجد"_s.arg(value, field));
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
                throw Error(u"'%1' is not a valid integer value for field '%2'"_s.arg(text, FieldName()));
            m_ds->setPendingValue(m_index, qint64(v));
            return;
        }
        case FieldType::Currency:
            m_ds->setPendingValue(m_index, text.isEmpty() ? QVariant() : QVariant(Currency::parse(text).units()));
            return;
        case FieldType::Boolean:
            m_ds->setPendingValue(m_index, qint64(text.compare(u"True"_s, Qt::CaseInsensitive) == 0 ? 1 : 0));
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
            if (!fitsInteger(value)) refuseSize(QString::number(value), FieldName());
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
            if (!fitsInteger(value.roundToInteger())) refuseSize(value.toString(), FieldName());
            m_ds->setPendingValue(m_index, value.roundToInteger());
            return;
        case FieldType::Boolean:
        case FieldType::Float:
            m_ds->setPendingValue(m_index, value.roundToInteger());
            return;
    }
}

void TField::SetAsBoolean(bool value)
{
    m_ds->setPendingValue(m_index, qint64(value ? 1 : 0));
}
void TField::Clear()
{
    m_ds->setPendingValue(m_index, QVariant());
}

// ---- Idle-time reading and the background worker ----

// Reads the row ids of opening datasets in short slices between the window's events, one
// dataset a slice, so that no read transaction outlives the moment and the log can be reset.
class IdleLoader : public QObject {
public:
    static IdleLoader* instance()
    {
        static QPointer<IdleLoader> loader;
        if (!loader && QCoreApplication::instance()) loader = new IdleLoader(QCoreApplication::instance());
        return loader;
    }
    void add(TDataset* ds)
    {
        if (!m_queue.contains(ds)) m_queue.append(ds);
        if (!m_timer.isActive()) m_timer.start();
    }
    void remove(TDataset* ds) { m_queue.removeAll(ds); }

private:
    explicit IdleLoader(QObject* parent) : QObject(parent)
    {
        m_timer.setSingleShot(true);
        m_timer.setInterval(0);
        connect(&m_timer, &QTimer::timeout, this, &IdleLoader::slice);
    }
    void slice()
    {
        if (m_queue.isEmpty()) return;
        // Not while a call waits for the server, nor while it does not answer: the desk's own
        // actions go first, and a list's remaining ids can wait.
        if (databaseCallWaiting() || databaseUnanswered()) {
            m_timer.start(500);
            return;
        }
        m_timer.setInterval(0);
        TDataset* ds = m_queue.takeFirst();
        if (ds->loadSlice()) m_queue.append(ds);
        if (!m_queue.isEmpty()) m_timer.start();
    }

    QTimer m_timer;
    QList<TDataset*> m_queue;
};

namespace {

// One thread, so that results computed in the background queue behind each other rather than
// crowd the window's thread off the processor.
QThreadPool* worker()
{
    static QThreadPool* pool = [] {
        static QThreadPool one;
        one.setMaxThreadCount(1);
        return &one;
    }();
    return pool;
}

}  // namespace

// A grouped or summed result computed on the worker, within the read transaction that the
// window's thread began, so that it is the result as of the moment the dataset was opened.
struct TDataset::BackgroundJob : QRunnable {
    TDataset* owner = nullptr;
    quint64 generation = 0;
    Connection* conn = nullptr;
    Statement* statement = nullptr;
    int columns = 0;
    QVector<Row> rows;
    QString error;
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    bool posted = false;  // handed to the worker; read and written by the window's thread only

    void run() override { execute(true); }
    void execute(bool notify)
    {
        try {
            while (statement->step()) {
                Row r(columns);
                for (int i = 0; i < columns; ++i) r[i] = statement->column(i);
                rows.append(r);
            }
        } catch (const Error& e) {
            error = e.text();
        }
        statement->reset();
        conn->rollback();
        std::lock_guard lock(mutex);
        // Posted before done is set: an owner that waits for done is still alive to receive it.
        if (notify) {
            TDataset* ds = owner;
            const quint64 g = generation;
            QMetaObject::invokeMethod(
                ds, [ds, g] { ds->jobArrived(g); }, Qt::QueuedConnection);
        }
        done = true;
        finished.notify_all();
    }
    void wait()
    {
        std::unique_lock lock(mutex);
        finished.wait(lock, [this] { return done; });
    }
};

// ---- TDataset ----

TDataset::TDataset(Database* db, const QString& name, bool writable, QObject* parent)
    : QObject(parent), m_db(db), m_writable(writable)
{
    setObjectName(name);
    m_watch = m_db->watchRows([this](const QString& table, qint64 id) { rowWritten(table, id); });
}

TDataset::~TDataset()
{
    m_db->unwatchRows(m_watch);
    cancelJob();
    if (IdleLoader* loader = IdleLoader::instance()) loader->remove(this);
    m_probes.clear();
    m_idStmt.reset();
    m_rowStmt.reset();
    m_rangeStmt.reset();
    m_batchStmt.reset();
    if (m_conn) m_conn->rollback();
}

void TDataset::raise(const QString& text, int code) const
{
    throw Error(Name() + u": "_s + text, code);
}

void TDataset::prepare()
{
    const QString text = selectText();
    if (m_idStmt && text == m_preparedText)
        return;  // the clock reopens the same text every second: parse and prepare it once
    // Parse first: a text outside the dialect is refused before anything changes.
    ParsedQuery q = parseSelect(text);
    const QString key = q.plain ? quoted(q.table->keyName()) : QString();
    if (orderByRowid() && q.plain)
        q.orderSql = q.orderSql.isEmpty() ? key : q.orderSql + u", "_s + key;
    else if (q.plain && q.orderSql.isEmpty() && q.whereSql.isEmpty())
        q.orderSql = key;  // the stored order, as a plain select of the table gives it
    if (!m_conn) m_conn = m_db->openReader();
    Connection* c = m_conn.get();
    std::unique_ptr<Statement> ids, one, range, batch;
    if (q.plain) {
        const QString table = quoted(q.table->name);
        QString sql = u"SELECT %1 FROM %2"_s.arg(key, table);
        if (!q.whereSql.isEmpty()) sql += u" WHERE "_s + q.whereSql;
        if (!q.orderSql.isEmpty()) sql += u" ORDER BY "_s + q.orderSql;
        ids = std::make_unique<Statement>(c, sql, true);
        one = std::make_unique<Statement>(c, u"SELECT %1 FROM %2 WHERE %3=?"_s.arg(q.selectSql, table, key));
        range = std::make_unique<Statement>(
            c, u"SELECT %3, %1 FROM %2 WHERE %3>=? AND %3<=?"_s.arg(q.selectSql, table, key));
        const QStringList marks(kBatch, u"?"_s);
        batch = std::make_unique<Statement>(
            c, u"SELECT %4, %1 FROM %2 WHERE %4 IN (%3)"_s.arg(q.selectSql, table, marks.join(u','), key));
    } else {
        ids = std::make_unique<Statement>(c, q.sql());
    }
    m_probes.clear();
    m_query = q;
    m_idStmt = std::move(ids);
    m_rowStmt = std::move(one);
    m_rangeStmt = std::move(range);
    m_batchStmt = std::move(batch);
    m_preparedText = text;
    m_empty = Row(m_query.columns.size());
}

void TDataset::Open()
{
    if (Active()) return;
    prepare();
    {
        const OnFailure forget([this] {
            releaseSnapshot();
            m_ids.clear();
            m_all.clear();
        });
        if (m_query.plain) {
            m_conn->begin(false);
            m_inSnapshot = true;
            // The first step takes the snapshot; the rest of the ids follow in idle time.
            if (stepIds(kFetchChunk))
                if (IdleLoader* loader = IdleLoader::instance()) loader->add(this);
        } else {
            readWhole();
        }
    }
    ++m_generation;
    m_state = TDataSetState::dsBrowse;
    m_shown = qMin(kFetchChunk, total());
    setCurrent(total() ? 0 : -1);
    m_bof = true;
    emit reset();
    emit currentChanged(m_cur);
}

void TDataset::OpenInBackground()
{
    if (Active()) return;
    prepare();
    // A server's sums are its kept totals, read in one round trip; its connections are the
    // window's thread's alone.
    if (m_query.plain || !QCoreApplication::instance() || m_db->engine() == Engine::Server) {
        Open();
        return;
    }
    // The read transaction begins here, so the result is the one of this moment.
    {
        const OnFailure rollback([this] { m_conn->rollback(); });
        m_conn->beginSnapshot();
    }
    auto job = std::make_shared<BackgroundJob>();
    job->setAutoDelete(false);
    job->owner = this;
    job->generation = ++m_generation;
    job->conn = m_conn.get();
    job->statement = m_idStmt.get();
    job->columns = int(m_query.columns.size());
    m_job = job;
    m_shown = 0;
    m_state = TDataSetState::dsBrowse;
    m_cur = -1;
    m_eof = m_bof = true;
    // The worker starts once the window's thread is idle, not while it is still building windows.
    QTimer::singleShot(0, this, [this, job] {
        if (m_job == job) {
            job->posted = true;
            worker()->start(job.get());
        }
    });
    emit reset();
}

void TDataset::readWhole()
{
    const auto reset = qScopeGuard([this] { m_idStmt->reset(); });
    while (m_idStmt->step()) {
        Row r(m_query.columns.size());
        for (int i = 0; i < r.size(); ++i) r[i] = m_idStmt->column(i);
        m_all.append(r);
    }
}

void TDataset::join() const
{
    if (m_job) const_cast<TDataset*>(this)->adoptJob();
}

void TDataset::adoptJob()
{
    std::shared_ptr<BackgroundJob> job = m_job;
    if (!job->posted || worker()->tryTake(job.get()))
        job->execute(false);  // not begun yet: no use waiting for it
    else
        job->wait();
    m_job.reset();
    if (!job->error.isEmpty()) {
        Close();
        raise(job->error);
    }
    m_all = std::move(job->rows);
    m_shown = qMin(kFetchChunk, total());
    m_cur = m_all.isEmpty() ? -1 : 0;
    m_eof = m_bof = m_all.isEmpty();
}

void TDataset::jobArrived(quint64 generation)
{
    if (generation != m_generation || !Active()) return;
    try {
        join();
    } catch (const Error& e) {
        emit reset();
        emit failed(e.text());
        return;
    }
    emit reset();
    emit currentChanged(m_cur);
}

void TDataset::cancelJob()
{
    if (!m_job) return;
    std::shared_ptr<BackgroundJob> job = m_job;
    m_job.reset();
    if (!job->posted || worker()->tryTake(job.get())) {
        m_idStmt->reset();
        m_conn->rollback();
        return;
    }
    m_conn->interrupt();
    job->wait();
    // An interrupt that came as the worker ended its transaction leaves it to end here.
    m_conn->rollback();
}

void TDataset::Close()
{
    if (!Active()) return;
    cancelJob();
    releaseSnapshot();
    ++m_generation;
    m_ids.clear();
    m_all.clear();
    m_cache.clear();
    m_pending.clear();
    m_modified.clear();
    m_shown = 0;
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
    if (IdleLoader* loader = IdleLoader::instance()) loader->remove(this);
    if (m_idStmt) m_idStmt->reset();
    if (m_inSnapshot) {
        m_conn->rollback();  // it only read
        m_inSnapshot = false;
    }
}

bool TDataset::stepIds(int count)
{
    if (!m_inSnapshot) return false;  // every id read
    const OnFailure release([this] { releaseSnapshot(); });
    for (int i = 0; i < count; ++i) {
        bool more = false;
        try {
            more = m_idStmt->step();
        } catch (const Error& e) {
            if (e.code() != kConnectionLost) throw;
            restartSnapshot();
            more = m_idStmt->step();
        }
        if (!more) {
            releaseSnapshot();
            return false;
        }
        m_ids.append(m_idStmt->columnInt(0));
    }
    return true;
}

void TDataset::restartSnapshot()
{
    // The connection dropped (a server restarted): the snapshot is taken again and its ids read
    // as far as before. Where they are the same, nothing shows; else the list shows them anew.
    m_idStmt->reset();
    m_conn->rollback();
    m_conn->begin(false);
    RowIds fresh;
    bool same = true;
    const qsizetype had = m_ids.size();
    while (fresh.size() < had && m_idStmt->step()) {
        fresh.append(m_idStmt->columnInt(0));
        same = same && fresh[fresh.size() - 1] == m_ids[fresh.size() - 1];
    }
    same = same && fresh.size() == had;
    if (same) return;
    const qint64 current = m_cur >= 0 && m_cur < m_ids.size() ? m_ids[m_cur] : -1;
    m_ids = std::move(fresh);
    m_cache.clear();
    m_shown = qMin(m_shown, int(m_ids.size()));
    const int at = current < 0 ? -1 : m_ids.indexOf(current);
    m_cur = at >= 0 ? at : qMin(m_cur, int(m_ids.size()) - 1);
    m_eof = m_bof = m_cur < 0;
    emit reset();
    emit currentChanged(m_cur);
}

void TDataset::ensureIds(int count)
{
    join();
    while (m_ids.size() < count && stepIds(qMax(kFetchChunk, count - int(m_ids.size())))) {
    }
}

void TDataset::finishSnapshot()
{
    join();
    while (stepIds(1 << 16)) {
    }
}

bool TDataset::loadSlice()
{
    QElapsedTimer clock;
    clock.start();
    try {
        while (stepIds(256))
            if (clock.nsecsElapsed() > kSliceNs) return true;
    } catch (const Error& e) {
        qWarning("%s: %s", qPrintable(Name()), e.what());  // the rows read so far stay listed
    }
    return false;
}

TDataset::CachedRow& TDataset::cacheSlot(int index)
{
    if (m_cache.isEmpty()) m_cache.resize(kCacheRows);
    return m_cache[index & (kCacheRows - 1)];
}

// Reads the row at index; a list read in order reads the rows after it too, in one statement
// (a scan of an id range where the ids lie close together), since every statement outside a
// transaction pays for taking and leaving the database's read lock.
void TDataset::readRows(int index)
{
    const bool inOrder = index == 0 || cacheSlot(index - 1).pos == index - 1;
    int n = inOrder ? qMin(kReadAhead, int(m_ids.size()) - index) : 1;
    bool together = n > 1;
    for (int k = 1; together && k < n; ++k) together = m_ids[index + k] > m_ids[index + k - 1];
    together = together && m_ids[index + n - 1] - m_ids[index] < 4 * n;
    if (!together) n = qMin(n, kBatch);
    const int columns = int(m_query.columns.size());
    QVarLengthArray<QPair<qint64, int>, kReadAhead> wanted;  // id, position; sorted by id
    QVarLengthArray<bool, kReadAhead> filled(n, false);
    for (int k = 0; k < n; ++k) {
        CachedRow& slot = cacheSlot(index + k);
        slot.pos = index + k;
        slot.id = m_ids[index + k];
        if (slot.row.size() != columns) slot.row = Row(columns);
        wanted.append({slot.id, index + k});
    }
    if (!together) std::sort(wanted.begin(), wanted.end());
    Statement* st = n == 1 ? m_rowStmt.get() : together ? m_rangeStmt.get() : m_batchStmt.get();
    const int first = n == 1 ? 0 : 1;  // the column of the first value
    if (n == 1) {
        st->bind(1, wanted[0].first);
    } else if (together) {
        st->bind(1, wanted.first().first);
        st->bind(2, wanted.last().first);
    } else {
        for (int k = 0; k < n; ++k) st->bind(k + 1, wanted[k].first);  // the rest stay null
    }
    {
        const OnFailure forget([&] {
            for (int k = 0; k < n; ++k) cacheSlot(index + k).pos = -1;
        });
        const auto reset = qScopeGuard([st] { st->reset(); });
        int k = 0;
        while (st->step()) {
            if (n > 1) {
                const qint64 id = st->columnInt(0);
                if (!together)
                    k = int(std::lower_bound(wanted.cbegin(), wanted.cend(), QPair<qint64, int>(id, -1)) -
                            wanted.cbegin());
                while (k < n && wanted[k].first < id) ++k;
                if (k == n || wanted[k].first != id) continue;
            }
            const int at = wanted[k].second;
            Row& r = cacheSlot(at).row;
            for (int i = 0; i < columns; ++i) r[i] = st->column(first + i);
            filled[at - index] = true;
        }
    }
    // A row deleted since the snapshot reads back empty.
    for (int k = 0; k < n; ++k)
        if (!filled[k]) cacheSlot(index + k).row = m_empty;
}

const TDataset::Row& TDataset::row(int index)
{
    join();
    if (!m_query.plain) return index >= 0 && index < m_all.size() ? m_all[index] : m_empty;
    if (index >= m_ids.size()) ensureIds(index + 1);
    if (index < 0 || index >= m_ids.size()) return m_empty;
    CachedRow& slot = cacheSlot(index);
    if (slot.pos != index || slot.id != m_ids[index]) readRows(index);
    return cacheSlot(index).row;
}

QVariant TDataset::value(int rowIndex, int column)
{
    const Row& r = row(rowIndex);
    return column >= 0 && column < r.size() ? r[column] : QVariant();
}

QVariant TDataset::currentValue(int column)
{
    if (m_state == TDataSetState::dsEdit || m_state == TDataSetState::dsInsert) return m_pending.value(column);
    join();
    return value(m_cur, column);
}

void TDataset::setPendingValue(int column, const QVariant& v)
{
    if (m_state != TDataSetState::dsEdit && m_state != TDataSetState::dsInsert)
        raise(u"Dataset not in edit or insert mode"_s);
    m_pending[column] = v;
    m_modified[column] = true;
}

bool TDataset::canFetchMore() const
{
    return Active() && !m_job && (m_shown < total() || m_inSnapshot);
}

void TDataset::fetchMore(int count)
{
    ensureIds(m_shown + count);
    const int shown = qMin(m_shown + count, total());
    if (shown > m_shown) {
        m_shown = shown;
        emit rowInserted(-1);  // grids re-read the row count
    }
}

void TDataset::setCurrent(int index)
{
    m_cur = index;
    m_shown = qMax(m_shown, index + 1);
    m_eof = m_bof = index < 0;
}

bool TDataset::Eof() const
{
    join();
    return m_eof;
}

bool TDataset::Bof() const
{
    join();
    return m_bof;
}

bool TDataset::IsEmpty()
{
    if (!Active()) return true;
    ensureIds(1);
    return total() == 0;
}

void TDataset::PostKeepingEdits()
{
    const bool inserting = m_state == TDataSetState::dsInsert;
    const int row = m_cur;
    QVector<QPair<int, QVariant>> typed;
    for (int c = 0; c < m_modified.size(); ++c)
        if (m_modified[c]) typed.append({c, m_pending.value(c)});
    try {
        Post();
    } catch (...) {
        if (!typed.isEmpty()) {
            if (inserting) {
                Append();
            } else {
                MoveTo(row);
                Edit();
            }
            for (const auto& [column, value] : typed) setPendingValue(column, value);
            emit stateChanged();
        }
        throw;
    }
}

void TDataset::WriteAndPost(const std::function<void()>& write)
{
    const OnFailure drop([this] { Cancel(); });
    write();
    Post();
}

void TDataset::checkBrowseMode()
{
    // A move leaves the pending row behind: it is stored first (dropped when nothing was typed),
    // or a later store would write it over whatever row the cursor then stands on. A refused row
    // stays in editing with its typing, and the move does not happen: the row may belong to a list
    // that another window's lookup is walking.
    if (m_state != TDataSetState::dsEdit && m_state != TDataSetState::dsInsert) return;
    if (Modified())
        PostKeepingEdits();
    else
        Cancel();
}

void TDataset::First()
{
    if (!Active()) raise(u"Cannot perform this operation on a closed dataset"_s);
    checkBrowseMode();
    ensureIds(1);
    setCurrent(total() ? 0 : -1);
    m_bof = true;
    emit currentChanged(m_cur);
}

void TDataset::Next()
{
    if (!Active()) raise(u"Cannot perform this operation on a closed dataset"_s);
    checkBrowseMode();
    ensureIds(m_cur + 2);
    if (m_cur + 1 < total()) {
        setCurrent(m_cur + 1);
        emit currentChanged(m_cur);
    } else {
        m_eof = true;
    }
}

void TDataset::Prior()
{
    join();
    checkBrowseMode();
    if (m_cur > 0) {
        setCurrent(m_cur - 1);
        emit currentChanged(m_cur);
    } else {
        m_bof = true;
    }
}

void TDataset::MoveTo(int rowIndex)
{
    if (rowIndex != m_cur) checkBrowseMode();
    ensureIds(rowIndex + 1);
    if (rowIndex < 0 || rowIndex >= total() || rowIndex == m_cur) return;
    setCurrent(rowIndex);
    emit currentChanged(m_cur);
}

int TDataset::RecordCount()
{
    finishSnapshot();
    return total();
}

int TDataset::FieldIndex(const QString& name) const
{
    for (int i = 0; i < m_query.columns.size(); ++i)
        if (m_query.columns[i].name.compare(name, Qt::CaseInsensitive) == 0) return i;
    return -1;
}

TField TDataset::FieldByName(const QString& name)
{
    const int i = FieldIndex(name);
    if (i < 0) raise(u"Field '%1' not found"_s.arg(name));
    return TField(this, i);
}

namespace {

// A value a locate looks for, read once: numbers as numbers, text folded.
struct LocateKey {
    int column = 0;
    FieldType type = FieldType::Text;
    bool numeric = false;
    bool empty = false;  // matches an empty or null field
    bool valid = true;   // false: a number field and a text that is no number, which nothing equals
    qint64 number = 0;
    QString folded;

    LocateKey(int col, FieldType t, const QString& text) : column(col), type(t)
    {
        numeric = isNumeric(t);
        empty = text.trimmed().isEmpty();
        if (!numeric) {
            folded = foldText(text);
            return;
        }
        if (empty) return;
        if (t == FieldType::Currency) {
            try {
                number = Currency::parse(text).units();
            } catch (const Error&) {
                valid = false;
            }
        } else if (t == FieldType::Boolean && (text.trimmed().compare(u"true"_s, Qt::CaseInsensitive) == 0 ||
                                               text.trimmed().compare(u"false"_s, Qt::CaseInsensitive) == 0)) {
            number = text.trimmed().compare(u"true"_s, Qt::CaseInsensitive) == 0 ? 1 : 0;
        } else {
            qint32 n = 0;
            valid = tryStrToInt(text, &n);
            number = n;
        }
    }

    bool matches(const QVariant& v) const
    {
        if (numeric) {
            if (empty) return v.isNull();
            if (v.isNull()) return false;
            if (v.typeId() == QMetaType::QString) {
                qint32 n = 0;
                return tryStrToInt(v.toString(), &n) && n == number;
            }
            return v.toLongLong() == number;
        }
        const QString text = valueAsString(v, type);
        return empty ? text.isEmpty() : foldText(text) == folded;
    }

    bool asciiText() const
    {
        for (const QChar c : folded)
            if (c.unicode() > 0x7f) return false;
        return true;
    }
};

}  // namespace

bool TDataset::Locate(const QString& keyFields, const QVariantList& values)
{
    if (!Active()) raise(u"Cannot perform this operation on a closed dataset"_s);
    checkBrowseMode();
    join();
    const QStringList names = keyFields.split(u';', Qt::SkipEmptyParts);
    if (names.size() != values.size()) raise(u"Locate: the number of fields and values differ"_s);
    QVector<LocateKey> keys;
    bool probeable = m_query.plain;
    for (int k = 0; k < names.size(); ++k) {
        const int c = FieldIndex(names[k].trimmed());
        if (c < 0) raise(u"Field '%1' not found"_s.arg(names[k].trimmed()));
        keys.append(LocateKey(c, m_query.columns[c].type, values[k].toString()));
        if (!keys.last().valid) return false;
        probeable = probeable && m_query.columns[c].sourceColumn >= 0;
    }
    auto rowMatches = [&](const Row& r) {
        for (const LocateKey& key : keys)
            if (!key.matches(r[key.column])) return false;
        return true;
    };
    int found = -1;
    if (probeable) {
        // One lookup through the indexes, then each candidate's place in the snapshot.
        finishSnapshot();
        QStringList conditions;
        QVariantList binds;
        if (!m_query.whereSql.isEmpty()) conditions << u'(' + m_query.whereSql + u')';
        for (const LocateKey& key : keys) {
            const QString col = quoted(m_query.table->columns[m_query.columns[key.column].sourceColumn].name);
            if (key.numeric && key.empty) {
                conditions << col + u" IS NULL"_s;
            } else if (key.numeric) {
                conditions << col + u"=?"_s;
                binds << key.number;
            } else if (key.empty) {
                conditions << u"(%1 IS NULL OR %1='')"_s.arg(col);
            } else if (key.asciiText()) {
                // The index compares ASCII letters without case; the rest is compared below.
                conditions << col + u"=? COLLATE NOCASE"_s;
                binds << key.folded;
            }
        }
        QString sql = u"SELECT %3, %1 FROM %2"_s.arg(m_query.selectSql, quoted(m_query.table->name),
                                                    quoted(m_query.table->keyName()));
        if (!conditions.isEmpty()) sql += u" WHERE "_s + conditions.join(u" AND "_s);
        if (m_probes.size() >= 32 && !m_probes.contains(sql)) m_probes.clear();
        std::shared_ptr<Statement>& probe = m_probes[sql];
        if (!probe) probe = std::make_shared<Statement>(m_conn.get(), sql);
        for (int k = 0; k < binds.size(); ++k) probe->bind(k + 1, binds[k]);
        // The rows come whole, so that the one found needs no second reading; a probe matching
        // thousands keeps their ids alone and finds the first of them in one pass over the list.
        QVector<qint64> matched;
        QHash<qint64, Row> matchedRows;
        {
            const auto reset = qScopeGuard([&probe] { probe->reset(); });
            while (probe->step()) {
                bool match = true;
                for (int k = 0; match && k < keys.size(); ++k)
                    match = keys[k].matches(probe->column(keys[k].column + 1));
                if (!match) continue;
                const qint64 id = probe->columnInt(0);
                matched.append(id);
                if (matchedRows.size() >= kBatch) continue;
                Row r = m_empty;
                for (int i = 0; i < r.size(); ++i) r[i] = probe->column(i + 1);
                matchedRows.insert(id, r);
            }
        }
        std::sort(matched.begin(), matched.end());
        found = m_ids.indexOfAny(matched);
        if (found >= 0) {
            CachedRow& slot = cacheSlot(found);
            slot.pos = -1;
            if (const auto it = matchedRows.constFind(m_ids[found]); it != matchedRows.cend()) {
                slot.pos = found;
                slot.id = it.key();
                slot.row = it.value();
            }
        }
    } else {
        finishSnapshot();
        for (int i = 0; i < total(); ++i)
            if (rowMatches(row(i))) {
                found = i;
                break;
            }
    }
    if (found < 0) return false;
    setCurrent(found);
    emit currentChanged(m_cur);
    return true;
}

void TDataset::Append()
{
    if (!Active()) raise(u"Cannot perform this operation on a closed dataset"_s);
    if (!m_writable) raise(u"Cannot modify a read-only dataset"_s);
    checkBrowseMode();
    m_pending = Row(m_query.columns.size());
    m_modified = QVector<bool>(m_query.columns.size(), false);
    m_state = TDataSetState::dsInsert;
    emit stateChanged();
}

void TDataset::Edit()
{
    if (!Active()) raise(u"Cannot perform this operation on a closed dataset"_s);
    if (!m_writable) raise(u"Cannot modify a read-only dataset"_s);
    if (m_state == TDataSetState::dsEdit || m_state == TDataSetState::dsInsert) return;
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
    if (m_state != TDataSetState::dsEdit && m_state != TDataSetState::dsInsert) return;
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
        if (!m_modified[i] || rc.sourceColumn < 0) continue;
        const ColumnDef& def = m_query.table->columns[rc.sourceColumn];
        if (def.type == FieldType::Text && m_pending[i].toString().size() > def.width)
            raise(u"متن «%1» براي ستون %2 بلندتر از %3 نويسه است"_s.arg(m_pending[i].toString(), def.name)
                      .arg(def.width));
    }
}

void TDataset::raiseStore(const Error& e, const Row& attempted) const
{
    // A server's link failures say already what was lost, and why.
    if (isLinkFailure(e.code())) throw e;
    // The engine's own failures (held by another program, the disk full or failing, the file
    // read-only) in the desk's words, as the backup says them.
    if (const QString desk = engineFailureText(e.code(), e.systemErrno(), m_db->path()); !desk.isEmpty())
        throw Error(desk, e.code(), e.systemErrno());
    const QString msg = e.text();
    auto has = [&](const char* s) { return msg.contains(QLatin1String(s), Qt::CaseInsensitive); };
    // The code the refused row carried, so that the desk knows which one is taken.
    auto code = [&](const QString& column) {
        const int i = FieldIndex(column);
        return i >= 0 && i < attempted.size() ? valueAsString(attempted[i], m_query.columns[i].type) : QString();
    };
    if (has("UNIQUE")) {
        if (has("service_identity") || has("service.service_date"))
            raise(u"سرويسي با اين شماره در اين تاريخ قبلاً ثبت شده است"_s, e.code());
        if (has("payment_number") || has("service.driver_bes_no"))
            raise(u"پرداختي با اين شماره قبلاً ثبت شده است"_s, e.code());
        if (has("driver_code") || has("driver.driver_id"))
            raise(u"راننده اي با اين كد (%1) قبلاً ثبت شده است"_s.arg(code(u"driver_id"_s)));
        if (has("acount_code") || has("acount.acount_id"))
            raise(u"مشتركي با اين شماره (%1) قبلاً ثبت شده است"_s.arg(code(u"acount_id"_s)));
    }
    raise(msg);
}

bool TDataset::readBack(qint64 rowid, Row* out)
{
    Statement st(m_db->writer(),
                 u"SELECT %1 FROM %2 WHERE %3=?"_s.arg(m_query.selectSql, quoted(m_query.table->name),
                                                       quoted(m_query.table->keyName())));
    st.bind(1, rowid);
    *out = m_empty;
    if (!st.step()) return false;
    for (int i = 0; i < out->size(); ++i) (*out)[i] = st.column(i);
    return true;
}

void TDataset::Post()
{
    if (m_state != TDataSetState::dsEdit && m_state != TDataSetState::dsInsert)
        raise(u"Dataset not in edit or insert mode"_s);
    const bool inserting = m_state == TDataSetState::dsInsert;
    qint64 rowid = 0;
    try {
        checkWidths();
        // A new row takes its place after the whole snapshot, and what is read after a write sees it.
        finishSnapshot();
        rowid = inserting ? 0 : m_ids[m_cur];
        QStringList names;
        QVariantList binds;
        for (int i = 0; i < m_query.columns.size(); ++i) {
            const ResultColumn& rc = m_query.columns[i];
            if (!m_modified[i] || rc.sourceColumn < 0) continue;
            names << quoted(m_query.table->columns[rc.sourceColumn].name);
            binds << m_pending[i];
        }
        Connection* w = m_db->writer();
        const UnansweredStore attempt{inserting, rowid, names, binds};
        // The same row stored again after its commit went unanswered: stored once, if it was.
        if (m_unanswered) {
            const CommitOutcome outcome = w->resolveUnanswered();
            const UnansweredStore was = *std::exchange(m_unanswered, std::nullopt);
            if (outcome == CommitOutcome::Committed && was.sameAs(attempt)) {
                rowid = was.rowid;
                names.clear();  // nothing more to write
            }
        }
        const bool adopted = inserting && rowid != 0;
        const QString key = quoted(m_query.table->keyName());
        const auto store = [&] {
            Transaction tx(w);
            if (adopted) {
            } else if (inserting) {
                QString sql = u"INSERT INTO "_s + quoted(m_query.table->name);
                if (names.isEmpty()) {
                    sql += u" DEFAULT VALUES"_s;
                } else {
                    QStringList marks(names.size(), u"?"_s);
                    sql += u" (%1) VALUES (%2)"_s.arg(names.join(u','), marks.join(u','));
                }
                Statement st(w, sql + u" RETURNING "_s + key);
                for (int k = 0; k < binds.size(); ++k) st.bind(k + 1, binds[k]);
                st.step();
                rowid = st.columnInt(0);
                while (st.step()) {
                }
            } else if (!names.isEmpty()) {
                AuditTrail audit(w, *m_query.table, rowid, AuditWrite::Update);
                QStringList sets;
                for (const QString& n : names) sets << n + u"=?"_s;
                Statement st(w, u"UPDATE %1 SET %2 WHERE %3=? RETURNING %3"_s.arg(quoted(m_query.table->name),
                                                                                   sets.join(u','), key));
                for (int k = 0; k < binds.size(); ++k) st.bind(k + 1, binds[k]);
                st.bind(int(binds.size()) + 1, rowid);
                // Another window or program may have deleted the row since it was listed.
                if (!st.step()) raise(u"اين رديف ديگر در بانك اطلاعات نيست"_s);
                while (st.step()) {
                }
                audit.record();
            } else {
                Row stored;
                if (!readBack(rowid, &stored)) raise(u"اين رديف ديگر در بانك اطلاعات نيست"_s);
            }
            try {
                tx.commit();
            } catch (const Error& e) {
                if (e.code() == kCommitUnknown) m_unanswered = UnansweredStore{inserting, rowid, names, binds};
                throw;
            }
        };
        try {
            store();
        } catch (const Error& e) {
            // A transaction that never reached its commit (its connection dropped, a server
            // restarted) is run once more on a new connection; a new row's key is its own again.
            if (e.code() != kConnectionLost) throw;
            if (inserting) rowid = 0;
            store();
        }
    } catch (const Error& e) {
        // A row that could not be stored is dropped: nothing stays pending to be stored later.
        const Row attempted = m_pending;
        Cancel();
        if (e.text().startsWith(Name() + u": "_s)) throw;
        raiseStore(e, attempted);
    }
    m_pending.clear();
    m_modified.clear();
    m_state = TDataSetState::dsBrowse;
    if (inserting) {
        m_ids.append(rowid);
        setCurrent(int(m_ids.size()) - 1);
        emit rowInserted(m_cur);
        emit currentChanged(m_cur);
    }
    // This dataset and every other one over the table show the row as stored.
    m_db->RowWritten(m_query.table->name, rowid);
    emit stateChanged();
}

void TDataset::rowWritten(const QString& table, qint64 id)
{
    if (!Active() || !m_query.plain || m_query.table->name.compare(table, Qt::CaseInsensitive) != 0) return;
    // Inside its read transaction the dataset would read the row as it was: its ids are read to
    // the end, which ends the transaction.
    try {
        finishSnapshot();
    } catch (const Error& e) {
        qWarning("%s: %s", qPrintable(Name()), e.what());  // the row is stored; this list is told at its reopen
        return;
    }
    // The row written is most often the current one: no search of ten million ids for it.
    const int at = m_cur >= 0 && m_cur < m_ids.size() && m_ids[m_cur] == id ? m_cur : m_ids.indexOf(id);
    if (at < 0) return;  // not among this snapshot's rows
    CachedRow& slot = cacheSlot(at);
    if (slot.pos == at) slot.pos = -1;
    emit rowChanged(at);
}

void TDataset::Delete()
{
    if (!Active()) raise(u"Cannot perform this operation on a closed dataset"_s);
    if (!m_writable) raise(u"Cannot modify a read-only dataset"_s);
    if (m_state == TDataSetState::dsInsert) {
        Cancel();
        return;
    }
    if (IsEmpty() || m_cur < 0) raise(u"Cannot perform this operation on an empty dataset"_s);
    Cancel();
    finishSnapshot();
    const qint64 rowid = m_ids[m_cur];
    const auto remove = [&] {
        Connection* w = m_db->writer();
        Transaction tx(w);
        AuditTrail audit(w, *m_query.table, rowid, AuditWrite::Delete);
        Statement st(w, u"DELETE FROM %1 WHERE %2=?"_s.arg(quoted(m_query.table->name), quoted(m_query.table->keyName())));
        st.bind(1, rowid);
        st.step();
        audit.record();
        tx.commit();
    };
    try {
        try {
            remove();
        } catch (const Error& e) {
            if (e.code() != kConnectionLost) throw;
            remove();  // never committed: once more on a new connection
        }
    } catch (const Error& e) {
        raiseStore(e);
    }
    // Rows after it move up one: their cached copies no longer match their ids and are read again.
    const int removed = m_cur;
    m_ids.removeAt(removed);
    if (removed < m_shown) --m_shown;
    m_cur = qMin(m_cur, int(m_ids.size()) - 1);
    m_eof = m_ids.isEmpty();
    emit rowRemoved(removed);
    emit currentChanged(m_cur);
    // Other lists drop their copy of it: it reads back empty there until they are reopened.
    m_db->RowWritten(m_query.table->name, rowid);
}

bool WalkToCode(TDataset* dataset, const QString& field, qint32 code)
{
    for (dataset->First(); !dataset->Eof(); dataset->Next())
        if (dataset->FieldByName(field).AsInteger() == code) return true;
    return false;
}

// ---- TADOTable / TADOQuery ----

TADOTable::TADOTable(Database* db, const QString& name, const QString& table, const QString& indexFields,
                     QObject* parent)
    : TDataset(db, name, true, parent), TableName(table), IndexFieldNames(indexFields)
{
}

QString TADOTable::selectText() const
{
    QString text = u"select * from "_s + TableName;
    if (!IndexFieldNames.isEmpty()) text += u" order by "_s + QString(IndexFieldNames).replace(u';', u',');
    return text;
}

TADOQuery::TADOQuery(Database* db, const QString& name, const QStringList& lines, QObject* parent)
    : TDataset(db, name, false, parent)
{
    SQL.setLines(lines);
}

bool LocateStored(TDataset* dataset, const QString& keyFields, const QVariantList& values)
{
    if (dataset->Locate(keyFields, values)) return true;
    dataset->Reopen();
    return dataset->Locate(keyFields, values);
}

}  // namespace agency
