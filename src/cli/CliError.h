#pragma once

#include "common/Error.h"

// An error of vendra-cli itself: the text of the message key, with the argument filled in when given.
Error cliError(const QString &key, const QString &argument = QString());
