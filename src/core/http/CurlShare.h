#pragma once

#include <curl/curl.h>

// libcurl's process-wide start-up and the one share handle that every transfer of the program
// attaches to: the DNS cache and the TLS sessions, so that a new connection to a server we have
// spoken to resumes its TLS session instead of a full handshake. Locked per kind of data, since
// SOAP calls run on worker threads while uploads run on the main thread.
//
// Connections themselves are not shared: libcurl does not support one connection cache across
// threads. The SOAP calls pass their handles, connections and all, from one worker to the next
// (see HttpExchange); the uploads keep theirs in the main thread's multi handle.
class CurlShare
{
public:
    // Initialises libcurl on first use; the handle lives as long as the process.
    static CURLSH *handle();
};
