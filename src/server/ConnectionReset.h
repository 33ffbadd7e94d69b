#pragma once

namespace httplib {
struct Request;
}

// Aborts the TCP connection a request came in on with a reset, as a network failure would.
// The HTTP library does not hand out its sockets, so the socket is found by its two addresses.
bool resetConnection(const httplib::Request &request);
