#pragma once

#include <QFileDialog>
#include <QList>
#include <QUrl>

// The panel that picks what to upload: several files and folders at once. Double-clicking a folder
// opens it; choosing it (selected or typed) and confirming takes it as it is.
class UploadFilePanel : public QFileDialog
{
    Q_OBJECT

public:
    explicit UploadFilePanel(QWidget *parent, const QString &startFolder);

    // What was chosen, once confirmed.
    QList<QUrl> chosenUrls() const;

public Q_SLOTS:
    void accept() override;

private:
    QList<QUrl> m_chosen;
};
