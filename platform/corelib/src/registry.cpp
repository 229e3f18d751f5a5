#include "tlx/registry.h"

#include <sqlite3.h>

#include <chrono>
#include <thread>

#include "posix_file.h"
#include "tlx/error.h"
#include "tlx/paths.h"
#include "tlx/text.h"

namespace tlx {
namespace {

constexpr int kBusyTimeoutMs = 10000;

// A key path without leading, trailing or doubled backslashes.
std::string NormaliseKey(std::string_view key) {
    std::string out;
    for (char c : key) {
        if (c == '\\' && (out.empty() || out.back() == '\\')) continue;
        out.push_back(c);
    }
    while (!out.empty() && out.back() == '\\')
        out.pop_back();
    return out;
}

struct ValuePath {
    std::string key;
    std::string name;
};

ValuePath SplitPath(const std::string& path) {
    auto slash = path.find_last_of('\\');
    if (slash == std::string::npos) return {"", path};
    return {NormaliseKey(std::string_view(path).substr(0, slash)), path.substr(slash + 1)};
}

class Statement {
  public:
    Statement(sqlite3* db, const char* sql, const std::string& file) {
        if (sqlite3_prepare_v3(db, sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt_, nullptr) !=
            SQLITE_OK) {
            throw Error("the registry '" + file + "' cannot be used: " + sqlite3_errmsg(db));
        }
    }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    ~Statement() { sqlite3_finalize(stmt_); }
    sqlite3_stmt* get() const { return stmt_; }

  private:
    sqlite3_stmt* stmt_ = nullptr;
};

// Resets a statement when the scope ends, whatever happened.
class Use {
  public:
    explicit Use(const Statement& s) : stmt_(s.get()) {}
    Use(const Use&) = delete;
    Use& operator=(const Use&) = delete;
    ~Use() {
        sqlite3_reset(stmt_);
        sqlite3_clear_bindings(stmt_);
    }
    sqlite3_stmt* operator*() const { return stmt_; }
    void Text(int i, const std::string& s) {
        sqlite3_bind_text(stmt_, i, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
    }

  private:
    sqlite3_stmt* stmt_;
};

}  // namespace

struct cls_CoreRegistry::Hive {
    std::string file;
    sqlite3* db = nullptr;
    std::unique_ptr<Statement> read;
    std::unique_ptr<Statement> write;
    std::unique_ptr<Statement> erase;
    std::unique_ptr<Statement> names;

    explicit Hive(std::string path) : file(std::move(path)) {
        auto slash = file.find_last_of('/');
        detail::MakeFolders(file.substr(0, slash));
        if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                            nullptr) != SQLITE_OK) {
            std::string why = db ? sqlite3_errmsg(db) : "out of memory";
            sqlite3_close(db);
            throw Error("the registry '" + file + "' cannot be opened: " + why);
        }
        try {
            sqlite3_busy_timeout(db, kBusyTimeoutMs);
            // Switching to write-ahead logging needs the database alone and does not wait for
            // other connections, so a hive that two processes open at the same moment is
            // retried; once switched, the mode stays with the file.
            ExecPatiently("PRAGMA journal_mode=WAL");
            if (JournalMode() != "wal") {
                throw Error("the registry '" + file +
                            "' cannot keep a write-ahead log (is it on a network file system?)");
            }
            Exec("PRAGMA synchronous=FULL");
            Transaction([&] {
                Exec(
                    "CREATE TABLE IF NOT EXISTS registry_value ("
                    " key_fold TEXT NOT NULL, name_fold TEXT NOT NULL,"
                    " key TEXT NOT NULL, name TEXT NOT NULL, kind INTEGER NOT NULL, data,"
                    " PRIMARY KEY (key_fold, name_fold))");
            });
            read = std::make_unique<Statement>(
                db, "SELECT kind, data FROM registry_value WHERE key_fold=?1 AND name_fold=?2",
                file);
            write = std::make_unique<Statement>(
                db,
                "INSERT INTO registry_value (key_fold, name_fold, key, name, kind, data)"
                " VALUES (?1, ?2, ?3, ?4, ?5, ?6) ON CONFLICT (key_fold, name_fold)"
                " DO UPDATE SET kind=excluded.kind, data=excluded.data",
                file);
            erase = std::make_unique<Statement>(
                db, "DELETE FROM registry_value WHERE key_fold=?1 AND name_fold=?2", file);
            names = std::make_unique<Statement>(
                db, "SELECT name FROM registry_value WHERE key_fold=?1 ORDER BY rowid", file);
        } catch (...) {
            read.reset();
            write.reset();
            erase.reset();
            names.reset();
            sqlite3_close(db);
            throw;
        }
    }
    Hive(const Hive&) = delete;
    Hive& operator=(const Hive&) = delete;
    ~Hive() {
        read.reset();
        write.reset();
        erase.reset();
        names.reset();
        sqlite3_close(db);
    }

