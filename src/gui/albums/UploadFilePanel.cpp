#include "albums/UploadFilePanel.h"

#include "common/MessageText.h"

#include <QFileInfo>

#include <algorithm>

UploadFilePanel::UploadFilePanel(QWidget *parent, const QString &startFolder)
    : QFileDialog(parent, messageText(QStringLiteral("Text_AlbumUploadPanelTitle")), startFolder)
{
    // The desktop's own panel cannot take files and folders together.
    setOption(QFileDialog::DontUseNativeDialog);
    setFileMode(QFileDialog::ExistingFiles);
    setAcceptMode(QFileDialog::AcceptOpen);
    setLabelText(QFileDialog::Accept, messageText(QStringLiteral("Text_AlbumUploadPanelChoose")));
}

QList<QUrl> UploadFilePanel::chosenUrls() const
{
    return m_chosen.isEmpty() ? selectedUrls() : m_chosen;
}

void UploadFilePanel::accept()
{
    const QStringList paths = selectedFiles();
    const auto isFolder = [](const QString &path) {
        return QFileInfo(path).isDir();
    };
    const auto exists = [](const QString &path) {
        return QFileInfo::exists(path);
    };
    // The usual panel opens a chosen folder instead of taking it; files alone go the usual way.
    if (paths.isEmpty() || !std::any_of(paths.begin(), paths.end(), isFolder) ||
        !std::all_of(paths.begin(), paths.end(), exists)) {
        m_chosen.clear();
        QFileDialog::accept();
        return;
    }
    m_chosen.clear();
    for (const QString &path : paths)
        m_chosen.append(QUrl::fromLocalFile(path));
    QDialog::accept();
}
