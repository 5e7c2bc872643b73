// Administration on the data layer alone.
//   agencyctl create PATH TITLE PERCENT USER   the first user's password is read from the
//                                              terminal (twice, not shown) or standard input
//   agencyctl generate PATH SERVICES [DRIVERS] [SUBSCRIBERS] [DAYS]
//   agencyctl verify PATH                      the program's own checks of a database file,
//                                              its kept totals recomputed from the rows
//   agencyctl repair-totals PATH               every kept total rebuilt from the rows
//   agencyctl restore BACKUP PATH              verify, then put the backup in place of PATH
//   agencyctl copy FROM TO                     every row into a new database (file or server),
//                                              then the two compared: ok, or what differs
// PATH, FROM and TO name a file or a server (postgresql://desk@server/agency).

#include "bench/SampleData.h"
#include "data/Database.h"
#include "data/Errors.h"
#include "data/PostgresEngine.h"
#include "data/Totals.h"

#include <QCoreApplication>

#include <cstdio>
#include <string>
#include <termios.h>
#include <unistd.h>

using namespace agency;
using namespace Qt::StringLiterals;

namespace {

int usage()
{
    std::fprintf(stderr,
                 "usage: agencyctl create PATH TITLE PERCENT USER   (password from the terminal or standard input)\n"
                 "       agencyctl generate PATH SERVICES [DRIVERS] [SUBSCRIBERS] [DAYS]\n"
                 "       agencyctl verify PATH\n"
                 "       agencyctl repair-totals PATH\n"
                 "       agencyctl restore BACKUP PATH\n"
                 "       agencyctl copy FROM TO\n"
                 "PATH, FROM and TO: a file, or a server as postgresql://desk@server/agency\n");
    return 2;
}

// One line of standard input without its line end; false at the end of input.
bool readLine(std::string* line)
{
    line->clear();
    int c;
    while ((c = std::getchar()) != EOF && c != '\n') line->push_back(char(c));
    if (!line->empty() && line->back() == '\r') line->pop_back();
    return c != EOF || !line->empty();
}

// Asked on the terminal with the echo off, so that it is seen neither there nor in the process list.
std::string askHidden(const char* prompt)
{
    std::fprintf(stderr, "%s", prompt);
    std::fflush(stderr);
    termios saved{};
    const bool terminal = tcgetattr(STDIN_FILENO, &saved) == 0;
    if (terminal) {
        termios quiet = saved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    std::string line;
    readLine(&line);
    if (terminal) {
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
        std::fprintf(stderr, "\n");
    }
    return line;
}

QString firstPassword()
{
    std::string first;
    if (isatty(STDIN_FILENO)) {
        first = askHidden("password: ");
        if (askHidden("again: ") != first) throw Error(u"رمز و تكرار يكسان نيست"_s);
    } else if (!readLine(&first)) {
        throw Error(u"رمز از ورودي خوانده نشد"_s);
    }
    if (first.empty()) throw Error(u"رمز خالي پذيرفته نيست"_s);
    return QString::fromUtf8(first.data(), qsizetype(first.size()));
}

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    // An administrator's copy or rebuild of a whole database takes as long as it takes; a
    // connection attempt is still bounded.
    setServerDeadlines(0, 10000);
    const QStringList args = app.arguments();
    const QString command = args.value(1);
    try {
        if (args.size() == 6 && command == "create"_L1) {
            NewDatabase settings{args[3], StrToInt(args[4]), args[5], firstPassword()};
            Database::create(args[2], settings);
            return 0;
        }
        if (args.size() >= 4 && command == "generate"_L1) {
            generateSample(args[2], StrToInt(args[3]), args.size() > 4 ? StrToInt(args[4]) : 200,
                           args.size() > 5 ? StrToInt(args[5]) : 2000, args.size() > 6 ? StrToInt(args[6]) : 1000);
            return 0;
        }
        if (args.size() == 3 && command == "verify"_L1) {
            const QStringList differences = Database::verify(args[2]);
            for (const QString& d : differences) std::printf("%s\n", d.toUtf8().constData());
            if (!differences.isEmpty())
                throw Error(
                    u"%1 جمع نگه داشته با رديفها نمي خواند؛ agencyctl repair-totals آنها را از نو مي سازد"_s.arg(
                        differences.size()));
            std::printf("ok\n");
            return 0;
        }
        if (args.size() == 3 && command == "repair-totals"_L1) {
            const Database db(args[2]);
            const qint64 written = rebuildTotals(db.writer());
            std::printf("%s\n", (u"جمعهاي نگه داشته از نو ساخته شد: %1 رديف"_s.arg(written)).toUtf8().constData());
            return 0;
        }
        if (args.size() == 4 && command == "copy"_L1) {
            const QStringList differences = Database::copy(args[2], args[3]);
            for (const QString& d : differences) std::printf("%s\n", d.toUtf8().constData());
            if (!differences.isEmpty()) throw Error(u"رونوشت با پايگاه داده اصلي نمي خواند"_s);
            std::printf("ok\n");
            return 0;
        }
        if (args.size() == 4 && command == "restore"_L1) {
            const QString kept = Database::restore(args[2], args[3]);
            if (!kept.isEmpty())
                std::printf("%s\n", (u"پايگاه داده پيشين نگه داشته شد: "_s + kept).toUtf8().constData());
            std::printf("%s\n", (u"بازگرداني انجام شد: "_s + args[3]).toUtf8().constData());
            return 0;
        }
    } catch (const Error& e) {
        std::fprintf(stderr, "agencyctl: %s\n", e.what());
        return 1;
    }
    return usage();
}
