#include "data/PostgresEngine.h"

#include "data/Errors.h"

#include <QCoreApplication>
#include <QScopeGuard>
#include <QThread>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <poll.h>
#include <thread>

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

// ---- Deadlines, waiting and the desk's words ----

std::atomic<int> g_callMs{5000};
std::atomic<int> g_connectMs{4000};
std::atomic<bool> g_unanswered{false};
// After a call went unanswered, calls fail at once for a moment: a repaint or a second list must
// not make the desk wait a whole deadline again before it has read the message.
std::atomic<qint64> g_quietUntil{0};
constexpr qint64 kQuietMs = 1500;
// Calls waiting below on this thread's stack, inside the events they let run.
thread_local int t_waiting = 0;

qint64 nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

qint64 deadlineIn(int ms)
{
    return ms > 0 ? nowMs() + ms : 0;
}

bool onWindowThread()
{
    const QCoreApplication* app = QCoreApplication::instance();
    return app && app->thread() == QThread::currentThread();
}

// Lets timers and repaints run, not the desk's keys: they wait in the queue for their turn.
void letEventsRun()
{
    ++t_waiting;
    const auto done = qScopeGuard([] { --t_waiting; });
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

// Waits until the socket is ready (true) or until (0: never) passes (false). On the window's
// thread the events run every few dozen milliseconds meanwhile; a quick answer never lets them.
bool waitSocket(int fd, bool forWrite, qint64 until)
{
    constexpr int kSliceMs = 25;
    const bool events = onWindowThread();
    for (;;) {
        int timeout = -1;
        if (until) {
            const qint64 left = until - nowMs();
            if (left <= 0) return false;
            timeout = int(qMin<qint64>(left, INT_MAX));
        }
        if (events) timeout = timeout < 0 ? kSliceMs : qMin(timeout, kSliceMs);
        pollfd p{fd, short(forWrite ? POLLOUT : POLLIN), 0};
        const int r = ::poll(&p, 1, timeout);
        if (r > 0 || (r < 0 && errno != EINTR)) return true;  // ready, or a fault libpq will name
        if (r == 0 && events) letEventsRun();
    }
}

// A pause between two tries that leaves the window answering.
void pause(int ms)
{
    const qint64 until = nowMs() + ms;
    while (nowMs() < until) {
        if (onWindowThread()) letEventsRun();
        QThread::msleep(10);
    }
}

// A run of left-to-right text inside a right-to-left line, kept in its own order.
QString isolated(const QString& text)
{
    return QChar(0x2066) + text + QChar(0x2069);
}

const QString& noAnswerText()
{
    static const QString text = u"سرور پايگاه داده پاسخ نمي دهد؛ ارتباط شبكه و سرور را بررسي كنيد"_s;
    return text;
}

const QString& lostText()
{
    static const QString text = u"ارتباط با سرور پايگاه داده قطع شد؛ ارتباط شبكه و سرور را بررسي كنيد"_s;
    return text;
}

QString unknownText()
{
    return u"پاسخ ثبت از سرور نرسيد و هنوز معلوم نيست ثبت شد يا نه. وقتي سرور پاسخ دهد، ثبت دوباره همين مورد "
           u"پيش از هر كار آن را بررسي مي كند و آن را دو بار ثبت نمي كند."_s;
}

// Why a connection could not be made, from libpq's text: what the desk should check, then
// libpq's own words on a line of their own. transient: the server is there and may answer soon.
Error connectFailure(const QString& libpq, bool timedOut, bool* transient = nullptr)
{
    struct Cause {
        const char* needle;
        const char16_t* sentence;
        int code;
        bool transient;
    };
    static const Cause causes[] = {
        {"password authentication failed", u"سرور گذرواژه اين ميز را نپذيرفت؛ گذرواژه نقش را در ~/.pgpass اين ميز بررسي كنيد",
         kRefused, false},
        {"no password supplied", u"سرور گذرواژه مي خواهد و اين ميز گذرواژه اي ندارد؛ آن را در ~/.pgpass بنويسيد",
         kRefused, false},
        {"role \"", u"سرور نقشي به اين نام ندارد؛ نام نقش را در نشاني پايگاه داده بررسي كنيد", kRefused, false},
        {"pg_hba.conf", u"قواعد سرور (pg_hba.conf) اين ميز را راه نمي دهند؛ مدير سرور بايد اين ميز را در آنها بيفزايد",
         kRefused, false},
        {"database \"", u"پايگاه داده اي به اين نام روي سرور نيست؛ نام پايگاه داده را در نشاني بررسي كنيد", kRefused,
         false},
        {"starting up", u"سرور پايگاه داده در حال روشن شدن است؛ چند لحظه ديگر دوباره بكوشيد", kConnectionLost, true},
        {"shutting down", u"سرور پايگاه داده در حال خاموش شدن است؛ چند لحظه ديگر دوباره بكوشيد", kConnectionLost,
         true},
        {"not yet accepting connections", u"سرور پايگاه داده هنوز آماده نيست؛ چند لحظه ديگر دوباره بكوشيد",
         kConnectionLost, true},
        {"too many clients", u"سرور پايگاه داده بيش از اين ميز نمي پذيرد؛ مدير سرور بايد max_connections را بيشتر كند",
         kRefused, false},
        {"Connection refused", u"سروري در اين نشاني پيدا نشد يا سرور روشن نيست؛ نشاني سرور و روشن بودن آن را بررسي كنيد",
         kConnectionLost, true},
        {"No such file or directory",
         u"سروري در اين نشاني پيدا نشد يا سرور روشن نيست؛ نشاني سرور و روشن بودن آن را بررسي كنيد", kConnectionLost,
         true},
        {"could not translate host name", u"نام سرور پايگاه داده در شبكه پيدا نشد؛ نشاني سرور را بررسي كنيد",
         kConnectionLost, false},
        {"No route to host", u"شبكه به سرور پايگاه داده راه ندارد؛ ارتباط شبكه را بررسي كنيد", kConnectionLost, false},
        {"Network is unreachable", u"شبكه به سرور پايگاه داده راه ندارد؛ ارتباط شبكه را بررسي كنيد", kConnectionLost,
         false},
        {"timeout expired", nullptr, kNoAnswer, false},
    };
    QString sentence;
    int code = kConnectionLost;
    bool soon = false;
    if (timedOut) {
        sentence = noAnswerText();
        code = kNoAnswer;
    }
    for (const Cause& c : causes) {
        if (!sentence.isEmpty()) break;
        if (!libpq.contains(QLatin1String(c.needle), Qt::CaseInsensitive)) continue;
        sentence = c.sentence ? QString::fromUtf16(c.sentence) : noAnswerText();
        code = c.code;
        soon = c.transient;
    }
    if (transient) *transient = soon;
    QString text = u"به سرور پايگاه داده وصل نشد"_s;
    if (!sentence.isEmpty()) text += u": "_s + sentence;
    if (!libpq.isEmpty()) text += u'\n' + isolated(libpq.simplified());
    return Error(text, code);
}

// A query's text that only reads, which runs once more on a new connection when its own dropped.
bool onlyReads(const QByteArray& sql)
{
    qsizetype i = 0;
    while (i < sql.size() && (sql[i] == ' ' || sql[i] == '\n' || sql[i] == '(')) ++i;
    const QByteArray head = sql.mid(i, 6).toLower();
    return head.startsWith("select") || head.startsWith("with ");
}

// The text of a parameter as the server reads it.
QByteArray parameterText(const QVariant& v)
{
    return v.typeId() == QMetaType::QString   ? v.toString().toUtf8()
           : v.typeId() == QMetaType::Double ? QByteArray::number(v.toDouble(), 'g', 17)
                                              : QByteArray::number(v.toLongLong());
}

// The results of one round trip, cleared with it.
struct Results {
    QVector<PGresult*> list;
    Results() = default;
    Results(Results&& other) noexcept : list(std::exchange(other.list, {})) {}
    Results& operator=(Results&&) = delete;
    ~Results()
    {
        for (PGresult* r : list) PQclear(r);
    }
    // The last rows among them, else the last result; the caller's to clear.
    PGresult* take()
    {
        qsizetype at = list.size() - 1;
        for (qsizetype i = list.size() - 1; i >= 0; --i)
            if (PQresultStatus(list[i]) == PGRES_TUPLES_OK) {
                at = i;
                break;
            }
        return at < 0 ? nullptr : list.takeAt(at);
    }
};

// What a round trip sends: an extended statement with its parameters, or a simple query's text.
struct Request {
    QByteArray sql;
    const QVector<QVariant>* params = nullptr;  // null: the simple protocol, several statements allowed
};

// ---- The connection ----

class PostgresConnection final : public Connection {
public:
    PostgresConnection(const QString& uri, bool connectNow, bool bounded = true) : m_uri(uri.toUtf8()), m_bounded(bounded)
    {
        if (connectNow) connect(false);
    }
    ~PostgresConnection() override { drop(); }

    Engine engine() const override { return Engine::Server; }
    std::unique_ptr<StatementEngine> prepare(const QString& sql) override;
    std::unique_ptr<StatementEngine> prepareStream(const QString& sql) override;
    std::unique_ptr<RowLoader> load(const QString& table, const QStringList& columns) override;
    void exec(const QString& sql) override { Results r = call({serverSql(sql, nullptr)}, false); }
    void begin(bool write) override
    {
        if (write) settleFirst();
        m_beginPending = true;
        m_write = write;
        m_isolation = "READ COMMITTED";
    }
    void beginSnapshot() override
    {
        m_beginPending = true;
        m_write = false;
        m_isolation = "REPEATABLE READ";
        Results r = call({"SELECT 1"}, true);  // the snapshot is taken now
    }
    void commit() override;
    void rollback() noexcept override;
    bool inTransaction() const override { return m_beginPending || m_open || m_txLost; }
    void interrupt() noexcept override
    {
        if (m_conn) cancelLater(m_conn);
    }
    CommitOutcome resolveUnanswered() override;

    // One round trip of this connection's work; its results.
    Results call(const Request& request, bool reads);

    // Lists' snapshots share this connection's read transaction: it begins with the first of them
    // and ends with the last.
    void share()
    {
        if (m_sharers++ == 0) begin(false);
    }
    void unshare() noexcept
    {
        if (--m_sharers == 0) rollback();
    }
    bool shared() const { return m_sharers > 0; }
    quint64 generation() const { return m_generation; }
    QByteArray nextCursor() { return "agency_cursor_" + QByteArray::number(++m_cursors); }
    // A cursor no longer read is closed with the next query rather than by a round trip of its own.
    void closeLater(const QByteArray& cursor) { m_toClose << cursor; }
    // Declares a cursor and fetches its first rows, or fetches more, in one round trip; a failure of
    // either leaves the transaction, and the other lists' cursors in it, as they were.
    PGresult* cursorStep(const QByteArray& cursor, const QByteArray& declare, int rows);

    // The connection, made again when it dropped; raises the reason when it cannot be.
    PGconn* live();
    // Rows for a COPY that call() began: sent as they come, then its end, whose refusal is raised;
    // abandoned: the reason it ends without its rows.
    void copyData(const QByteArray& data);
    void copyEnd(const char* abandoned);
    [[noreturn]] void lost();
    [[noreturn]] void unanswered(PGconn* c);
    [[noreturn]] void fail(const Error& cause);

private:
    void connect(bool again);
    void drop() noexcept;
    PGconn* current();  // the connection as it stands, not made again: what was in hand needs it
    void flush(PGconn* c, qint64 until);
    Results roundTrip(const Request& request, bool begin, bool* sent);
    void settleFirst();
    CommitOutcome settle();
    static void cancelLater(PGconn* c) noexcept;
    QByteArray beginText() const
    {
        return "BEGIN ISOLATION LEVEL " + m_isolation + (m_write ? "" : " READ ONLY");
    }

    int callMs() const { return m_bounded ? g_callMs.load() : 0; }

    QByteArray m_uri;
    bool m_bounded;  // its calls have the deadline; an administrator's wait as long as they take
    PGconn* m_conn = nullptr;
    int m_pid = 0;
    bool m_inCall = false;
    bool m_beginPending = false;  // begun, not yet sent: it goes out with the first statement
    bool m_open = false;          // a transaction the server began
    bool m_txLost = false;        // its connection dropped: every call fails until its rollback
    bool m_write = false;
    QByteArray m_isolation = "READ COMMITTED";
    QByteArray m_xid;  // the write transaction's id, by which an unanswered commit is settled
    struct {
        QByteArray xid;
        int pid = 0;
    } m_unresolved;
    CommitOutcome m_settled = CommitOutcome::None;  // settled before a write began, not yet asked for
    int m_sharers = 0;
    quint64 m_generation = 0;  // connections made; a cursor of an earlier one is gone
    quint64 m_cursors = 0;
    QByteArrayList m_toClose;
};

void PostgresConnection::connect(bool again)
{
    drop();
    // Ours come first, so that the address may set its own.
    const QByteArray options = "-c lock_timeout=3s -c jit=off";
    const QByteArray connectSeconds = QByteArray::number(qMax(2, (g_connectMs.load() + 999) / 1000));
    const char* keys[] = {"connect_timeout", "keepalives",     "keepalives_idle", "keepalives_interval",
                          "keepalives_count", "tcp_user_timeout", "application_name", "client_encoding",
                          "options",          "dbname",          nullptr};
    const char* values[] = {connectSeconds.constData(), "1", "10", "3", "3", "10000", "agency", "UTF8",
                            options.constData(), m_uri.constData(), nullptr};
    const qint64 until = deadlineIn(g_connectMs);
    for (;;) {
        PGconn* c = PQconnectStartParams(keys, values, 1);
        bool timedOut = false;
        if (c && PQstatus(c) != CONNECTION_BAD) {
            PostgresPollingStatusType st = PGRES_POLLING_WRITING;
            while (st != PGRES_POLLING_OK && st != PGRES_POLLING_FAILED) {
                if (!waitSocket(PQsocket(c), st == PGRES_POLLING_WRITING, until)) {
                    timedOut = true;
                    break;
                }
                st = PQconnectPoll(c);
            }
            if (!timedOut && st == PGRES_POLLING_OK) {
                PQsetnonblocking(c, 1);
                PQsetNoticeProcessor(c, [](void*, const char*) {}, nullptr);  // the server's remarks are no errors
                m_conn = c;
                m_pid = PQbackendPID(c);
                ++m_generation;
                m_open = false;
                // The lists' snapshots begin again on the new connection.
                m_beginPending = m_sharers > 0;
                m_toClose.clear();
                g_unanswered = false;
                g_quietUntil = 0;
                return;
            }
        }
        const QString why = c ? QString::fromUtf8(PQerrorMessage(c)).trimmed() : QString();
        PQfinish(c);
        bool transient = false;
        Error e = connectFailure(why, timedOut, &transient);
        if (e.code() == kNoAnswer) {
            g_unanswered = true;
            g_quietUntil = nowMs() + kQuietMs;
        }
        // A server that was there and is restarting is waited for, within the bound.
        if (!again || !transient || !until || nowMs() + 200 >= until) throw e;
        pause(200);
    }
}

void PostgresConnection::drop() noexcept
{
    if (m_conn) PQfinish(m_conn);
    m_conn = nullptr;
}

// PQcancel waits for the server to hear it, which a hung server never does: another thread asks.
void PostgresConnection::cancelLater(PGconn* c) noexcept
{
    if (PGcancel* cancel = PQgetCancel(c)) try {
            std::thread([cancel] {
                char buffer[256];
                PQcancel(cancel, buffer, sizeof buffer);
                PQfreeCancel(cancel);
            }).detach();
        } catch (...) {
            PQfreeCancel(cancel);
        }
}

PGconn* PostgresConnection::live()
{
    if (!m_conn || PQstatus(m_conn) != CONNECTION_OK) {
        const bool again = m_generation > 0;
        try {
            connect(again);
        } catch (const Error& e) {
            fail(e);
        }
    }
    return m_conn;
}

void PostgresConnection::lost()
{
    drop();
    fail(Error(lostText(), kConnectionLost));
}

void PostgresConnection::unanswered(PGconn* c)
{
    cancelLater(c);
    drop();
    g_unanswered = true;
    g_quietUntil = nowMs() + kQuietMs;
    fail(Error(noAnswerText(), kNoAnswer));
}

void PostgresConnection::fail(const Error& cause)
{
    // A failure inside a transaction of its own ends that transaction: nothing more runs in it.
    if (m_open && !shared()) m_txLost = true;
    m_open = false;
    if (shared()) m_beginPending = true;
    const QString what = m_write ? linkStoreLine() : linkReadLine();
    throw Error(what + u'\n' + cause.text(), cause.code());
}

void PostgresConnection::flush(PGconn* c, qint64 until)
{
    for (;;) {
        const int f = PQflush(c);
        if (f == 0) return;
        if (f < 0) lost();
        if (!waitSocket(PQsocket(c), true, until)) unanswered(c);
    }
}

Results PostgresConnection::roundTrip(const Request& request, bool begin, bool* sent)
{
    *sent = false;
    PGconn* c = live();
    const qint64 until = deadlineIn(callMs());
    QVector<QByteArray> texts;
    QVector<const char*> values;
    if (request.params) {
        for (const QVariant& v : *request.params) texts << (v.isNull() ? QByteArray() : parameterText(v));
        for (qsizetype i = 0; i < texts.size(); ++i)
            values << (request.params->at(i).isNull() ? nullptr : texts[i].constData());
    }
    const auto sendParams = [&](const QByteArray& sql, int n, const char* const* v) {
        return PQsendQueryParams(c, sql.constData(), n, nullptr, v, nullptr, nullptr, 0) == 1;
    };
    // A transaction begun goes out with its first statement: a simple query's text after it, an
    // extended one in the same pipeline.
    const bool pipeline = begin && request.params;
    bool ok = false;
    if (!request.params) {
        QByteArray text;
        if (begin) text = beginText() + (m_write ? "; SELECT pg_current_xact_id(); " : "; ");
        if (!m_toClose.isEmpty() && m_open) text += "CLOSE " + m_toClose.join("; CLOSE ") + "; ";
        m_toClose.clear();
        ok = PQsendQuery(c, (text + request.sql).constData()) == 1;
    } else if (pipeline) {
        ok = PQenterPipelineMode(c) == 1 && sendParams(beginText(), 0, nullptr) &&
             (!m_write || sendParams("SELECT pg_current_xact_id()", 0, nullptr)) &&
             sendParams(request.sql, int(values.size()), values.constData()) && PQpipelineSync(c) == 1;
    } else {
        ok = sendParams(request.sql, int(values.size()), values.constData());
    }
    if (!ok) lost();
    *sent = true;
    flush(c, until);
    Results out;
    for (bool done = false; !done;) {
        if (!PQconsumeInput(c)) lost();
        while (!done && !PQisBusy(c)) {
            PGresult* r = PQgetResult(c);
            if (!r) {
                done = !pipeline;  // in a pipeline, the end of one of its statements
                continue;
            }
            const ExecStatusType s = PQresultStatus(r);
            if (s == PGRES_PIPELINE_SYNC) {
                PQclear(r);
                done = true;
                break;
            }
            out.list << r;
            done = s == PGRES_COPY_IN || s == PGRES_COPY_OUT;
        }
        if (!done && !waitSocket(PQsocket(c), false, until)) unanswered(c);
    }
    if (pipeline) PQexitPipelineMode(c);
    for (PGresult* r : out.list) {
        const QByteArray state(PQresultErrorField(r, PG_DIAG_SQLSTATE));
        if (codeOf(state.constData()) == kConnectionLost) lost();
    }
    if (PQstatus(c) != CONNECTION_OK) lost();
    g_unanswered = false;
    g_quietUntil = 0;
    return out;
}

// The first refusal among the results is the statement's; what came after it did not run.
void raiseRefusal(const Results& r)
{
    for (PGresult* res : r.list) {
        const ExecStatusType s = PQresultStatus(res);
        if (s != PGRES_FATAL_ERROR && s != PGRES_NONFATAL_ERROR && s != PGRES_BAD_RESPONSE) continue;
        const QString text = QString::fromUtf8(PQresultErrorMessage(res)).trimmed();
        const int code = codeOf(PQresultErrorField(res, PG_DIAG_SQLSTATE));
        if (code == SQLITE_PERM) throw Error(u"نقش اين برنامه روي سرور اجازه اين كار را ندارد: "_s + text, code);
        throw Error(text, code);
    }
}

Results PostgresConnection::call(const Request& request, bool reads)
{
    if (t_waiting > 0) throw Error(u"پايگاه داده هنوز پاسخ كار پيشين را نداده است"_s, kBusy);
    if (m_txLost) fail(Error(lostText(), kConnectionLost));
    if (m_bounded && nowMs() < g_quietUntil) fail(Error(noAnswerText(), kNoAnswer));
    m_inCall = true;
    const auto done = qScopeGuard([this] { m_inCall = false; });
    for (int attempt = 0;; ++attempt) {
        const bool begin = m_beginPending;
        // Nothing of a read, or of a transaction not yet begun, is lost with its connection.
        const bool again = attempt == 0 && (begin || (!m_open && reads));
        bool sent = false;
        try {
            Results r = roundTrip(request, begin, &sent);
            if (begin) {
                // The begin's own results come first: BEGIN, and the transaction's id when it writes.
                m_beginPending = false;
                if (!r.list.isEmpty() && PQresultStatus(r.list[0]) == PGRES_COMMAND_OK) {
                    m_open = true;
                    PQclear(r.list.takeFirst());
                    if (m_write && !r.list.isEmpty() && PQresultStatus(r.list[0]) == PGRES_TUPLES_OK) {
                        m_xid = QByteArray(PQgetvalue(r.list[0], 0, 0));
                        PQclear(r.list.takeFirst());
                    }
                }
            }
            raiseRefusal(r);
            return r;
        } catch (const Error& e) {
            if (e.code() == kConnectionLost && again) {
                m_txLost = false;
                m_beginPending = begin;
                continue;
            }
            throw;
        }
    }
}

PGresult* PostgresConnection::cursorStep(const QByteArray& cursor, const QByteArray& declare, int rows)
{
    QByteArray sql = "SAVEPOINT agency_step; ";
    if (!declare.isEmpty()) sql += "DECLARE " + cursor + " NO SCROLL CURSOR FOR " + declare + "; ";
    sql += "FETCH " + QByteArray::number(rows) + " FROM " + cursor + "; RELEASE agency_step";
    try {
        Results r = call({sql}, true);
        return r.take();
    } catch (const Error& e) {
        if (!isLinkFailure(e.code()) && m_conn && PQtransactionStatus(m_conn) == PQTRANS_INERROR) try {
                Results undo = call({"ROLLBACK TO SAVEPOINT agency_step; RELEASE agency_step"}, true);
            } catch (const Error&) {
            }
        throw;
    }
}

void PostgresConnection::settleFirst()
{
    if (m_unresolved.xid.isEmpty()) return;
    m_settled = resolveUnanswered();
}

CommitOutcome PostgresConnection::resolveUnanswered()
{
    if (m_settled != CommitOutcome::None) return std::exchange(m_settled, CommitOutcome::None);
    if (m_unresolved.xid.isEmpty()) return CommitOutcome::None;
    const CommitOutcome outcome = settle();
    if (outcome == CommitOutcome::None) throw Error(unknownText() + u'\n' + noAnswerText(), kCommitUnknown);
    return outcome;
}

CommitOutcome PostgresConnection::settle()
{
    const QByteArray xid = m_unresolved.xid;
    // The old session may still hold the transaction; it is ended first, recognised by the
    // transaction it holds, so that a process number used again since is left alone.
    const QByteArray low = QByteArray::number(xid.toULongLong() & 0xFFFFFFFFu);
    const QByteArray status = "SELECT pg_xact_status('" + xid + "'::xid8)";
    const QByteArray end = "SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE pid = " +
                           QByteArray::number(m_unresolved.pid) + " AND backend_xid::text = '" + low + "'";
    const qint64 until = nowMs() + qMax(1000, g_connectMs.load());
    try {
        for (;;) {
            Results r = call({status}, true);
            const QByteArray s = r.list.isEmpty() ? QByteArray() : QByteArray(PQgetvalue(r.list[0], 0, 0));
            if (s == "committed" || s == "aborted") {
                m_unresolved = {};
                return s == "committed" ? CommitOutcome::Committed : CommitOutcome::Aborted;
            }
            if (nowMs() >= until) return CommitOutcome::None;
            Results ended = call({end}, true);
            pause(50);
        }
    } catch (const Error&) {
        return CommitOutcome::None;
    }
}

void PostgresConnection::commit()
{
    const auto ended = qScopeGuard([this] {
        m_open = m_beginPending = m_txLost = false;
        m_write = false;
        m_xid.clear();
        m_toClose.clear();
    });
    if (m_beginPending && !m_txLost) return;  // nothing of it went to the server
    if (m_txLost || !m_conn || PQstatus(m_conn) != CONNECTION_OK) fail(Error(lostText(), kConnectionLost));
    if (t_waiting > 0) throw Error(u"پايگاه داده هنوز پاسخ كار پيشين را نداده است"_s, kBusy);
    const QByteArray xid = m_xid;
    bool sent = false;
    m_inCall = true;
    const auto done = qScopeGuard([this] { m_inCall = false; });
    try {
        Results r = roundTrip({"COMMIT"}, false, &sent);
        raiseRefusal(r);
    } catch (const Error& e) {
        // Refused by the server, or lost before it went out: it was not stored, for certain.
        if (!sent || !isLinkFailure(e.code()) || xid.isEmpty()) throw;
        m_unresolved = {xid, m_pid};
        m_inCall = false;
        m_open = m_txLost = false;  // the transaction is the old session's now, settled from a new one
        switch (settle()) {
            case CommitOutcome::Committed:
                return;
            case CommitOutcome::Aborted:
                throw Error(linkStoreLine() + u'\n' + lostText(), kConnectionLost);
            case CommitOutcome::None:
                break;
        }
        throw Error(unknownText() + u'\n' + noAnswerText(), kCommitUnknown);
    }
}

void PostgresConnection::rollback() noexcept
{
    const bool begun = m_open;
    m_open = m_beginPending = m_txLost = false;
    m_write = false;
    m_xid.clear();
    m_toClose.clear();
    // A connection waited on further up this thread's stack is not this rollback's to use.
    if (!begun || m_inCall || t_waiting > 0 || !m_conn || PQstatus(m_conn) != CONNECTION_OK) return;
    try {
        bool sent = false;
        Results r = roundTrip({"ROLLBACK"}, false, &sent);
    } catch (const Error&) {
    }
    m_open = false;
}

void PostgresConnection::copyData(const QByteArray& data)
{
    PGconn* c = current();
    const qint64 until = deadlineIn(callMs());
    for (;;) {
        const int r = PQputCopyData(c, data.constData(), int(data.size()));
        if (r == 1) break;
        if (r < 0) lost();
        if (!waitSocket(PQsocket(c), true, until)) unanswered(c);
    }
    flush(c, until);
}

void PostgresConnection::copyEnd(const char* abandoned)
{
    PGconn* c = current();
    const qint64 until = deadlineIn(callMs());
    for (;;) {
        const int r = PQputCopyEnd(c, abandoned);
        if (r == 1) break;
        if (r < 0) lost();
        if (!waitSocket(PQsocket(c), true, until)) unanswered(c);
    }
    flush(c, until);
    Results out;
    for (bool done = false; !done;) {
        if (!PQconsumeInput(c)) lost();
        while (!done && !PQisBusy(c)) {
            PGresult* r = PQgetResult(c);
            if (!r) done = true;
            else out.list << r;
        }
        if (!done && !waitSocket(PQsocket(c), false, until)) unanswered(c);
    }
    if (PQstatus(c) != CONNECTION_OK) lost();
    if (!abandoned) raiseRefusal(out);
}

PGconn* PostgresConnection::current()
{
    if (!m_conn || PQstatus(m_conn) != CONNECTION_OK) lost();
    return m_conn;
}

// ---- Statements ----

class PostgresStatement final : public StatementEngine {
public:
    // owner: the connection whose transaction a streamed statement is read in, as a cursor.
    PostgresStatement(PostgresConnection* link, const QString& sql, bool stream, const Connection* owner)
        : m_link(link), m_owner(owner), m_stream(stream)
    {
        int count = 0;
        m_sql = serverSql(sql, &count);
        m_params.resize(count);
    }
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
    void clear()
    {
        PQclear(std::exchange(m_result, nullptr));
        m_row = -1;
        m_done = false;
        // A cursor ends with its transaction; one still open is closed with the next query.
        if (!m_cursor.isEmpty() && m_link->generation() == m_generation && m_owner->inTransaction())
            m_link->closeLater(m_cursor);
        m_cursor.clear();
    }

    PostgresConnection* m_link;
    const Connection* m_owner;
    QByteArray m_sql;
    QVector<QVariant> m_params;
    bool m_stream;
    QByteArray m_cursor;
    quint64 m_generation = 0;  // of the connection the cursor was declared on
    PGresult* m_result = nullptr;
    int m_row = -1;
    bool m_done = false;
};

bool PostgresStatement::step()
{
    // The first rows come quickly; the rest in larger fetches, fewer round trips.
    constexpr int kFirstFetch = 1000, kFetch = 8000;
    if (m_result && ++m_row < PQntuples(m_result)) return true;
    if (m_done) return false;
    // A result in the middle of a cursor's reading goes; the next fetch takes its place.
    PQclear(std::exchange(m_result, nullptr));
    m_row = 0;
    try {
        if (m_stream && m_owner->inTransaction()) {
            const int rows = m_cursor.isEmpty() ? kFirstFetch : kFetch;
            if (m_cursor.isEmpty()) {
                const QByteArray name = m_link->nextCursor();
                if (m_params.isEmpty()) {
                    m_result = m_link->cursorStep(name, m_sql, rows);
                } else {
                    Results declared = m_link->call({"DECLARE " + name + " NO SCROLL CURSOR FOR " + m_sql, &m_params},
                                                    true);
                    m_result = m_link->cursorStep(name, {}, rows);
                }
                m_cursor = name;
                m_generation = m_link->generation();
            } else {
                // The connection was made again since: the cursor went with the old one.
                if (m_link->generation() != m_generation)
                    throw Error(linkReadLine() + u'\n' + lostText(), kConnectionLost);
                m_result = m_link->cursorStep(m_cursor, {}, rows);
            }
            m_done = PQntuples(m_result) < rows;
        } else {
            m_result = m_link->call({m_sql, &m_params}, onlyReads(m_sql)).take();
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

std::unique_ptr<StatementEngine> PostgresConnection::prepare(const QString& sql)
{
    return std::make_unique<PostgresStatement>(this, sql, false, this);
}

std::unique_ptr<StatementEngine> PostgresConnection::prepareStream(const QString& sql)
{
    return std::make_unique<PostgresStatement>(this, sql, true, this);
}

// ---- Bulk rows ----

// Rows sent as COPY's text: one round trip for many thousand rows rather than one a row.
class CopyLoader final : public RowLoader {
public:
    CopyLoader(PostgresConnection* link, const QString& table, const QStringList& columns) : m_link(link)
    {
        Results started = m_link->call({serverSql(u"COPY \"%1\" (%2) FROM STDIN"_s.arg(table, quotedNames(columns)),
                                                  nullptr)},
                                        false);
        m_open = true;
    }
    ~CopyLoader() override
    {
        if (m_open) try {
                m_link->copyEnd("abandoned");
            } catch (const Error&) {
            }
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
        m_link->copyEnd(nullptr);
    }

private:
    void send()
    {
        if (!m_buffer.isEmpty()) m_link->copyData(m_buffer);
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

// ---- One desk's readers ----

// A dataset's connection: its cursors in the shared snapshot transaction, its reads on the other.
class ReaderHandle final : public Connection {
public:
    ReaderHandle(PostgresConnection* cursors, PostgresConnection* reads) : m_cursors(cursors), m_reads(reads) {}
    ~ReaderHandle() override { rollback(); }
    Engine engine() const override { return Engine::Server; }
    std::unique_ptr<StatementEngine> prepare(const QString& sql) override { return m_reads->prepare(sql); }
    std::unique_ptr<StatementEngine> prepareStream(const QString& sql) override
    {
        return std::make_unique<PostgresStatement>(m_cursors, sql, true, this);
    }
    void exec(const QString& sql) override { m_reads->exec(sql); }
    void begin(bool) override
    {
        if (!m_in) m_cursors->share();
        m_in = true;
    }
    void beginSnapshot() override { begin(false); }
    void commit() override { rollback(); }
    void rollback() noexcept override
    {
        if (m_in) m_cursors->unshare();
        m_in = false;
    }
    bool inTransaction() const override { return m_in; }
    void interrupt() noexcept override {}

private:
    PostgresConnection* m_cursors;
    PostgresConnection* m_reads;
    bool m_in = false;
};

}  // namespace

bool databaseCallWaiting()
{
    return t_waiting > 0;
}

bool databaseUnanswered()
{
    return g_unanswered;
}

std::unique_ptr<Connection> openServer(const QString& uri, bool bounded)
{
    return std::make_unique<PostgresConnection>(uri, true, bounded);
}

struct ServerReaders::Links {
    explicit Links(const QString& uri) : cursors(uri, false), reads(uri, false) {}
    PostgresConnection cursors, reads;
};

ServerReaders::ServerReaders(const QString& uri) : m_links(std::make_unique<Links>(uri)) {}

ServerReaders::~ServerReaders() = default;

std::unique_ptr<Connection> ServerReaders::handle()
{
    return std::make_unique<ReaderHandle>(&m_links->cursors, &m_links->reads);
}

void setServerDeadlines(int callMs, int connectMs)
{
    g_callMs = callMs;
    g_connectMs = connectMs;
}

}  // namespace agency
