#pragma once

namespace httplib {
struct Request;
struct Response;
} // namespace httplib

// One line per request on standard error: time, client, method, path, SOAP method, status.
// Query strings, cookies and bodies are never written: they carry tokens and passwords.
void logRequest(const httplib::Request &request, const httplib::Response &response);
// A line of the server's own, in the same form.
void logLine(const char *text);
