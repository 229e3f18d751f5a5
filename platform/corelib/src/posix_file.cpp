#include "posix_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "file_ops.h"
#include "tlx/error.h"

namespace tlx::detail {
namespace {

std::string Quote(const std::string& path) {
    return "'" + path + "'";
}

[[noreturn]] void Fail(const std::string& what, int err) {
    throw Error(what + ": " + std::strerror(err));
}

// Where a write to `path` lands: the file that its chain of symbolic links ends at (which may
// not exist yet), else `path` itself.
std::string FollowLinks(const std::string& path) {
    std::string at = path;
    for (int links = 0;; ++links) {
        struct stat st {};
        if (::lstat(at.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return at;
        if (links == kMostLinks) {
            throw Error(Quote(path) + " cannot be written: its symbolic links lead in a circle");
        }
        // As the system itself does: in a folder that everyone may write (as /tmp), a link is
        // followed only when it is this user's or the folder owner's, so nobody can plant one
        // there that leads a save into another file.
        struct stat folder {};
        if (::stat(FolderOf(at).c_str(), &folder) == 0 && (folder.st_mode & S_ISVTX) &&
            (folder.st_mode & S_IWOTH) && st.st_uid != ::geteuid() && st.st_uid != folder.st_uid) {
            throw Error(Quote(path) + " cannot be written: " + Quote(at) +
                        " is another user's link in a folder that everyone may write");
        }
        std::string target(4096, '\0');
        const ssize_t n = ::readlink(at.c_str(), target.data(), target.size());
        if (n < 0) Fail(Quote(path) + " cannot be written", errno);
        target.resize(static_cast<std::size_t>(n));
        at = target.starts_with('/') ? target : FolderOf(at) + "/" + target;
    }
}

}  // namespace

std::string FolderOf(const std::string& path) {
    auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

int MakeLockedTemporary(std::string& pattern) {
    const std::string form = pattern;
    for (int attempt = 0; attempt < 100; ++attempt) {
        pattern = form;
        const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
        if (fd < 0) return -1;
        // Held until the file is closed: it tells a later cleanup that a writer still uses it.
        ::flock(fd, LOCK_EX);
        // Another program's cleanup may have taken the new file for a leftover in the moment
        // before the lock and removed it: then it is made afresh.
        struct stat held {};
        struct stat named {};
        if (::fstat(fd, &held) == 0 && ::lstat(pattern.c_str(), &named) == 0 &&
            held.st_ino == named.st_ino && held.st_dev == named.st_dev) {
            return fd;
        }
        ::close(fd);
    }
    errno = EAGAIN;
    return -1;
}

void RemoveStaleTemporaries(const std::string& folder, const std::string& prefix) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        // The pattern's six letters and digits after the prefix, as mkostemp fills them in.
        if (name.size() != prefix.size() + 6 || !name.starts_with(prefix)) continue;
        if (std::all_of(name.begin() + static_cast<std::ptrdiff_t>(prefix.size()), name.end(),
                        [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; })) {
            names.push_back(name);
        }
    }
    ::closedir(dir);
    for (const std::string& name : names) {
        const std::string path = (folder == "/" ? "" : folder) + "/" + name;
        // Only a regular file with this one name: never a device, and never a file that is
        // in place under another name already (a new hive, which a database holds open).
        struct stat named {};
        if (::lstat(path.c_str(), &named) != 0 || !S_ISREG(named.st_mode) || named.st_nlink != 1) {
            continue;
        }
        Fd fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
        if (fd.get() < 0) continue;
        struct stat held {};
        // Only one that no writer holds locked any more, and only while the name still leads
        // to it.
        if (::fstat(fd.get(), &held) != 0 || held.st_ino != named.st_ino ||
            held.st_dev != named.st_dev || ::flock(fd.get(), LOCK_EX | LOCK_NB) != 0 ||
            ::lstat(path.c_str(), &named) != 0 || named.st_ino != held.st_ino) {
            continue;
        }
        ::unlink(path.c_str());
    }
}

std::string ReadRegularFile(const std::string& path, std::size_t maxSize) {
    Fd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (fd.get() < 0) Fail(Quote(path) + " cannot be opened", errno);
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) Fail(Quote(path) + " cannot be examined", errno);
    if (!S_ISREG(st.st_mode)) throw Error(Quote(path) + " is not a file");
    if (st.st_size < 0 || static_cast<unsigned long long>(st.st_size) > maxSize) {
        throw Error(Quote(path) + " is too large");
    }
    std::string content(static_cast<std::size_t>(st.st_size), '\0');
    std::size_t got = 0;
    while (got < content.size()) {
        ssize_t n = ::read(fd.get(), content.data() + got, content.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) Fail(Quote(path) + " cannot be read", errno);
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    // A file that shrank while it was read is reported as it is found: shorter.
    content.resize(got);
    return content;
}

void MakeFolders(const std::string& folder) {
    if (folder.empty() || folder == "." || folder == "/") return;
    struct stat st {};
    if (::stat(folder.c_str(), &st) == 0) {
        if (!S_ISDIR(st.st_mode)) throw Error(Quote(folder) + " is not a folder");
        return;
    }
    MakeFolders(FolderOf(folder));
    if (::mkdir(folder.c_str(), 0755) != 0 && errno != EEXIST) {
        Fail("the folder " + Quote(folder) + " cannot be created", errno);
    }
}

void ReplaceFileAtomically(const std::string& path, const std::string& content,
                           const ReplaceOptions& options) {
    ReplaceFileAtomically(path, {std::string_view(content)}, options);
}

void ReplaceFileAtomically(const std::string& named, std::initializer_list<std::string_view> pieces,
                           const ReplaceOptions& options) {
    // Through a symbolic link the file it leads to is replaced; the link stays.
    const std::string path = FollowLinks(named);
    const std::string folder = FolderOf(path);
    if (options.createFolder) MakeFolders(folder);

    unsigned mode = options.newFileMode;
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) throw Error(Quote(path) + " is a folder");
        if (!options.overwrite) throw Error(Quote(path) + " exists already");
        mode = st.st_mode & 07777;
    }

