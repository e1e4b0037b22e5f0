#include "cli/options.h"

namespace cli {

namespace {

// Where an option may appear: any command, or the commands of a mask.
enum : unsigned {
    kImport = 1u << 0,
    kExport = 1u << 1,
    kFolders = 1u << 2,
    kList = 1u << 3,
    kAll = kImport | kExport | kFolders | kList,
};

struct OptionSpec {
    const char* name;
    bool takesValue;
    unsigned commands;
};

const OptionSpec kOptions[] = {
    {"--store", true, kAll},
    {"--outlook-version", true, kAll},
    {"--folder", true, kImport | kExport | kList},
    {"--policy", true, kImport},
    {"--version", true, kExport},
    {"--one-file", false, kExport},
    {"--select", true, kExport},
    {"--fields", true, kList},
};

unsigned Mask(Command c) {
    switch (c) {
    case Command::Import:
        return kImport;
    case Command::Export:
        return kExport;
    case Command::Folders:
        return kFolders;
    case Command::List:
        return kList;
    default:
        return 0;
    }
}

bool CommandFromName(const std::string& s, Command* out) {
    static const struct {
        const char* name;
        Command c;
    } kNames[] = {{"import", Command::Import},
                  {"export", Command::Export},
                  {"folders", Command::Folders},
                  {"list", Command::List},
                  {"help", Command::Help}};
    for (const auto& n : kNames) {
        if (s == n.name) {
            *out = n.c;
            return true;
        }
    }
    return false;
}

bool SplitFields(const std::string& text, std::vector<std::string>* out, std::string* error) {
    out->clear();
    size_t start = 0;
    for (;;) {
        size_t comma = text.find(',', start);
        std::string name =
            text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        size_t b = name.find_first_not_of(" \t");
        size_t e = name.find_last_not_of(" \t");
        name = b == std::string::npos ? std::string() : name.substr(b, e - b + 1);
        if (name.empty()) {
            *error = "--fields: empty field name in \"" + text +
                     "\" (give property names separated by commas)";
            return false;
        }
        out->push_back(name);
        if (comma == std::string::npos)
            return true;
        start = comma + 1;
    }
}

} // namespace

const char* CommandName(Command c) {
    switch (c) {
    case Command::Import:
        return "import";
    case Command::Export:
        return "export";
    case Command::Folders:
        return "folders";
    case Command::List:
        return "list";
    case Command::Help:
        return "help";
    default:
        return "";
    }
}

bool ParseCommandLine(const std::vector<std::string>& args, Options* out, std::string* error) {
    Options o;
    bool help = false;
    bool onlyPositional = false;
    std::vector<std::string> positional;
    struct Seen {
        const OptionSpec* known;
        std::string value;
    };
    std::vector<Seen> seen;

    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (onlyPositional || a.size() < 2 || a[0] != '-') {
            positional.push_back(a);
            continue;
        }
        if (a == "--") {
            onlyPositional = true;
            continue;
        }
        if (a == "-h" || a == "--help") {
            help = true;
            continue;
        }
        std::string name = a;
        std::string value;
        bool inlineValue = false;
        size_t eq = a.find('=');
        if (a.compare(0, 2, "--") == 0 && eq != std::string::npos) {
            name = a.substr(0, eq);
            value = a.substr(eq + 1);
            inlineValue = true;
        }
        const OptionSpec* known = nullptr;
        for (const auto& s : kOptions) {
            if (name == s.name)
                known = &s;
        }
        if (!known) {
            *error = "unknown option " + name + " (see tallyport --help)";
            return false;
        }
        if (known->takesValue && !inlineValue) {
            if (i + 1 >= args.size()) {
                *error = std::string(known->name) + " needs a value";
                return false;
            }
            value = args[++i];
        } else if (!known->takesValue && inlineValue) {
            *error = std::string(known->name) + " takes no value";
            return false;
        }
        seen.push_back({known, value});
    }

    // The command is the first word; `help` names the command to explain.
    size_t next = 0;
    if (next < positional.size()) {
        if (!CommandFromName(positional[next], &o.command)) {
            *error = "unknown command \"" + positional[next] +
                     "\" (the commands are import, export, folders, list; see tallyport --help)";
            return false;
        }
        ++next;
    }
    if (o.command == Command::Help) {
        help = true;
        o.command = Command::None;
        if (next < positional.size()) {
            if (!CommandFromName(positional[next], &o.command) || o.command == Command::Help) {
                *error = "no help on \"" + positional[next] +
                         "\" (the commands are import, export, folders, list)";
                return false;
            }
            ++next;
        }
    }
    if (help) {
        o.helpFor = o.command;
        o.command = Command::Help;
        *out = o;
        return true;
    }
    if (o.command == Command::None) {
        *error = "no command given (import, export, folders or list; see tallyport --help)";
        return false;
    }

