#pragma once
// The route socket of the calling thread, kept open from one call to the next. A socket holds
// no answers, only the way to ask, and opening one cost as much as the question it carried.
// The kept socket is given up, and a new one opened, when the thread has moved to another
// network namespace (a socket asks the namespace it was opened in), when the process has
// forked (parent and child would read each other's answers), and when an answer was not read
// to its end.

#include "provider/route_socket.h"

namespace qmr {

TRouteSocket& CallerRouteSocket();

} // namespace qmr
