#pragma once
// What every window reads of the desk's session: today's date, as the main window's clock last
// read it, and the user who logged in. Written by the clock and the login, read by the windows.

#include <QString>

namespace agency {

struct Session {
    QString todayDate;  // yyyy/mm/dd; empty until the clock's first tick
    qint64 userId = 0;  // the logged-in user's ID; 0 before login
    QString userName;
    bool usersRight = false;  // the logged-in user may manage the users and read the audit
};

// The program's one session.
Session& session();

}  // namespace agency
