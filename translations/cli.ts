<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>cli</name>
    <message id="Text_CliNoCommand">
        <source>Text_CliNoCommand</source>
        <translation>Name one command: login, albums, quota or upload (see --help).</translation>
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
        <translation>No password given: set VENDRA_PASSWORD or pipe it in with --password-stdin.</translation>
    </message>
</context>
</TS>
