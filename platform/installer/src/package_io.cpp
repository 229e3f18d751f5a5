#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <memory>
#include <set>

#include "tlx/package.h"
#include "tlx/text.h"

namespace tlx::package {
namespace {

struct ArchiveReader {
    archive* a = archive_read_new();
    ~ArchiveReader() { archive_read_free(a); }
};

struct Descriptor {
    int fd;
    ~Descriptor() {
        if (fd >= 0) ::close(fd);
    }
};

// What is wrong with an entry's kind, or nothing when it is a plain file.
const char* BadKind(archive_entry* entry) {
    if (archive_entry_hardlink(entry)) return "a hard link";
    switch (archive_entry_filetype(entry)) {
        case AE_IFREG:
            return nullptr;
        case AE_IFLNK:
            return "a symbolic link";
        case AE_IFDIR:
            return "a folder";
        case AE_IFCHR:
        case AE_IFBLK:
            return "a device file";
        case AE_IFIFO:
            return "a pipe";
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

}  // namespace

Package ReadPackage(const std::string& file) {
    const std::string named = "the package '" + file + "' ";
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
    ArchiveReader reader;
    archive_read_support_filter_gzip(reader.a);
    archive_read_support_format_tar(reader.a);
    if (archive_read_open_fd(reader.a, in.fd, 64 << 10) != ARCHIVE_OK) {
        throw InvalidPackage(named + "is no driver package: " + archive_error_string(reader.a));
    }
    Package package;
    bool haveManifest = false;
    std::set<std::string> seen;
    for (std::size_t index = 0;; ++index) {
        archive_entry* entry = nullptr;
        const int r = archive_read_next_header(reader.a, &entry);
        if (r == ARCHIVE_EOF) break;
        if (r < ARCHIVE_WARN) {
            throw InvalidPackage(named + "is damaged: " + archive_error_string(reader.a));
        }
        const char* rawPath = archive_entry_pathname(entry);
        const std::string path = rawPath ? rawPath : "";
        const std::string shown = "'" + tlx::OneLine(path) + "'";
        if (const char* bad = BadKind(entry)) {
            throw InvalidPackage(named + "holds " + bad + " (" + shown + ")");
        }
        if (const char* bad = BadPath(path)) {
            throw InvalidPackage(named + "holds " + bad + " (" + shown + ")");
        }
        if (index == 0 && path != kManifestName) {
            throw InvalidPackage(named + "does not begin with its manifest");
        }
        const PackageFile* listed = nullptr;
        if (index > 0) {
            for (const auto& f : package.manifest.files) {
                if (f.name == path) listed = &f;
            }
            if (!listed)
                throw InvalidPackage(named + "holds " + shown +
                                     ", which its manifest does not list");
            if (!seen.insert(path).second)
                throw InvalidPackage(named + "holds " + shown + " twice");
        }
        const std::uint64_t limit = index == 0 ? kMaxManifestSize : listed->size;
        if (!archive_entry_size_is_set(entry) ||
            static_cast<std::uint64_t>(archive_entry_size(entry)) > limit) {
            throw InvalidPackage(named + "holds " + shown + " larger than " +
                                 (index == 0 ? "a manifest may be" : "its manifest says"));
        }
        std::string data;
        data.resize(static_cast<std::size_t>(archive_entry_size(entry)));
        std::size_t got = 0;
        while (got < data.size()) {
            const la_ssize_t n = archive_read_data(reader.a, data.data() + got, data.size() - got);
            if (n < 0)
                throw InvalidPackage(named + "is damaged: " + archive_error_string(reader.a));
            if (n == 0) break;
            got += static_cast<std::size_t>(n);
        }
        if (got != data.size())
            throw InvalidPackage(named + "is damaged: " + shown + " is cut short");
        if (index == 0) {
            try {
                package.manifest = Manifest::Parse(data);
            } catch (const InvalidPackage& e) {
                throw InvalidPackage(named + "is invalid: " + e.what());
            }
            haveManifest = true;
            continue;
        }
        if (data.size() != listed->size || FileHash(data) != listed->hash) {
            throw InvalidPackage(named + "is damaged: " + shown + " does not match its checksum");
        }
        package.files.emplace_back(path, std::move(data));
    }
    if (!haveManifest) throw InvalidPackage(named + "is empty");
    for (const auto& f : package.manifest.files) {
        if (!seen.count(f.name)) throw InvalidPackage(named + "lacks the file '" + f.name + "'");
    }
    // In manifest order, whatever the order of the archive.
    std::vector<std::pair<std::string, std::string>> ordered;
    for (const auto& f : package.manifest.files) {
        for (auto& entry : package.files) {
            if (entry.first == f.name) ordered.push_back(std::move(entry));
        }
    }
    package.files = std::move(ordered);
    return package;
}

void WritePackage(const std::string& file, Manifest manifest,
                  const std::vector<std::pair<std::string, std::string>>& files) {
    manifest.files.clear();
    for (const auto& [name, content] : files) {
        manifest.files.push_back({name, content.size(), FileHash(content)});
    }
    const std::string text = manifest.Text();
    Manifest::Parse(text);  // a package this writes is one the installer takes
    const std::string temporary = file + ".part";
    std::unique_ptr<archive, decltype(&archive_write_free)> out(archive_write_new(),
                                                                &archive_write_free);
    archive_write_add_filter_gzip(out.get());
    archive_write_set_format_pax_restricted(out.get());
    if (archive_write_open_filename(out.get(), temporary.c_str()) != ARCHIVE_OK) {
        throw Error("the package '" + file +
                    "' cannot be written: " + archive_error_string(out.get()));
    }
    const std::time_t now = std::time(nullptr);
    auto add = [&](const std::string& name, const std::string& content) {
        std::unique_ptr<archive_entry, decltype(&archive_entry_free)> entry(archive_entry_new(),
                                                                            &archive_entry_free);
        archive_entry_set_pathname(entry.get(), name.c_str());
        archive_entry_set_size(entry.get(), static_cast<la_int64_t>(content.size()));
        archive_entry_set_filetype(entry.get(), AE_IFREG);
        archive_entry_set_perm(entry.get(), 0644);
        archive_entry_set_mtime(entry.get(), now, 0);
        if (archive_write_header(out.get(), entry.get()) != ARCHIVE_OK ||
            archive_write_data(out.get(), content.data(), content.size()) !=
                static_cast<la_ssize_t>(content.size())) {
            throw Error("the package '" + file +
                        "' cannot be written: " + archive_error_string(out.get()));
        }
    };
    try {
        add(kManifestName, text);
        for (const auto& [name, content] : files)
            add(name, content);
        if (archive_write_close(out.get()) != ARCHIVE_OK) {
            throw Error("the package '" + file +
                        "' cannot be written: " + archive_error_string(out.get()));
        }
        std::filesystem::rename(temporary, file);
    } catch (...) {
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        throw;
    }
}

}  // namespace tlx::package
