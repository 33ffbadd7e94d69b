#pragma once

#include <QString>
#include <QVariant>

// The list behind the port combo box: entries 0 to 9999, each entry's index being its port number.
class PortPickerData
{
public:
    int numberOfItemsInComboBox() const { return 10000; }
    QVariant objectValueForItemAtIndex(int index) const { return index; }
    // The text's leading number (after leading blanks); 0 when it has none.
    int indexOfItemWithStringValue(const QString &text) const;
    // No completion: the typed text stays as it is.
    QString completedString(const QString &text) const { return text; }
};
