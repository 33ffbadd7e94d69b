#pragma once

#include "session/soapResultsBase.h"

// The user's allowance ("objQuotaDetails"); each figure is a number or none.
class soapGetQuotaDetails : public soapResultsBase
{
public:
    bool deserialise(const QVariantMap &result);

    QVariant nNumberOfFiles() const { return m_nNumberOfFiles; }
    QVariant nTotal() const { return m_nTotal; }
    QVariant nUsed() const { return m_nUsed; }
    void setNNumberOfFiles(const QVariant &value) { m_nNumberOfFiles = value; }
    void setNTotal(const QVariant &value) { m_nTotal = value; }
    void setNUsed(const QVariant &value) { m_nUsed = value; }

private:
    QVariant m_nNumberOfFiles;
    QVariant m_nTotal;
    QVariant m_nUsed;
};
