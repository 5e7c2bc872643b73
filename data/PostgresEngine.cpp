#include "data/PostgresEngine.h"

#include "data/Database.h"
#include "data/Errors.h"

#include <QAtomicInteger>

#include <libpq-fe.h>
#include <sqlite3.h>

using namespace Qt::StringLiterals;

namespace agency {

namespace {

// The program's SQL as the server takes it. Its parameters, marked ?, become $1, $2. Its names are
// the file's names in lower case, as the server folds a name left unquoted, so that SQL naming a
// column as the file does (Service_time, "Service_time") finds it on either engine; the collation
// "C" keeps its name. Quoted text is left as it is.
QByteArray serverSql(const QString& sql, int* count)
{
    QString out;
    out.reserve(sql.size() + 16);
    QChar quote;
    qsizetype name = -1;  // where the quoted name being read began
    if (count) *count = 0;
    for (const QChar c : sql) {
        if (!quote.isNull()) {
            if (c == quote) {
                if (quote == u'"' && QStringView(out).mid(name) != u"C"_s)
                    out.replace(name, out.size() - name, out.mid(name).toLower());
                quote = QChar();
            }
        } else if (c == u'\'' || c == u'"') {
            quote = c;
            name = out.size() + 1;
        } else if (c == u'?' && count) {
            out += u'$' + QString::number(++*count);
            continue;
        }
        out += c;
    }
    return out.toUtf8();
}

// The server's refusals in the file engine's result codes, which the program already answers.
int codeOf(const char* state)
{
    const QByteArray s(state ? state : "");
    if (s == "23505") return SQLITE_CONSTRAINT_UNIQUE;
    if (s == "23514") return SQLITE_CONSTRAINT_CHECK;
    if (s == "23502") return SQLITE_CONSTRAINT_NOTNULL;
    if (s == "55P03" || s == "40P01" || s == "40001") return SQLITE_BUSY;
    if (s == "53100") return SQLITE_FULL;
    if (s == "57014") return SQLITE_INTERRUPT;
    if (s == "42501") return SQLITE_PERM;
    if (s.startsWith("08") || s == "57P01" || s == "57P02" || s == "57P03") return kConnectionLost;
    return SQLITE_ERROR;
}

class PostgresConnection;

class PostgresStatement final : public StatementEngine {
public:
    PostgresStatement(PostgresConnection* link, const QString& sql, bool stream);
    ~PostgresStatement() override { clear(); }

    void bind(int index, const QVariant& value) override
    {
        if (index < 1 || index > m_params.size()) throw Error(u"شماره پارامتر نادرست است: %1"_s.arg(index));
        m_params[index - 1] = value;
    }
    bool step() override;
    void reset() override
    {
        clear();
        m_params.fill(QVariant());
    }
    int columnCount() const override { return m_result ? PQnfields(m_result) : 0; }
    QVariant column(int index) const override;
    qint64 columnInt(int index) const override
    {
        if (!m_result || PQgetisnull(m_result, m_row, index)) return 0;
        return QByteArray(PQgetvalue(m_result, m_row, index)).split('.').first().toLongLong();
    }

private:
    void clear();
    PGresult* run(const QByteArray& sql, bool withParameters);

    PostgresConnection* m_link;
    QByteArray m_sql;
    QVector<QVariant> m_params;
    bool m_stream;  // read through a cursor, a few hundred rows a fetch
    QByteArray m_cursor;
    PGresult* m_result = nullptr;
    int m_row = -1;
    bool m_done = false;
};

class PostgresConnection final : public Connection {
public:
    explicit PostgresConnection(const QString& uri) : m_uri(uri.toUtf8())
    {
        m_conn = PQconnectdb(m_uri.constData());
        if (PQstatus(m_conn) != CONNECTION_OK) {
            const QString why = QString::fromUtf8(PQerrorMessage(m_conn)).trimmed();
            PQfinish(m_conn);
            m_conn = nullptr;
            throw Error(u"به سرور پايگاه داده وصل نشد: "_s + why, kConnectionLost);
        }
        configure();
    }
    ~PostgresConnection() override { PQfinish(m_conn); }

    Engine engine() const override { return Engine::Server; }
    std::unique_ptr<StatementEngine> prepare(const QString& sql) override
    {
        return std::make_unique<PostgresStatement>(this, sql, false);
    }
    std::unique_ptr<StatementEngine> prepareStream(const QString& sql) override
    {
        return std::make_unique<PostgresStatement>(this, sql, true);
    }
    std::unique_ptr<RowLoader> load(const QString& table, const QStringList& columns) override;
    void exec(const QString& sql) override { PQclear(check(PQexec(live(), serverSql(sql, nullptr).constData()))); }
    void begin(bool) override { exec(u"BEGIN"_s); }
    void beginSnapshot() override { exec(u"BEGIN ISOLATION LEVEL REPEATABLE READ; SELECT 1"_s); }
    void commit() override { exec(u"COMMIT"_s); }
    void rollback() noexcept override
    {
        if (m_conn && PQstatus(m_conn) == CONNECTION_OK && inTransaction()) PQclear(PQexec(m_conn, "ROLLBACK"));
    }
    bool inTransaction() const override
    {
        const PGTransactionStatusType s = PQtransactionStatus(m_conn);
        return s == PQTRANS_INTRANS || s == PQTRANS_INERROR || s == PQTRANS_ACTIVE;
    }
    void interrupt() noexcept override
    {
        if (PGcancel* cancel = PQgetCancel(m_conn)) {
            char buffer[256];
            PQcancel(cancel, buffer, sizeof buffer);
            PQfreeCancel(cancel);
        }
    }

