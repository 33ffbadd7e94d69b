<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>gui-quota</name>
    <message id="Text_QuotaTitle">
        <source>Text_QuotaTitle</source>
        <translation>Storage Quota</translation>
    </message>
    <message id="Text_QuotaTotal">
        <source>Text_QuotaTotal</source>
        <translation>%1 Total</translation>
    </message>
    <message id="Text_QuotaUsed">
        <source>Text_QuotaUsed</source>
        <translation>%1 Used</translation>
    </message>
    <message id="Text_QuotaAvailable">
        <source>Text_QuotaAvailable</source>
        <translation>%1 Available</translation>
    </message>
    <message id="Text_QuotaFiles">
        <source>Text_QuotaFiles</source>
        <translation>%1 Files</translation>
    </message>
    <message id="Text_QuotaDataUnavailable">
        <source>Text_QuotaDataUnavailable</source>
        <translation>The quota figures could not be fetched from the server.</translation>
    </message>
</context>
</TS>
