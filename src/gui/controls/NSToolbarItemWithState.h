#pragma once

#include <QAction>
#include <QIcon>

class Notification;

// A toolbar item with two looks, inactive and active (the event log that lights up on a new entry,
// pending files awaiting approval). Any part of the program switches it by posting
// NSToolbarItemSetState, without a reference to it:
// - with a number as the object, every such item takes its truth value;
// - otherwise with user info {"itemIdentifier": <this item's identifier>, "value": <number>}.
// Each look is an image and a pressed image; the toolbar's button shows the item's icon.
class NSToolbarItemWithState : public QAction
{
    Q_OBJECT

public:
    // The identifiers of the main window's two state items.
    static inline const QString LogIdentifier = QStringLiteral("ZRM_Log");
    static inline const QString PendingIdentifier = QStringLiteral("ZRM_Pending");

    struct Images
    {
        QIcon primary;      // inactive (when null, the item's own image is used)
        QIcon primaryAlt;   // inactive, pressed
        QIcon secondary;    // active
        QIcon secondaryAlt; // active, pressed
    };

    // The two looks made from one image: active adds a coloured dot at the top right; pressed is a
    // shade darker.
    static Images badgedImages(const QIcon &image, const QColor &badge = QColor(0xe0, 0x5a, 0x1e));

    NSToolbarItemWithState(const QString &itemIdentifier, const Images &images, QObject *parent = nullptr);
    ~NSToolbarItemWithState() override;

    QString itemIdentifier() const { return m_itemIdentifier; }

    void setActive(bool active);

Q_SIGNALS:
    void activeChanged(bool active);

private:
    void handleSetState(const Notification &notification);
    void applyState();

    QString m_itemIdentifier;
    Images m_images;
    bool m_active = false;
};
