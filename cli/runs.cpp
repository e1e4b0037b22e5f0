#include "cli/runs.h"

#include "batch/export_run.h"
#include "batch/import_run.h"
#include "standin/standin.h"

namespace cli {

namespace {

LONG HostVersion(const standin::StandIn& store) {
    std::u16string version;
    if (FAILED(store.App().TryVersion(&version)))
        return 9;
    return outlook::MajorVersion(version);
}

ExportOutcome FromExport(LONG result, const batch::ExportCounts& c) {
    ExportOutcome r;
    r.contacts = c.contacts;
    r.files = c.files;
    r.reason = c.stopReason;
    if (c.cancelled)
        r.status = RunStatus::Cancelled;
    else if (!c.stopReason.empty())
        r.status = RunStatus::Stopped;
    else if (result == E_NOTIMPL) {
        r.status = RunStatus::Stopped;
        r.reason = "the vCard version is not 2.1 or 3.0";
    } else if (result < 0)
        r.status = RunStatus::NothingToDo;
    else if (c.writeFailed) {
        r.status = RunStatus::Stopped;
        r.reason = std::to_string(c.writeFailed) + " card(s) could not be written completely";
    }
    return r;
}

} // namespace

ImportOutcome RunImport(standin::StandIn& store, const std::string& dir,
                        const outlook::MAPIFolder& folder, int policy) {
    batch::ImportRun run(HostVersion(store));
    LONG result = run.ImportDirectory(dir, folder, static_cast<batch::ConflictResolution>(policy));
    const batch::ImportCounts& c = run.Counts();
    ImportOutcome r;
    r.cards = c.cards;
    // The runs count a replacement among the saved cards; the summary keeps them apart.
    r.replaced = c.replaced;
    r.saved = c.saved - c.replaced;
    r.identical = c.identical;
    r.leftOld = c.leftOld;
    r.failed = c.failed;
    r.reason = c.stopReason;
    if (c.cancelled)
        r.status = RunStatus::Cancelled;
    else if (!c.stopReason.empty())
        r.status = RunStatus::Stopped;
    else if (result < 0 && c.total == 0)
        r.status = RunStatus::NothingToDo;
    else if (result < 0) {
        r.status = RunStatus::Stopped;
        r.reason = "the import could not start";
    } else if (c.failed) {
        r.status = RunStatus::Stopped;
        r.reason = std::to_string(c.failed) + " card(s) could not be saved";
    }
    return r;
}

ExportOutcome RunExportFolder(standin::StandIn& store, const std::string& dir,
                              const outlook::MAPIFolder& folder, const std::string& version,
                              bool oneFile) {
    batch::ExportRun run;
    run.SetHostVersion(HostVersion(store));
    LONG result = run.ExportFolder(dir, folder, version, oneFile);
    return FromExport(result, run.Counts());
}

ExportOutcome RunExportSelection(standin::StandIn& store, const std::string& dir,
                                 const std::string& version, bool oneFile) {
    batch::ExportRun run;
    run.SetHostVersion(HostVersion(store));
    LONG result = run.ExportSelection(dir, store.App(), version, oneFile);
    ExportOutcome r = FromExport(result, run.Counts());
    if (result == batch::kNoCurrentFolder && r.status == RunStatus::Done) {
        r.status = RunStatus::Stopped;
        r.reason = "the folder of the selection cannot be read";
    }
    return r;
}

} // namespace cli
