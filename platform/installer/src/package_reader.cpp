#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <set>

#include "tar_reader.h"
#include "tlx/package.h"
#include "tlx/text.h"

namespace tlx::package {
namespace {

using detail::TarEntry;

struct Descriptor {
    int fd;
    ~Descriptor() {
        if (fd >= 0) ::close(fd);
    }
};

// The most a package may unpack to: its manifest and files at their limits, each with its
// headers and padding, and the archive's end.
constexpr std::uint64_t kMaxUnpacked = kMaxManifestSize + kMaxTotalSize +
                                       (kMaxFiles + 1) * (3 * 512 + detail::kMaxExtensionSize) +
                                       (20 << 10);

// What is wrong with an entry's kind, or nothing when it is a plain file.
const char* BadKind(const TarEntry& entry) {
    if (entry.sparse) return "a sparse file";
    switch (entry.type) {
        case '0':
            return nullptr;
        case '1':
            return "a hard link";
        case '2':
            return "a symbolic link";
        case '3':
        case '4':
            return "a device file";
        case '5':
            return "a folder";
        case '6':
            return "a pipe";
        case 'g':
            return "a header for the whole archive";
        case 'K':
        case 'L':
            return "a long name in a form this format does not use";
        default:
            return "an entry that is not a plain file";
    }
}

// What is wrong with an entry's path, or nothing when it is a plain name.
const char* BadPath(const std::string& path) {
    if (path.empty()) return "an entry without a name";
    if (path.front() == '/') return "an absolute path";
    const std::filesystem::path p(path);
    for (const auto& part : p) {
        if (part == "..") return "a path that leads out of its folder";
    }
    if (path.find('/') != std::string::npos) return "a file in a subfolder";
    if (!IsPlainFileName(path)) return "a file name with characters that are not allowed";
    return nullptr;
}

// Reads the archive, refusing what breaks the package format (InvalidPackage with what follows
// the package's name).
Package ReadArchive(detail::TarReader& reader) {
    Package package;
    bool haveManifest = false;
    std::set<std::string> seen;
    for (std::size_t index = 0;; ++index) {
        const std::optional<TarEntry> entry = reader.Next();
        if (!entry) break;
        const std::string shown = "'" + tlx::OneLine(entry->path) + "'";
        if (const char* bad = BadKind(*entry))
            throw InvalidPackage("holds " + std::string(bad) + " (" + shown + ")");
        if (const char* bad = BadPath(entry->path))
            throw InvalidPackage("holds " + std::string(bad) + " (" + shown + ")");
        if (index == 0 && entry->path != kManifestName) {
            throw InvalidPackage("does not begin with its manifest");
        }
        const PackageFile* listed = nullptr;
        if (index > 0) {
            for (const auto& f : package.manifest.files) {
                if (f.name == entry->path) listed = &f;
            }
            if (!listed)
                throw InvalidPackage("holds " + shown + ", which its manifest does not list");
            if (!seen.insert(entry->path).second) throw InvalidPackage("holds " + shown + " twice");
        }
        // The size is checked before anything of the entry is read.
        if (entry->size > (index == 0 ? kMaxManifestSize : listed->size)) {
            throw InvalidPackage("holds " + shown + " larger than " +
                                 (index == 0 ? "a manifest may be" : "its manifest says"));
        }
        std::string data = reader.Data();
        if (index == 0) {
            try {
                package.manifest = Manifest::Parse(data);
            } catch (const InvalidPackage& e) {
                throw InvalidPackage(std::string("is invalid: ") + e.what());
            }
            haveManifest = true;
            continue;
        }
        if (data.size() != listed->size || FileHash(data) != listed->hash) {
            throw InvalidPackage("is damaged: " + shown + " does not match its checksum");
        }
        package.files.emplace_back(entry->path, std::move(data));
    }
    if (!haveManifest) throw InvalidPackage("is empty");
    for (const auto& f : package.manifest.files) {
        if (!seen.count(f.name)) throw InvalidPackage("lacks the file '" + f.name + "'");
    }
    // In manifest order, whatever the order of the archive.
    std::vector<std::pair<std::string, std::string>> ordered;
    for (const auto& f : package.manifest.files) {
        for (auto& file : package.files) {
            if (file.first == f.name) ordered.push_back(std::move(file));
        }
    }
    package.files = std::move(ordered);
    return package;
}

}  // namespace

Package ReadPackage(const std::string& file) {
    const std::string named = "the package '" + tlx::OneLine(file) + "' ";
    Descriptor in{::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)};
    if (in.fd < 0) throw PackageNotOpenable(named + "cannot be opened: " + std::strerror(errno));
    struct stat st {};
    if (::fstat(in.fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        throw PackageNotOpenable(named + "is not a file");
    }
    // Compressed data hardly grows; anything much larger than the files may be is refused.
    if (static_cast<std::uint64_t>(st.st_size) > kMaxTotalSize + (kMaxTotalSize >> 4) + (1 << 20)) {
        throw InvalidPackage(named + "is larger than any driver package may be");
    }
    try {
        detail::TarReader reader(in.fd, kMaxUnpacked);
        return ReadArchive(reader);
    } catch (const InvalidPackage& e) {
        throw InvalidPackage(named + e.what());
    }
}

}  // namespace tlx::package
