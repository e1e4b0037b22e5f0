// Folders of the store as the command shows and finds them.
#pragma once

#include "outlook/outlook.h"

#include <string>
#include <vector>

namespace cli {

// The folder's path as the dialogs show it: "\\Personal Folders\Contacts".
// Empty when the folder's Name, Parent or the parent's Class cannot be read.
std::u16string FolderDisplayPath(const outlook::MAPIFolder& folder);

struct FolderEntry {
    outlook::MAPIFolder folder;
    std::u16string path;
};

// Every folder of the session, parents before their subfolders, in the
// order of the Folders collections.
std::vector<FolderEntry> AllFolders(const outlook::NameSpace& session);

enum class FindResult { Found, NotFound, Ambiguous };

// Finds a folder by its display path. The leading backslashes may be left
// out; letter case is ignored when no folder matches exactly.
FindResult FindFolder(const outlook::NameSpace& session, const std::u16string& path,
                      outlook::MAPIFolder* out);

} // namespace cli
