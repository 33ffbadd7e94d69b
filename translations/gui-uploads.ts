<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>gui-uploads</name>
    <message id="Text_UploadStatWait">
        <source>Text_UploadStatWait</source>
        <translation>Waiting</translation>
    </message>
    <message id="Text_UploadStatStart">
        <source>Text_UploadStatStart</source>
        <translation>Starting</translation>
    </message>
    <message id="Text_UploadStatUpload">
        <source>Text_UploadStatUpload</source>
        <translation>In progress</translation>
    </message>
    <message id="Text_UploadStatDone">
        <source>Text_UploadStatDone</source>
        <translation>Done</translation>
    </message>
    <message id="Text_UploadStatFailError">
        <source>Text_UploadStatFailError</source>
        <translation>Failed: %1</translation>
    </message>
    <message id="Text_UploadStatFail">
        <source>Text_UploadStatFail</source>
        <translation>Failed</translation>
    </message>
    <message id="Text_UploadStatCancel">
        <source>Text_UploadStatCancel</source>
        <translation>Cancelled</translation>
    </message>
    <message id="Text_UploadStatUnknown">
        <source>Text_UploadStatUnknown</source>
        <translation>Unknown state</translation>
    </message>
    <message id="Text_UploadColumnFile">
        <source>Text_UploadColumnFile</source>
        <translation>File</translation>
    </message>
    <message id="Text_UploadColumnSource">
        <source>Text_UploadColumnSource</source>
        <translation>From Folder</translation>
    </message>
    <message id="Text_UploadColumnDestination">
        <source>Text_UploadColumnDestination</source>
        <translation>To Album</translation>
    </message>
    <message id="Text_UploadColumnSize">
        <source>Text_UploadColumnSize</source>
        <translation>Size</translation>
    </message>
    <message id="Text_UploadColumnStatus">
        <source>Text_UploadColumnStatus</source>
        <translation>Status</translation>
    </message>
    <message id="Text_UploadCancelSelected">
        <source>Text_UploadCancelSelected</source>
        <translation>Cancel or Remove Selected</translation>
    </message>
    <message id="Text_UploadCancelAll">
        <source>Text_UploadCancelAll</source>
        <translation>Cancel All Uploads</translation>
    </message>
    <message id="Text_UploadListName">
        <source>Text_UploadListName</source>
        <translation>Uploads</translation>
    </message>
</context>
</TS>
