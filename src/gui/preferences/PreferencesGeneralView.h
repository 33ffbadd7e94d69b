#pragma once

#include <QWidget>

class QCheckBox;
class QLineEdit;
class QSpinBox;

// The behaviour switches and the number of uploads that run at once. Each change is written to
// the settings store at once and announced with EventPreferencesChanged.
class PreferencesGeneralView : public QWidget
{
    Q_OBJECT

public:
    // The largest number of simultaneous uploads the control offers.
    static constexpr int kMaximumSimultaneousUploads = 20;

    explicit PreferencesGeneralView(QWidget *parent = nullptr);
    ~PreferencesGeneralView() override;

    // The window is about to show this pane: fill every control from the store.
    void viewWillMoveToSuperview();
    void setupDefaults();

    QCheckBox *autoLoginBox() const { return m_autoLogin; }
    QCheckBox *finderDisableBox() const { return m_finderDisable; }
    QCheckBox *finderAutoSyncPlacesBox() const { return m_finderAutoSyncPlaces; }
    QCheckBox *finderExpandOnLaunchBox() const { return m_finderExpandOnLaunch; }
    QCheckBox *remoteFinderReExpandOnRefreshBox() const { return m_remoteFinderReExpandOnRefresh; }
    QCheckBox *remoteFinderExpandOnDragDropBox() const { return m_remoteFinderExpandOnDragDrop; }
    QCheckBox *skipExistingBox() const { return m_skipExisting; }
    QCheckBox *retryFailedBox() const { return m_retryFailed; }
    QSpinBox *numberSimultaneousUploadsBox() const { return m_numberSimultaneousUploads; }
    QLineEdit *uploadSpeedLimitField() const { return m_uploadSpeedLimit; }

private:
    void build();
    void connectControls();
    void eventPreferencesChanged();
    // The two local-pane switches mean nothing while the local pane is hidden.
    void updateFinderBoxes();
    void showUploadSpeedLimit();

    QCheckBox *m_autoLogin;
    QCheckBox *m_finderDisable;
    QCheckBox *m_finderAutoSyncPlaces;
    QCheckBox *m_finderExpandOnLaunch;
    QCheckBox *m_remoteFinderReExpandOnRefresh;
    QCheckBox *m_remoteFinderExpandOnDragDrop;
    QCheckBox *m_skipExisting;
    QCheckBox *m_retryFailed;
    QSpinBox *m_numberSimultaneousUploads;
    QLineEdit *m_uploadSpeedLimit;
};
