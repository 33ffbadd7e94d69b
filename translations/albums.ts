<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>albums</name>
    <message id="Text_RemoteColumnFile">
        <source>Text_RemoteColumnFile</source>
        <translation>Name</translation>
    </message>
    <message id="Text_RemoteColumnSize">
        <source>Text_RemoteColumnSize</source>
        <translation>Size</translation>
    </message>
</context>
</TS>
