<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>gui-albums</name>
    <message id="Text_AlbumMenuCreate">
        <source>Text_AlbumMenuCreate</source>
        <translation>New Album</translation>
    </message>
    <message id="Text_AlbumMenuRename">
        <source>Text_AlbumMenuRename</source>
        <translation>Rename</translation>
    </message>
    <message id="Text_AlbumMenuDelete">
        <source>Text_AlbumMenuDelete</source>
        <translation>Delete…</translation>
    </message>
    <message id="Text_AlbumMenuUpload">
        <source>Text_AlbumMenuUpload</source>
        <translation>Upload Files…</translation>
    </message>
    <message id="Text_AlbumDeleteTitle">
        <source>Text_AlbumDeleteTitle</source>
        <translation>Delete Item(s)</translation>
    </message>
    <message id="Text_AlbumDeleteInfo">
        <source>Text_AlbumDeleteInfo</source>
        <translation>This will delete %1 item(s) permanetly</translation>
    </message>
    <message id="Text_AlbumDeleteButton">
        <source>Text_AlbumDeleteButton</source>
        <translation>Delete</translation>
    </message>
    <message id="Text_AlbumUploadPanelTitle">
        <source>Text_AlbumUploadPanelTitle</source>
        <translation>Upload to the Album</translation>
    </message>
    <message id="Text_AlbumUploadPanelChoose">
        <source>Text_AlbumUploadPanelChoose</source>
        <translation>Upload</translation>
    </message>
</context>
</TS>
