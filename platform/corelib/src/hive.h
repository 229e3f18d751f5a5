// One hive of the registry: its SQLite database, examined before use. Internal to the core
// library.
//
// A hive is opened for reading without writing anything: a hive that does not exist reads as
// empty, and its file, folder and table are made only when something is written. A hive that
// cannot be used (not a database, empty, damaged, a folder, a pipe, a link loop, a database of
// another program) is refused with a message that names the file and the reason, and is never
// changed. A new hive appears whole: it is made under a temporary name and linked into place.
#pragma once

#include <sqlite3.h>
#include <sys/stat.h>

#include <memory>
#include <string>

#include "tlx/registry.h"

namespace tlx {

namespace detail {
class HiveStatement;
}

struct cls_CoreRegistry::Hive {
    // Examines the hive at `path` and opens it for reading; throws tlx::Error when it cannot
    // be used.
    explicit Hive(std::string path);
    Hive(const Hive&) = delete;
    Hive& operator=(const Hive&) = delete;
    ~Hive();

    // Whether the file exists (else everything reads as missing).
    bool Present() const { return db != nullptr; }
    // Whether the connection still shows the hive: false when it is missing (another program
    // may have made it since), or when a hive read as unchanging has changed.
    bool Current() const;
    // Makes the hive ready for writing: creates it when it is missing, refuses one that this
    // user cannot write, switches to the write-ahead log and makes the table.
    void ForWriting();

    [[noreturn]] void Fail(const std::string& what) const;
    void Exec(const char* sql);
    // Runs `body` in a transaction that takes the write lock at once, so that a writer waits
    // for another instead of failing when it upgrades; inside a transaction of a
    // RegistryTransaction, as part of that.
    template <class F>
    void Transaction(F&& body) {
        if (grouped) {
            body();
            return;
        }
        Begin();
        try {
            body();
        } catch (...) {
            Rollback();
            throw;
        }
        Commit();
    }

    // A RegistryTransaction's transaction, for which writes wait.
    void BeginGroup();
    void CommitGroup();
    void RollbackGroup() noexcept;

    std::string file;
    sqlite3* db = nullptr;
    bool grouped = false;
    bool hasTable = false;
    bool writable = false;
    // Read-only, as a file that does not change (for a user who may only read the hive).
    bool immutable = false;
    std::string seen;  // what the file looked like then
    std::unique_ptr<detail::HiveStatement> read;
    std::unique_ptr<detail::HiveStatement> names;
    std::unique_ptr<detail::HiveStatement> write;
    std::unique_ptr<detail::HiveStatement> erase;

  private:
    static std::string Stamp(const struct stat& st);
    void Connect(bool unchanging);
    void OpenExisting();
    void Create();
    void PrepareReading();
    std::string JournalMode();
    void ExecPatiently(const char* sql);
    void Begin();
    void Commit();
    void Rollback() noexcept;
    void Close() noexcept;
};

namespace detail {

// A prepared statement of a hive, finalised with it.
class HiveStatement {
  public:
    HiveStatement(const cls_CoreRegistry::Hive& hive, const char* sql);
    HiveStatement(const HiveStatement&) = delete;
    HiveStatement& operator=(const HiveStatement&) = delete;
    ~HiveStatement() { sqlite3_finalize(stmt_); }
    sqlite3_stmt* get() const { return stmt_; }

  private:
    sqlite3_stmt* stmt_ = nullptr;
};

// How long a hive waits for another program's write lock.
inline constexpr int kHiveBusyMs = 5000;

}  // namespace detail
}  // namespace tlx
