<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>session</name>
    <message id="Text_LogginIn">
        <source>Text_LogginIn</source>
        <translation>Signing in…</translation>
    </message>
    <message id="Text_LoginSucceeded">
        <source>Text_LoginSucceeded</source>
        <translation>Signed in.</translation>
    </message>
    <message id="Text_LoginFailed">
        <source>Text_LoginFailed</source>
        <translation>Signing in failed.</translation>
    </message>
    <message id="Text_WasSuccsess">
        <source>Text_WasSuccsess</source>
        <translation>succeeded</translation>
    </message>
    <message id="Text_Failed">
        <source>Text_Failed</source>
        <translation>failed</translation>
    </message>
    <message id="Status_CheckVersion">
        <source>Status_CheckVersion</source>
        <translation>Checking the client version</translation>
    </message>
    <message id="Status_RemoteLogin">
        <source>Status_RemoteLogin</source>
        <translation>Signing in to the server</translation>
    </message>
    <message id="Status_GetPendingDetails">
        <source>Status_GetPendingDetails</source>
        <translation>Reading the pending-files details</translation>
    </message>
    <message id="Status_GetFileDetails">
        <source>Status_GetFileDetails</source>
        <translation>Reading the my-pictures details</translation>
    </message>
    <message id="Status_GetRemoteFolders">
        <source>Status_GetRemoteFolders</source>
        <translation>Reading the albums</translation>
    </message>
    <message id="SOAP_CHECK_VERSION_FAILED_DESERIALISE">
        <source>SOAP_CHECK_VERSION_FAILED_DESERIALISE</source>
        <translation>The server did not describe its version.</translation>
    </message>
    <message id="LOGIN_USER_NOT_FOUND">
        <source>LOGIN_USER_NOT_FOUND</source>
        <translation>The server does not know this user name and password.</translation>
    </message>
    <message id="SOAP_GET_PENDING_FILES_BUTTON">
        <source>SOAP_GET_PENDING_FILES_BUTTON</source>
        <translation>The server did not describe the pending-files page.</translation>
    </message>
    <message id="SOAP_GET_PICTURE_BUTTON_DETAILS">
        <source>SOAP_GET_PICTURE_BUTTON_DETAILS</source>
        <translation>The server did not describe the my-pictures page.</translation>
    </message>
    <message id="SOAP_REMOTE_FOLDER_BROWSER">
        <source>SOAP_REMOTE_FOLDER_BROWSER</source>
        <translation>The server did not list the albums.</translation>
    </message>
    <message id="SOAP_LOGIN_VERSION_NOT_COMPATABLE">
        <source>SOAP_LOGIN_VERSION_NOT_COMPATABLE</source>
        <translation>This version of the program no longer works with the server. Please install a newer version.</translation>
    </message>
</context>
</TS>
