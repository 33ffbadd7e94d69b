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
        if (application && application->thread() == QThread::currentThread()) {
            qAddPostRoutine(releaseApplicationThreadManager);
        } else if (QThread *thread = QThread::currentThread()) {
            // Thread-local destructors run after QThread::wait() has returned, so a pool that is
            // joined at exit could leave a manager (and its HTTP thread) dying while the process
            // tears Qt down. Releasing it as the thread finishes keeps it inside the join.
            QObject::connect(
                thread, &QThread::finished, thread, [] { t_manager.reset(); }, Qt::DirectConnection);
        }
    }
    return *t_manager;
}
