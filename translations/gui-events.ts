<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>gui-events</name>
    <message id="Text_EventLogTitle">
        <source>Text_EventLogTitle</source>
        <translation>Event Log</translation>
    </message>
    <message id="Text_EventLogClear">
        <source>Text_EventLogClear</source>
        <translation>Clear</translation>
    </message>
    <message id="Text_EventLogColumnIndex">
        <source>Text_EventLogColumnIndex</source>
        <translation>#</translation>
    </message>
    <message id="Text_EventLogColumnPath">
        <source>Text_EventLogColumnPath</source>
        <translation>Item</translation>
    </message>
    <message id="Text_EventLogColumnMessage">
        <source>Text_EventLogColumnMessage</source>
        <translation>Message</translation>
    </message>
    <message id="Text_EventLogListName">
        <source>Text_EventLogListName</source>
        <translation>Event log entries</translation>
    </message>
</context>
</TS>