    // The connection, reconnected first when the server dropped it: the next action after a
    // restart of the server works again.
    PGconn* live()
    {
        if (PQstatus(m_conn) != CONNECTION_OK) {
            PQreset(m_conn);
            if (PQstatus(m_conn) != CONNECTION_OK)
                throw Error(u"به سرور پايگاه داده وصل نشد: "_s + QString::fromUtf8(PQerrorMessage(m_conn)).trimmed(),
                            kConnectionLost);
            configure();
        }
        return m_conn;
    }

    // Raises the server's refusal in the result, or returns it.
    PGresult* check(PGresult* r)
    {
        const ExecStatusType s = r ? PQresultStatus(r) : PGRES_FATAL_ERROR;
        if (s == PGRES_COMMAND_OK || s == PGRES_TUPLES_OK || s == PGRES_EMPTY_QUERY) return r;
        const QString text = QString::fromUtf8(r ? PQresultErrorMessage(r) : PQerrorMessage(m_conn)).trimmed();
        const int code = PQstatus(m_conn) != CONNECTION_OK
                             ? kConnectionLost
                             : codeOf(r ? PQresultErrorField(r, PG_DIAG_SQLSTATE) : nullptr);
        PQclear(r);
        if (code == kConnectionLost) throw Error(engineFailureText(kConnectionLost, 0, QString()), code);
        if (code == SQLITE_PERM) throw Error(u"نقش اين برنامه روي سرور اجازه اين كار را ندارد: "_s + text, code);
        throw Error(text, code);
    }

    PGconn* handle() const { return m_conn; }
    QByteArray nextCursor() { return "agency_cursor_" + QByteArray::number(++m_cursors); }

private:
    void configure()
    {
        PQsetClientEncoding(m_conn, "UTF8");
        PQsetNoticeProcessor(m_conn, [](void*, const char*) {}, nullptr);  // the server's remarks are no errors
        // A row another desk holds is waited for as long as a file's lock is, then refused.
        PQclear(check(PQexec(m_conn, "SET lock_timeout = '3s'; SET application_name = 'agency'")));
        // A list's cursor over ten million rows is costed past the compiler's threshold, and loading
        // the compiler took each new connection 15 ms of the program's start for rows read in
        // pages of a thousand. A server without the setting refuses it alone; nothing else is lost.
        PQclear(PQexec(m_conn, "SET jit = off"));
    }

    QByteArray m_uri;
    PGconn* m_conn = nullptr;
    quint64 m_cursors = 0;
};

// Rows sent as COPY's text: one round trip for many thousand rows rather than one a row.
class CopyLoader final : public RowLoader {
public:
    CopyLoader(PostgresConnection* link, const QString& table, const QStringList& columns) : m_link(link)
    {
        const QString sql = u"COPY \"%1\" (%2) FROM STDIN"_s.arg(table, quotedNames(columns));
        PGresult* r = PQexec(m_link->live(), serverSql(sql, nullptr).constData());
        if (PQresultStatus(r) != PGRES_COPY_IN) m_link->check(r);
        PQclear(r);
        m_open = true;
    }
    ~CopyLoader() override
    {
        PGconn* conn = m_link->handle();
        if (!m_open || PQstatus(conn) != CONNECTION_OK) return;
        PQputCopyEnd(conn, "abandoned");
        while (PGresult* r = PQgetResult(conn)) PQclear(r);
    }
    void add(const QVariantList& row) override
    {
        for (int i = 0; i < row.size(); ++i) {
            if (i) m_buffer += '\t';
            const QVariant& v = row[i];
            if (v.isNull()) m_buffer += "\\N";
            else if (v.typeId() == QMetaType::Double) m_buffer += QByteArray::number(v.toDouble(), 'g', 17);
            else if (v.typeId() != QMetaType::QString) m_buffer += QByteArray::number(v.toLongLong());
            else
                for (const char c : v.toString().toUtf8()) {
                    switch (c) {
                    case '\\': m_buffer += "\\\\"; break;
                    case '\t': m_buffer += "\\t"; break;
                    case '\n': m_buffer += "\\n"; break;
                    case '\r': m_buffer += "\\r"; break;
                    default: m_buffer += c;
                    }
                }
        }
        m_buffer += '\n';
        if (m_buffer.size() >= 1 << 18) send();
    }
    void finish() override
    {
        send();
        m_open = false;
        if (PQputCopyEnd(m_link->live(), nullptr) != 1) PQclear(m_link->check(nullptr));
        PGresult* last = nullptr;
        while (PGresult* r = PQgetResult(m_link->live())) {
            PQclear(last);
            last = r;
        }
        PQclear(m_link->check(last));
    }

private:
    void send()
    {
        if (!m_buffer.isEmpty() && PQputCopyData(m_link->live(), m_buffer.constData(), int(m_buffer.size())) != 1)
            PQclear(m_link->check(nullptr));
        m_buffer.clear();
    }

