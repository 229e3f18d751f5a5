#include "tlx/filesystem.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <filesystem>

#include "tlx/error.h"

namespace tlx {
namespace {

struct stat StatOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        throw Error("'" + path + "' is no file");
    }
    return st;
}

}  // namespace

bool cls_CoreFileSystem::FILEEXISTS(const std::string& pPath) const {
    struct stat st {};
    return !pPath.empty() && ::stat(pPath.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

double cls_CoreFileSystem::FILETIME(const std::string& pPath) const {
    const struct stat st = StatOf(pPath);
    return static_cast<double>(st.st_mtim.tv_sec) + static_cast<double>(st.st_mtim.tv_nsec) / 1e9;
}

Date cls_CoreFileSystem::FILEDATE(const std::string& pPath) const {
    // Seconds since 1970 as days since the end of 1899.
    return Date{FILETIME(pPath) / 86400.0 + 25569.0};
}

std::int64_t cls_CoreFileSystem::FILESIZE(const std::string& pPath) const {
    return static_cast<std::int64_t>(StatOf(pPath).st_size);
}

std::string cls_CoreFileSystem::FOLDER(const std::string& pPath) {
    const auto slash = pPath.find_last_of('/');
    return slash == std::string::npos ? std::string() : pPath.substr(0, slash + 1);
}

std::string cls_CoreFileSystem::FILENAME(const std::string& pPath) {
    const auto slash = pPath.find_last_of('/');
    return slash == std::string::npos ? pPath : pPath.substr(slash + 1);
}

std::string cls_CoreFileSystem::BASENAME(const std::string& pPath) {
    const std::string name = FILENAME(pPath);
    const auto point = name.find_last_of('.');
    return point == std::string::npos || point == 0 ? name : name.substr(0, point);
}

std::string cls_CoreFileSystem::WITHOUTEXTENSION(const std::string& pPath) {
    return FOLDER(pPath) + BASENAME(pPath);
}

std::string cls_CoreFileSystem::SYSTEMFOLDER() {
    Dl_info info{};
    if (!::dladdr(reinterpret_cast<void*>(&cls_CoreFileSystem::SYSTEMFOLDER), &info) ||
        !info.dli_fname) {
        throw Error("the core library cannot find its own file");
    }
    std::filesystem::path library = std::filesystem::absolute(info.dli_fname).lexically_normal();
    return (library.parent_path().parent_path() / "bin").string() + "/";
}

}  // namespace tlx