    [[noreturn]] void Fail(const std::string& what) const {
        throw Error("the registry '" + file + "' " + what + ": " + sqlite3_errmsg(db));
    }

    void Exec(const char* sql) {
        if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK) {
            Fail("cannot be used");
        }
    }

    std::string JournalMode() {
        std::string mode;
        auto take = [](void* out, int, char** values, char**) {
            if (values[0]) *static_cast<std::string*>(out) = values[0];
            return 0;
        };
        if (sqlite3_exec(db, "PRAGMA journal_mode", take, &mode, nullptr) != SQLITE_OK) {
            Fail("cannot be used");
        }
        return mode;
    }

    // Runs `sql`, waiting in short sleeps while another connection holds the lock that it
    // needs and does not let the busy handler wait.
    void ExecPatiently(const char* sql) {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(kBusyTimeoutMs);
        for (;;) {
            int rc = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
            if (rc == SQLITE_OK) return;
            if ((rc & 0xFF) != SQLITE_BUSY && (rc & 0xFF) != SQLITE_LOCKED) Fail("cannot be used");
            if (std::chrono::steady_clock::now() >= deadline) Fail("stays busy");
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }

    // Runs `body` in a write transaction that takes the write lock at once, so that a writer
    // waits for another instead of failing when it upgrades.
    template <class F>
    void Transaction(F&& body) {
        if (sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK) {
            Fail("is busy or cannot be written");
        }
        try {
            body();
        } catch (...) {
            sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
            throw;
        }
        if (sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) {
            std::string why = sqlite3_errmsg(db);
            sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
            throw Error("the registry '" + file + "' cannot be written: " + why);
        }
    }

    void Step(const Use& use, int expected) {
        if (sqlite3_step(*use) != expected) Fail("cannot be used");
    }
};

cls_CoreRegistry::cls_CoreRegistry() = default;
cls_CoreRegistry::~cls_CoreRegistry() = default;

std::string cls_CoreRegistry::HIVEFILE(enm_RegistryHive pHive) {
    switch (pHive) {
        case HKEY_LOCAL_MACHINE:
            return MachineFolder() + "/registry/machine.db";
        case HKEY_CURRENT_USER:
            return UserFolder() + "/registry/user.db";
    }
    throw Error("unknown registry hive " + std::to_string(static_cast<int>(pHive)));
}

cls_CoreRegistry::Hive& cls_CoreRegistry::Open(enm_RegistryHive hive) {
    std::unique_ptr<Hive>& slot = hive == HKEY_LOCAL_MACHINE ? machine_ : user_;
    // The place follows VODEX_HOME, which tests change between cases.
    std::string file = HIVEFILE(hive);
    if (!slot || slot->file != file) {
        slot.reset();
        slot = std::make_unique<Hive>(file);
    }
    return *slot;
}

Variant cls_CoreRegistry::READ(enm_RegistryHive pHive, const std::string& pPath,
                               const Variant& pDefault) {
    Hive& h = Open(pHive);
    ValuePath p = SplitPath(pPath);
    Use use(*h.read);
    use.Text(1, FoldCase(p.key));
    use.Text(2, FoldCase(p.name));
    int rc = sqlite3_step(*use);
    if (rc == SQLITE_DONE) return pDefault;
    if (rc != SQLITE_ROW) h.Fail("cannot be read");
    auto kind = static_cast<VarType>(sqlite3_column_int(*use, 0));
    sqlite3_stmt* s = *use;
    switch (kind) {
        case VarType::Boolean:
            return Variant(sqlite3_column_int(s, 1) != 0);
        case VarType::Integer:
        case VarType::Long:
            return Variant(static_cast<std::int32_t>(sqlite3_column_int(s, 1)));
        case VarType::Double:
            return Variant(sqlite3_column_double(s, 1));
        case VarType::Date:
            return Variant(Date{sqlite3_column_double(s, 1)});
        case VarType::Text: {
            const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(s, 1));
            return Variant(
                std::string(t ? t : "", static_cast<std::size_t>(sqlite3_column_bytes(s, 1))));
        }
        case VarType::ByteArray: {
            const auto* b = static_cast<const std::uint8_t*>(sqlite3_column_blob(s, 1));
            return Variant(Bytes(b, b + sqlite3_column_bytes(s, 1)));
        }
        default:
            return {};
    }
}

