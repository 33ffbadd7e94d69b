#include "common/NumberText.h"

qint64 leadingDecimalInteger(QStringView text, qint64 minimum, qint64 maximum)
{
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace())
        ++i;
    bool negative = false;
    if (i < text.size() && (text.at(i) == u'-' || text.at(i) == u'+')) {
        negative = text.at(i) == u'-';
        ++i;
    }
    qint64 value = 0;
    for (; i < text.size() && text.at(i) >= u'0' && text.at(i) <= u'9'; ++i) {
        const int digit = text.at(i).unicode() - u'0';
        if (negative) {
            if (value < (minimum + digit) / 10)
                return minimum;
            value = value * 10 - digit;
        } else {
            if (value > (maximum - digit) / 10)
                return maximum;
            value = value * 10 + digit;
        }
    }
    return value;
}
