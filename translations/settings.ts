<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>settings</name>
    <message id="Text_KeychainMissingArgument">
        <source>Text_KeychainMissingArgument</source>
        <translation>A server address and a user name are needed to find a saved password.</translation>
    </message>
    <message id="Text_KeychainNotAvailable">
        <source>Text_KeychainNotAvailable</source>
        <translation>No keyring is available: the password cannot be saved. Start the desktop's keyring (a Secret Service such as GNOME Keyring or KWallet) to save it.</translation>
    </message>
    <message id="Text_KeychainItemNotFound">
        <source>Text_KeychainItemNotFound</source>
        <translation>No saved password was found in the keyring.</translation>
    </message>
    <message id="Text_KeychainLocked">
        <source>Text_KeychainLocked</source>
        <translation>The keyring is locked; unlock it to use the saved password.</translation>
    </message>
    <message id="Text_KeychainDuplicateItem">
        <source>Text_KeychainDuplicateItem</source>
        <translation>The keyring already holds a password for this server and user.</translation>
    </message>
    <message id="Text_KeychainCanceled">
        <source>Text_KeychainCanceled</source>
        <translation>Unlocking the keyring was cancelled.</translation>
    </message>
    <message id="Text_KeychainFailed">
        <source>Text_KeychainFailed</source>
        <translation>The keyring could not be used.</translation>
    </message>
</context>
</TS>
