#include "events/Log.h"

#include "events/NotificationCenter.h"
#include "events/NotificationNames.h"

#include <memory>

namespace {

std::unique_ptr<Log> &singleton()
{
    // The log unsubscribes when it goes away, so the centre must outlive it: constructing the centre
    // first makes static destruction run in the right order.
    NotificationCenter::defaultCenter();
    static std::unique_ptr<Log> log;
    return log;
}

} // namespace

Log::Log()
{
    m_data.reserve(32);
    auto &center = NotificationCenter::defaultCenter();
    center.addObserver(this, NotificationNames::EventLogAddMessage, [this](const Notification &n) {
        if (n.object().typeId() == QMetaType::QString)
            add(n.object().toString(), QStringLiteral("..."));
    });
    center.addObserver(this, NotificationNames::EventLogClear, [this](const Notification &) { clear(); });
}

Log::~Log()
{
    NotificationCenter::defaultCenter().removeObserver(this);
}

Log *Log::init()
{
    auto &log = singleton();
    if (!log)
        log.reset(new Log);
    return log.get();
}

Log *Log::instance()
{
    return singleton().get();
}

void Log::close()
{
    singleton().reset();
}

void Log::add(const QString &message, const QString &path)
{
    m_data.prepend(LogObject(message, path));
    NotificationCenter::defaultCenter().postNotificationName(NotificationNames::EventLogItemAdded,
                                                             QVariant::fromValue(this));
}

void Log::clear()
{
    m_data.clear();
    NotificationCenter::defaultCenter().postNotificationName(NotificationNames::EvetnLogCleared,
                                                             QVariant::fromValue(this));
}
