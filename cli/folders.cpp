#include "cli/folders.h"

#include <cwctype>

namespace cli {

namespace {

std::u16string Lower(std::u16string s) {
    for (char16_t& c : s)
        c = static_cast<char16_t>(std::towlower(static_cast<wint_t>(c)));
    return s;
}

void Walk(IDispatch* foldersCollection, std::vector<FolderEntry>* out, int depth) {
    // A loop in the tree (a broken store) must not recurse for ever.
    if (!foldersCollection || depth > 64)
        return;
    outlook::Folders folders{outlook::DispatchPtr(foldersCollection)};
    LONG n = 0;
    if (FAILED(folders.TryCount(&n)))
        return;
    for (LONG i = 1; i <= n; ++i) {
        outlook::MAPIFolder f;
        if (FAILED(folders.TryItem(i, &f)) || !f)
            continue;
        out->push_back({f, FolderDisplayPath(f)});
        outlook::DispatchPtr sub;
        if (SUCCEEDED(f.TryFolders(&sub)))
            Walk(sub.Get(), out, depth + 1);
    }
}

} // namespace

std::u16string FolderDisplayPath(const outlook::MAPIFolder& folder) {
    std::u16string path;
    outlook::MAPIFolder current = folder;
    for (int depth = 0; depth < 64; ++depth) {
        std::u16string name;
        outlook::DispatchPtr parent;
        if (!current || FAILED(current.TryName(&name)) || FAILED(current.TryParent(&parent)) ||
            !parent)
            return {};
        // The parent may be a folder or the session: ask it by name, without
        // the folders' cache of member ids.
        com::DispIdCache cache(outlook::IID_MAPIFolder);
        com::Variant cls;
        LONG classValue = 0;
        if (FAILED(com::TryGet(parent.Get(), cache, u"Class", &cls)) ||
            FAILED(cls.ToLong(&classValue)))
            return {};
        if (classValue != outlook::olFolder)
            return u"\\\\" + name + path;
        path = u"\\" + name + path;
        current = outlook::MAPIFolder(parent);
    }
    return {};
}

std::vector<FolderEntry> AllFolders(const outlook::NameSpace& session) {
    std::vector<FolderEntry> out;
    outlook::DispatchPtr roots;
    if (SUCCEEDED(session.TryFolders(&roots)))
        Walk(roots.Get(), &out, 0);
    return out;
}

FindResult FindFolder(const outlook::NameSpace& session, const std::u16string& path,
                      outlook::MAPIFolder* out) {
    std::u16string wanted = path;
    while (wanted.size() > 1 && wanted.back() == u'\\')
        wanted.pop_back();
    if (wanted.compare(0, 2, u"\\\\") != 0)
        wanted = (wanted.compare(0, 1, u"\\") == 0 ? u"\\" : u"\\\\") + wanted;
    std::vector<FolderEntry> all = AllFolders(session);
    for (const FolderEntry& e : all) {
        if (e.path == wanted) {
            *out = e.folder;
            return FindResult::Found;
        }
    }
    const std::u16string lower = Lower(wanted);
    int matches = 0;
    for (const FolderEntry& e : all) {
        if (Lower(e.path) == lower) {
            *out = e.folder;
            ++matches;
        }
    }
    if (matches > 1)
        out->Reset();
    return matches == 1 ? FindResult::Found
                        : (matches == 0 ? FindResult::NotFound : FindResult::Ambiguous);
}

} // namespace cli
