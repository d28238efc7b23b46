#pragma once
// The command line: `wavelathe SUBCOMMAND ...` runs the program without a window.
namespace wl::cli {

// Exit statuses, as --help and the README list them.
enum Status : int {
    kDone = 0,           // all done; verified, or not verifiable (and said so)
    kFailed = 1,         // nothing or not everything was made
    kUsage = 2,          // bad usage: an option, a value, a file named on the command line
    kNotConfirmed = 3,   // done; the database knows the disc, and some tracks do not match it
    kReadErrors = 4,     // done; some frames could not be read and are silence
    kInterrupted = 130,  // SIGINT or SIGTERM: finished files kept, the log written
};

// True when the first argument names a subcommand (the window is not started then).
bool IsSubcommand(int argc, char** argv);
// Runs it; returns the exit status.
int Run(int argc, char** argv);

}  // namespace wl::cli
