#pragma once
// The Persian faces: Debian's Nazli, Titr and Homa in copies that draw ي and ك the Persian way.

#include <QString>

// Registers the copies made at build time; true when they are there. Safe to call often.
bool loadPersianFaces();
// The family to ask for in place of one of Debian's faces ("Nazli" → "Nazli Farsi" when loaded).
QString persianFamily(const QString& family);
