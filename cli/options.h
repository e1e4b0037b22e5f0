// The command line of `tallyport`: parsed completely before anything is
// opened, so a usage error never touches the store or the settings.
#pragma once

#include <string>
#include <vector>

namespace cli {

enum class Command { None, Help, Import, Export, Folders, List };

struct Options {
    Command command = Command::None;
    Command helpFor = Command::None; // `tallyport CMD --help`, `tallyport help CMD`
    std::string store;               // --store (empty: environment, then default)
    std::string outlookVersion = "11.0.0.8010";
    std::string folder;          // --folder (empty: the default contacts folder)
    std::string dir;             // DIR (empty: the remembered directory)
    int policy = 0;              // --policy duplicate|replace|leave -> 0, 1, 2
    std::string version = "2.1"; // --version 2.1|3.0
    bool oneFile = false;
    std::vector<std::string> select; // --select FILEAS (repeatable)
    std::vector<std::string> fields; // --fields NAME,...
};

// Parses argv[1..]. On a usage error returns false with a one-line reason.
bool ParseCommandLine(const std::vector<std::string>& args, Options* out, std::string* error);

const char* CommandName(Command c);

// The help texts (stdout).
std::string HelpText(Command c);

} // namespace cli
