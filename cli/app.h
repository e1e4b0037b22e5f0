// The `tallyport` command: import and export without the dialogs, over the
// stand-in store.
#pragma once

#include <string>
#include <vector>

namespace cli {

enum ExitStatus { kExitDone = 0, kExitRunError = 1, kExitUsage = 2, kExitCancelled = 130 };

// Runs the command line argv[1..] and returns the exit status.
int Run(const std::vector<std::string>& args);

} // namespace cli
