// The stand-in's store on disk: one SQLite file holds one tree of folders
// and their items. The whole store is read into memory at opening; every
// Save and Delete then writes one row in its own committed transaction.
#include "standin/model.h"
#include "standin/standin.h"

#include <sqlite3.h>

#include <cstring>
#include <fstream>
#include <sys/stat.h>
#include <unordered_map>

namespace standin {

using namespace detail;

namespace {

constexpr int32_t kApplicationId = 0x54505354; // "TPST"
constexpr int kFormat = 1;

const char* const kSchema = R"sql(
CREATE TABLE folders(
  id INTEGER PRIMARY KEY,
  parent INTEGER REFERENCES folders(id),
  name TEXT NOT NULL,
  item_type INTEGER NOT NULL,
  default_contacts INTEGER NOT NULL DEFAULT 0);
CREATE TABLE items(
  id INTEGER PRIMARY KEY,
  folder INTEGER NOT NULL REFERENCES folders(id),
  kind INTEGER NOT NULL,
  full_name TEXT NOT NULL,
  company TEXT NOT NULL,
  birthday REAL NOT NULL,
  anniversary REAL NOT NULL,
  modified REAL NOT NULL,
  props BLOB NOT NULL);
CREATE INDEX items_full_name ON items(folder, full_name);
CREATE INDEX items_company ON items(folder, company);
)sql";

// Text properties by name, so that the table of properties may grow:
// [u16 name length][name][u32 value length][value], UTF-16 in host order.
std::string EncodeProps(const Props& p) {
    std::string out;
    const auto& table = PropertyTable();
    for (const auto& [index, value] : p.text) {
        const std::u16string_view name = table[index].name;
        const uint16_t n = static_cast<uint16_t>(name.size());
        const uint32_t v = static_cast<uint32_t>(value.size());
        out.append(reinterpret_cast<const char*>(&n), sizeof n);
        out.append(reinterpret_cast<const char*>(name.data()), n * sizeof(char16_t));
        out.append(reinterpret_cast<const char*>(&v), sizeof v);
        out.append(reinterpret_cast<const char*>(value.data()), v * sizeof(char16_t));
    }
    return out;
}

bool DecodeProps(const unsigned char* data, size_t size, Props* p) {
    size_t i = 0;
    auto take = [&](void* to, size_t bytes) {
        if (size - i < bytes)
            return false;
        std::memcpy(to, data + i, bytes);
        i += bytes;
        return true;
    };
    while (i < size) {
        uint16_t n = 0;
        uint32_t v = 0;
        std::u16string name, value;
        if (!take(&n, sizeof n))
            return false;
        name.resize(n);
        if (!take(name.data(), n * sizeof(char16_t)) || !take(&v, sizeof v) ||
            v > (size - i) / sizeof(char16_t))
            return false;
        value.resize(v);
        if (!take(value.data(), v * sizeof(char16_t)))
            return false;
        const int index = PropertyIndex(name);
        if (index >= 0 && PropertyTable()[static_cast<size_t>(index)].type == PropType::Text)
            p->Set(index, value);
    }
    return true;
}

class Statement {
public:
    Statement(sqlite3* db, const char* sql) { sqlite3_prepare_v2(db, sql, -1, &s_, nullptr); }
    ~Statement() { sqlite3_finalize(s_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    sqlite3_stmt* Get() const { return s_; }
    explicit operator bool() const { return s_ != nullptr; }

private:
    sqlite3_stmt* s_ = nullptr;
};

void BindText(sqlite3_stmt* s, int i, const std::u16string& t) {
    sqlite3_bind_text16(s, i, t.data(), static_cast<int>(t.size() * sizeof(char16_t)),
                        SQLITE_TRANSIENT);
}

std::u16string ColumnText(sqlite3_stmt* s, int i) {
    const void* p = sqlite3_column_text16(s, i);
    const int bytes = sqlite3_column_bytes16(s, i);
    return p ? std::u16string(static_cast<const char16_t*>(p),
                              static_cast<size_t>(bytes) / sizeof(char16_t))
             : std::u16string();
}

class SqliteStore : public Backend {
public:
    explicit SqliteStore(sqlite3* db)
        : db_(db),
          putItem_(db, "INSERT OR REPLACE INTO items(id, folder, kind, full_name, company, "
                       "birthday, anniversary, modified, props) VALUES(?,?,?,?,?,?,?,?,?)"),
          deleteItem_(db, "DELETE FROM items WHERE id = ?"),
          putFolder_(db, "INSERT OR REPLACE INTO folders(id, parent, name, item_type, "
                         "default_contacts) VALUES(?,?,?,?,?)") {}
    // close_v2 waits for the statements, which are finalized after this body.
    ~SqliteStore() override { sqlite3_close_v2(db_); }
    bool Ready() const { return putItem_ && deleteItem_ && putFolder_; }
    FolderData* contacts = nullptr;

    HRESULT PutItem(const ItemData& item, const Props& props, int64_t id) override {
        sqlite3_stmt* s = putItem_.Get();
        sqlite3_reset(s);
        sqlite3_bind_int64(s, 1, id);
        sqlite3_bind_int64(s, 2, item.folder->id);
        sqlite3_bind_int(s, 3, item.distList ? 1 : 0);
        BindText(s, 4, item.distList ? std::u16string() : Fold(ComposeFullName(props)));
        const std::u16string* company = props.Find(kPropCompanyName);
        BindText(s, 5, item.distList || !company ? std::u16string() : Fold(*company));
        sqlite3_bind_double(s, 6, props.birthday);
        sqlite3_bind_double(s, 7, props.anniversary);
        sqlite3_bind_double(s, 8, props.modified);
        const std::string blob = EncodeProps(props);
        sqlite3_bind_blob(s, 9, blob.data(), static_cast<int>(blob.size()), SQLITE_TRANSIENT);
        return Step(s);
    }
    HRESULT DeleteItem(int64_t id) override {
        sqlite3_stmt* s = deleteItem_.Get();
        sqlite3_reset(s);
        sqlite3_bind_int64(s, 1, id);
        return Step(s);
    }
    HRESULT PutFolder(const FolderData& f) override {
        sqlite3_stmt* s = putFolder_.Get();
        sqlite3_reset(s);
        sqlite3_bind_int64(s, 1, f.id);
        if (f.parent)
            sqlite3_bind_int64(s, 2, f.parent->id);
        else
            sqlite3_bind_null(s, 2);
        BindText(s, 3, f.name);
        sqlite3_bind_int(s, 4, f.type);
        sqlite3_bind_int(s, 5, &f == contacts ? 1 : 0);
        return Step(s);
    }

private:
    static HRESULT Step(sqlite3_stmt* s) {
        const int rc = sqlite3_step(s);
        sqlite3_reset(s);
        sqlite3_clear_bindings(s);
        return rc == SQLITE_DONE ? S_OK : E_FAIL;
    }

    sqlite3* db_;
    Statement putItem_, deleteItem_, putFolder_;
};

bool Exec(sqlite3* db, const char* sql) {
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool QueryInt(sqlite3* db, const char* sql, int64_t* out) {
    Statement s(db, sql);
    if (!s || sqlite3_step(s.Get()) != SQLITE_ROW)
        return false;
    *out = sqlite3_column_int64(s.Get(), 0);
    return true;
}

bool Load(sqlite3* db, Model& m, SqliteStore& store) {
    std::unordered_map<int64_t, FolderData*> byId;
    {
        Statement s(db, "SELECT id, parent, name, item_type, default_contacts FROM folders "
                        "ORDER BY id");
        if (!s)
            return false;
        // Parents come before their children: they were made first.
        while (sqlite3_step(s.Get()) == SQLITE_ROW) {
            auto f = std::make_unique<FolderData>();
            f->id = sqlite3_column_int64(s.Get(), 0);
            f->name = ColumnText(s.Get(), 2);
            f->type = sqlite3_column_int(s.Get(), 3);
            FolderData* raw = f.get();
            if (sqlite3_column_type(s.Get(), 1) == SQLITE_NULL) {
                if (m.root)
                    return false;
                m.root = std::move(f);
            } else {
                auto parent = byId.find(sqlite3_column_int64(s.Get(), 1));
                if (parent == byId.end())
                    return false;
                raw->parent = parent->second;
                parent->second->children.push_back(std::move(f));
            }
            if (sqlite3_column_int(s.Get(), 4))
                m.contacts = raw;
            byId[raw->id] = raw;
            m.nextFolderId = std::max(m.nextFolderId, raw->id + 1);
        }
    }
    if (!m.root || !m.contacts)
        return false;
    store.contacts = m.contacts;
    Statement s(db, "SELECT id, folder, kind, birthday, anniversary, modified, props FROM items "
                    "ORDER BY id");
    if (!s)
        return false;
    while (sqlite3_step(s.Get()) == SQLITE_ROW) {
        auto folder = byId.find(sqlite3_column_int64(s.Get(), 1));
        if (folder == byId.end())
            return false;
        auto item = std::make_shared<ItemData>();
        item->id = sqlite3_column_int64(s.Get(), 0);
        item->distList = sqlite3_column_int(s.Get(), 2) != 0;
        item->saved = true;
        item->folder = folder->second;
        item->props.birthday = sqlite3_column_double(s.Get(), 3);
        item->props.anniversary = sqlite3_column_double(s.Get(), 4);
        item->props.modified = sqlite3_column_double(s.Get(), 5);
        const void* blob = sqlite3_column_blob(s.Get(), 6);
        if (!DecodeProps(static_cast<const unsigned char*>(blob),
                         static_cast<size_t>(sqlite3_column_bytes(s.Get(), 6)), &item->props))
            return false;
        item->folder->Insert(item);
        m.nextItemId = std::max(m.nextItemId, item->id + 1);
    }
    return true;
}

} // namespace

std::unique_ptr<StandIn> StandIn::OpenStore(const std::string& path, std::u16string version,
                                            std::string* error) {
    auto fail = [&](const std::string& why) -> std::unique_ptr<StandIn> {
        if (error)
            *error = path + ": " + why;
        return nullptr;
    };
    const std::string notStore = "not a Tallyport contact store";
    struct stat st {};
    const bool exists = stat(path.c_str(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode))
        return fail(notStore + " (not a file)");
    bool fresh = !exists || st.st_size == 0;
    if (!fresh) {
        // Look before SQLite opens it: a file of another kind is left as it is.
        char header[16] = {};
        std::ifstream in(path, std::ios::binary);
        if (!in.read(header, sizeof header) ||
            std::memcmp(header, "SQLite format 3", sizeof header) != 0)
            return fail(notStore);
    }
    sqlite3* raw = nullptr;
    const int flags = SQLITE_OPEN_READWRITE | (fresh ? SQLITE_OPEN_CREATE : 0);
    if (sqlite3_open_v2(path.c_str(), &raw, flags, nullptr) != SQLITE_OK) {
        std::string why = raw ? sqlite3_errmsg(raw) : "out of memory";
        sqlite3_close(raw);
        return fail("cannot open the store: " + why);
    }
    // Closes the connection on every early return.
    std::unique_ptr<sqlite3, int (*)(sqlite3*)> db(raw, sqlite3_close_v2);
    sqlite3_busy_timeout(raw, 5000);
    if (!fresh) {
        int64_t app = 0, format = 0, tables = 0;
        if (!QueryInt(raw, "PRAGMA application_id", &app) ||
            !QueryInt(raw, "PRAGMA user_version", &format) ||
            !QueryInt(raw, "SELECT count(*) FROM sqlite_master", &tables))
            return fail(notStore);
        if (app == 0 && tables == 0) {
            fresh = true; // an empty database: first use
        } else if (app != kApplicationId) {
            return fail(notStore);
        } else if (format > kFormat) {
            return fail("a contact store of format " + std::to_string(format) +
                        ", newer than this program reads (format " + std::to_string(kFormat) + ")");
        }
    }
    // WAL: a commit is one append; what was committed survives the process.
    if (!Exec(raw, "PRAGMA journal_mode=WAL") || !Exec(raw, "PRAGMA synchronous=NORMAL"))
        return fail("cannot open the store: " + std::string(sqlite3_errmsg(raw)));

    auto model = std::make_shared<Model>();
    model->version = std::move(version);
    if (fresh) {
        const std::string init = std::string("BEGIN IMMEDIATE;") + kSchema +
                                 "PRAGMA application_id=" + std::to_string(kApplicationId) +
                                 "; PRAGMA user_version=" + std::to_string(kFormat) + ";";
        if (!Exec(raw, init.c_str())) {
            const std::string why = sqlite3_errmsg(raw);
            Exec(raw, "ROLLBACK");
            return fail("cannot create the store: " + why);
        }
        model->BuildDefaultTree();
        auto store = std::make_unique<SqliteStore>(db.release());
        store->contacts = model->contacts;
        bool ok = store->Ready();
        std::vector<FolderData*> todo{model->root.get()};
        while (ok && !todo.empty()) {
            FolderData* f = todo.back();
            todo.pop_back();
            ok = SUCCEEDED(store->PutFolder(*f));
            for (auto& c : f->children)
                todo.push_back(c.get());
        }
        if (!ok || !Exec(raw, "COMMIT")) {
            const std::string why = sqlite3_errmsg(raw);
            Exec(raw, "ROLLBACK");
            return fail("cannot create the store: " + why);
        }
        model->backend = std::move(store);
    } else {
        auto store = std::make_unique<SqliteStore>(db.release());
        if (!store->Ready() || !Load(raw, *model, *store))
            return fail(notStore + " (its tables are damaged)");
        model->backend = std::move(store);
    }
    model->current = model->contacts;
    return std::unique_ptr<StandIn>(new StandIn(std::move(model)));
}

} // namespace standin
