#include <archive.h>
#include <archive_entry.h>

#include <ctime>
#include <filesystem>
#include <memory>

#include "tlx/package.h"

namespace tlx::package {
namespace {

// Why the archive library failed; it does not always say.
std::string Why(archive* a) {
    const char* said = archive_error_string(a);
    return said ? said : "the archive cannot be written";
}

}  // namespace

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
        throw Error("the package '" + file + "' cannot be written: " + Why(out.get()));
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
            throw Error("the package '" + file + "' cannot be written: " + Why(out.get()));
        }
    };
    try {
        add(kManifestName, text);
        for (const auto& [name, content] : files)
            add(name, content);
        if (archive_write_close(out.get()) != ARCHIVE_OK) {
            throw Error("the package '" + file + "' cannot be written: " + Why(out.get()));
        }
        std::filesystem::rename(temporary, file);
    } catch (...) {
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        throw;
    }
}

}  // namespace tlx::package
