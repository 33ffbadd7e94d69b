<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>gui-support</name>
    <message id="Text_Report_Title">
        <source>Text_Report_Title</source>
        <translation>Report for Support</translation>
    </message>
    <message id="Text_Report_Saved">
        <source>Text_Report_Saved</source>
        <translation>The report for support is saved as “%1”.</translation>
    </message>
    <message id="Text_Report_Saved_Info">
        <source>Text_Report_Saved_Info</source>
        <translation>It is in %1, as a zip archive and as a single-file copy. Send either to support.</translation>
    </message>
    <message id="Text_Report_Show_Folder">
        <source>Text_Report_Show_Folder</source>
        <translation>Show Folder</translation>
    </message>
    <message id="Text_Report_Failed">
        <source>Text_Report_Failed</source>
        <translation>No report for support could be made.</translation>
    </message>
    <message id="Text_Report_Failed_Info">
        <source>Text_Report_Failed_Info</source>
        <translation>The Desktop folder or the temporary folder could not be written. The debug log says more.</translation>
    </message>
    <message id="Text_KeyringMissing">
        <source>Text_KeyringMissing</source>
        <translation>no keyring is running: the password will not be remembered</translation>
    </message>
    <message id="Text_KeyringRefused">
        <source>Text_KeyringRefused</source>
        <translation>The keyring did not take the password: it will not be remembered.</translation>
    </message>
    <message id="Text_KeyringNote">
        <source>Text_KeyringNote</source>
        <translation>Keyring</translation>
    </message>
</context>
</TS>
