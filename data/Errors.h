#pragma once
// The one exception the program raises: it carries the text shown in the standard error box.

#include <QString>
#include <exception>

namespace agency {

class Error : public std::exception {
public:
    explicit Error(QString text) : m_text(std::move(text)), m_utf8(m_text.toUtf8()) {}
    const QString& text() const noexcept { return m_text; }
    const char* what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_text;
    QByteArray m_utf8;
};

// Digits as a Persian keyboard types them (۰-۹, ٠-٩) become ASCII; everything else stays.
QString asciiDigits(const QString& text);

// Text to a 32-bit integer as the desk types it: optional sign, decimal digits (ASCII, Persian
// or Arabic-Indic), surrounding blanks allowed. Anything else raises
// "'text' is not a valid integer value".
qint32 StrToInt(const QString& text);

// The same check, without raising.
bool tryStrToInt(const QString& text, qint32* value);

}  // namespace agency
