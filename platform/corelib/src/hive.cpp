#include "hive.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "posix_file.h"
#include "tlx/error.h"

namespace tlx {
namespace {

constexpr const char* kTable = "registry_value";
constexpr const char* kCreateTable =
    "CREATE TABLE IF NOT EXISTS registry_value ("
    " key_fold TEXT NOT NULL, name_fold TEXT NOT NULL,"
    " key TEXT NOT NULL, name TEXT NOT NULL, kind INTEGER NOT NULL, data,"
    " PRIMARY KEY (key_fold, name_fold))";

std::string Named(const std::string& file) {
    return "the registry '" + file + "'";
}

// `path` for a SQLite URI: characters that mean something there are escaped.
std::string UriPath(const std::string& path) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (char ch : path) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '?' || c == '#' || c == '%' || c < 0x21 || c >= 0x7F) {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
        } else {
            out += ch;
        }
    }
    return out;
}

// Why a hive's path cannot be reached, for a stat() that failed with `error`.
std::string Unreachable(const std::string& file, int error) {
    if (error == ENOTDIR) {
        // Name the part of the path that is a file where a folder should be.
        for (auto slash = file.find('/', 1); slash != std::string::npos;
             slash = file.find('/', slash + 1)) {
            const std::string part = file.substr(0, slash);
            struct stat st {};
            if (::stat(part.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) {
                return Named(file) + " cannot be reached: '" + part + "' is not a folder";
            }
        }
    }
    if (error == ELOOP) {
        return Named(file) + " cannot be reached: its path has a loop of symbolic links";
    }
    if (error == EACCES) {
        return Named(file) + " cannot be reached: no permission to open its folder";
    }
    return Named(file) + " cannot be reached: " + std::strerror(error);
}

// The reason of the connection's last failure, in words a user can act on.
std::string Why(sqlite3* db) {
    const std::string message = db ? sqlite3_errmsg(db) : "out of memory";
    switch (db ? sqlite3_extended_errcode(db) & 0xFF : SQLITE_NOMEM) {
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return "another program holds it locked (waited " +
                   std::to_string(detail::kHiveBusyMs / 1000) + " s)";
        case SQLITE_READONLY:
            return "it is read-only for this user";
        case SQLITE_CORRUPT:
            return "it is damaged (" + message + ")";
        case SQLITE_NOTADB:
            return "it is not a registry database (" + message + ")";
        case SQLITE_FULL:
            return "the disk is full";
        case SQLITE_CANTOPEN: {
            const int error = sqlite3_system_errno(db);
            return error ? message + ": " + std::strerror(error) : message;
        }
        default:
            return message;
    }
}

// The start of the temporary names under which `file` is made.
std::string TemporaryPrefix(const std::string& file) {
    return "." + file.substr(file.find_last_of('/') + 1) + ".new-";
}

// Removes what programs killed while they made the hive `file` left beside it: temporary hives
// that no maker holds any more, the logs of temporary hives that are gone, and a temporary
// name that was linked into place already (only that name: the file is the hive). The hive
// itself is never opened here.
void RemoveUnfinishedHives(const std::string& file) {
    const std::string folder = detail::FolderOf(file);
    const std::string prefix = TemporaryPrefix(file);
    detail::RemoveStaleTemporaries(folder, prefix);
    struct stat hive {};
    const bool present = ::stat(file.c_str(), &hive) == 0;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.size() >= prefix.size() + 6 && name.starts_with(prefix)) names.push_back(name);
    }
    ::closedir(dir);
    for (const std::string& name : names) {
        const std::string path = folder + "/" + name;
        const std::string made = path.substr(0, folder.size() + 1 + prefix.size() + 6);
        const std::string suffix = name.substr(prefix.size() + 6);
        struct stat st {};
        if (suffix.empty()) {
            if (present && ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
                st.st_ino == hive.st_ino && st.st_dev == hive.st_dev) {
                ::unlink(path.c_str());
            }
        } else if ((suffix == "-wal" || suffix == "-shm" || suffix == "-journal") &&
                   ::lstat(made.c_str(), &st) != 0 && errno == ENOENT) {
            ::unlink(path.c_str());
        }
    }
}

}  // namespace

