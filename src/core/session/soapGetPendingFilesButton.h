#pragma once

#include "session/soapResultsBase.h"

#include <QMutex>

// The pending-files button ("objPendingFilesButtonDetails"). The status check decodes into it on a
// background thread, so decoding holds the record's own lock.
class soapGetPendingFilesButton : public soapResultsBase
{
public:
    bool deserialise(const QVariantMap &result);

    // Read through the number lookup, so a string "true" gives 0.
    qint32 bDisplayed() const;
    QVariant strDescription() const;
    // The address of the server's pending-files web page.
    QVariant strLink() const;

private:
    mutable QMutex m_mutex;
    qint32 m_bDisplayed = 0;
    QVariant m_strDescription;
    QVariant m_strLink;
};
