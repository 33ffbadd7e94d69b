#include "preferences/PreferencesGeneralView.h"

#include "common/ByteRate.h"
#include "common/MessageText.h"
#include "events/NotificationCenter.h"
#include "events/NotificationNames.h"
#include "http/HttpRateLimit.h"
#include "session/commsGlobals.h"
#include "settings/Preferences.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

QString text(const char *key)
{
    return messageText(QString::fromLatin1(key));
}

// Writes one setting through the store, then announces it once.
template <typename Write> void writeAndAnnounce(Write write)
{
    Preferences *preferences = Preferences::instance();
    if (!preferences)
        return;
    write(*preferences);
    preferences->sendEventPrefrencesChanged();
}

} // namespace

PreferencesGeneralView::PreferencesGeneralView(QWidget *parent)
    : QWidget(parent), m_autoLogin(new QCheckBox(this)), m_finderDisable(new QCheckBox(this)),
      m_finderAutoSyncPlaces(new QCheckBox(this)), m_finderExpandOnLaunch(new QCheckBox(this)),
      m_remoteFinderReExpandOnRefresh(new QCheckBox(this)),
      m_remoteFinderExpandOnDragDrop(new QCheckBox(this)), m_skipExisting(new QCheckBox(this)),
      m_retryFailed(new QCheckBox(this)), m_numberSimultaneousUploads(new QSpinBox(this)),
      m_uploadSpeedLimit(new QLineEdit(this))
{
    setObjectName(QStringLiteral("PreferencesGeneralView"));
    build();
    connectControls();
    NotificationCenter::defaultCenter().addMainThreadObserver(
        this, NotificationNames::EventPreferencesChanged,
        [this](const Notification &) { eventPreferencesChanged(); });
}

PreferencesGeneralView::~PreferencesGeneralView()
{
    NotificationCenter::defaultCenter().removeObserver(this);
}

void PreferencesGeneralView::build()
{
    m_autoLogin->setText(text("Text_PrefAutoLogin"));
    m_finderDisable->setText(text("Text_PrefFinderDisable"));
    m_finderAutoSyncPlaces->setText(text("Text_PrefFinderAutoSyncPlaces"));
    m_finderExpandOnLaunch->setText(text("Text_PrefFinderExpandOnLaunch"));
    m_remoteFinderReExpandOnRefresh->setText(text("Text_PrefRemoteReExpandOnRefresh"));
    m_remoteFinderExpandOnDragDrop->setText(text("Text_PrefRemoteExpandOnDragDrop"));
    m_skipExisting->setText(text("Text_PrefSkipExisting"));
    m_retryFailed->setText(text("Text_PrefRetryFailed"));
    m_numberSimultaneousUploads->setRange(1, kMaximumSimultaneousUploads);
    m_numberSimultaneousUploads->setAccessibleName(text("Text_PrefSimultaneousUploads"));

    auto *startUp = new QGroupBox(text("Text_PrefStartUpGroup"), this);
    auto *startUpLayout = new QVBoxLayout(startUp);
    startUpLayout->addWidget(m_autoLogin);

    auto *local = new QGroupBox(text("Text_PrefLocalGroup"), this);
    auto *localLayout = new QVBoxLayout(local);
    localLayout->addWidget(m_finderDisable);
    // Indented: they depend on the switch above.
    for (QCheckBox *dependent : {m_finderAutoSyncPlaces, m_finderExpandOnLaunch}) {
        auto *row = new QHBoxLayout;
        row->addSpacing(20);
        row->addWidget(dependent);
        localLayout->addLayout(row);
    }

    auto *remote = new QGroupBox(text("Text_PrefRemoteGroup"), this);
    auto *remoteLayout = new QVBoxLayout(remote);
    remoteLayout->addWidget(m_remoteFinderReExpandOnRefresh);
    remoteLayout->addWidget(m_remoteFinderExpandOnDragDrop);

    auto *uploads = new QFormLayout;
    uploads->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    auto *uploadsLabel = new QLabel(text("Text_PrefSimultaneousUploads") + QLatin1Char(':'), this);
    uploadsLabel->setBuddy(m_numberSimultaneousUploads);
    uploads->addRow(uploadsLabel, m_numberSimultaneousUploads);
    m_uploadSpeedLimit->setPlaceholderText(text("Text_PrefUploadSpeedLimitNone"));
    m_uploadSpeedLimit->setAccessibleName(text("Text_PrefUploadSpeedLimit"));
    m_uploadSpeedLimit->setMinimumWidth(
        m_uploadSpeedLimit->fontMetrics().horizontalAdvance(m_uploadSpeedLimit->placeholderText()) + 24);
    auto *speedLabel = new QLabel(text("Text_PrefUploadSpeedLimit") + QLatin1Char(':'), this);
    speedLabel->setBuddy(m_uploadSpeedLimit);
    uploads->addRow(speedLabel, m_uploadSpeedLimit);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 16, 20, 16);
    layout->addWidget(startUp);
    layout->addWidget(local);
    layout->addWidget(remote);
    layout->addLayout(uploads);
    layout->addWidget(m_skipExisting);
    layout->addWidget(m_retryFailed);
    layout->addStretch();
    for (QCheckBox *box : findChildren<QCheckBox *>())
        box->setAccessibleName(box->text());
}