    const char* cmd = CommandName(o.command);
    bool haveFolder = false, havePolicy = false, haveVersion = false, haveFields = false,
         haveStore = false, haveOutlookVersion = false, haveOneFile = false;
    auto once = [&](bool* flag, const char* name) {
        if (*flag) {
            *error = std::string(name) + " is given twice";
            return false;
        }
        *flag = true;
        return true;
    };
    for (const Seen& s : seen) {
        if (!(s.known->commands & Mask(o.command))) {
            *error = std::string(s.known->name) + " does not apply to " + cmd + " (see tallyport " +
                     cmd + " --help)";
            return false;
        }
        const std::string n = s.known->name;
        if (n == "--store") {
            if (!once(&haveStore, "--store"))
                return false;
            if (s.value.empty()) {
                *error = "--store needs a file name";
                return false;
            }
            o.store = s.value;
        } else if (n == "--outlook-version") {
            if (!once(&haveOutlookVersion, "--outlook-version"))
                return false;
            o.outlookVersion = s.value;
        } else if (n == "--folder") {
            if (!once(&haveFolder, "--folder"))
                return false;
            if (s.value.empty()) {
                *error = "--folder needs a folder path such as \"\\\\Personal Folders\\Contacts\"";
                return false;
            }
            o.folder = s.value;
        } else if (n == "--policy") {
            if (!once(&havePolicy, "--policy"))
                return false;
            if (s.value == "duplicate")
                o.policy = 0;
            else if (s.value == "replace")
                o.policy = 1;
            else if (s.value == "leave")
                o.policy = 2;
            else {
                *error = "--policy must be duplicate, replace or leave, not \"" + s.value + "\"";
                return false;
            }
        } else if (n == "--version") {
            if (!once(&haveVersion, "--version"))
                return false;
            if (s.value != "2.1" && s.value != "3.0") {
                *error = "--version must be 2.1 or 3.0, not \"" + s.value + "\"";
                return false;
            }
            o.version = s.value;
        } else if (n == "--one-file") {
            if (!once(&haveOneFile, "--one-file"))
                return false;
            o.oneFile = true;
        } else if (n == "--select") {
            o.select.push_back(s.value);
        } else if (n == "--fields") {
            if (!once(&haveFields, "--fields"))
                return false;
            if (!SplitFields(s.value, &o.fields, error))
                return false;
        }
    }

    bool takesDir = o.command == Command::Import || o.command == Command::Export;
    if (next < positional.size()) {
        if (!takesDir) {
            *error = std::string(cmd) + " takes no argument \"" + positional[next] + "\"";
            return false;
        }
        o.dir = positional[next++];
        if (o.dir.empty()) {
            *error = "the directory argument is empty";
            return false;
        }
    }
    if (next < positional.size()) {
        *error = std::string("unexpected argument \"") + positional[next] + "\" (" + cmd +
                 " takes one directory)";
        return false;
    }
    *out = o;
    return true;
}

