#include "soap/ThreadNetworkManager.h"

#include "soap/SharedCookieJar.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QThread>

#include <memory>

namespace {

thread_local std::unique_ptr<QNetworkAccessManager> t_manager;

// A thread_local of the application's thread would only be destroyed after main() returns, when
// Qt is gone; the post routine runs on that thread while QCoreApplication is being destroyed.
void releaseApplicationThreadManager()
{
    t_manager.reset();
}

} // namespace

QNetworkAccessManager &ThreadNetworkManager::forCurrentThread()
{
    if (!t_manager) {
        t_manager = std::make_unique<QNetworkAccessManager>();
        SharedCookieJar &jar = SharedCookieJar::instance();
        t_manager->setCookieJar(&jar);
        // The manager adopts a parentless jar of its own thread; the jar belongs to the process.
        if (jar.parent() == t_manager.get())
            jar.setParent(nullptr);
        QCoreApplication *application = QCoreApplication::instance();
        if (application && application->thread() == QThread::currentThread())
            qAddPostRoutine(releaseApplicationThreadManager);
    }
    return *t_manager;
}
