<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>localfs</name>
    <message id="Text_DEVICES">
        <source>Text_DEVICES</source>
        <translation>Devices</translation>
    </message>
    <message id="Text_PLACES">
        <source>Text_PLACES</source>
        <translation>Places</translation>
    </message>
    <message id="Text_ComputerFolderName">
        <source>Text_ComputerFolderName</source>
        <translation>Computer</translation>
    </message>
    <message id="Text_Reset_Places">
        <source>Text_Reset_Places</source>
        <translation>Reset the places to the defaults?</translation>
    </message>
    <message id="Text_Reset_Places_Info">
        <source>Text_Reset_Places_Info</source>
        <translation>The places you added or removed are forgotten. The places become your desktop's bookmarked folders, or your home folder with its Pictures, Documents and Downloads folders.</translation>
    </message>
    <message id="Text_Reset">
        <source>Text_Reset</source>
        <translation>Reset</translation>
    </message>
    <message id="Text_Cancel">
        <source>Text_Cancel</source>
        <translation>Cancel</translation>
    </message>
    <message id="Text_Add_Place">
        <source>Text_Add_Place</source>
        <translation>Add Place…</translation>
    </message>
    <message id="Text_Reset_Places_Menu">
        <source>Text_Reset_Places_Menu</source>
        <translation>Reset Places…</translation>
    </message>
    <message id="Text_Remove_Place">
        <source>Text_Remove_Place</source>
        <translation>Remove the selected places</translation>
    </message>
    <message id="Text_Places_Menu">
        <source>Text_Places_Menu</source>
        <translation>Add or reset places</translation>
    </message>
    <message id="Text_Choose_Directory">
        <source>Text_Choose_Directory</source>
        <translation>Choose a Directory</translation>
    </message>
    <message id="Text_Choose">
        <source>Text_Choose</source>
        <translation>Choose</translation>
    </message>
</context>
</TS>