    PostgresConnection* m_link;
    QByteArray m_buffer;
    bool m_open = false;
};

std::unique_ptr<RowLoader> PostgresConnection::load(const QString& table, const QStringList& columns)
{
    return std::make_unique<CopyLoader>(this, table, columns);
}

PostgresStatement::PostgresStatement(PostgresConnection* link, const QString& sql, bool stream)
    : m_link(link), m_stream(stream)
{
    int count = 0;
    m_sql = serverSql(sql, &count);
    m_params.resize(count);
}

void PostgresStatement::clear()
{
    PQclear(std::exchange(m_result, nullptr));
    m_row = -1;
    m_done = false;
    if (!m_cursor.isEmpty()) {
        // A cursor ends with its transaction; one still open is closed.
        if (m_link->inTransaction()) PQclear(PQexec(m_link->live(), "CLOSE " + m_cursor));
        m_cursor.clear();
    }
}

PGresult* PostgresStatement::run(const QByteArray& sql, bool withParameters)
{
    QVector<QByteArray> values(withParameters ? m_params.size() : 0);
    QVector<const char*> pointers(values.size(), nullptr);
    for (int i = 0; i < values.size(); ++i) {
        const QVariant& v = m_params[i];
        if (v.isNull()) continue;
        values[i] = v.typeId() == QMetaType::QString ? v.toString().toUtf8()
                    : v.typeId() == QMetaType::Double ? QByteArray::number(v.toDouble(), 'g', 17)
                                                       : QByteArray::number(v.toLongLong());
        pointers[i] = values[i].constData();
    }
    return m_link->check(PQexecParams(m_link->live(), sql.constData(), int(values.size()), nullptr,
                                      pointers.constData(), nullptr, nullptr, 0));
}

bool PostgresStatement::step()
{
    constexpr int kFetch = 1000;
    if (m_result && ++m_row < PQntuples(m_result)) return true;
    if (m_done) return false;
    // A result in the middle of a cursor's reading goes; the next fetch takes its place.
    PQclear(std::exchange(m_result, nullptr));
    m_row = 0;
    try {
        if (m_stream && m_link->inTransaction()) {
            if (m_cursor.isEmpty()) {
                m_cursor = m_link->nextCursor();
                PQclear(run("DECLARE " + m_cursor + " NO SCROLL CURSOR FOR " + m_sql, true));
            }
            m_result = run("FETCH " + QByteArray::number(kFetch) + " FROM " + m_cursor, false);
            m_done = PQntuples(m_result) < kFetch;
        } else {
            m_result = run(m_sql, true);
            m_done = true;
        }
    } catch (...) {
        m_done = true;
        throw;
    }
    return PQntuples(m_result) > 0;
}

QVariant PostgresStatement::column(int index) const
{
    if (!m_result || m_row < 0 || index < 0 || index >= PQnfields(m_result) || PQgetisnull(m_result, m_row, index))
        return QVariant();
    const char* text = PQgetvalue(m_result, m_row, index);
    switch (PQftype(m_result, index)) {
        case 20:  // bigint
        case 21:  // smallint
        case 23:  // integer
        case 26:  // oid
            return QVariant(QByteArray(text).toLongLong());
        case 16:  // boolean
            return QVariant(qint64(text[0] == 't' ? 1 : 0));
        case 1700: {  // numeric: a sum of whole numbers stays whole
            const QByteArray n(text);
            const qsizetype dot = n.indexOf('.');
            bool whole = dot < 0;
            if (!whole) {
                whole = true;
                for (qsizetype i = dot + 1; whole && i < n.size(); ++i) whole = n[i] == '0';
            }
            if (whole) return QVariant(n.left(dot < 0 ? n.size() : dot).toLongLong());
            return QVariant(n.toDouble());
        }
        case 700:  // real
        case 701:  // double precision
            return QVariant(QByteArray(text).toDouble());
        default:
            return QVariant(QString::fromUtf8(text, PQgetlength(m_result, m_row, index)));
    }
}

// The version row of a database on a server: its application id and schema version.
}  // namespace

std::unique_ptr<Connection> openServer(const QString& uri)
{
    return std::make_unique<PostgresConnection>(uri);
}

}  // namespace agency
