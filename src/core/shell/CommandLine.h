#pragma once

// The program's own options, answered before any window or display connection exists.
class CommandLine {
public:
    // Prints the help or the version when asked for them and returns true: the process then ends.
    // Anything else on the command line (Qt's and the web engine's own options) is left alone.
    static bool answer(int argc, char** argv);
};
