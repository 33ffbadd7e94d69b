#include "session/soapResults.h"

soapResults::soapResults() : m_soapRemoteFolderBrowser(std::make_shared<soapRemoteFolderBrowser>())
{}
