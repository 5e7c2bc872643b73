#include "data/Session.h"

namespace agency {

Session& session()
{
    static Session s;
    return s;
}

}  // namespace agency
