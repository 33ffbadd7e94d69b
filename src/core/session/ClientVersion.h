#pragma once

#include <QString>

// The client's version as the server sees it, from the generated application information.
namespace ClientVersion {

// "ClientVersionNumber" as decimal text ("6.1"); the SOAP endpoint's client= carries it.
QString numberText();

// The CheckVersion parameter: the version number times ten, ".MAC.", the short version
// ("61.MAC.2.0.3"). The server knows clients by that form.
QString checkVersionText();

// The same, from given values, for the tests.
QString checkVersionText(float clientVersionNumber, const QString &shortVersion);

} // namespace ClientVersion
