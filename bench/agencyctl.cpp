// Administration on the data layer alone: create a database, fill it with sample data.
//   agencyctl create PATH TITLE PERCENT USER PASSWORD
//   agencyctl generate PATH SERVICES [DRIVERS] [SUBSCRIBERS] [DAYS]

#include "bench/SampleData.h"
#include "data/Database.h"
#include "data/Errors.h"
#include "data/SolarDate.h"

#include <QCoreApplication>
#include <cstdio>

using namespace agency;

namespace {

int usage()
{
    std::fprintf(stderr,
                 "usage: agencyctl create PATH TITLE PERCENT USER PASSWORD\n"
                 "       agencyctl generate PATH SERVICES [DRIVERS] [SUBSCRIBERS] [DAYS]\n");
    return 2;
}

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    try {
        if (args.size() == 7 && args[1] == QLatin1String("create")) {
            NewDatabase settings{args[3], StrToInt(args[4]), args[5], args[6]};
            Database::create(args[2], settings);
            return 0;
        }
        if (args.size() >= 4 && args[1] == QLatin1String("generate")) {
            generateSample(args[2], StrToInt(args[3]), args.size() > 4 ? StrToInt(args[4]) : 200,
                     args.size() > 5 ? StrToInt(args[5]) : 2000, args.size() > 6 ? StrToInt(args[6]) : 1000);
            return 0;
        }
    } catch (const Error& e) {
        std::fprintf(stderr, "agencyctl: %s\n", e.what());
        return 1;
    }
    return usage();
}
