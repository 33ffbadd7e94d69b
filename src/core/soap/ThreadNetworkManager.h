#pragma once

class QNetworkAccessManager;

// One QNetworkAccessManager per thread, created on first use in that thread with the shared cookie
// jar. It is deleted when the thread ends, or for the application's thread just before the
// QCoreApplication goes.
class ThreadNetworkManager
{
public:
    static QNetworkAccessManager &forCurrentThread();
};
