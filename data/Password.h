#pragma once
// User passwords are kept as libsodium Argon2id hashes, never as text.

#include <QString>

namespace agency::Password {

QString hash(const QString& password);
bool verify(const QString& storedHash, const QString& password);

}  // namespace agency::Password
