#include "batch/export_run.h"

#include "batch/run_guard.h"
#include "platform/codepage.h"

#include <vector>

namespace batch {

namespace {

constexpr std::string_view kExtension = ".vcf";

} // namespace

ExportRun::~ExportRun() {
    CloseFile();
}

bool ExportRun::SetVersion(std::string_view versionText) {
    SetVersionCode(vcard::kVCardUnknown);
    fileOpen_ = false;
    if (versionText == "2.1")
        SetVersionCode(vcard::kVCard21);
    else if (versionText == "3.0")
        SetVersionCode(vcard::kVCard30);
    else
        return false;
    return true;
}

void ExportRun::CloseFile() {
    file_.Close();
    fileOpen_ = false;
}

void ExportRun::BeginForTest(const std::string& directory, std::u16string folderName,
                             bool oneFile) {
    CloseFile();
    counts_ = ExportCounts();
    directory_ = directory;
    folderName_ = std::move(folderName);
    oneFile_ = oneFile;
    if (VersionCode() == vcard::kVCardUnknown)
        SetVersionCode(vcard::kVCard21);
}

LONG ExportRun::ExportFolder(const std::string& directory, outlook::MAPIFolder folder,
                             std::string_view versionText, bool oneFile) {
    counts_ = ExportCounts();
    oneFile_ = oneFile;
    if (!SetVersion(versionText))
        return E_NOTIMPL; // the folder goes with the argument
    directory_ = directory;
    folderName_.clear();

    ProgressDialog own;
    ProgressDialog& progress = progressOverride_ ? *progressOverride_ : own;
    RunGuard guard(progress, &counts_.stopReason);
    LONG result = guard.Run([&]() -> LONG {
        if (oneFile_ && FAILED(folder.TryName(&folderName_)))
            folderName_.clear();
        outlook::Items items = folder.GetItems();
        LONG n = items.Count();
        if (n <= 0)
            return kRunFailed;
        if (!guard.Start(IDS_PROGRESS_EXPORTING, n))
            return kRunFailed;
        return RunItems(progress, &items, nullptr, n);
    });
    CloseFile();
    guard.End();
    contact_.Reset();
    folder.Reset();
    return result;
}

LONG ExportRun::ExportSelection(const std::string& directory,
                                const outlook::Application& application,
                                std::string_view versionText, bool oneFile) {
    counts_ = ExportCounts();
    outlook::Application app = application;
    oneFile_ = oneFile;
    if (!SetVersion(versionText))
        return E_NOTIMPL;
    directory_ = directory;
    folderName_.clear();

    ProgressDialog own;
    ProgressDialog& progress = progressOverride_ ? *progressOverride_ : own;
    RunGuard guard(progress, &counts_.stopReason);
    LONG result = guard.Run([&]() -> LONG {
        outlook::Explorer explorer;
        if (FAILED(app.TryActiveExplorer(&explorer)) || !explorer) {
            counts_.stopReason = "there is no active explorer";
            return kRunFailed;
        }
        if (oneFile_) {
            outlook::MAPIFolder current;
            if (FAILED(explorer.TryCurrentFolder(&current)) || !current) {
                counts_.stopReason = "the explorer has no current folder";
                return kNoCurrentFolder;
            }
            if (FAILED(current.TryName(&folderName_)))
                folderName_.clear();
        }
        outlook::Selection selection = explorer.GetSelection();
        LONG n = selection.Count();
        if (n <= 0)
            return kRunFailed;
        if (!guard.Start(IDS_PROGRESS_EXPORTING, n))
            return kRunFailed;
        return RunItems(progress, nullptr, &selection, n);
    });
    CloseFile();
    guard.End();
    contact_.Reset();
    return result;
}

LONG ExportRun::RunItems(ProgressDialog& progress, const outlook::Items* items,
                         const outlook::Selection* selection, LONG count) {
    for (LONG i = 1; i <= count; ++i) {
        outlook::DispatchPtr item = items ? items->Item(i) : selection->Item(i);
        contact_.Reset();
        outlook::DispatchPtr contact;
        if (item && outlook::IsContact(item.Get(), &contact))
            contact_ = outlook::ContactItem(std::move(contact));
        item.Reset();
        if (!contact_) {
            // A distribution list: passed over in a folder; in a selection
            // the run ends there.
            if (selection)
                break;
            continue;
        }
        if (ExportContact() < 0)
            break;
        if (progress.IsCancelled()) {
            counts_.cancelled = true;
            break;
        }
        progress.SetPosition(i);
    }
    return 0;
}

int ExportRun::ExportContact() {
    if (BuildCard() < 0) {
        counts_.stopReason = "a contact could not be read";
        return -1;
    }
    if (!(oneFile_ && fileOpen_)) {
        // Exclusive creation: a name taken between the test and the creation
        // moves on to the next number instead of replacing that file.
        int number = 0;
        for (;;) {
            std::string path;
            number = MakeFileName(number, &path);
            if (number < 0) {
                counts_.stopReason = "no file name fits into the directory " + directory_;
                return -1;
            }
            platform::File::CreateResult r = file_.CreateExclusive(path);
            if (r == platform::File::CreateResult::Ok)
                break;
            if (r == platform::File::CreateResult::Failed) {
                counts_.stopReason = "cannot create " + path;
                return -1;
            }
            ++number;
        }
        ++counts_.files;
        if (oneFile_)
            fileOpen_ = true;
    }
    if (file_.Write(card_.Data(), card_.Size()))
        ++counts_.contacts;
    else
        ++counts_.writeFailed;
    if (!oneFile_)
        file_.Close();
    return 0;
}

std::string ExportRun::SafeFileName(std::string name) {
    size_t lineEnd = name.find("\r\n");
    if (lineEnd != std::string::npos) {
        name.replace(lineEnd, 2, " (");
        name += ")";
    }
    static constexpr std::string_view kForbidden = "\\/:*?\"<>|";
    for (size_t i = 0; i < name.size();) {
        if (kForbidden.find(name[i]) != std::string_view::npos)
            name[i] = '_';
        size_t next = platform::NextCharOffset(name, i);
        i = next > i ? next : i + 1;
    }
    return name;
}

std::string ExportRun::FileBaseName() const {
    std::u16string name;
    if (oneFile_) {
        name = folderName_;
    } else if (!contact_ || FAILED(contact_.TryText(u"FileAs", &name))) {
        name.clear();
    }
    return SafeFileName(platform::WideToAnsi(name));
}

namespace {

bool ComposePath(const std::string& directory, const std::string& base, int number,
                 std::string* path) {
    std::string suffix;
    if (number > 0)
        suffix = "(" + std::to_string(number) + ")";
    suffix += kExtension;
    if (platform::JoinPath(directory, base + suffix, path))
        return true;
    // Too long for MAX_PATH: shorten the base name, keeping the number and
    // the extension; at least one character of a non-empty base stays.
    std::string shortest;
    if (base.empty() || !platform::JoinPath(directory, suffix, &shortest))
        return false;
    size_t room = platform::kMaxPath - 1 - shortest.size();
    std::vector<size_t> cuts; // character boundaries within room
    for (size_t i = 0; i < base.size();) {
        size_t next = platform::NextCharOffset(base, i);
        next = next > i ? next : i + 1;
        if (next > room)
            break;
        cuts.push_back(next);
        i = next;
    }
    for (auto it = cuts.rbegin(); it != cuts.rend(); ++it) {
        if (platform::JoinPath(directory, base.substr(0, *it) + suffix, path))
            return true;
    }
    return false;
}

} // namespace

bool ExportRun::ComposeFileName(int number, std::string* path) {
    return ComposePath(directory_, FileBaseName(), number, path);
}

int ExportRun::MakeFileName(int number, std::string* path) {
    std::string base = FileBaseName();
    for (int k = number < 0 ? 0 : number;; ++k) {
        if (!ComposePath(directory_, base, k, path))
            return -1;
        if (!platform::PathExists(*path))
            return k;
    }
}

std::string ExportRun::MakeFileName() {
    std::string path;
    if (MakeFileName(0, &path) < 0)
        path.clear();
    return path;
}

} // namespace batch
