#pragma once

#include <QList>
#include <QMenu>
#include <QTableView>
#include <QTimer>

class BZIndeterminateProgressIndicatorCell;
class FailedRowDelegate;
class UploadQueueListModel;

// The table at the bottom of the main window that shows what the upload engine is doing: one row
// per command still waiting, running or failed (failed rows in red until dismissed), with a spinner
// turning beside each active command. It makes and owns its model, which follows the upload
// notifications by itself, so the owner only has to place it:
//
//     auto *uploads = new UploadQueueList(parent);   // rows appear as commands are queued
//     uploads->setEnabled(signedIn);                 // dimmed while disabled
//
// Delete or Backspace cancels the selected commands, or dismisses those that failed; Up and Down
// move a single selection (with Alt, to the last or first row); Space pauses or resumes the queue.
// The context menu has "cancel selected" (tag 0), "cancel all" (tag 1), "Retry" for the selected
// failed rows (2), "Retry All Failed" (3), pause (4, checked while paused), and the failed rows
// copied (5) or saved (6) as CSV; the window's menus and toolbar offer the same actions.
class UploadQueueList : public QTableView
{
    Q_OBJECT

public:
    enum MenuTag {
        CancelSelectedTag = 0,
        CancelAllTag = 1,
        RetrySelectedTag = 2,
        RetryAllFailedTag = 3,
        PauseTag = 4,
        CopyFailedTag = 5,
        SaveFailedTag = 6
    };
    static constexpr int kProgressIntervalMs = 100;

    explicit UploadQueueList(QWidget *parent = nullptr);
    ~UploadQueueList() override;

    UploadQueueListModel *uploadModel() const { return m_uploads; }
    int progressColumn() const;
    QMenu *contextMenu() { return &m_menu; }
    QAction *retryAllFailedAction() const { return m_retryAllFailed; }
    QAction *pauseAction() const { return m_pause; }

    // Puts the failed uploads selected (or all) back into the queue, their tries counted anew.
    void retrySelectedUploads();
    void retryAllFailedUploads();
    void setQueuePaused(bool paused);
    // The failed rows as CSV (file, album, reason): onto the clipboard, or into a file chosen in a
    // dialog; saveFailedList(path) writes it to path, false with nothing lost when it cannot.
    void copyFailedList();
    void chooseFileForFailedList();
    bool saveFailedList(const QString &path);

    // Dismisses the selected rows that failed or were cancelled, cancels the other selected commands.
    void deleteSelectedEntries();
    // Whether a menu item (by its tag, the action's data) applies now.
    bool validateMenuItem(const QAction *item) const;
    // One step of the spinners, while the list is visible.
    void progressUpdate();

public Q_SLOTS:
    void cancelSelectedUpload();
    void cancelAllUploads();

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    static bool isListKey(int key);
    QList<int> selectedRowNumbers() const;
    void selectOnlyRow(int row);
    void validateMenu();

    UploadQueueListModel *m_uploads;
    BZIndeterminateProgressIndicatorCell *m_progressCell;
    FailedRowDelegate *m_textCells;
    QTimer m_progressTimer;
    QMenu m_menu;
    QAction *m_cancelSelected;
    QAction *m_cancelAll;
    QAction *m_retrySelected;
    QAction *m_retryAllFailed;
    QAction *m_pause;
    QAction *m_copyFailed;
    QAction *m_saveFailed;
};
