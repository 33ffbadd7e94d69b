#pragma once

#include <QStringView>

// The leading decimal integer of a text after optional white space and sign, saturating at the
// given bounds; 0 when there are no digits ("  -42abc" gives -42).
qint64 leadingDecimalInteger(QStringView text, qint64 minimum, qint64 maximum);
