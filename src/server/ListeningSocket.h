#pragma once

#include <string>

// Opens a non-blocking TCP socket listening on host:port (port 0: a free one) with a backlog
// deep enough for a burst of clients connecting at once. Returns the socket and sets port to the
// one actually bound, or returns -1 with error set.
int openListeningSocket(const std::string &host, int &port, std::string &error);
