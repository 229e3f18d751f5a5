#include "hive_place.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <utility>

#include "posix_file.h"
#include "tlx/error.h"
#include "tlx/paths.h"

namespace tlx::detail {
namespace {

bool Exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

// A lock file held for the life of the object; other processes wait for it.
class Turn {
  public:
    explicit Turn(const std::string& path)
        : fd_(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600)) {
        if (fd_ < 0) throw Error("the lock file '" + path + "' cannot be made");
        while (::flock(fd_, LOCK_EX) != 0) {
            if (errno != EINTR) break;
        }
    }
    Turn(const Turn&) = delete;
    Turn& operator=(const Turn&) = delete;
    ~Turn() { ::close(fd_); }

  private:
    int fd_;
};

using Connection = std::unique_ptr<sqlite3, decltype(&sqlite3_close)>;

Connection Open(const std::string& file, int flags) {
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(file.c_str(), &db, flags, nullptr);
    Connection c(db, &sqlite3_close);
    return rc == SQLITE_OK ? std::move(c) : Connection(nullptr, &sqlite3_close);
}

bool Exec(sqlite3* db, const char* sql) {
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

void SyncFile(const std::string& path, int flags) {
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// Moves the hive at `from` to `to` when no other connection has it open; False otherwise, and
// then nothing has changed.
bool MoveWhenUnused(const std::string& from, const std::string& to) {
    Connection source = Open(from, SQLITE_OPEN_READWRITE);
    if (!source) return false;
    sqlite3_busy_timeout(source.get(), 0);
    // Taking the hive for this connection alone fails while any other connection, of this
    // process or another, has it open; once taken (an empty write transaction in the exclusive
    // locking mode), no other can open it until this connection closes.
    if (!Exec(source.get(), "PRAGMA locking_mode=EXCLUSIVE") ||
        !Exec(source.get(), "BEGIN EXCLUSIVE") || !Exec(source.get(), "COMMIT")) {
        return false;
    }
    const std::string temp = to + ".moving";
    ::unlink(temp.c_str());
    bool copied = false;
    {
        Connection target = Open(temp, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        if (target) {
            sqlite3_backup* backup =
                sqlite3_backup_init(target.get(), "main", source.get(), "main");
            copied = backup && sqlite3_backup_step(backup, -1) == SQLITE_DONE;
            if (sqlite3_backup_finish(backup) != SQLITE_OK) copied = false;
        }
        if (target && sqlite3_close(target.release()) != SQLITE_OK) copied = false;
    }
    if (copied) {
        SyncFile(temp, O_RDONLY);
        copied = ::rename(temp.c_str(), to.c_str()) == 0;
    }
    if (!copied) {
        ::unlink(temp.c_str());
        ::unlink((temp + "-wal").c_str());
        ::unlink((temp + "-shm").c_str());
        return false;
    }
    SyncFile(FolderOf(to), O_RDONLY | O_DIRECTORY);
    // The hive is whole in its place; what was left where it was goes while it is still held.
    ::unlink((from + "-wal").c_str());
    ::unlink((from + "-shm").c_str());
    ::unlink(from.c_str());
    SyncFile(FolderOf(from), O_RDONLY | O_DIRECTORY);
    source.reset();
    // Its folder goes with it when nothing else is left there.
    ::rmdir(FolderOf(from).c_str());
    return true;
}

}  // namespace

HivePlace PlaceOfHive(bool machine) {
    const std::string name = machine ? "machine.db" : "user.db";
    // Where the hives always were: below VODEX_HOME they stay there.
    std::string earlier = (machine ? MachineFolder() : UserFolder()) + "/registry/" + name;
    const char* home = std::getenv("VODEX_HOME");
    if (home && *home) return {std::move(earlier), {}};
    return {StateFolder() + "/registry/" + name, std::move(earlier)};
}

std::string SettleHive(const HivePlace& place) {
    if (place.earlier.empty() || Exists(place.file) || !Exists(place.earlier)) return place.file;
    const std::string folder = FolderOf(place.file);
    MakeFolders(folder);
    const Turn turn(folder + "/.settling");
    if (Exists(place.file) || !Exists(place.earlier)) return place.file;
    return MoveWhenUnused(place.earlier, place.file) ? place.file : place.earlier;
}

}  // namespace tlx::detail
