#include "settings/PortPickerData.h"

#include <limits>

int PortPickerData::indexOfItemWithStringValue(const QString &text) const
{
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace())
        ++i;
    qint64 value = 0;
    constexpr qint64 limit = std::numeric_limits<int>::max();
    for (; i < text.size() && text.at(i) >= u'0' && text.at(i) <= u'9'; ++i) {
        // Saturate rather than wrap: a long digit string must not land on some small port.
        value = qMin(value * 10 + (text.at(i).unicode() - u'0'), limit);
    }
    return int(value);
}
