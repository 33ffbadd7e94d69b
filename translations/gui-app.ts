<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>gui-app</name>
    <message id="Text_MainWindowTitle">
        <source>Text_MainWindowTitle</source>
        <translation>Vendra Uploader</translation>
    </message>
    <message id="Text_MainLocalPane">
        <source>Text_MainLocalPane</source>
        <translation>Local files</translation>
    </message>
    <message id="Text_MainRemotePane">
        <source>Text_MainRemotePane</source>
        <translation>Albums on the server</translation>
    </message>
    <message id="Text_MainBusy">
        <source>Text_MainBusy</source>
        <translation>Working</translation>
    </message>
    <message id="Text_MainStatus">
        <source>Text_MainStatus</source>
        <translation>Status</translation>
    </message>
    <message id="Text_MainSigningIn">
        <source>Text_MainSigningIn</source>
        <translation>Signing in</translation>
    </message>
    <message id="Text_ToolbarName">
        <source>Text_ToolbarName</source>
        <translation>Main toolbar</translation>
    </message>
    <message id="Text_ToolbarRefresh">
        <source>Text_ToolbarRefresh</source>
        <translation>Refresh</translation>
    </message>
    <message id="Text_ToolbarCancelAll">
        <source>Text_ToolbarCancelAll</source>
        <translation>Cancel All</translation>
    </message>
    <message id="Text_ToolbarQuota">
        <source>Text_ToolbarQuota</source>
        <translation>Quota</translation>
    </message>
    <message id="Text_ToolbarLog">
        <source>Text_ToolbarLog</source>
        <translation>Event Log</translation>
    </message>
    <message id="Text_ToolbarPending">
        <source>Text_ToolbarPending</source>
        <translation>Pending Files</translation>
    </message>
    <message id="Text_ToolbarMyPictures">
        <source>Text_ToolbarMyPictures</source>
        <translation>My Pictures</translation>
    </message>
    <message id="Text_ToolbarLogout">
        <source>Text_ToolbarLogout</source>
        <translation>Sign Out</translation>
    </message>
    <message id="Text_MenuFile">
        <source>Text_MenuFile</source>
        <translation>&amp;File</translation>
    </message>
    <message id="Text_MenuLogin">
        <source>Text_MenuLogin</source>
        <translation>Sign In</translation>
    </message>
    <message id="Text_MenuUpload">
        <source>Text_MenuUpload</source>
        <translation>Upload Files…</translation>
    </message>
    <message id="Text_MenuDelete">
        <source>Text_MenuDelete</source>
        <translation>Delete</translation>
    </message>
    <message id="Text_MenuPreferences">
        <source>Text_MenuPreferences</source>
        <translation>Preferences…</translation>
    </message>
    <message id="Text_MenuQuit">
        <source>Text_MenuQuit</source>
        <translation>Quit</translation>
    </message>
    <message id="Text_MenuView">
        <source>Text_MenuView</source>
        <translation>&amp;View</translation>
    </message>
    <message id="Text_MenuFullScreen">
        <source>Text_MenuFullScreen</source>
        <translation>Full Screen</translation>
    </message>
    <message id="Text_MenuHelpMenu">
        <source>Text_MenuHelpMenu</source>
        <translation>&amp;Help</translation>
    </message>
    <message id="Text_MenuHelp">
        <source>Text_MenuHelp</source>
        <translation>Vendra Uploader Help</translation>
    </message>
    <message id="Status_RRFolders">
        <source>Status_RRFolders</source>
        <translation>Refreshing the albums…</translation>
    </message>
    <message id="Text_Crash">
        <source>Text_Crash</source>
        <translation>Vendra Uploader quit unexpectedly last time.</translation>
    </message>
    <message id="Text_Crash_Info">
        <source>Text_Crash_Info</source>
        <translation>A report for support can be put on your Desktop: a zip archive with a description of this computer, the program's log files and its newest crash report. Nothing is sent anywhere.</translation>
    </message>
    <message id="Text_Create_Zip">
        <source>Text_Create_Zip</source>
        <translation>Create Report</translation>
    </message>
    <message id="Text_Ignore">
        <source>Text_Ignore</source>
        <translation>Ignore</translation>
    </message>
    <message id="Text_NewVersion">
        <source>Text_NewVersion</source>
        <translation>A new version of Vendra Uploader is available.</translation>
    </message>
    <message id="Text_NewVersionMsg">
        <source>Text_NewVersionMsg</source>
        <translation>This version still works with the server. You can quit now and open the download page, or carry on and update later.</translation>
    </message>
    <message id="Text_Later">
        <source>Text_Later</source>
        <translation>Later</translation>
    </message>
</context>
</TS>
