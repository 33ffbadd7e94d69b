#include "controls/NSToolbarItemWithState.h"

#include "events/NotificationCenter.h"
#include "events/NotificationNames.h"

namespace {

bool isNumber(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
        return true;
    default:
        return false;
    }
}

// The pressed image shows while the button is down (and under the mouse on raised toolbars).
QIcon withPressedImage(const QIcon &image, const QIcon &pressed)
{
    if (pressed.isNull())
        return image;
    QIcon combined;
    for (const int size : {16, 22, 24, 32, 48, 64}) {
        combined.addPixmap(image.pixmap(size, size), QIcon::Normal);
        combined.addPixmap(image.pixmap(size, size, QIcon::Disabled), QIcon::Disabled);
        combined.addPixmap(pressed.pixmap(size, size), QIcon::Active);
        combined.addPixmap(pressed.pixmap(size, size), QIcon::Selected);
    }
    return combined;
}

} // namespace

NSToolbarItemWithState::NSToolbarItemWithState(const QString &itemIdentifier, const Images &images,
                                               QObject *parent)
    : QAction(parent), m_itemIdentifier(itemIdentifier), m_images(images)
{
    setObjectName(itemIdentifier);
    applyState();
    NotificationCenter::defaultCenter().addMainThreadObserver(
        this, NotificationNames::NSToolbarItemSetState, [this](const Notification &n) { handleSetState(n); });
}

NSToolbarItemWithState::~NSToolbarItemWithState()
{
    NotificationCenter::defaultCenter().removeObserver(this);
}

void NSToolbarItemWithState::handleSetState(const Notification &notification)
{
    if (isNumber(notification.object())) {
        setActive(notification.object().toBool());
        return;
    }
    const QVariantMap info = notification.userInfo();
    const QVariant value = info.value(QStringLiteral("value"));
    if (info.value(QStringLiteral("itemIdentifier")).toString() == m_itemIdentifier && isNumber(value))
        setActive(value.toBool());
}

void NSToolbarItemWithState::setActive(bool active)
{
    const bool changed = active != m_active;
    m_active = active;
    applyState();
    if (changed)
        Q_EMIT activeChanged(active);
}

void NSToolbarItemWithState::setImage(const QIcon &image)
{
    m_ownImage = image;
    applyState();
}

void NSToolbarItemWithState::applyState()
{
    if (m_active)
        setIcon(withPressedImage(m_images.secondary.isNull() ? m_ownImage : m_images.secondary,
                                 m_images.secondaryAlt));
    else
        setIcon(
            withPressedImage(m_images.primary.isNull() ? m_ownImage : m_images.primary, m_images.primaryAlt));
}
