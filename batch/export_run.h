// The export run: contacts of a folder or of Outlook's selection become .vcf
// files, one per contact (named after the contact) or one for all (named
// after the folder). An existing file is never overwritten.
#pragma once

#include "batch/progress_dialog.h"
#include "batch/run_guard.h"
#include "platform/files.h"
#include "vcard/writer.h"

#include <string>
#include <string_view>

namespace batch {

// ExportSelection in one-file mode when the explorer has no current folder.
constexpr LONG kNoCurrentFolder = 1;

// What an export did, for the caller.
struct ExportCounts {
    long contacts = 0;    // cards written whole into a file
    long files = 0;       // files created
    long writeFailed = 0; // cards whose write failed (the run goes on)
    bool cancelled = false;
    // Why the run stopped before its end ("" when it did not): a contact
    // whose card failed, a file that could not be created, an Outlook error.
    std::string stopReason;
};

class ExportRun : public vcard::CardWriter {
public:
    ExportRun() = default;
    ~ExportRun() override;

    // Every contact of `folder`, whose reference the run takes over. 0 when
    // the run ran (to its end, cancelled, or stopped at a contact whose card
    // or file failed); -1 when the folder has no items, the progress window
    // cannot be opened, or an Outlook error ended the run; E_NOTIMPL when the
    // version text is neither "2.1" nor "3.0".
    LONG ExportFolder(const std::string& directory, outlook::MAPIFolder folder,
                      std::string_view versionText, bool oneFile);
    // The items selected in the active explorer, up to the first one that is
    // not a contact. As above; -1 also without an active explorer, 1 in
    // one-file mode when the explorer has no current folder.
    LONG ExportSelection(const std::string& directory, const outlook::Application& application,
                         std::string_view versionText, bool oneFile);

    // Writes the card of the current contact: 0, or -1 when the card failed
    // or no file could be created for it.
    int ExportContact();

    // The full path of candidate `number` (0: no number) for the current
    // contact or, in one-file mode, the folder: base name, "(n)", ".vcf". The
    // base name is shortened to keep the path within MAX_PATH; false when no
    // name fits into the directory.
    bool ComposeFileName(int number, std::string* path);
    // The first candidate from `number` on that does not exist; -1 when no
    // name fits. ExportContact creates the file exclusively and moves on to
    // the next number when the name was taken meanwhile.
    int MakeFileName(int number, std::string* path);
    // The first free path from number 0 on; empty when no name fits.
    std::string MakeFileName();
    // The base name: FileAs (or the folder name in one-file mode) as ANSI,
    // a two-line name as "first (second)", characters that file names cannot
    // hold replaced by "_".
    std::string FileBaseName() const;
    static std::string SafeFileName(std::string name);

    const ExportCounts& Counts() const { return counts_; }

    // A progress window other than the run's own (tests); null restores it.
    void SetProgress(ProgressDialog* progress) { progressOverride_ = progress; }

    // For tests that drive ExportContact directly.
    void BeginForTest(const std::string& directory, std::u16string folderName, bool oneFile);
    void EndForTest() { CloseFile(); }

private:
    bool SetVersion(std::string_view versionText);
    void CloseFile();
    LONG RunItems(ProgressDialog& progress, const outlook::Items* items,
                  const outlook::Selection* selection, LONG count);

    std::u16string folderName_;
    bool oneFile_ = false;
    bool fileOpen_ = false;
    platform::File file_;
    std::string directory_;
    ExportCounts counts_;
    ProgressDialog* progressOverride_ = nullptr;
};

} // namespace batch
