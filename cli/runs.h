// The export and import runs as the command calls them: their results and
// counts, with errors and Ctrl-C told apart.
#pragma once

#include "outlook/outlook.h"

#include <string>

namespace standin {
class StandIn;
}

namespace cli {

enum class RunStatus {
    Done,
    NothingToDo, // an empty folder or selection, no complete card
    Cancelled,   // Ctrl-C
    Stopped,     // an error ended the run; `reason` says which
};

struct ImportOutcome {
    RunStatus status = RunStatus::Done;
    std::string reason;
    long cards = 0;
    long saved = 0;
    long identical = 0;
    long leftOld = 0;
    long replaced = 0;
    long failed = 0;
};

struct ExportOutcome {
    RunStatus status = RunStatus::Done;
    std::string reason;
    long contacts = 0;
    long files = 0;
};

ImportOutcome RunImport(standin::StandIn& store, const std::string& dir,
                        const outlook::MAPIFolder& folder, int policy);
ExportOutcome RunExportFolder(standin::StandIn& store, const std::string& dir,
                              const outlook::MAPIFolder& folder, const std::string& version,
                              bool oneFile);
// Exports the selection of the store's active explorer.
ExportOutcome RunExportSelection(standin::StandIn& store, const std::string& dir,
                                 const std::string& version, bool oneFile);

} // namespace cli
