#pragma once

#include "SessionCommand.h"
#include "upload/UploadDelegate.h"

#include <optional>

class UploadProgressDisplay;

// "upload [--parallel N] [--retries N] [--no-skip-existing] --to ALBUM_PATH PATH...": signs in and
// uploads files and folder trees into an album exactly as a drop onto that album would (the empty
// path is the top level, which takes folders only), showing progress, then a summary and the files
// that failed. Every command is kept in the command line's journal until it ends; "upload --resume"
// finishes what an interrupted run of the same server and user left.
class UploadCommand : public SessionCommand, public UploadDelegate
{
public:
    QString name() const override { return QStringLiteral("upload"); }
    QString summary() const override;
    QList<QCommandLineOption> options() const override;
    bool takeArguments(const QCommandLineParser &parser, const QStringList &arguments,
                       QString &problem) override;
    // Wrong arguments are refused before anything is sent, with the status of a failed sign-in.
    int usageExitCode() const override;

    // Each command of the batch is offered here as it is queued.
    void uploadProgress(const UploadStatusPtr &status) override;

protected:
    int runInSession(CliSession &session) override;

private:
    QString m_albumPath;
    QStringList m_paths;
    std::optional<qint64> m_parallel;
    std::optional<qint64> m_limitRate; // bytes per second; unset: the stored preference
    std::optional<int> m_retries;
    bool m_skipExisting = true;
    bool m_resume = false;
    UploadProgressDisplay *m_display = nullptr;
};
