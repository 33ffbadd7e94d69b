#pragma once

#include "common/Error.h"

#include <QObject>

#include <memory>

class Comms;
class commsGlobals;

// The session of one vendra-cli run: the process-wide session object, the Comms facade, and signing
// in and out with the main loop turning while the workers talk to the server.
class CliSession : public QObject
{
    Q_OBJECT

public:
    CliSession();
    ~CliSession() override;

    commsGlobals &globals() { return *m_globals; }

    // Runs the login sequence and waits for it; the status lines go to standard output when asked.
    // False with the sequence's error when signing in failed.
    bool signIn(bool printStatusLines, Error &error);
    // Signs out through the album queue and waits for it; a failure is only noted.
    void signOut();

private:
    std::unique_ptr<commsGlobals> m_globals;
    std::shared_ptr<Comms> m_comms;
};
