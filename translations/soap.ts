<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>soap</name>
    <message id="SOAP_PARSE_NOT_VALID_CONTENT">
        <source>SOAP_PARSE_NOT_VALID_CONTENT</source>
        <translation>The server's reply could not be read: it is not valid XML.</translation>
    </message>
    <message id="SOAP_PARSE_MISSING_ENVELOPE">
        <source>SOAP_PARSE_MISSING_ENVELOPE</source>
        <translation>The server's reply holds no SOAP envelope.</translation>
    </message>
    <message id="SOAP_PARSE_MISSING_BODY">
        <source>SOAP_PARSE_MISSING_BODY</source>
        <translation>The server's reply holds no SOAP body.</translation>
    </message>
    <message id="SOAP_PARSE_MISSING_RESPONSE">
        <source>SOAP_PARSE_MISSING_RESPONSE</source>
        <translation>The server's reply does not answer the request.</translation>
    </message>
    <message id="SOAP_CHECK_OBJECT_INVALID">
        <source>SOAP_CHECK_OBJECT_INVALID</source>
        <translation>The server's reply carries no result.</translation>
    </message>
    <message id="SOAP_CHECK_MISSING_APIRESPONSE">
        <source>SOAP_CHECK_MISSING_APIRESPONSE</source>
        <translation>The server's reply carries no API status.</translation>
    </message>
    <message id="SOAP_CHECK_MISSING_ACTIONRESPONSE">
        <source>SOAP_CHECK_MISSING_ACTIONRESPONSE</source>
        <translation>The server's reply carries no action status.</translation>
    </message>
    <message id="CONNECTION_COOKIE_NOT_FOUND">
        <source>CONNECTION_COOKIE_NOT_FOUND</source>
        <translation>The server did not start a session (no cookie was set).</translation>
    </message>
    <message id="CONNECTION_COOKIE_REQUIRES_HTTPS">
        <source>CONNECTION_COOKIE_REQUIRES_HTTPS</source>
        <translation>The server's session cookie needs a secure connection: sign in over HTTPS.</translation>
    </message>
</context>
</TS>