namespace detail {

HiveStatement::HiveStatement(const cls_CoreRegistry::Hive& hive, const char* sql) {
    if (sqlite3_prepare_v3(hive.db, sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt_, nullptr) !=
        SQLITE_OK) {
        hive.Fail("cannot be used");
    }
}

}  // namespace detail

cls_CoreRegistry::Hive::Hive(std::string path) : file(std::move(path)) {
    // Only stat(): the process opens no descriptor of a database file besides SQLite's own,
    // since closing one would drop the locks that SQLite holds on it.
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0) {
        const int error = errno;
        struct stat link {};
        if (error == ENOENT && ::lstat(file.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
            throw Error(Named(file) + " is a symbolic link to a file that does not exist");
        }
        if (error == ENOENT) return;  // not made yet: reads as empty
        throw Error(Unreachable(file, error));
    }
    if (S_ISDIR(st.st_mode)) throw Error(Named(file) + " is a folder, not a database");
    if (!S_ISREG(st.st_mode)) {
        throw Error(Named(file) + " is not a regular file (a pipe or a device?)");
    }
    if (st.st_size == 0) {
        throw Error(Named(file) +
                    " is empty (0 bytes), so it was cut short; move it away to start with an "
                    "empty registry");
    }
    OpenExisting();
}

cls_CoreRegistry::Hive::~Hive() {
    Close();
}

void cls_CoreRegistry::Hive::Close() noexcept {
    grouped = false;  // closing the connection ends its transaction
    read.reset();
    names.reset();
    write.reset();
    erase.reset();
    sqlite3_close(db);
    db = nullptr;
    hasTable = false;
    writable = false;
    immutable = false;
}

std::string cls_CoreRegistry::Hive::Stamp(const struct stat& st) {
    return std::to_string(st.st_ino) + ":" + std::to_string(st.st_size) + ":" +
           std::to_string(st.st_mtim.tv_sec) + "." + std::to_string(st.st_mtim.tv_nsec);
}

bool cls_CoreRegistry::Hive::Current() const {
    if (!db) return false;
    if (!immutable) return true;
    struct stat st {};
    return ::stat(file.c_str(), &st) == 0 && Stamp(st) == seen;
}

