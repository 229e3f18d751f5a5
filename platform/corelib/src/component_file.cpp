// The checks of a component's file before the loader maps it: where it lies (nobody else may
// change it) and what it is (a whole shared object of this machine). A file cut short would
// make the loader fault on pages that are not there; a pipe would block it.
#include <dlfcn.h>
#include <elf.h>
#include <fcntl.h>
#include <grp.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "component_internal.h"
#include "posix_file.h"
#include "tlx/error.h"

namespace tlx::detail {
namespace {

std::string Quoted(const std::string& path) {
    return "'" + path + "'";
}

bool InOwnGroups(gid_t gid) {
    if (gid == ::getegid()) return true;
    const int count = ::getgroups(0, nullptr);
    if (count <= 0) return false;
    std::vector<gid_t> groups(static_cast<std::size_t>(count));
    const int got = ::getgroups(count, groups.data());
    for (int i = 0; i < got; ++i) {
        if (groups[static_cast<std::size_t>(i)] == gid) return true;
    }
    return false;
}

std::string GroupName(gid_t gid) {
    if (const group* g = ::getgrgid(gid); g && g->gr_name) return g->gr_name;
    return std::to_string(gid);
}

// Refuses `path` (a folder on the way to the component, or the component itself) when others
// than this user and the administrator can change what it holds: it belongs to another user,
// or everyone, or a group this user is not in, may write it. A shared folder with the sticky
// bit (as /tmp) is fine, since only the owner of what lies in it may replace that. Returns
// whether `path` is such a shared folder.
bool CheckNotWritableByOthers(const std::string& component, const std::string& path,
                              const struct stat& st) {
    const bool folder = S_ISDIR(st.st_mode);
    const auto refuse = [&](const std::string& why) {
        throw Error("the component " + Quoted(component) + " is refused: " +
                    (folder ? "the folder " : "the file ") + Quoted(path) + " " + why +
                    ", so others could change the code that every measuring program would run");
    };
    if (st.st_uid != 0 && st.st_uid != ::geteuid()) refuse("belongs to another user");
    const bool sticky = folder && (st.st_mode & S_ISVTX) != 0;
    if ((st.st_mode & S_IWOTH) != 0 && !sticky) refuse("is writable by everyone");
    if ((st.st_mode & S_IWGRP) != 0 && !sticky && !InOwnGroups(st.st_gid)) {
        refuse("is writable by the group '" + GroupName(st.st_gid) +
               "', which this user is not in");
    }
    return sticky;
}

std::vector<std::string> Parts(const std::string& path) {
    std::vector<std::string> parts;
    std::size_t at = 0;
    while (at <= path.size()) {
        const std::size_t slash = path.find('/', at);
        const std::size_t end = slash == std::string::npos ? path.size() : slash;
        if (end > at) parts.push_back(path.substr(at, end - at));
        if (slash == std::string::npos) break;
        at = slash + 1;
    }
    return parts;
}

// Walks the absolute path `path` as the system resolves it, links included, and checks every
// folder it passes through and the file it ends at.
void CheckPath(const std::string& component, const std::string& path) {
    std::vector<std::string> todo = Parts(path);
    // The folders of the resolved path so far, each with whether it is a shared folder; the
    // root first.
    std::vector<std::pair<std::string, bool>> done;
    struct stat st {};
    auto startAtRoot = [&] {
        if (::stat("/", &st) != 0) throw Error("the root folder cannot be examined");
        done.assign(1, {"", CheckNotWritableByOthers(component, "/", st)});
    };
    startAtRoot();
    int links = 0;
    std::size_t next = 0;
    while (next < todo.size()) {
        const std::string part = todo[next++];
        if (part == ".") continue;
        if (part == "..") {
            if (done.size() > 1) done.pop_back();
            continue;
        }
        std::string here;
        for (std::size_t i = 1; i < done.size(); ++i)
            here += "/" + done[i].first;
        here += "/" + part;
        const bool shared = done.back().second;  // a sticky folder: links must be owned
        if (::lstat(here.c_str(), &st) != 0) {
            const int error = errno;
            if (error == ENOENT) throw Error(Quoted(component) + " does not exist");
            throw Error(Quoted(component) + " cannot be examined: " + std::strerror(error));
        }
        if (S_ISLNK(st.st_mode)) {
            // A link in a folder that passed can only be changed by whoever owns it there.
            if (shared && st.st_uid != 0 && st.st_uid != ::geteuid()) {
                throw Error("the component " + Quoted(component) + " is refused: the link " +
                            Quoted(here) +
                            " lies in a folder that everyone may write and belongs to another "
                            "user, so anyone could change the code that every measuring program "
                            "would run");
            }
            if (++links > kMostLinks) {
                throw Error(Quoted(component) +
                            " cannot be examined: its path has a loop of symbolic links");
            }
            std::string target(PATH_MAX, '\0');
            const ssize_t n = ::readlink(here.c_str(), target.data(), target.size());
            if (n < 0) {
                throw Error(Quoted(component) + " cannot be examined: " + std::strerror(errno));
            }
            target.resize(static_cast<std::size_t>(n));
            std::vector<std::string> rest = Parts(target);
            rest.insert(rest.end(), todo.begin() + static_cast<std::ptrdiff_t>(next), todo.end());
            todo = std::move(rest);
            next = 0;
            if (!target.empty() && target[0] == '/') startAtRoot();
            continue;
        }
        if (next < todo.size() && !S_ISDIR(st.st_mode)) {
            throw Error(Quoted(component) + " cannot be examined: '" + here + "' is not a folder");
        }
        done.emplace_back(part, CheckNotWritableByOthers(component, here, st));
    }
}

template <class T>
bool ReadAt(int fd, T& into, std::uint64_t offset) {
    return ::pread(fd, &into, sizeof into, static_cast<off_t>(offset)) ==
           static_cast<ssize_t>(sizeof into);
}

// Whether the `size` bytes at `offset` lie inside a file of `fileSize` bytes.
bool Inside(std::uint64_t offset, std::uint64_t size, std::uint64_t fileSize) {
    return offset <= fileSize && size <= fileSize - offset;
}

// The machine this program runs on, from the header of the core library's own image.
const ElfW(Ehdr) & OwnHeader() {
    Dl_info info{};
    ::dladdr(reinterpret_cast<void*>(&OwnHeader), &info);
    return *static_cast<const ElfW(Ehdr)*>(info.dli_fbase);
}

void CheckSharedObject(const std::string& file) {
    const std::string damaged = Quoted(file) + " is not a whole shared object for this machine";
    Fd fd(::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (fd.get() < 0) {
        throw Error(Quoted(file) + " cannot be opened: " + std::strerror(errno));
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) {
        throw Error(Quoted(file) + " cannot be examined: " + std::strerror(errno));
    }
    if (S_ISDIR(st.st_mode)) throw Error(Quoted(file) + " is a folder, not a component");
    if (!S_ISREG(st.st_mode)) {
        throw Error(Quoted(file) + " is not a regular file (a pipe or a device?)");
    }
    const auto size = static_cast<std::uint64_t>(st.st_size);
    ElfW(Ehdr) header{};
    if (!ReadAt(fd.get(), header, 0) || std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0) {
        throw Error(damaged + " (it is no program file at all, or it was cut short)");
    }
    const ElfW(Ehdr)& own = OwnHeader();
    if (header.e_ident[EI_CLASS] != own.e_ident[EI_CLASS] ||
        header.e_ident[EI_DATA] != own.e_ident[EI_DATA] || header.e_machine != own.e_machine) {
        throw Error(damaged + " (it was built for another kind of processor)");
    }
    if (header.e_type != ET_DYN) throw Error(damaged + " (it is a program, not a library)");
    if (header.e_phentsize != sizeof(ElfW(Phdr)) || header.e_phnum == 0 ||
        !Inside(header.e_phoff, std::uint64_t{header.e_phnum} * sizeof(ElfW(Phdr)), size)) {
        throw Error(damaged + " (its program headers are cut short)");
    }
    if (header.e_shoff != 0 &&
        !Inside(header.e_shoff, std::uint64_t{header.e_shnum} * header.e_shentsize, size)) {
        throw Error(damaged + " (it was cut short: its section headers are missing)");
    }
    bool loads = false;
    bool dynamic = false;
    for (unsigned i = 0; i < header.e_phnum; ++i) {
        ElfW(Phdr) segment{};
        if (!ReadAt(fd.get(), segment, header.e_phoff + i * sizeof(ElfW(Phdr)))) {
            throw Error(damaged + " (its program headers cannot be read)");
        }
        if (segment.p_type == PT_LOAD || segment.p_type == PT_DYNAMIC) {
            if (!Inside(segment.p_offset, segment.p_filesz, size) ||
                segment.p_filesz > segment.p_memsz) {
                throw Error(damaged + " (it was cut short: a part that is loaded lies beyond its " +
                            std::to_string(size) + " bytes)");
            }
            loads = loads || segment.p_type == PT_LOAD;
            dynamic = dynamic || segment.p_type == PT_DYNAMIC;
        }
    }
    if (!loads || !dynamic) throw Error(damaged + " (it has nothing that can be loaded)");
}

}  // namespace

void CheckComponentFile(const std::string& file) {
    if (file.empty() || file[0] != '/') {
        throw Error("the component " + Quoted(file) + " is not named by an absolute path");
    }
    CheckPath(file, file);
    CheckSharedObject(file);
}

}  // namespace tlx::detail
