<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>login</name>
    <message id="Text_LoginWindowTitle">
        <source>Text_LoginWindowTitle</source>
        <translation>Sign In</translation>
    </message>
    <message id="Text_LoginServer">
        <source>Text_LoginServer</source>
        <translation>Server</translation>
    </message>
    <message id="Text_LoginServerPlaceholder">
        <source>Text_LoginServerPlaceholder</source>
        <translation>media.example.org</translation>
    </message>
    <message id="Text_LoginPort">
        <source>Text_LoginPort</source>
        <translation>Port</translation>
    </message>
    <message id="Text_LoginUseHTTPS">
        <source>Text_LoginUseHTTPS</source>
        <translation>Use HTTPS</translation>
    </message>
    <message id="Text_LoginUserName">
        <source>Text_LoginUserName</source>
        <translation>User name</translation>
    </message>
    <message id="Text_LoginPassword">
        <source>Text_LoginPassword</source>
        <translation>Password</translation>
    </message>
    <message id="Text_LoginSavePassword">
        <source>Text_LoginSavePassword</source>
        <translation>Remember the password</translation>
    </message>
    <message id="Text_LoginDontShow">
        <source>Text_LoginDontShow</source>
        <translation>Sign in at start-up without this window</translation>
    </message>
    <message id="Text_LoginButton">
        <source>Text_LoginButton</source>
        <translation>Sign In</translation>
    </message>
    <message id="Text_LoginStatus">
        <source>Text_LoginStatus</source>
        <translation>Sign-in status</translation>
    </message>
    <message id="Login_ToolTip">
        <source>Login_ToolTip</source>
        <translation>Sign in to the server with these details</translation>
    </message>
    <message id="LoginError_ServerAddress">
        <source>LoginError_ServerAddress</source>
        <translation>Enter the server's address</translation>
    </message>
    <message id="LoginError_Port">
        <source>LoginError_Port</source>
        <translation>Enter the server's port number</translation>
    </message>
    <message id="LoginError_Username">
        <source>LoginError_Username</source>
        <translation>Enter your user name and password</translation>
    </message>
    <message id="Text_ErrorFailedLogin">
        <source>Text_ErrorFailedLogin</source>
        <translation>Sign-in failed</translation>
    </message>
    <message id="Text_OK">
        <source>Text_OK</source>
        <translation>OK</translation>
    </message>
    <message id="Text_ErrorWithCode">
        <source>Text_ErrorWithCode</source>
        <translation>%1
(Error code: %2)</translation>
    </message>
    <message id="Text_IncompatibleVersion">
        <source>Text_IncompatibleVersion</source>
        <translation>This version no longer works with the server</translation>
    </message>
    <message id="Text_IncompatibleVersionMsg">
        <source>Text_IncompatibleVersionMsg</source>
        <translation>The server needs a newer version of Vendra Uploader. Quit and download the new version now?</translation>
    </message>
    <message id="Text_QuitAndOpen">
        <source>Text_QuitAndOpen</source>
        <translation>Quit and Download</translation>
    </message>
    <message id="Text_Quit">
        <source>Text_Quit</source>
        <translation>Quit</translation>
    </message>
    <message id="NetworkError_Refused">
        <source>NetworkError_Refused</source>
        <translation>The server refused the connection</translation>
    </message>
    <message id="NetworkError_HostNotFound">
        <source>NetworkError_HostNotFound</source>
        <translation>The server&apos;s address could not be found</translation>
    </message>
    <message id="NetworkError_TimedOut">
        <source>NetworkError_TimedOut</source>
        <translation>The server stopped answering (time-out)</translation>
    </message>
    <message id="NetworkError_Closed">
        <source>NetworkError_Closed</source>
        <translation>The server closed the connection before its answer was complete</translation>
    </message>
    <message id="NetworkError_NotHttp">
        <source>NetworkError_NotHttp</source>
        <translation>The server&apos;s answer is not valid HTTP</translation>
    </message>
    <message id="NetworkError_Proxy">
        <source>NetworkError_Proxy</source>
        <translation>The proxy could not be reached or refused the connection</translation>
    </message>
    <message id="NetworkError_ReplyTooLarge">
        <source>NetworkError_ReplyTooLarge</source>
        <translation>The server&apos;s reply is larger than %1 MiB and was not read</translation>
    </message>
    <message id="NetworkError_Canceled">
        <source>NetworkError_Canceled</source>
        <translation>The exchange was cancelled</translation>
    </message>
    <message id="NetworkError_Other">
        <source>NetworkError_Other</source>
        <translation>The connection to the server failed</translation>
    </message>
    <message id="NetworkError_CertificateUntrusted">
        <source>NetworkError_CertificateUntrusted</source>
        <translation>The certificate of the server &quot;%1&quot; is not trusted, so no connection was made. Trust it only if its fingerprint below is the one the server&apos;s administrator gives you.</translation>
    </message>
    <message id="NetworkError_CertificateChanged">
        <source>NetworkError_CertificateChanged</source>
        <translation>The server &quot;%1&quot; shows another certificate than the one you trusted for it, so no connection was made.
Trusted: %2
Shown now: %3
If the server&apos;s certificate was replaced on purpose, forget the trusted certificate in the server profile and sign in again.</translation>
    </message>
    <message id="Text_TrustCertificate">
        <source>Text_TrustCertificate</source>
        <translation>Trust This Certificate</translation>
    </message>
    <message id="NetworkError_NO_SSL_ON_HTTP">
        <source>NetworkError_NO_SSL_ON_HTTP</source>
        <translation>The HTTPS setting does not match the server's port.</translation>
    </message>
    <message id="NetworkError_TlsToPlainHttpPort">
        <source>NetworkError_TlsToPlainHttpPort</source>
        <translation>This port answers plain HTTP: turn HTTPS off, or use the server's HTTPS port.</translation>
    </message>
    <message id="NetworkError_PlainHttpToTlsPort">
        <source>NetworkError_PlainHttpToTlsPort</source>
        <translation>This port expects HTTPS: turn HTTPS on.</translation>
    </message>
    <message id="NetworkError_SSL_CONNECTION_ERROR">
        <source>NetworkError_SSL_CONNECTION_ERROR</source>
        <translation>A secure connection to the server could not be made.</translation>
    </message>
    <message id="Text_CertificateSubject">
        <source>Text_CertificateSubject</source>
        <translation>Issued to: %1</translation>
    </message>
    <message id="Text_CertificateIssuer">
        <source>Text_CertificateIssuer</source>
        <translation>Issued by: %1</translation>
    </message>
    <message id="Text_CertificateValidity">
        <source>Text_CertificateValidity</source>
        <translation>Valid from %1 to %2</translation>
    </message>
    <message id="Text_CertificateFingerprint">
        <source>Text_CertificateFingerprint</source>
        <translation>SHA-256 fingerprint: %1</translation>
    </message>
</context>
</TS>
