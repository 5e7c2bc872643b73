#pragma once
// The server engine: a connection to a PostgreSQL database through libpq.

#include "data/Engine.h"

namespace agency {

// Connects to the server a libpq URI names; the password comes from where libpq looks for it
// (~/.pgpass, PGPASSWORD, a service file). Raises Error in Persian when the server cannot be reached.
std::unique_ptr<Connection> openServer(const QString& uri);

}  // namespace agency
