#pragma once

#include "session/soapResultsBase.h"

// The my-pictures button ("objMyPicturesButtonDetails").
class soapGetPictureButtonDetails : public soapResultsBase
{
public:
    bool deserialise(const QVariantMap &result);

    // Read through the boolean lookup, so a string "true" gives true.
    bool bDisplayed() const { return m_bDisplayed; }
    QVariant strDescription() const { return m_strDescription; }
    // The address of the server's my-pictures web page.
    QVariant strLink() const { return m_strLink; }

private:
    bool m_bDisplayed = false;
    QVariant m_strDescription;
    QVariant m_strLink;
};
