#include "data/Password.h"

#include "data/Errors.h"

#include <sodium.h>

using namespace Qt::StringLiterals;

namespace agency::Password {

namespace {
void ensureInit()
{
    static const int rc = sodium_init();
    if (rc < 0) throw Error(u"libsodium could not be initialised"_s);
}
}  // namespace

QString hash(const QString& password)
{
    ensureInit();
    const QByteArray utf8 = password.toUtf8();
    char out[crypto_pwhash_STRBYTES];
    // Interactive limits: a login verifies in a fraction of a second on the desk's machine.
    if (crypto_pwhash_str(out, utf8.constData(), quint64(utf8.size()), crypto_pwhash_OPSLIMIT_INTERACTIVE,
                          crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0)
        throw Error(u"حافظه براي رمز كردن كلمه عبور كافي نيست"_s);
    return QString::fromLatin1(out);
}

bool verify(const QString& storedHash, const QString& password)
{
    ensureInit();
    const QByteArray h = storedHash.toLatin1();
    if (h.isEmpty() || h.size() >= crypto_pwhash_STRBYTES) return false;
    const QByteArray utf8 = password.toUtf8();
    return crypto_pwhash_str_verify(h.constData(), utf8.constData(), quint64(utf8.size())) == 0;
}

}  // namespace agency::Password
