#include "cli/app.h"

#include "cli/folders.h"
#include "cli/listing.h"
#include "cli/options.h"
#include "cli/remembered.h"
#include "cli/runs.h"
#include "com/error.h"
#include "outlook/outlook.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "standin/standin.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <set>

namespace cli {

namespace {

constexpr char kNotContactsFolder[] = "Chosen folder is not Contact's folder";

// A failure that ends the command with its exit status and one line.
struct Failure {
    int status;
    std::string message;
};

[[noreturn]] void Fail(int status, std::string message) {
    throw Failure{status, std::move(message)};
}

std::u16string Wide(const std::string& utf8) {
    std::u16string out;
    if (platform::Utf8ToWide(utf8, &out))
        return out;
    return platform::AnsiToWide(utf8);
}

std::string Utf8(std::u16string_view wide) {
    return platform::WideToUtf8(wide);
}

std::string Quoted(const std::string& s) {
    return "\"" + s + "\"";
}

std::string Plural(long n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

// --- the store -------------------------------------------------------------

std::string DefaultStorePath() {
    const char* data = std::getenv("XDG_DATA_HOME");
    std::string base;
    if (data && data[0] == '/') {
        base = data;
    } else {
        const char* home = std::getenv("HOME");
        if (!home || !*home)
            Fail(kExitUsage, "no store: HOME is not set; give --store FILE or set TALLYPORT_STORE");
        base = std::string(home) + "/.local/share";
    }
    return base + "/tallyport/contacts.db";
}

std::unique_ptr<standin::StandIn> OpenStore(const Options& o) {
    std::string path = o.store;
    if (path.empty()) {
        const char* env = std::getenv("TALLYPORT_STORE");
        if (env && *env)
            path = env;
    }
    if (path.empty()) {
        path = DefaultStorePath();
        std::error_code ec;
        std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
        if (ec)
            Fail(kExitRunError,
                 "cannot create the directory of the store " + path + ": " + ec.message());
    }
    if (platform::IsDirectory(path))
        Fail(kExitUsage, "the store " + path + " is a directory, not a store file");
    std::string error;
    std::unique_ptr<standin::StandIn> store =
        standin::StandIn::OpenStore(path, Wide(o.outlookVersion), &error);
    if (!store)
        Fail(kExitUsage, error.empty() ? "cannot open the store " + path : error);
    return store;
}

// --- folders ---------------------------------------------------------------

// The folder of --folder, or the default contacts folder; it must hold contacts.
outlook::MAPIFolder ChooseFolder(const standin::StandIn& store, const Options& o) {
    outlook::NameSpace session = store.Session();
    outlook::MAPIFolder folder;
    if (o.folder.empty()) {
        if (FAILED(session.TryGetDefaultFolder(outlook::olFolderContacts, &folder)) || !folder)
            Fail(kExitRunError, "the store has no default contacts folder");
        return folder;
    }
    switch (FindFolder(session, Wide(o.folder), &folder)) {
    case FindResult::Found:
        break;
    case FindResult::NotFound:
        Fail(kExitUsage,
             "no folder " + Quoted(o.folder) + " in the store (tallyport folders lists them)");
    case FindResult::Ambiguous:
        Fail(kExitUsage, "the folder " + Quoted(o.folder) +
                             " names more than one folder when letter case is ignored; "
                             "write it as tallyport folders shows it");
    }
    LONG type = -1;
    if (FAILED(folder.TryDefaultItemType(&type)) || type != outlook::olContactItem)
        Fail(kExitUsage, std::string(kNotContactsFolder) + ": " + o.folder);
    return folder;
}

std::string ItemTypeName(LONG type) {
    static const char* const kNames[] = {"mail",    "appointment", "contact", "task",
                                         "journal", "note",        "post",    "distlist"};
    if (type >= 0 && type < static_cast<LONG>(sizeof kNames / sizeof kNames[0]))
        return kNames[type];
    return "type " + std::to_string(type);
}

// Folder names go out unchanged except what would break the line.
std::string LineSafe(const std::u16string& text) {
    std::string out;
    for (char c : Utf8(text)) {
        if (c == '\t')
            out += "\\t";
        else if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out;
}

int DoFolders(const standin::StandIn& store) {
    std::string out;
    for (const FolderEntry& e : AllFolders(store.Session())) {
        LONG type = -1;
        LONG count = 0;
        outlook::Items items;
        e.folder.TryDefaultItemType(&type);
        if (SUCCEEDED(e.folder.TryItems(&items)))
            items.TryCount(&count);
        out += LineSafe(e.path) + "\t" + ItemTypeName(type) + "\t" + std::to_string(count) + "\n";
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    return kExitDone;
}

// --- list ------------------------------------------------------------------

bool SameName(const std::string& a, const char* b) {
    return a.size() == std::strlen(b) && strncasecmp(a.c_str(), b, a.size()) == 0;
}

bool UnknownMember(HRESULT hr) {
    return hr == DISP_E_UNKNOWNNAME || hr == DISP_E_MEMBERNOTFOUND;
}

int DoList(const standin::StandIn& store, const Options& o) {
    std::vector<std::string> fields = o.fields;
    if (fields.empty())
        fields = {"FileAs", "FullName", "CompanyName", "Email1Address", "BusinessTelephoneNumber"};
    std::vector<std::u16string> names;
    for (const std::string& f : fields)
        names.push_back(Wide(f));

    outlook::MAPIFolder folder = ChooseFolder(store, o);
    outlook::Items items = folder.GetItems();

    // Every field must be a contact property; ask a new contact that is never saved.
    outlook::ContactItem probe;
    if (SUCCEEDED(items.TryAddContact(&probe)) && probe) {
        for (size_t i = 0; i < names.size(); ++i) {
            com::Variant v;
            if (UnknownMember(com::TryGet(probe.Dispatch(), outlook::ContactItem::Cache(),
                                          names[i].c_str(), &v)))
                Fail(kExitUsage,
                     "--fields: " + Quoted(fields[i]) + " is not a contact property" +
                         (SameName(fields[i], "IMAddress")
                              ? " of Outlook " + o.outlookVersion + " (it came with Outlook 2002)"
                              : ""));
        }
        probe.Reset();
    }

    std::string out;
    for (size_t i = 0; i < fields.size(); ++i)
        out += (i ? "\t" : "") + EscapeField(names[i]);
    out += "\n";
    const LONG n = items.Count();
    static com::DispIdCache distListCache(outlook::IID_DistListItem);
    for (LONG index = 1; index <= n; ++index) {
        outlook::DispatchPtr item = items.Item(index);
        outlook::DispatchPtr contact;
        bool isContact = outlook::IsContact(item.Get(), &contact);
        for (size_t i = 0; i < fields.size(); ++i) {
            if (i)
                out += '\t';
            if (isContact) {
                com::Variant v;
                HRESULT hr =
                    com::TryGet(contact.Get(), outlook::ContactItem::Cache(), names[i].c_str(), &v);
                if (UnknownMember(hr))
                    continue; // a property this contact does not have
                if (FAILED(hr))
                    Fail(kExitRunError, "cannot read " + fields[i] + " of item " +
                                            std::to_string(index) + ": " +
                                            com::ComError(hr, outlook::IID_ContactItem).what());
                out += FormatValue(v);
            } else if (SameName(fields[i], "FileAs")) {
                com::Variant v;
                if (SUCCEEDED(com::TryGet(item.Get(), distListCache, u"DLName", &v)) ||
                    SUCCEEDED(com::TryGet(item.Get(), distListCache, u"FileAs", &v)))
                    out += FormatValue(v);
            }
        }
        out += '\n';
        if (out.size() > (1u << 16)) {
            std::fwrite(out.data(), 1, out.size(), stdout);
            out.clear();
        }
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    return kExitDone;
}

// --- import and export -----------------------------------------------------

// The directory of the command: DIR, or the remembered one; it must exist.
std::string ChooseDirectory(const Options& o, const Remembered& settings, const char* settingName) {
    std::string dir = o.dir;
    bool remembered = false;
    if (dir.empty()) {
        dir = settings.Read(settingName);
        remembered = true;
        if (dir.empty())
            Fail(kExitUsage,
                 std::string("no directory given and none remembered from an earlier ") +
                     CommandName(o.command) + "; give DIR");
    }
    const std::string what =
        remembered ? "the remembered directory " + Quoted(dir) : "the directory " + Quoted(dir);
    if (!platform::IsDirectory(dir))
        Fail(kExitUsage,
             what + " is not an existing directory" +
                 (o.command == Command::Export && !platform::PathExists(dir) ? " (create it first)"
                                                                             : ""));
    if (dir.size() >= platform::kMaxPath)
        Fail(kExitUsage,
             what + " is too long (at most " + std::to_string(platform::kMaxPath - 1) + " bytes)");
    return dir;
}

// Remembered as an absolute path, so it still names the same directory
// when the next command starts elsewhere.
void Remember(const Remembered& settings, const char* settingName, const std::string& dir) {
    std::error_code ec;
    std::filesystem::path abs = std::filesystem::absolute(dir, ec);
    std::string text = ec ? dir : abs.lexically_normal().string();
    while (text.size() > 1 && text.back() == '/')
        text.pop_back();
    if (text.size() >= platform::kMaxPath)
        text = dir;
    settings.Write(settingName, text);
}

int DoImport(standin::StandIn& store, const Options& o, const Remembered& settings) {
    const std::string dir = ChooseDirectory(o, settings, "ImportFolder");
    outlook::MAPIFolder folder = ChooseFolder(store, o);
    std::vector<std::string> files;
    if (!platform::ListVcfFiles(dir, &files))
        Fail(kExitUsage, "cannot read the directory " + Quoted(dir));
    if (files.empty())
        Fail(kExitUsage, "no .vcf files in " + dir);
    Remember(settings, "ImportFolder", dir);

    ImportOutcome r = RunImport(store, dir, folder, o.policy);
    std::string summary = Plural(r.cards, "card", "cards") + ": " + std::to_string(r.saved) +
                          " saved, " + std::to_string(r.identical) + " skipped as identical";
    if (r.replaced || o.policy == 1)
        summary += ", " + std::to_string(r.replaced) + " replaced";
    if (r.leftOld || o.policy == 2)
        summary += ", " + std::to_string(r.leftOld) + " skipped as existing";
    if (r.failed)
        summary += ", " + std::to_string(r.failed) + " failed";
    if (r.status == RunStatus::NothingToDo)
        Fail(kExitUsage,
             "no complete card (BEGIN:VCARD ... END:VCARD) in the .vcf files of " + dir);
    std::fprintf(stderr, "%s\n", summary.c_str());
    if (r.status == RunStatus::Cancelled) {
        std::fprintf(stderr, "tallyport: import cancelled; the cards saved before stay saved\n");
        return kExitCancelled;
    }
    if (r.status == RunStatus::Stopped) {
        std::fprintf(stderr, "tallyport: import stopped: %s\n", r.reason.c_str());
        return kExitRunError;
    }
    return kExitDone;
}

// The contacts of the folder filed under each of the names, in the order given.
std::vector<outlook::DispatchPtr> SelectContacts(const outlook::MAPIFolder& folder,
                                                 const Options& o) {
    struct Entry {
        outlook::DispatchPtr contact;
        std::u16string fileAs;
        bool isContact;
    };
    std::vector<Entry> entries;
    outlook::Items items = folder.GetItems();
    const LONG n = items.Count();
    static com::DispIdCache distListCache(outlook::IID_DistListItem);
    for (LONG i = 1; i <= n; ++i) {
        outlook::DispatchPtr item = items.Item(i);
        outlook::DispatchPtr contact;
        Entry e;
        e.isContact = outlook::IsContact(item.Get(), &contact);
        com::Variant v;
        if (e.isContact) {
            outlook::ContactItem(contact).TryText(u"FileAs", &e.fileAs);
            e.contact = contact;
        } else if (SUCCEEDED(com::TryGet(item.Get(), distListCache, u"DLName", &v))) {
            v.ToText(&e.fileAs);
        }
        entries.push_back(std::move(e));
    }

    std::vector<outlook::DispatchPtr> selected;
    std::set<IDispatch*> taken;
    for (const std::string& name : o.select) {
        const std::u16string wanted = Wide(name);
        bool found = false, distList = false;
        for (int pass = 0; pass < 2 && !found; ++pass) {
            for (const Entry& e : entries) {
                bool match = pass == 0 ? e.fileAs == wanted
                                       : platform::WideToUtf8(e.fileAs).size() == name.size() &&
                                             strcasecmp(platform::WideToUtf8(e.fileAs).c_str(),
                                                        name.c_str()) == 0;
                if (!match)
                    continue;
                if (!e.isContact) {
                    distList = true;
                    continue;
                }
                found = true;
                if (taken.insert(e.contact.Get()).second)
                    selected.push_back(e.contact);
            }
        }
        if (!found)
            Fail(kExitUsage, distList ? "--select " + Quoted(name) +
                                            " is a distribution list; only contacts are exported"
                                      : "--select: no contact filed as " + Quoted(name) + " in " +
                                            Utf8(FolderDisplayPath(folder)) +
                                            " (tallyport list shows the FileAs names)");
    }
    return selected;
}

int DoExport(standin::StandIn& store, const Options& o, const Remembered& settings) {
    const std::string dir = ChooseDirectory(o, settings, "ExportFolder");
    outlook::MAPIFolder folder = ChooseFolder(store, o);
    std::vector<outlook::DispatchPtr> selection;
    if (!o.select.empty())
        selection = SelectContacts(folder, o);
    Remember(settings, "ExportFolder", dir);

    ExportOutcome r;
    if (o.select.empty()) {
        r = RunExportFolder(store, dir, folder, o.version, o.oneFile);
    } else {
        store.SetCurrentFolder(folder);
        store.SetSelection(selection);
        r = RunExportSelection(store, dir, o.version, o.oneFile);
    }
    std::fprintf(stderr, "%s exported to %s in %s\n",
                 Plural(r.contacts, "contact", "contacts").c_str(),
                 Plural(r.files, "file", "files").c_str(), dir.c_str());
    if (r.status == RunStatus::Cancelled) {
        std::fprintf(stderr, "tallyport: export cancelled; the files written stay complete\n");
        return kExitCancelled;
    }
    if (r.status == RunStatus::Stopped) {
        std::fprintf(stderr, "tallyport: export stopped: %s\n", r.reason.c_str());
        return kExitRunError;
    }
    return kExitDone;
}

int Dispatch(const Options& o) {
    if (o.command == Command::Help) {
        std::string text = HelpText(o.helpFor);
        std::fwrite(text.data(), 1, text.size(), stdout);
        return kExitDone;
    }
    if (outlook::MajorVersion(Wide(o.outlookVersion)) < 9)
        Fail(kExitUsage, "--outlook-version " + Quoted(o.outlookVersion) +
                             " is not an Outlook 2000-2003 version such as 9.0.0.2711 or "
                             "11.0.0.8010");

    Remembered settings;
    // What the command line names is checked before the store is opened.
    if (o.command == Command::Import || o.command == Command::Export) {
        ChooseDirectory(o, settings,
                        o.command == Command::Import ? "ImportFolder" : "ExportFolder");
    }
    std::unique_ptr<standin::StandIn> store = OpenStore(o);
    switch (o.command) {
    case Command::Folders:
        return DoFolders(*store);
    case Command::List:
        return DoList(*store, o);
    case Command::Import:
        return DoImport(*store, o, settings);
    case Command::Export:
        return DoExport(*store, o, settings);
    default:
        return kExitUsage;
    }
}

} // namespace

int Run(const std::vector<std::string>& args) {
    Options o;
    std::string error;
    if (!ParseCommandLine(args, &o, &error)) {
        std::fprintf(stderr, "tallyport: %s\n", error.c_str());
        return kExitUsage;
    }
    try {
        return Dispatch(o);
    } catch (const Failure& f) {
        std::fprintf(stderr, "tallyport: %s\n", f.message.c_str());
        return f.status;
    } catch (const com::ComError& e) {
        std::fprintf(stderr, "tallyport: the store failed: %s\n", e.what());
        return kExitRunError;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tallyport: %s\n", e.what());
        return kExitRunError;
    }
}

} // namespace cli