void PreferencesGeneralView::connectControls()
{
    // clicked(), not toggled(): filling the boxes from the store must not write it back.
    connect(m_autoLogin, &QCheckBox::clicked, this, [](bool on) {
        writeAndAnnounce([on](Preferences &preferences) {
            preferences.setAutoLogin(on);
            if (commsGlobal)
                commsGlobal->setBDontShowLoginWindow(on);
        });
    });
    connect(m_finderDisable, &QCheckBox::clicked, this, [this](bool on) {
        writeAndAnnounce([on](Preferences &preferences) { preferences.setDisableFinder(on); });
        updateFinderBoxes();
    });
    connect(m_finderAutoSyncPlaces, &QCheckBox::clicked, this, [](bool on) {
        writeAndAnnounce([on](Preferences &preferences) { preferences.setAutoSyncPlacesWithFinder(on); });
    });
    connect(m_finderExpandOnLaunch, &QCheckBox::clicked, this, [](bool on) {
        writeAndAnnounce([on](Preferences &preferences) { preferences.setAutoExpandFinderFolders(on); });
    });
    connect(m_remoteFinderExpandOnDragDrop, &QCheckBox::clicked, this, [](bool on) {
        writeAndAnnounce([on](Preferences &preferences) { preferences.setRemoteViewAutoExpandsOnDrags(on); });
    });
    connect(m_remoteFinderReExpandOnRefresh, &QCheckBox::clicked, this, [](bool on) {
        writeAndAnnounce([on](Preferences &preferences) { preferences.setReExpandFoldersOnRefresh(on); });
    });
    connect(m_skipExisting, &QCheckBox::clicked, this, [](bool on) {
        writeAndAnnounce([on](Preferences &preferences) { preferences.setSkipExistingUploads(on); });
    });
    connect(m_retryFailed, &QCheckBox::clicked, this, [](bool on) {
        writeAndAnnounce([on](Preferences &preferences) { preferences.setRetryFailedUploads(on); });
    });
    // Taken when the typing is done; text that is no speed goes back to the stored one.
    connect(m_uploadSpeedLimit, &QLineEdit::editingFinished, this, [this] {
        const QString typed = m_uploadSpeedLimit->text().trimmed();
        const std::optional<qint64> rate = typed.isEmpty() ? std::optional<qint64>(0) : parseByteRate(typed);
        const Preferences *preferences = Preferences::instance();
        if (!rate || !preferences) {
            showUploadSpeedLimit();
            return;
        }
        if (*rate != preferences->uploadSpeedLimit()) {
            writeAndAnnounce([rate](Preferences &store) { store.setUploadSpeedLimit(*rate); });
            HttpRateLimit::setBytesPerSecond(*rate);
        }
        showUploadSpeedLimit();
    });
    connect(m_numberSimultaneousUploads, &QSpinBox::valueChanged, this, [](int count) {
        writeAndAnnounce(
            [count](Preferences &preferences) { preferences.setNumberSimultaneousUploads(count); });
    });
}

void PreferencesGeneralView::viewWillMoveToSuperview()
{
    setupDefaults();
}

void PreferencesGeneralView::setupDefaults()
{
    const Preferences *preferences = Preferences::instance();
    if (!preferences)
        return;
    m_autoLogin->setChecked(preferences->autoLogin());
    m_finderDisable->setChecked(preferences->disableFinder());
    m_finderAutoSyncPlaces->setChecked(preferences->autoSyncPlacesWithFinder());
    m_finderExpandOnLaunch->setChecked(preferences->autoExpandFinderFolders());
    m_remoteFinderExpandOnDragDrop->setChecked(preferences->remoteViewAutoExpandsOnDrags());
    m_remoteFinderReExpandOnRefresh->setChecked(preferences->reExpandFoldersOnRefresh());
    m_skipExisting->setChecked(preferences->skipExistingUploads());
    m_retryFailed->setChecked(preferences->retryFailedUploads());
    {
        const QSignalBlocker quiet(m_numberSimultaneousUploads);
        // Anything below 1 runs one upload at a time, and shows so.
        m_numberSimultaneousUploads->setValue(int(qBound<qint64>(1, preferences->numberSimultaneousUploads(),
                                                                 qint64(kMaximumSimultaneousUploads))));
    }
    showUploadSpeedLimit();
    updateFinderBoxes();
}

void PreferencesGeneralView::showUploadSpeedLimit()
{
    const Preferences *preferences = Preferences::instance();
    const qint64 rate = preferences ? preferences->uploadSpeedLimit() : 0;
    m_uploadSpeedLimit->setText(rate > 0 ? byteRateText(rate) : QString());
}

void PreferencesGeneralView::eventPreferencesChanged()
{
    // Not while the user works in this window: its own changes are already shown.
    const QWidget *w = window();
    if (w->isVisible() && !w->isActiveWindow())
        setupDefaults();
}

void PreferencesGeneralView::updateFinderBoxes()
{
    const bool localPaneShown = !m_finderDisable->isChecked();
    m_finderAutoSyncPlaces->setEnabled(localPaneShown);
    m_finderExpandOnLaunch->setEnabled(localPaneShown);
}
