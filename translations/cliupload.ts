<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>cliupload</name>
    <message id="Text_CliUnexpectedArguments">
        <source>Text_CliUnexpectedArguments</source>
        <translation>The command %1 takes no arguments; got: %2</translation>
    </message>
    <message id="Text_CliOptionNotForCommand">
        <source>Text_CliOptionNotForCommand</source>
        <translation>The option %1 does not belong to the command %2.</translation>
    </message>
    <message id="Text_CliUploadNoTarget">
        <source>Text_CliUploadNoTarget</source>
        <translation>Name the album to upload into with --to ALBUM_PATH (--to &quot;&quot; for the top level).</translation>
    </message>
    <message id="Text_CliUploadBadParallel">
        <source>Text_CliUploadBadParallel</source>
        <translation>--parallel expects a whole number, got &quot;%1&quot;.</translation>
    </message>
    <message id="Text_CliUploadBadLimitRate">
        <source>Text_CliUploadBadLimitRate</source>
        <translation>--limit-rate expects a speed in bytes per second such as 500K or 2M, got &quot;%1&quot;.</translation>
    </message>
    <message id="Text_CliUploadNoPaths">
        <source>Text_CliUploadNoPaths</source>
        <translation>Name at least one file or folder to upload.</translation>
    </message>
    <message id="Text_CliUploadMissingPaths">
        <source>Text_CliUploadMissingPaths</source>
        <translation>Nothing was uploaded: these do not exist: %1</translation>
    </message>
    <message id="Text_CliUploadFilesAtTop">
        <source>Text_CliUploadFilesAtTop</source>
        <translation>Nothing was uploaded: the top level takes folders only, and these are not folders: %1</translation>
    </message>
    <message id="Text_CliNoSuchAlbum">
        <source>Text_CliNoSuchAlbum</source>
        <translation>There is no album &quot;%1&quot; on the server.</translation>
    </message>
    <message id="Text_CliUploadInterrupted">
        <source>Text_CliUploadInterrupted</source>
        <translation>Interrupted: %1 waiting commands cancelled; waiting for the %2 under way to finish (interrupt again to stop at once).</translation>
    </message>
    <message id="Text_CliNoReason">
        <source>Text_CliNoReason</source>
        <translation>no reason given</translation>
    </message>
</context>
</TS>
