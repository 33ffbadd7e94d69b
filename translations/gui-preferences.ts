<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>gui-preferences</name>
    <message id="Text_GeneralPref">
        <source>Text_GeneralPref</source>
        <translation>General</translation>
    </message>
    <message id="Text_ZRMPref">
        <source>Text_ZRMPref</source>
        <translation>Server Profile</translation>
    </message>
    <message id="Text_DebugPref">
        <source>Text_DebugPref</source>
        <translation>Debug Log</translation>
    </message>
    <message id="Text_SystemPref">
        <source>Text_SystemPref</source>
        <translation>System Information</translation>
    </message>
    <message id="Text_PrefStartUpGroup">
        <source>Text_PrefStartUpGroup</source>
        <translation>Start-up</translation>
    </message>
    <message id="Text_PrefAutoLogin">
        <source>Text_PrefAutoLogin</source>
        <translation>Sign in at start-up without showing the login window</translation>
    </message>
    <message id="Text_PrefLocalGroup">
        <source>Text_PrefLocalGroup</source>
        <translation>Local files</translation>
    </message>
    <message id="Text_PrefFinderDisable">
        <source>Text_PrefFinderDisable</source>
        <translation>Hide the local files pane</translation>
    </message>
    <message id="Text_PrefFinderAutoSyncPlaces">
        <source>Text_PrefFinderAutoSyncPlaces</source>
        <translation>Keep the places in step with the file manager's bookmarks</translation>
    </message>
    <message id="Text_PrefFinderExpandOnLaunch">
        <source>Text_PrefFinderExpandOnLaunch</source>
        <translation>Reopen the folders that were open when the program last quit</translation>
    </message>
    <message id="Text_PrefRemoteGroup">
        <source>Text_PrefRemoteGroup</source>
        <translation>Albums</translation>
    </message>
    <message id="Text_PrefRemoteReExpandOnRefresh">
        <source>Text_PrefRemoteReExpandOnRefresh</source>
        <translation>Reopen the open albums after a refresh</translation>
    </message>
    <message id="Text_PrefRemoteExpandOnDragDrop">
        <source>Text_PrefRemoteExpandOnDragDrop</source>
        <translation>Open albums under the pointer while dragging files</translation>
    </message>
    <message id="Text_PrefSimultaneousUploads">
        <source>Text_PrefSimultaneousUploads</source>
        <translation>Simultaneous uploads</translation>
    </message>
    <message id="Text_PrefUploadSpeedLimit">
        <source>Text_PrefUploadSpeedLimit</source>
        <translation>Upload speed limit</translation>
    </message>
    <message id="Text_PrefUploadSpeedLimitNone">
        <source>Text_PrefUploadSpeedLimitNone</source>
        <translation>None (e.g. 500K or 2M per second)</translation>
    </message>
    <message id="Text_PrefProxy">
        <source>Text_PrefProxy</source>
        <translation>Proxy:</translation>
    </message>
    <message id="Text_PrefProxyPlaceholder">
        <source>Text_PrefProxyPlaceholder</source>
        <translation>From the environment (e.g. http://proxy:3128)</translation>
    </message>
    <message id="Text_PrefTrustedCertificate">
        <source>Text_PrefTrustedCertificate</source>
        <translation>Trusted certificate:</translation>
    </message>
    <message id="Text_PrefNoTrustedCertificate">
        <source>Text_PrefNoTrustedCertificate</source>
        <translation>None</translation>
    </message>
    <message id="Text_PrefForgetCertificate">
        <source>Text_PrefForgetCertificate</source>
        <translation>Forget</translation>
    </message>
    <message id="Text_PrefUpdateProfile">
        <source>Text_PrefUpdateProfile</source>
        <translation>Update and Sign In Again</translation>
    </message>
    <message id="Text_PrefUploadsRunning">
        <source>Text_PrefUploadsRunning</source>
        <translation>You currently have files uploading.</translation>
    </message>
    <message id="Text_PrefUploadsRunningInfo">
        <source>Text_PrefUploadsRunningInfo</source>
        <translation>Are you sure you want to update your details as it will cancel your current uploads?</translation>
    </message>
    <message id="Text_YES">
        <source>Text_YES</source>
        <translation>Yes</translation>
    </message>
    <message id="Text_NO">
        <source>Text_NO</source>
        <translation>No</translation>
    </message>
    <message id="Text_PrefCreateReport">
        <source>Text_PrefCreateReport</source>
        <translation>Create Support Report</translation>
    </message>
    <message id="Text_PrefCreateReportTip">
        <source>Text_PrefCreateReportTip</source>
        <translation>Saves the log files and the system information as a zip archive on the Desktop</translation>
    </message>
    <message id="Text_PrefShowLogFolder">
        <source>Text_PrefShowLogFolder</source>
        <translation>Show Log Folder</translation>
    </message>
</context>
</TS>
