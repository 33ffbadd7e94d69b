#pragma once

// Tests that need a file or folder that cannot be read make it with mode 0 bits; a process running
// as root reads it anyway, through its capabilities to override file permissions. These functions
// take those capabilities away, so that permissions apply to whoever runs the tests.

// From this process, for good. False when that was not possible.
bool dropFileAccessOverride();
// From the programs this process is about to start: for a child-process modifier, between fork and
// exec.
void dropFileAccessOverrideOnExec();
