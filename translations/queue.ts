<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>queue</name>
    <message id="Text_AlreadyOnServer">
        <source>Text_AlreadyOnServer</source>
        <translation>Already on the server</translation>
    </message>
    <message id="Text_RetryingIn">
        <source>Text_RetryingIn</source>
        <translation>Retrying in %1 s (try %2 of %3)</translation>
    </message>
    <message id="Text_ResumeOfferOne">
        <source>Text_ResumeOfferOne</source>
        <translation>1 file from your last session was not uploaded.</translation>
    </message>
    <message id="Text_ResumeOfferMany">
        <source>Text_ResumeOfferMany</source>
        <translation>%1 files from your last session were not uploaded.</translation>
    </message>
    <message id="Text_Resume">
        <source>Text_Resume</source>
        <translation>Resume</translation>
    </message>
    <message id="Text_Discard">
        <source>Text_Discard</source>
        <translation>Discard</translation>
    </message>
    <message id="Text_QueuePaused">
        <source>Text_QueuePaused</source>
        <translation>Uploads paused</translation>
    </message>
    <message id="Text_BatchProgress">
        <source>Text_BatchProgress</source>
        <translation>%1 of %2 files · %3 of %4 · %5/s · %6 left</translation>
    </message>
    <message id="Text_BatchProgressNoEstimate">
        <source>Text_BatchProgressNoEstimate</source>
        <translation>%1 of %2 files · %3 of %4 · %5/s</translation>
    </message>
    <message id="Text_CliResumeNothing">
        <source>Text_CliResumeNothing</source>
        <translation>Nothing from an earlier run is left to upload.</translation>
    </message>
    <message id="Text_CliResumeWithPaths">
        <source>Text_CliResumeWithPaths</source>
        <translation>--resume takes no paths and no --to: it finishes what an earlier run left.</translation>
    </message>
    <message id="Text_CliBadRetries">
        <source>Text_CliBadRetries</source>
        <translation>--retries needs a whole number of tries from 0 up, not "%1".</translation>
    </message>
    <message id="Text_CliResumeCount">
        <source>Text_CliResumeCount</source>
        <translation>Resuming %1 file(s) left by an earlier run.</translation>
    </message>
    <message id="Text_UploadRetry">
        <source>Text_UploadRetry</source>
        <translation>Retry</translation>
    </message>
    <message id="Text_UploadRetryAllFailed">
        <source>Text_UploadRetryAllFailed</source>
        <translation>Retry All Failed</translation>
    </message>
    <message id="Text_UploadPause">
        <source>Text_UploadPause</source>
        <translation>Pause Uploads</translation>
    </message>
    <message id="Text_UploadResume">
        <source>Text_UploadResume</source>
        <translation>Resume Uploads</translation>
    </message>
    <message id="Text_UploadCopyFailed">
        <source>Text_UploadCopyFailed</source>
        <translation>Copy Failed List</translation>
    </message>
    <message id="Text_UploadSaveFailed">
        <source>Text_UploadSaveFailed</source>
        <translation>Save Failed List as CSV…</translation>
    </message>
    <message id="Text_UploadSaveFailedError">
        <source>Text_UploadSaveFailedError</source>
        <translation>The list could not be written to %1.</translation>
    </message>
    <message id="Text_PrefSkipExisting">
        <source>Text_PrefSkipExisting</source>
        <translation>Skip files already on the server</translation>
    </message>
    <message id="Text_PrefRetryFailed">
        <source>Text_PrefRetryFailed</source>
        <translation>Retry failed uploads automatically</translation>
    </message>
    <message id="Text_BatchDone">
        <source>Text_BatchDone</source>
        <translation>Uploads finished</translation>
    </message>
    <message id="Text_BatchDoneBody">
        <source>Text_BatchDoneBody</source>
        <translation>%1 arrived, %2 failed</translation>
    </message>
    <message id="Text_BatchDoneShow">
        <source>Text_BatchDoneShow</source>
        <translation>Show</translation>
    </message>
</context>
</TS>
