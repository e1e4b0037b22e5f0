// The import run: every .vcf file of a directory goes card by card into a
// contacts folder; a card that matches contacts of the folder by full name
// and company is handled by the conflict policy, and a card identical to an
// existing contact is not saved again.
#pragma once

#include "batch/progress_dialog.h"
#include "batch/run_guard.h"
#include "vcard/reader.h"

#include <cstdint>
#include <string>
#include <vector>

namespace batch {

enum ConflictResolution : int32_t {
    DuplicateContacts = 0, // save the card as a new contact
    ReplaceExisting = 1,   // save it and delete the first differing match
    LeaveOld = 2,          // do not save it
};

// What an import did, for the caller.
struct ImportCounts {
    long total = 0;     // complete cards found by the count pass
    long cards = 0;     // cards finished (saved, skipped or failed)
    long saved = 0;     // saved as new contacts (replacements included)
    long identical = 0; // skipped: identical to an existing contact
    long leftOld = 0;   // skipped under LeaveOld
    long replaced = 0;  // old contacts deleted after their replacement was saved
    long failed = 0;    // cards not saved because of an error
    bool cancelled = false;
    // Why the import pass stopped before its end ("" when it did not).
    std::string stopReason;
};

class ImportRun : public vcard::CardReader {
public:
    // Results of FindDuplicate besides a negative error.
    static constexpr int32_t SaveNew = 0;
    static constexpr int32_t Skip = 1;

    explicit ImportRun(LONG outlookVersion = 9);
    ~ImportRun() override;

    // Imports the directory into `folder`, whose reference the run takes
    // over. 0 when the import pass ran (to its end, cancelled, or stopped at
    // a file that cannot be opened); -1 when no file matched, no complete
    // card was found or the progress window cannot be started; -1 also when
    // an Outlook error stopped the pass (what was saved before stays).
    LONG ImportDirectory(const std::string& directory, outlook::MAPIFolder folder,
                         ConflictResolution policy);

    // 0 when the file was read to its end; the LoadFile error when it cannot
    // be opened; -1 when the card loop stopped.
    int32_t ImportFile(const std::string& path);
    // 0 at the end of the text; -1 when FinishCard asked to stop.
    int32_t ReadCards();
    // At END:VCARD: true to go on, false to stop the run.
    bool FinishCard();
    // SaveNew, Skip or a negative error.
    int32_t FindDuplicate();
    // Candidate `index` (from 1) of the current items against the new
    // contact: 1 identical, 0 different, -1 error.
    int32_t CompareContact(LONG index);
    // Drops the new contact (unsaved ones are discarded) and empties the record.
    void ClearCard();

    ConflictResolution Policy() const { return policy_; }
    const ImportCounts& Counts() const { return counts_; }

    // A progress window other than the run's own (tests); null restores it.
    void SetProgress(ProgressDialog* progress) { progressOverride_ = progress; }

private:
    ProgressDialog& Progress() { return progressOverride_ ? *progressOverride_ : progress_; }
    int32_t ImportPass(const std::vector<std::string>& files);

    ProgressDialog progress_;
    ProgressDialog* progressOverride_ = nullptr;
    int32_t cardCounter_ = 0;
    int32_t total_ = 0;
    ConflictResolution policy_ = DuplicateContacts;
    outlook::MAPIFolder target_;
    // Under ReplaceExisting: the first differing match, deleted only once the
    // new contact has been saved.
    outlook::ContactItem replaceTarget_;
    // Why FindDuplicate gave Skip (for the counts).
    enum class SkipReason { Identical, LeftOld, AddFailed };
    SkipReason skipReason_ = SkipReason::Identical;
    // An Outlook error stopped the pass.
    bool errorStopped_ = false;
    ImportCounts counts_;
};

} // namespace batch
