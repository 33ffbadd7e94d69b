#pragma once

#include <QString>

// Every notification name of the program, in one place.
namespace NotificationNames {

// Sign-in, posted by Comms on the main thread.
inline const QString CommsEventsLoginStarted = QStringLiteral("CommsEventsLoginStarted");
inline const QString CommsEventsLoginStateChange = QStringLiteral("CommsEventsLoginStateChange");
inline const QString CommsEventsLoginSuccess = QStringLiteral("CommsEventsLoginSuccess");
inline const QString CommsEventsLoginFailure = QStringLiteral("CommsEventsLoginFailure");
inline const QString CommsEventLogout = QStringLiteral("CommsEventLogout");

// The pending-files status check, posted from its own thread.
inline const QString PendingStatusUpdate = QStringLiteral("PendingStatusUpdate");

// Switches stateful toolbar items; user info "itemIdentifier" and "value".
inline const QString NSToolbarItemSetState = QStringLiteral("NSToolbarItemSetState");

// The event log.
inline const QString EventLogClear = QStringLiteral("EventLogClear");
inline const QString EventLogAddMessage = QStringLiteral("EventLogAddMessage");
inline const QString EventLogItemAdded = QStringLiteral("EventLogItemAdded");
// The misspelling is the name observers have always used.
inline const QString EvetnLogCleared = QStringLiteral("EvetnLogCleared");

// Posted on the workspace centre when a local root or folder changes.
inline const QString FileBrowserObjectChanged = QStringLiteral("FileBrowserObjectChanged");

inline const QString EventPreferencesChanged = QStringLiteral("EventPreferencesChanged");

// The upload engine, posted on the thread that changed the state.
inline const QString UploadEventQueueStatusUpdate = QStringLiteral("UploadEventsQueueStatusUpdate");
inline const QString UploadEventQueuePendingUpdate = QStringLiteral("UploadEventQueuePendingUpdate");
inline const QString UploadEventStatusUpdate = QStringLiteral("UploadEventStatusUpdate");

// Folder re-expansion, posted from its worker thread.
inline const QString ExpandEventCompleted = QStringLiteral("ExpandEventCompleted");

} // namespace NotificationNames
