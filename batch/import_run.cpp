#include "batch/import_run.h"

#include "imbridge/imbridge.h"
#include "platform/codepage.h"
#include "platform/files.h"

#include <cstring>
#include <set>
#include <string_view>

namespace batch {

namespace {

constexpr LONG kIMAddressBufferSize = 256;

// The quote that can enclose `text` in a filter; false when it holds both.
bool ChooseQuote(std::u16string_view text, char16_t* quote) {
    if (text.find(u'"') == std::u16string_view::npos) {
        *quote = u'"';
        return true;
    }
    if (text.find(u'\'') == std::u16string_view::npos) {
        *quote = u'\'';
        return true;
    }
    return false;
}

bool IsSettledBySearch(std::u16string_view name) {
    return name == u"FirstName" || name == u"LastName" || name == u"MiddleName" ||
           name == u"Title" || name == u"Suffix" || name == u"CompanyName";
}

bool IsEmailAddress(std::u16string_view name) {
    return name == u"Email1Address" || name == u"Email2Address" || name == u"Email3Address";
}

} // namespace

ImportRun::ImportRun(LONG outlookVersion) {
    SetOutlookVersion(outlookVersion);
}

ImportRun::~ImportRun() = default;

LONG ImportRun::ImportDirectory(const std::string& directory, outlook::MAPIFolder folder,
                                ConflictResolution policy) {
    counts_ = ImportCounts();
    policy_ = policy;
    errorStopped_ = false;

    // Count pass: complete cards of every file, for the total of the bar.
    std::vector<std::string> listed;
    if (!platform::ListVcfFiles(directory, &listed) || listed.empty())
        return kRunFailed;
    cardCounter_ = 0;
    for (const std::string& name : listed) {
        std::string path;
        if (platform::JoinPath(directory, name, &path))
            cardCounter_ += CountCards(path);
    }
    if (cardCounter_ <= 0)
        return kRunFailed;
    total_ = cardCounter_;
    counts_.total = total_;

    RunGuard guard(Progress(), &counts_.stopReason);
    LONG result = guard.Run([&]() -> LONG {
        if (!guard.Start(IDS_PROGRESS_IMPORTING, total_))
            return kRunFailed;
        // The directory may have changed since the count; what is there now
        // is imported, each file once.
        std::vector<std::string> files;
        if (!platform::ListVcfFiles(directory, &files))
            files.clear();
        std::vector<std::string> paths;
        std::set<std::string> seen;
        for (const std::string& name : files) {
            if (!seen.insert(name).second)
                continue;
            std::string path;
            // A name that does not fit into a path cannot be opened either.
            platform::JoinPath(directory, name, &path);
            paths.push_back(path);
        }
        target_ = folder;
        cardCounter_ = 0;
        ImportPass(paths);
        return errorStopped_ ? kRunFailed : 0;
    });
    ClearCard();
    FreeText();
    replaceTarget_.Reset();
    items_.Reset();
    target_.Reset();
    guard.End();
    folder.Reset();
    return result;
}

int32_t ImportRun::ImportPass(const std::vector<std::string>& paths) {
    for (const std::string& path : paths) {
        int32_t r = ImportFile(path);
        if (r < 0)
            return r;
    }
    return 0;
}

int32_t ImportRun::ImportFile(const std::string& path) {
    int32_t loaded = path.empty() ? vcard::kLoadCannotOpen : LoadFile(path);
    if (loaded != 0) {
        counts_.stopReason = "cannot read " + path;
        return loaded < 0 ? loaded : vcard::kLoadCannotOpen;
    }
    int32_t r = ReadCards();
    FreeText();
    return r;
}

int32_t ImportRun::ReadCards() {
    while (FindCardStart()) {
        while (NextPropertyLine()) {
            if (PropertyName() == "VERSION") {
                ApplyVersion();
                continue;
            }
            if (IsCardEnd()) {
                if (!FinishCard())
                    return -1;
                break;
            }
            ApplyProperty();
        }
    }
    // The end of the text, possibly inside a card that is then dropped.
    ClearCard();
    return 0;
}

bool ImportRun::FinishCard() {
    replaceTarget_.Reset();
    bool stop = false;
    int32_t found = FindDuplicate();
    if (found == SaveNew) {
        if (!newContact_ && !CreateContact()) {
            ++counts_.failed; // Add failed: this card is lost, the run goes on
        } else if (FAILED(newContact_.TrySave())) {
            // Nothing was deleted yet: a contact this card replaces stays.
            ++counts_.failed;
            counts_.stopReason = "a contact could not be saved";
            errorStopped_ = stop = true;
        } else {
            ++counts_.saved;
            if (replaceTarget_) {
                if (FAILED(replaceTarget_.TryDelete())) {
                    counts_.stopReason = "a replaced contact could not be deleted";
                    errorStopped_ = stop = true;
                } else {
                    ++counts_.replaced;
                }
            }
        }
    } else if (found == Skip) {
        switch (skipReason_) {
        case SkipReason::Identical:
            ++counts_.identical;
            break;
        case SkipReason::LeftOld:
            ++counts_.leftOld;
            break;
        case SkipReason::AddFailed:
            ++counts_.failed;
            break;
        }
    } else {
        ++counts_.failed;
        counts_.stopReason = "a contact could not be compared with the card";
        errorStopped_ = stop = true;
    }
    replaceTarget_.Reset();
    ClearCard();

    ++cardCounter_;
    ++counts_.cards;
    // The directory can have gained cards since the count: the bar stops at
    // its end.
    Progress().SetPosition(cardCounter_ < total_ ? cardCounter_ : total_);
    if (stop)
        return false;
    if (Progress().IsCancelled()) {
        counts_.cancelled = true;
        return false;
    }
    return true;
}

int32_t ImportRun::FindDuplicate() {
    // Fetched afresh so that contacts saved for earlier cards are found.
    items_.Reset();
    items_ = target_.GetItems();

    const vcard::CardRecord& card = record_;
    std::u16string fullName;
    for (const std::u16string* part :
         {&card.Title, &card.FirstName, &card.MiddleName, &card.LastName, &card.Suffix}) {
        if (part->empty())
            continue;
        if (!fullName.empty())
            fullName += u' ';
        fullName += *part;
    }

    std::u16string filter;
    char16_t quote = u'"';
    if (!fullName.empty()) {
        if (!ChooseQuote(fullName, &quote))
            return SaveNew;
        filter = u"[FullName] = ";
        filter += quote;
        filter += fullName;
        filter += quote;
    }
    if (!card.CompanyName.empty()) {
        if (!ChooseQuote(card.CompanyName, &quote))
            return SaveNew;
        if (!filter.empty())
            filter += u" AND ";
        filter += u"[CompanyName] = ";
        filter += quote;
        filter += card.CompanyName;
        filter += quote;
    }
    if (!filter.empty()) {
        outlook::Items restricted;
        if (FAILED(items_.TryRestrict(filter, &restricted)) || !restricted)
            return SaveNew;
        items_ = std::move(restricted);
    }

    LONG n = items_.Count();
    if (n <= 0)
        return SaveNew;
    LONG firstDifferent = 0;
    for (LONG i = 1; i <= n; ++i) {
        outlook::DispatchPtr item = items_.Item(i);
        outlook::DispatchPtr contact;
        // Only a contact can be compared; a distribution list is passed over.
        if (!item || !outlook::IsContact(item.Get(), &contact))
            continue;
        outlook::ContactItem candidate(std::move(contact));
        if (fullName.empty()) {
            bool named = false;
            for (const char16_t* part :
                 {u"FirstName", u"MiddleName", u"LastName", u"Suffix", u"Title"}) {
                if (!candidate.Text(part).empty()) {
                    named = true;
                    break;
                }
            }
            if (named)
                continue;
        }
        if (card.CompanyName.empty() && !candidate.Text(u"CompanyName").empty())
            continue;
        if (policy_ == LeaveOld) {
            skipReason_ = SkipReason::LeftOld;
            return Skip;
        }
        if (!newContact_ && !CreateContact()) {
            skipReason_ = SkipReason::AddFailed;
            return Skip;
        }
        int32_t r = CompareContact(i);
        if (r == 1) {
            skipReason_ = SkipReason::Identical;
            return Skip;
        }
        if (r < 0)
            return r;
        if (firstDifferent == 0) {
            firstDifferent = i;
            // Deleted by FinishCard only after the new contact is saved.
            if (policy_ == ReplaceExisting)
                replaceTarget_ = std::move(candidate);
        }
    }
    return SaveNew;
}

int32_t ImportRun::CompareContact(LONG index) {
    outlook::DispatchPtr item = items_.Item(index);
    outlook::DispatchPtr contact;
    if (!item || !outlook::IsContact(item.Get(), &contact))
        return 0;
    outlook::ContactItem candidate(std::move(contact));
    for (const vcard::RecordField& field : vcard::PutOrder()) {
        if (!vcard::IsPresent(record_, field))
            continue;
        std::u16string_view name = field.name;
        if (IsSettledBySearch(name))
            continue;
        if (field.date) {
            double mine = 0.0;
            double theirs = 0.0;
            if (FAILED(newContact_.TryDate(field.name, &mine)) ||
                FAILED(candidate.TryDate(field.name, &theirs)))
                return -1;
            if (mine != theirs)
                return 0;
            continue;
        }
        if (name == u"IMAddress") {
            // Outlook 2000 has no IM address; the card's was not put either.
            if (OutlookVersion() <= 9)
                continue;
            char theirs[kIMAddressBufferSize] = {};
            char mine[kIMAddressBufferSize] = {};
            if (OL10_getIMAddress(candidate.Dispatch(), theirs, kIMAddressBufferSize) != 0 ||
                OL10_getIMAddress(newContact_.Dispatch(), mine, kIMAddressBufferSize) != 0)
                return -1;
            if (std::strcmp(mine, theirs) != 0)
                return 0;
            continue;
        }
        std::u16string mine;
        std::u16string theirs;
        if (FAILED(newContact_.TryText(field.name, &mine)) ||
            FAILED(candidate.TryText(field.name, &theirs)))
            return -1;
        if (IsEmailAddress(name)) {
            // The existing address may be a part of the card's.
            std::string theirsAnsi = platform::WideToAnsi(theirs);
            if (theirsAnsi.empty() ||
                platform::WideToAnsi(mine).find(theirsAnsi) == std::string::npos)
                return 0;
        } else if (mine != theirs) {
            return 0;
        }
    }
    return 1;
}

void ImportRun::ClearCard() {
    newContact_.Reset();
    record_.Clear();
}

} // namespace batch