std::string HelpText(Command c) {
    switch (c) {
    case Command::Import:
        return R"(Usage: tallyport import [--folder PATH] [--policy duplicate|replace|leave] [DIR]

Reads every .vcf file in DIR (not its subdirectories) and saves each card as a
contact of the folder. vCard 2.1 and 3.0 cards are read, several cards in one
file too.

A card whose full name and company match an existing contact is handled by the
policy:
  duplicate  save it as another contact (the default)
  replace    save it, then delete the first matching contact that differs
  leave      skip it; the existing contact stays as it is
Under every policy a card that agrees with an existing contact on everything
the card holds is skipped as identical, so importing the same files twice
adds nothing.

Options:
  --folder PATH   the contacts folder to import into, as `tallyport folders`
                  shows it, e.g. "\\Personal Folders\Contacts"
                  (default: the default contacts folder)
  --policy NAME   duplicate, replace or leave (default: duplicate)
  DIR             the directory of .vcf files (default: the directory of the
                  last import); it must exist and is remembered for next time

Ctrl-C stops after the card in progress; what was saved stays saved.
Exit status: 0 done, 1 the run stopped on an error, 2 bad usage or input,
130 cancelled.

Example:
  tallyport import --policy leave ~/cards
)";
    case Command::Export:
        return R"(Usage: tallyport export [--folder PATH] [--version 2.1|3.0] [--one-file]
                        [--select FILEAS ...] [DIR]

Writes the contacts of a folder as vCard files into DIR: one file per contact,
named after the contact's "File as" name (Smith, John.vcf), or with --one-file
all cards in one file named after the folder (Contacts.vcf). An existing file
is never overwritten: the next free name is taken (Smith, John(1).vcf).
Distribution lists are not exported.

Options:
  --folder PATH     the contacts folder, as `tallyport folders` shows it
                    (default: the default contacts folder)
  --version V       vCard version 2.1 or 3.0 (default: 2.1)
  --one-file        all contacts into one file
  --select FILEAS   export only the contact(s) filed under FILEAS; repeat it
                    for more contacts, exported in the order given
                    (`tallyport list` shows the FileAs names)
  DIR               the target directory (default: the directory of the last
                    export); it must exist and is remembered for next time

Ctrl-C stops after the contact in progress; files written stay complete.
Exit status: 0 done, 1 the run stopped on an error, 2 bad usage or input,
130 cancelled.

Examples:
  tallyport export --version 3.0 /tmp/out
  tallyport export --select "Smith, John" --select "Acme Ltd" --one-file .
)";
    case Command::Folders:
        return R"(Usage: tallyport folders

Lists the folder tree of the store, one folder a line: its path, the type of
its items and the number of items, separated by tabs. The path is what
--folder takes. Only folders of type "contact" can be imported into or
exported from.

In the shell put a path in single quotes, so the backslashes stay as they are;
the leading backslashes may be left out, and letter case does not matter:
  tallyport list --folder '\\Personal Folders\Contacts\Clients'
  tallyport list --folder 'personal folders\contacts\clients'

Example:
  tallyport folders
  \\Personal Folders	mail	0
  \\Personal Folders\Contacts	contact	12
)";
    case Command::List:
        return R"(Usage: tallyport list [--folder PATH] [--fields NAME,...]

Prints the items of a contacts folder as tab-separated lines (UTF-8), after a
header line with the field names. A field is any contact property name, e.g.
FirstName, LastName, HomeTelephoneNumber, Email2Address, Birthday, Body.
Dates print as YYYY-MM-DD (empty when unset). In text, a backslash, tab, CR
and LF print as \\, \t, \r and \n, so every item is one line. A distribution
list shows its name under FileAs and nothing else.

Options:
  --folder PATH    the contacts folder, as `tallyport folders` shows it
                   (default: the default contacts folder)
  --fields LIST    the properties to show, separated by commas (default:
                   FileAs,FullName,CompanyName,Email1Address,BusinessTelephoneNumber)

Example:
  tallyport list --fields FileAs,Email1Address,Birthday
)";
    default:
        return R"(Usage: tallyport [--store FILE] [--outlook-version TEXT] <command> [options]

Moves contacts between vCard (.vcf) files and a contacts store that behaves
like an Outlook 2000-2003 profile.

Commands:
  import [DIR]   read the .vcf files of DIR into a contacts folder
  export [DIR]   write the contacts of a folder as .vcf files into DIR
  folders        show the folder tree (the paths that --folder takes)
  list           show the contacts of a folder
Run `tallyport COMMAND --help` for the options of a command.

Global options:
  --store FILE            the contacts store (default: $TALLYPORT_STORE, else
                          $XDG_DATA_HOME/tallyport/contacts.db, that is
                          ~/.local/share/tallyport/contacts.db); it is created
                          with the folders Contacts, Inbox and Calendar on
                          first use
  --outlook-version TEXT  the Outlook version to behave as (default
                          11.0.0.8010, Outlook 2003; 9.0.0.2711 is Outlook
                          2000, which has no IM address)

The last directory of each command is remembered (in
$XDG_CONFIG_HOME/tallyport/) and used when DIR is left out.

Exit status: 0 done, 1 the run stopped on an error, 2 bad usage or bad input,
130 cancelled with Ctrl-C.

Examples:
  tallyport import ~/cards
  tallyport list
  tallyport export --version 3.0 /tmp/out
)";
    }
}

} // namespace cli
