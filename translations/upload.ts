<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>upload</name>
    <message id="Text_DestAlbumMissing">
        <source>Text_DestAlbumMissing</source>
        <translation>The destination album is no longer known; sign in again or refresh the albums.</translation>
    </message>
    <message id="Text_FCreateFolder">
        <source>Text_FCreateFolder</source>
        <translation>The album could not be created.</translation>
    </message>
    <message id="Text_FCreateFContents">
        <source>Text_FCreateFContents</source>
        <translation>The album's contents could not be read.</translation>
    </message>
    <message id="Text_Cancelled">
        <source>Text_Cancelled</source>
        <translation>Cancelled</translation>
    </message>
    <message id="Cancelled">
        <source>Cancelled</source>
        <translation>Cancelled</translation>
    </message>
    <message id="Text_ParentMissing">
        <source>Text_ParentMissing</source>
        <translation>The album to upload into does not exist.</translation>
    </message>
    <message id="Text_UploadToRoot">
        <source>Text_UploadToRoot</source>
        <translation>Files cannot be uploaded to the top level; choose an album.</translation>
    </message>
    <message id="Text_FileMissing">
        <source>Text_FileMissing</source>
        <translation>The file no longer exists.</translation>
    </message>
    <message id="Text_FolderUnreadable">
        <source>Text_FolderUnreadable</source>
        <translation>The folder cannot be read; nothing in it was uploaded.</translation>
    </message>
    <message id="Text_UploadReplyWrongAlbum">
        <source>Text_UploadReplyWrongAlbum</source>
        <translation>Not stored as sent: the server answered album %1, but the file was sent to album %2.</translation>
    </message>
    <message id="Text_UploadReplyWrongSize">
        <source>Text_UploadReplyWrongSize</source>
        <translation>Not stored as sent: the server answered size %1, but %2 bytes were sent.</translation>
    </message>
    <message id="Text_UploadReplyNothing">
        <source>Text_UploadReplyNothing</source>
        <translation>(none)</translation>
    </message>
    <message id="Text_NameNotUtf8">
        <source>Text_NameNotUtf8</source>
        <translation>The name is not valid UTF-8, so it cannot be read under any name this program can give; rename it to upload it.</translation>
    </message>
    <message id="Text_Skipped">
        <source>Text_Skipped</source>
        <translation>Skipped: %1</translation>
    </message>
    <message id="Text_NotAFile">
        <source>Text_NotAFile</source>
        <translation>Only regular files can be uploaded.</translation>
    </message>
    <message id="Text_FileTooLarge">
        <source>Text_FileTooLarge</source>
        <translation>The file is larger than the server accepts (at most %1).</translation>
    </message>
    <message id="Text_Server_Response">
        <source>Text_Server_Response</source>
        <translation>The server refused the file: %1</translation>
    </message>
    <message id="Text_AlbumExists">
        <source>Text_AlbumExists</source>
        <translation>The album exists already.</translation>
    </message>
    <message id="Text_FailedCreateAlbum">
        <source>Text_FailedCreateAlbum</source>
        <translation>The album could not be created or read on the server.</translation>
    </message>
    <message id="UPLOAD_FILE_TOO_LARGE">
        <source>UPLOAD_FILE_TOO_LARGE</source>
        <translation>the file is larger than the server accepts</translation>
    </message>
    <message id="UPLOAD_ACCESS_DENIED">
        <source>UPLOAD_ACCESS_DENIED</source>
        <translation>you may not upload files</translation>
    </message>
    <message id="UPLOAD_ALBUM_NOT_FOUND">
        <source>UPLOAD_ALBUM_NOT_FOUND</source>
        <translation>the album does not exist</translation>
    </message>
    <message id="UPLOAD_BAD_REQUEST">
        <source>UPLOAD_BAD_REQUEST</source>
        <translation>the upload arrived incomplete</translation>
    </message>
    <message id="UPLOAD_STORAGE_ERROR">
        <source>UPLOAD_STORAGE_ERROR</source>
        <translation>the server could not store the file</translation>
    </message>
    <message id="UPLOAD_QUOTA_EXCEEDED">
        <source>UPLOAD_QUOTA_EXCEEDED</source>
        <translation>the file does not fit into your quota</translation>
    </message>
    <message id="UPLOAD_NO_FILE">
        <source>UPLOAD_NO_FILE</source>
        <translation>no file arrived</translation>
    </message>
    <message id="UPLOAD_INVALID_NAME">
        <source>UPLOAD_INVALID_NAME</source>
        <translation>the file name is not allowed</translation>
    </message>
    <message id="UPLOAD_NAME_EXISTS">
        <source>UPLOAD_NAME_EXISTS</source>
        <translation>the album holds a file of that name already</translation>
    </message>
    <message id="UPLOAD_ALBUM_TOO_DEEP">
        <source>UPLOAD_ALBUM_TOO_DEEP</source>
        <translation>the albums are nested too deeply</translation>
    </message>
</context>
</TS>
