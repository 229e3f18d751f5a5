#include "tlx/registry.h"

#include <sqlite3.h>

#include <utility>

#include "hive.h"
#include "hive_place.h"
#include "tlx/error.h"
#include "tlx/paths.h"
#include "tlx/text.h"

namespace tlx {
namespace {

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

// Resets a statement when the scope ends, whatever happened.
class Use {
  public:
    explicit Use(const detail::HiveStatement& s) : stmt_(s.get()) {}
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

cls_CoreRegistry::cls_CoreRegistry() = default;
cls_CoreRegistry::~cls_CoreRegistry() = default;

namespace {

detail::HivePlace PlaceOf(enm_RegistryHive hive) {
    if (hive != HKEY_LOCAL_MACHINE && hive != HKEY_CURRENT_USER) {
        throw Error("unknown registry hive " + std::to_string(static_cast<int>(hive)));
    }
    return detail::PlaceOfHive(hive == HKEY_LOCAL_MACHINE);
}

}  // namespace

std::string cls_CoreRegistry::HIVEFILE(enm_RegistryHive pHive) {
    return detail::SettleHive(PlaceOf(pHive));
}

cls_CoreRegistry::Hive& cls_CoreRegistry::Open(enm_RegistryHive hive, bool forWriting) {
    std::unique_ptr<Hive>& slot = hive == HKEY_LOCAL_MACHINE ? machine_ : user_;
    // The place follows VODEX_HOME, which tests change between cases; a hive that was not
    // there is looked for again, since another program may have made it since. A hive in a
    // transaction stays as it is until the transaction ends. A hive of an earlier version that
    // another program held open when it was opened here is read where it is while it is open.
    const detail::HivePlace place = PlaceOf(hive);
    const bool settled =
        slot && slot->db && (slot->file == place.file || slot->file == place.earlier);
    std::string file = settled ? slot->file : detail::SettleHive(place);
    if (!slot || (!slot->grouped && (slot->file != file || !slot->Current()))) {
        slot.reset();
        slot = std::make_unique<Hive>(file);
    }
    if (forWriting) slot->ForWriting();
    return *slot;
}

void cls_CoreRegistry::CHECK(enm_RegistryHive pHive) {
    Open(pHive, false);
}

Variant cls_CoreRegistry::READ(enm_RegistryHive pHive, const std::string& pPath,
                               const Variant& pDefault) {
    Hive& h = Open(pHive, false);
    if (!h.hasTable) return pDefault;
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
    Hive& h = Open(pHive, true);
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
        if (sqlite3_step(*use) != SQLITE_DONE) h.Fail("cannot be written");
    });
}

bool cls_CoreRegistry::DELETEVALUE(enm_RegistryHive pHive, const std::string& pPath) {
    ValuePath p = SplitPath(pPath);
    // Nothing to remove from a hive that has no values; it is not made for that.
    if (!Open(pHive, false).hasTable) return false;
    Hive& h = Open(pHive, true);
    bool removed = false;
    h.Transaction([&] {
        Use use(*h.erase);
        use.Text(1, FoldCase(p.key));
        use.Text(2, FoldCase(p.name));
        if (sqlite3_step(*use) != SQLITE_DONE) h.Fail("cannot be written");
        removed = sqlite3_changes(h.db) > 0;
    });
    return removed;
}

std::vector<std::string> cls_CoreRegistry::VALUENAMES(enm_RegistryHive pHive,
                                                      const std::string& pKey) {
    Hive& h = Open(pHive, false);
    if (!h.hasTable) return {};
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

RegistryTransaction::RegistryTransaction(cls_CoreRegistry& registry, enm_RegistryHive hive)
    : hive_(&registry.Open(hive, true)) {
    hive_->BeginGroup();
}

RegistryTransaction::~RegistryTransaction() {
    if (hive_) hive_->RollbackGroup();
}

void RegistryTransaction::Commit() {
    cls_CoreRegistry::Hive* hive = std::exchange(hive_, nullptr);
    if (hive) hive->CommitGroup();
}

}  // namespace tlx
