#pragma once
// The program's pictures, drawn rather than shipped: the login's keys, the main window's
// background, the menu pictures and the credits of the about window.

#include <QIcon>
#include <QPixmap>

namespace Pictures {

QPixmap keys(int size);
QPixmap background(const QSize& size);
// A small picture for a menu item; the kind picks the drawing.
enum class Kind {
    Service,
    Payment,
    Drivers,
    Subscribers,
    Settings,
    List,
    Account,
    Statistics,
    Users,
    Password,
    Backup,
    About,
    Exit
};
QIcon menuIcon(Kind kind);
QPixmap credits(int size, const QString& name, const QString& version, const QString& makers);

}  // namespace Pictures
