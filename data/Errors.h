#pragma once
// The one exception the program raises: it carries the text shown in the standard error box.

#include <QString>

#include <exception>

namespace agency {

class Error : public std::exception {
public:
    // code and systemErrno: the engine's result code and the system's errno, when it raised it.
    explicit Error(QString text, int code = 0, int systemErrno = 0)
        : m_text(std::move(text)), m_utf8(m_text.toUtf8()), m_code(code), m_errno(systemErrno)
    {
    }
    const QString& text() const noexcept { return m_text; }
    const char* what() const noexcept override { return m_utf8.constData(); }
    int code() const noexcept { return m_code; }
    int systemErrno() const noexcept { return m_errno; }

private:
    QString m_text;
    QByteArray m_utf8;
    int m_code = 0;
    int m_errno = 0;
};

// Runs its action when its scope is left by an exception, and not when the scope ends normally.
// The action must not throw.
template <typename F>
class OnFailure {
public:
    explicit OnFailure(F action) : m_action(std::move(action)) {}
    ~OnFailure()
    {
        if (std::uncaught_exceptions() > m_pending) m_action();
    }
    OnFailure(const OnFailure&) = delete;
    OnFailure& operator=(const OnFailure&) = delete;

private:
    F m_action;
    int m_pending = std::uncaught_exceptions();
};

// The result codes of a server's link, beyond the file engine's codes, whose low byte the program
// reads. Their texts are in the desk's words already: what was lost, and why.
// The connection was dropped, and what was in hand was not committed.
constexpr int kConnectionLost = 0xF0;
// The server did not answer within the call's deadline.
constexpr int kNoAnswer = 0xF1;
// A commit went out and its answer never came; whether it was stored is not known yet.
constexpr int kCommitUnknown = 0xF2;
// A call asked for while another one waits for the server (a timer or a repaint meanwhile).
constexpr int kBusy = 0xF3;
// The server refused the connection: the password, its rules, no such database.
constexpr int kRefused = 0xF4;

inline bool isLinkFailure(int code)
{
    return code >= kConnectionLost && code <= kRefused;
}

// The first line of a link failure's text: what became of what was in hand, a read or a store.
QString linkReadLine();
QString linkStoreLine();
// A link failure met on the way to a store (reading the next number), told as the store's.
Error asStoreFailure(const Error& e);

// Why a file could not be written at path, from the system's errno, in the desk's words: the
// folder missing, not writable, full, the disk failing.
QString writeFailure(int err, const QString& path);

// The desk's words for an engine failure while writing the database or a copy at path: held by
// another program past the wait, the disk full, the file read-only, the disk failing. systemErrno,
// when known, names the cause more closely. Empty for any other result code.
QString engineFailureText(int code, int systemErrno, const QString& path);

// Digits as a Persian keyboard types them (۰-۹, ٠-٩) become ASCII; everything else stays.
QString asciiDigits(const QString& text);

// Text to a 32-bit integer as the desk types it: optional sign, decimal digits (ASCII, Persian
// or Arabic-Indic), surrounding blanks allowed. Anything else raises
// "'text' is not a valid integer value".
qint32 StrToInt(const QString& text);

// The same check, without raising.
bool tryStrToInt(const QString& text, qint32* value);

}  // namespace agency