    const std::string base = path.substr(path.find_last_of('/') + 1);
    // What a writer that was killed while saving this file left behind goes first.
    const std::string prefix = "." + base + ".vxtmp-";
    RemoveStaleTemporaries(folder, prefix);
    std::string temp = (folder == "/" ? "" : folder) + "/" + prefix + "XXXXXX";
    Fd fd(MakeLockedTemporary(temp));
    if (fd.get() < 0) Fail("cannot write into the folder " + Quote(folder), errno);

    FileOps& ops = CurrentFileOps();
    auto fail = [&](const std::string& what, int err) {
        ::unlink(temp.c_str());
        Fail(what, err);
    };
    for (const std::string_view content : pieces) {
        std::size_t done = 0;
        while (done < content.size()) {
            ssize_t n = ops.Write(fd.get(), content.data() + done, content.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) fail(Quote(path) + " cannot be written", n < 0 ? errno : EIO);
            done += static_cast<std::size_t>(n);
        }
    }
    if (::fchmod(fd.get(), static_cast<mode_t>(mode)) != 0) {
        fail("the permissions of " + Quote(path) + " cannot be set", errno);
    }
    if (ops.Fsync(fd.get()) != 0) fail(Quote(path) + " cannot be flushed to disk", errno);
    // The temporary file stays open, and so locked, until it has its name: another writer's
    // cleanup never takes it for one left behind.
    if (ops.Rename(temp.c_str(), path.c_str()) != 0) {
        fail(Quote(path) + " cannot be replaced", errno);
    }
    ::close(fd.release());  // its content reached the disk with the flush
    // The rename itself reaches the disk with the folder.
    Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0) ops.Fsync(dir.get());
}

}  // namespace tlx::detail
