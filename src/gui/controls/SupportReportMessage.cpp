#include "controls/SupportReportMessage.h"

#include "common/MessageText.h"
#include "diagnostics/CrashHandler.h"
#include "diagnostics/DiagnosticLine.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

namespace SupportReportMessage {

QMessageBox *makeReport(QWidget *parent)
{
    CrashHandler *handler = CrashHandler::instance();
    if (!handler)
        return nullptr;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const QString archive = handler->sendCrashDataToDesktop();
    QGuiApplication::restoreOverrideCursor();

    auto *message = new QMessageBox(parent);
    message->setAttribute(Qt::WA_DeleteOnClose);
    message->setWindowModality(Qt::WindowModal);
    message->setWindowTitle(messageText(QStringLiteral("Text_Report_Title")));
    if (archive.isEmpty()) {
        VENDRA_DIAG(QStringLiteral("No support report could be made"));
        message->setIcon(QMessageBox::Warning);
        message->setText(messageText(QStringLiteral("Text_Report_Failed")));
        message->setInformativeText(messageText(QStringLiteral("Text_Report_Failed_Info")));
        message->addButton(QMessageBox::Ok);
    } else {
        VENDRA_DIAG(QStringLiteral("Support report saved to %1").arg(archive));
        const QFileInfo file(archive);
        message->setIcon(QMessageBox::Information);
        message->setText(messageText(QStringLiteral("Text_Report_Saved")).arg(file.fileName()));
        message->setInformativeText(
            messageText(QStringLiteral("Text_Report_Saved_Info")).arg(QDir::toNativeSeparators(file.path())));
        QPushButton *show = message->addButton(messageText(QStringLiteral("Text_Report_Show_Folder")),
                                               QMessageBox::ActionRole);
        show->setObjectName(QStringLiteral("showFolderButton"));
        QObject::connect(show, &QPushButton::clicked, message,
                         [folder = file.path()] { QDesktopServices::openUrl(QUrl::fromLocalFile(folder)); });
        message->setDefaultButton(message->addButton(QMessageBox::Ok));
    }
    message->open();
    return message;
}

} // namespace SupportReportMessage
