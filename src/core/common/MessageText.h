#pragma once

#include <QString>

// The user-visible text of a message key from the application's string tables
// (Text_..., Status_..., LoginError_..., protocol keys such as SOAP_PARSE_MISSING_BODY).
// A key the tables lack comes back as the key itself.
QString messageText(const QString &key);

// Loads the compiled string tables into the running QCoreApplication. Safe to call more than once.
void installMessageTables();
