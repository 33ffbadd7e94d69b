#pragma once

// A file with mode 0 bits is read anyway by root, through its capabilities to override file
// permissions. These take those away, so that permissions apply to whoever runs the tests: from this
// process for good (false when not possible), or between fork and exec from a program it starts.
bool dropFileAccessOverride();
void dropFileAccessOverrideOnExec();
