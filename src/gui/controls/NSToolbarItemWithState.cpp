#include "controls/NSToolbarItemWithState.h"

#include "events/NotificationCenter.h"
#include "events/NotificationNames.h"

#include <QPainter>

namespace {

constexpr int kImageSizes[] = {16, 22, 24, 32, 48, 64};

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
    for (const int size : kImageSizes) {
        combined.addPixmap(image.pixmap(size, size), QIcon::Normal);
        combined.addPixmap(image.pixmap(size, size, QIcon::Disabled), QIcon::Disabled);
        combined.addPixmap(pressed.pixmap(size, size), QIcon::Active);
        combined.addPixmap(pressed.pixmap(size, size), QIcon::Selected);
    }
    return combined;
}

QPixmap darker(const QPixmap &pixmap)
{
    QPixmap result = pixmap;
    QPainter painter(&result);
    painter.setCompositionMode(QPainter::CompositionMode_SourceAtop);
    painter.fillRect(result.rect(), QColor(0, 0, 0, 60));
    return result;
}

QPixmap withDot(const QPixmap &pixmap, const QColor &colour)
{
    QPixmap result = pixmap;
    QPainter painter(&result);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal diameter = result.width() * 0.42;
    const QRectF dot(result.width() - diameter, 0, diameter, diameter);
    painter.setPen(QPen(Qt::white, qMax(1.0, diameter / 8)));
    painter.setBrush(colour);
    painter.drawEllipse(dot.adjusted(1, 1, -1, -1));
    return result;
}

} // namespace

NSToolbarItemWithState::Images NSToolbarItemWithState::badgedImages(const QIcon &image, const QColor &badge)
{
    Images images;
    for (const int size : kImageSizes) {
        const QPixmap plain = image.pixmap(size, size);
        const QPixmap lit = withDot(plain, badge);
        images.primary.addPixmap(plain);
        images.primaryAlt.addPixmap(darker(plain));
        images.secondary.addPixmap(lit);
        images.secondaryAlt.addPixmap(darker(lit));
    }
    return images;
}

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

void NSToolbarItemWithState::applyState()
{
    if (m_active)
        setIcon(withPressedImage(m_images.secondary, m_images.secondaryAlt));
    else
        setIcon(withPressedImage(m_images.primary, m_images.primaryAlt));
}
