<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>cli</name>
    <message id="Text_CliNoCommand">
        <source>Text_CliNoCommand</source>
        <translation>Name one command: login, albums, quota, upload or profile (see --help).</translation>
    </message>
    <message id="Text_CliUnknownCommand">
        <source>Text_CliUnknownCommand</source>
        <translation>Unknown command &quot;%1&quot; (see --help).</translation>
    </message>
    <message id="Text_CliHttpAndHttps">
        <source>Text_CliHttpAndHttps</source>
        <translation>Give either --http or --https, not both.</translation>
    </message>
    <message id="Text_CliBadPort">
        <source>Text_CliBadPort</source>
        <translation>The port &quot;%1&quot; is not a number from 1 to 65535.</translation>
    </message>
    <message id="Text_CliBadCertificate">
        <source>Text_CliBadCertificate</source>
        <translation>No certificate could be read from &quot;%1&quot;.</translation>
    </message>
    <message id="Text_CliMissingServer">
        <source>Text_CliMissingServer</source>
        <translation>No server given: use --server.</translation>
    </message>
    <message id="Text_CliMissingUser">
        <source>Text_CliMissingUser</source>
        <translation>No user name given: use --user.</translation>
    </message>
    <message id="Text_CliMissingPassword">
        <source>Text_CliMissingPassword</source>
        <translation>No password given: set VENDRA_PASSWORD, pipe it in with --password-stdin, or save it for this server and user name with &quot;profile --save-password&quot;.</translation>
    </message>
    <message id="Text_CliProfileSaveAndForget">
        <source>Text_CliProfileSaveAndForget</source>
        <translation>Give either --save-password or --forget-password, not both.</translation>
    </message>
    <message id="Text_CliProfileEmptyValue">
        <source>Text_CliProfileEmptyValue</source>
        <translation>%1 needs a value: the profile keeps no empty server or user name.</translation>
    </message>
    <message id="Text_CliProfileIncomplete">
        <source>Text_CliProfileIncomplete</source>
        <translation>A password is kept for a server and a user name: store both first (--server, --user). Nothing was stored.</translation>
    </message>
    <message id="Text_CliProfileEmptyPassword">
        <source>Text_CliProfileEmptyPassword</source>
        <translation>The first line of standard input is empty: there is no password to save. Nothing was stored.</translation>
    </message>
    <message id="Text_CliProfileNotWritten">
        <source>Text_CliProfileNotWritten</source>
        <translation>The settings could not be written to %1; the profile and the keyring are unchanged.</translation>
    </message>
    <message id="Text_CliPasswordNotSaved">
        <source>Text_CliPasswordNotSaved</source>
        <translation>The password could not be saved in the keyring (is a Secret Service such as GNOME Keyring running?); the rest of the profile was stored. --verbose shows the keyring&apos;s answer.</translation>
    </message>
    <message id="Text_CliPasswordNotForgotten">
        <source>Text_CliPasswordNotForgotten</source>
        <translation>The saved password could not be removed from the keyring; --verbose shows the keyring&apos;s answer.</translation>
    </message>
    <message id="Text_CliProfileTrustAndForget">
        <source>Text_CliProfileTrustAndForget</source>
        <translation>Give either --trust-certificate or --forget-certificate, not both.</translation>
    </message>
    <message id="Text_CliTrustNeedsHttpsServer">
        <source>Text_CliTrustNeedsHttpsServer</source>
        <translation>Only a server reached over HTTPS has a certificate to trust: store its --server and --https first.</translation>
    </message>
    <message id="Text_CliPresentedCertificate">
        <source>Text_CliPresentedCertificate</source>
        <translation>The server %1 presents this certificate, trusted from now on for that address:</translation>
    </message>
    <message id="Text_CliTrustHint">
        <source>Text_CliTrustHint</source>
        <translation>To trust it, store this server in the profile and run: vendra-cli profile --trust-certificate</translation>
    </message>
    <message id="Text_CliForgetHint">
        <source>Text_CliForgetHint</source>
        <translation>To forget the trusted one: vendra-cli profile --forget-certificate</translation>
    </message>
</context>
</TS>