void cls_CoreRegistry::Hive::Connect(bool unchanging) {
    // Without SQLITE_OPEN_CREATE: a hive that vanished in the meantime is not made here. A
    // file this user cannot write opens for reading only.
    const std::string name = unchanging ? "file:" + UriPath(file) + "?mode=ro&immutable=1" : file;
    const int flags = unchanging ? SQLITE_OPEN_READONLY | SQLITE_OPEN_URI : SQLITE_OPEN_READWRITE;
    if (sqlite3_open_v2(name.c_str(), &db, flags, nullptr) != SQLITE_OK) {
        const std::string why = Why(db);
        Close();
        throw Error(Named(file) + " cannot be opened: " + why);
    }
    sqlite3_busy_timeout(db, detail::kHiveBusyMs);
    // Until the hive has proved sound, closing the connection must not fold the log into the
    // file: a damaged hive stays exactly as it was found.
    sqlite3_db_config(db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    if (unchanging) {
        struct stat st {};
        ::stat(file.c_str(), &st);
        seen = Stamp(st);
    }
    immutable = unchanging;
}

void cls_CoreRegistry::Hive::OpenExisting() {
    Connect(false);
    try {
        // Every page is looked at once per connection: a hive cut short or damaged is told
        // before anything is read from it, let alone written into it.
        std::string verdict;
        auto first = [](void* out, int, char** values, char**) {
            auto* text = static_cast<std::string*>(out);
            if (text->empty() && values[0]) *text = values[0];
            return 0;
        };
        int rc = sqlite3_exec(db, "PRAGMA quick_check", first, &verdict, nullptr);
        // Reading a hive in the write-ahead mode takes an index file beside it, which a user
        // who may only read the hive cannot make where its writer did not leave one (a hive
        // last written before writers kept them). Without a log the file alone is the whole
        // hive, so it is read as a file that does not change while this program looks; the
        // connection is made anew once the file changes, and the hive's next write leaves the
        // log and its index for the proper way.
        const int code = sqlite3_extended_errcode(db) & 0xFF;
        struct stat log {};
        if (rc != SQLITE_OK && (code == SQLITE_READONLY || code == SQLITE_CANTOPEN) &&
            sqlite3_db_readonly(db, "main") == 1 && ::stat((file + "-wal").c_str(), &log) != 0) {
            Close();
            Connect(true);
            verdict.clear();
            rc = sqlite3_exec(db, "PRAGMA quick_check", first, &verdict, nullptr);
        }
        if (rc != SQLITE_OK) Fail("cannot be read");
        if (verdict != "ok") {
            constexpr std::string_view kHeading = "*** in database main ***\n";
            if (verdict.starts_with(kHeading)) verdict.erase(0, kHeading.size());
            throw Error(Named(file) + " is damaged: " + verdict);
        }
        bool others = false;
        {
            detail::HiveStatement tables(*this,
                                         "SELECT name FROM sqlite_master WHERE type='table'");
            for (int step; (step = sqlite3_step(tables.get())) != SQLITE_DONE;) {
                if (step != SQLITE_ROW) Fail("cannot be read");
                const auto* name =
                    reinterpret_cast<const char*>(sqlite3_column_text(tables.get(), 0));
                if (name && std::strcmp(name, kTable) == 0) {
                    hasTable = true;
                } else {
                    others = true;
                }
            }
        }
        if (others && !hasTable) {
            throw Error(Named(file) + " is a database of another program, not a registry hive");
        }
        if (hasTable) PrepareReading();
        sqlite3_db_config(db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 0, nullptr);
    } catch (...) {
        Close();
        throw;
    }
}

void cls_CoreRegistry::Hive::PrepareReading() {
    read = std::make_unique<detail::HiveStatement>(
        *this, "SELECT kind, data FROM registry_value WHERE key_fold=?1 AND name_fold=?2");
    names = std::make_unique<detail::HiveStatement>(
        *this, "SELECT name FROM registry_value WHERE key_fold=?1 ORDER BY rowid");
}

void cls_CoreRegistry::Hive::Create() {
    const std::string folder = detail::FolderOf(file);
    try {
        detail::MakeFolders(folder);
    } catch (const Error& e) {
        throw Error(Named(file) + " cannot be made: " + e.what());
    }
    const std::string prefix = TemporaryPrefix(file);
    std::string temp = folder + "/" + prefix + "XXXXXX";
    const int fd = detail::MakeLockedTemporary(temp);
    if (fd < 0) {
        throw Error(Named(file) + " cannot be made in '" + folder + "': " + std::strerror(errno));
    }
    // Readable by everyone, as a file made by the umask of most systems would be: other
    // users' programs read the installed drivers. The descriptor (and its lock) stays open
    // until the hive is in place.
    ::fchmod(fd, 0644);
    struct Closer {
        int fd;
        void Close() {
            if (fd >= 0) ::close(fd);
            fd = -1;
        }
        ~Closer() { Close(); }
    } closer{fd};
    auto removeTemp = [&temp] {
        ::unlink(temp.c_str());
        ::unlink((temp + "-wal").c_str());
        ::unlink((temp + "-shm").c_str());
    };
    sqlite3* fresh = nullptr;
    std::string why;
    if (sqlite3_open_v2(temp.c_str(), &fresh, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK ||
        sqlite3_exec(fresh, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr) != SQLITE_OK ||
        sqlite3_exec(fresh, kCreateTable, nullptr, nullptr, nullptr) != SQLITE_OK) {
        why = Why(fresh);
    }
    // The last connection to close folds the log into the file.
    if (sqlite3_close(fresh) != SQLITE_OK && why.empty()) why = "it cannot be closed";
    if (!why.empty()) {
        removeTemp();
        throw Error(Named(file) + " cannot be made: " + why);
    }
    // A hard link never replaces a hive that another program made in the meantime.
    int error = ::link(temp.c_str(), file.c_str()) == 0 ? 0 : errno;
    if (error == EPERM || error == ENOTSUP || error == EOPNOTSUPP) {
        // A file system without hard links: a rename that never replaces what is there.
        error = ::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, file.c_str(), RENAME_NOREPLACE) == 0
                    ? 0
                    : errno;
    }
    removeTemp();
    // The temporary's descriptor is closed before the hive is opened: it may be the same
    // file, and closing a descriptor of it would drop the locks of the connection.
    closer.Close();
    if (error != 0 && error != EEXIST) {
        throw Error(Named(file) + " cannot be made: " + std::strerror(error));
    }
    OpenExisting();
}

std::string cls_CoreRegistry::Hive::JournalMode() {
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

void cls_CoreRegistry::Hive::ExecPatiently(const char* sql) {
    // Switching to write-ahead logging needs the database alone and does not let the busy
    // handler wait, so it is retried while another connection holds it.
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(detail::kHiveBusyMs);
    for (;;) {
        const int rc = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
        if (rc == SQLITE_OK) return;
        if ((rc & 0xFF) != SQLITE_BUSY && (rc & 0xFF) != SQLITE_LOCKED) Fail("cannot be used");
        if (std::chrono::steady_clock::now() >= deadline) Fail("cannot be used");
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

void cls_CoreRegistry::Hive::ForWriting() {
    if (writable) return;
    // What a program killed while it made the hive left behind goes first.
    RemoveUnfinishedHives(file);
    if (!db) Create();
    if (sqlite3_db_readonly(db, "main") == 1) {
        struct stat st {};
        const bool foreign = ::stat(file.c_str(), &st) == 0 && st.st_uid != ::geteuid();
        throw Error(Named(file) + " cannot be written: " +
                    (foreign ? "it belongs to another user and is read-only for this one"
                             : std::string("it is read-only")));
    }
    if (JournalMode() != "wal") {
        ExecPatiently("PRAGMA journal_mode=WAL");
        if (JournalMode() != "wal") {
            throw Error(Named(file) +
                        " cannot keep a write-ahead log (is it on a network file system?)");
        }
    }
    Exec("PRAGMA synchronous=FULL");
    // The log and its index stay beside the hive when the last writer closes, so that a user
    // who may only read the hive reads it through them, with the locks that keep a reader
    // from seeing a write half done.
    int keep = 1;
    sqlite3_file_control(db, "main", SQLITE_FCNTL_PERSIST_WAL, &keep);
    if (!hasTable) {
        Transaction([&] { Exec(kCreateTable); });
        hasTable = true;
        PrepareReading();
    }
    write = std::make_unique<detail::HiveStatement>(
        *this,
        "INSERT INTO registry_value (key_fold, name_fold, key, name, kind, data)"
        " VALUES (?1, ?2, ?3, ?4, ?5, ?6) ON CONFLICT (key_fold, name_fold)"
        " DO UPDATE SET kind=excluded.kind, data=excluded.data");
    erase = std::make_unique<detail::HiveStatement>(
        *this, "DELETE FROM registry_value WHERE key_fold=?1 AND name_fold=?2");
    writable = true;
}

void cls_CoreRegistry::Hive::Fail(const std::string& what) const {
    throw Error(Named(file) + " " + what + ": " + Why(db));
}

void cls_CoreRegistry::Hive::Exec(const char* sql) {
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK) Fail("cannot be used");
}

void cls_CoreRegistry::Hive::Begin() {
    if (sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK) {
        Fail("cannot be written");
    }
}

void cls_CoreRegistry::Hive::Commit() {
    if (sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) {
        const std::string why = Why(db);
        Rollback();
        throw Error(Named(file) + " cannot be written: " + why);
    }
}

void cls_CoreRegistry::Hive::Rollback() noexcept {
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
}

void cls_CoreRegistry::Hive::BeginGroup() {
    if (grouped) throw Error(Named(file) + " is in a transaction already");
    Begin();
    grouped = true;
}

void cls_CoreRegistry::Hive::CommitGroup() {
    grouped = false;
    Commit();
}

void cls_CoreRegistry::Hive::RollbackGroup() noexcept {
    if (!grouped) return;
    grouped = false;
    Rollback();
}

}  // namespace tlx
