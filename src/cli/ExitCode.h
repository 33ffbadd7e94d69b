#pragma once

// The exit status of vendra-cli.
enum ExitCode : int {
    ExitSuccess = 0,
    // Anything but signing in went wrong: bad options, a failed request after sign-in.
    ExitFailure = 1,
    ExitSignInFailed = 2,
    // Stopped by an interrupt (Ctrl+C), as shells report a process ended by SIGINT.
    ExitInterrupted = 130,
};