std::string cls_CoreRegistry::READTEXT(enm_RegistryHive pHive, const std::string& pPath,
                                       const std::string& pDefault, std::size_t pMaxChars) {
    std::string text = READ(pHive, pPath, Variant(pDefault)).ToText();
    if (pMaxChars > 0 && CharCount(text) > pMaxChars) {
        std::size_t bytes = 0;
        for (std::size_t chars = 0; chars < pMaxChars && bytes < text.size(); ++chars) {
            ++bytes;
            while (bytes < text.size() &&
                   (static_cast<unsigned char>(text[bytes]) & 0xC0) == 0x80) {
                ++bytes;
            }
        }
        text.resize(bytes);
    }
    return text;
}

std::int32_t cls_CoreRegistry::READLONG(enm_RegistryHive pHive, const std::string& pPath,
                                        std::int32_t pDefault) {
    Variant v = READ(pHive, pPath, Variant(pDefault));
    try {
        return v.ToInt32();
    } catch (const Error&) {
        return pDefault;
    }
}

bool cls_CoreRegistry::READBOOL(enm_RegistryHive pHive, const std::string& pPath, bool pDefault) {
    Variant v = READ(pHive, pPath, Variant(pDefault));
    try {
        return v.ToBool();
    } catch (const Error&) {
        return pDefault;
    }
}

void cls_CoreRegistry::WRITE(enm_RegistryHive pHive, const std::string& pPath,
                             const Variant& pValue) {
    ValuePath p = SplitPath(pPath);
    if (p.name.empty() && p.key.empty()) throw Error("no registry value was named");
    Hive& h = Open(pHive);
    h.Transaction([&] {
        Use use(*h.write);
        use.Text(1, FoldCase(p.key));
        use.Text(2, FoldCase(p.name));
        use.Text(3, p.key);
        use.Text(4, p.name);
        sqlite3_bind_int(*use, 5, static_cast<int>(pValue.Type()));
        switch (pValue.Type()) {
            case VarType::Empty:
                sqlite3_bind_null(*use, 6);
                break;
            case VarType::Boolean:
                sqlite3_bind_int(*use, 6, pValue.ToBool() ? 1 : 0);
                break;
            case VarType::Integer:
            case VarType::Long:
                sqlite3_bind_int(*use, 6, pValue.ToInt32());
                break;
            case VarType::Double:
                sqlite3_bind_double(*use, 6, pValue.ToDouble());
                break;
            case VarType::Date:
                sqlite3_bind_double(*use, 6, pValue.ToDate().serial);
                break;
            case VarType::Text:
                use.Text(6, pValue.Text());
                break;
            case VarType::ByteArray: {
                const Bytes& b = pValue.ToBytes();
                sqlite3_bind_blob(*use, 6, b.data(), static_cast<int>(b.size()), SQLITE_TRANSIENT);
                break;
            }
            default:
                throw Error(std::string("a ") + VarTypeName(pValue.Type()) +
                            " cannot be stored in the registry");
        }
        h.Step(use, SQLITE_DONE);
    });
}

bool cls_CoreRegistry::DELETEVALUE(enm_RegistryHive pHive, const std::string& pPath) {
    ValuePath p = SplitPath(pPath);
    Hive& h = Open(pHive);
    bool removed = false;
    h.Transaction([&] {
        Use use(*h.erase);
        use.Text(1, FoldCase(p.key));
        use.Text(2, FoldCase(p.name));
        h.Step(use, SQLITE_DONE);
        removed = sqlite3_changes(h.db) > 0;
    });
    return removed;
}

std::vector<std::string> cls_CoreRegistry::VALUENAMES(enm_RegistryHive pHive,
                                                      const std::string& pKey) {
    Hive& h = Open(pHive);
    Use use(*h.names);
    use.Text(1, FoldCase(NormaliseKey(pKey)));
    std::vector<std::string> names;
    for (;;) {
        int rc = sqlite3_step(*use);
        if (rc == SQLITE_DONE) break;
        if (rc != SQLITE_ROW) h.Fail("cannot be read");
        const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(*use, 0));
        names.emplace_back(t ? t : "", static_cast<std::size_t>(sqlite3_column_bytes(*use, 0)));
    }
    return names;
}

}  // namespace tlx
