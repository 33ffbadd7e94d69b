#include "CliError.h"

#include "common/MessageText.h"

Error cliError(const QString &key, const QString &argument)
{
    const QString text = messageText(key);
    return Error(QStringLiteral("vendra-cli"), 1, argument.isNull() ? text : text.arg(argument));
}
