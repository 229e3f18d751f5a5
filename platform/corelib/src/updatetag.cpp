#include "tlx/updatetag.h"

#include <stdlib.h>
#include <unistd.h>

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <vector>

#include "tlx/convert.h"
#include "tlx/dialogs.h"
#include "tlx/downloader.h"
#include "tlx/error.h"
#include "tlx/filesystem.h"
#include "tlx/process.h"
#include "tlx/text.h"
#include "verified_components.h"

namespace tlx {
namespace {

constexpr const char* kFormatLine = "TLXUPDATETAG=1";
constexpr std::uintmax_t kMostDescriptionBytes = 64 << 10;

std::string Escape(std::string_view s) {
    std::string out;
    for (char c : s) {
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else {
            out += c;
        }
    }
    return out;
}

std::string Unescape(std::string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\' || i + 1 == s.size()) {
            out += s[i];
            continue;
        }
        const char next = s[++i];
        out += next == 'n' ? '\n' : next == 'r' ? '\r' : next;
    }
    return out;
}

template <class T>
bool Whole(std::string_view s, T& value) {
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    return ec == std::errc() && end == s.data() + s.size();
}

// "1.2.3" into its three numbers.
bool Dotted(std::string_view s, std::int32_t& major, std::int32_t& minor, std::int32_t& revision) {
    const std::size_t a = s.find('.');
    const std::size_t b = a == std::string_view::npos ? a : s.find('.', a + 1);
    return b != std::string_view::npos && Whole(s.substr(0, a), major) &&
           Whole(s.substr(a + 1, b - a - 1), minor) && Whole(s.substr(b + 1), revision);
}

}  // namespace

void cls_CoreUpdateTag::VERIFYCOMPONENTS(const std::vector<std::string>& pFiles) {
    detail::VerifyAll(pFiles);
}

bool cls_CoreUpdateTag::READCOMPONENT(const std::string& pFile) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(pFile, ec)) return false;
    // The registration program's word on the file, kept for each version of the file.
    const std::string line = detail::VerifiedLine(pFile);
    if (line.empty()) return false;
    std::vector<std::string> parts;
    for (std::size_t from = 0;;) {
        const std::size_t tab = line.find('\t', from);
        parts.push_back(line.substr(from, tab - from));
        if (tab == std::string::npos) break;
        from = tab + 1;
    }
    std::int32_t major = 0, minor = 0, revision = 0, lowest = 0;
    if (parts.size() != 4 || !Dotted(parts[0], major, minor, revision) ||
        !Whole(parts[1], lowest)) {
        return false;
    }
    MAJOR = major;
    MINOR = minor;
    REVISION = revision;
    VERSION = parts[0];
    NEEDINTERFACE = lowest;
    COMMENT = parts[3];
    const cls_CoreFileSystem files;
    FILEDATE = DateFromText(parts[2]);
    if (!FILEDATE) FILEDATE = files.FILEDATE(pFile);
    FILESIZE = files.FILESIZE(pFile);
    return true;
}

bool cls_CoreUpdateTag::READDESCRIPTION(const std::string& pFile) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(pFile, ec) ||
        std::filesystem::file_size(pFile, ec) > kMostDescriptionBytes || ec) {
        return false;
    }
    // Read within the bound, whatever the file has grown to since it was measured.
    std::ifstream in(pFile, std::ios::binary);
    std::string text(kMostDescriptionBytes + 1, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    if (text.size() > kMostDescriptionBytes) return false;
    cls_CoreUpdateTag read;
    // Where each key's value goes.
    const std::map<std::string, std::string*> texts = {
        {"IDENTIFIER", &read.IDENTIFIER},   {"NAME", &read.NAME},
        {"DESCRIPTION", &read.DESCRIPTION}, {"MANUFACTURER", &read.MANUFACTURER},
        {"COMMENT", &read.COMMENT},         {"DOWNLOADURL", &read.DOWNLOADURL},
        {"INFOURL", &read.INFOURL},         {"UPDATEURL", &read.UPDATEURL},
        {"REMARK", &read.REMARK},           {"VERSION", &read.VERSION}};
    const std::map<std::string, std::int32_t*> numbers = {
        {"MAJOR", &read.MAJOR}, {"MINOR", &read.MINOR}, {"REVISION", &read.REVISION},
        {"BUILD", &read.BUILD}, {"KIND", &read.KIND},   {"NEEDINTERFACE", &read.NEEDINTERFACE}};
    bool good = true;
    EachKeyValueLine(text, [&](const KeyValueLine& line) {
        if (line.number == 1) return good = line.line == kFormatLine;
        if (line.line.empty()) return true;
        if (!line.assignment) return good = false;
        const std::string key(line.key);
        const std::string value = Unescape(line.value);
        if (auto t = texts.find(key); t != texts.end()) {
            *t->second = value;
        } else if (auto n = numbers.find(key); n != numbers.end()) {
            good = Whole(value, *n->second);
        } else if (key == "ENABLED") {
            read.ENABLED = value == "1";
        } else if (key == "DATE") {
            read.FILEDATE = DateFromText(value);
            good = read.FILEDATE.has_value();
        } else if (key == "SIZE") {
            std::int64_t size = 0;
            good = Whole(value, size);
            read.FILESIZE = size;
        }
        // a key of a later format is passed over
        return good;
    });
    if (!good || text.empty()) return false;
    *this = read;
    return true;
}

void cls_CoreUpdateTag::WRITEDESCRIPTION(const std::string& pFile) const {
    std::string text = std::string(kFormatLine) + "\n";
    const std::pair<const char*, std::string> lines[] = {
        {"IDENTIFIER", IDENTIFIER},
        {"NAME", NAME},
        {"DESCRIPTION", DESCRIPTION},
        {"MANUFACTURER", MANUFACTURER},
        {"COMMENT", COMMENT},
        {"REMARK", REMARK},
        {"DOWNLOADURL", DOWNLOADURL},
        {"INFOURL", INFOURL},
        {"UPDATEURL", UPDATEURL},
        {"VERSION", VERSION},
        {"MAJOR", std::to_string(MAJOR)},
        {"MINOR", std::to_string(MINOR)},
        {"REVISION", std::to_string(REVISION)},
        {"BUILD", std::to_string(BUILD)},
        {"KIND", std::to_string(KIND)},
        {"NEEDINTERFACE", std::to_string(NEEDINTERFACE)},
        {"ENABLED", ENABLED ? "1" : "0"},
    };
    for (const auto& [key, value] : lines)
        text += std::string(key) + "=" + Escape(value) + "\n";
    if (FILEDATE) text += "DATE=" + DateToText(*FILEDATE) + "\n";
    if (FILESIZE) text += "SIZE=" + std::to_string(*FILESIZE) + "\n";
    const std::string temporary = pFile + ".part";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << text;
        if (!out.flush()) throw Error("'" + pFile + "' cannot be written");
    }
    std::error_code ec;
    std::filesystem::rename(temporary, pFile, ec);
    if (ec) {
        std::filesystem::remove(temporary, ec);
        throw Error("'" + pFile + "' cannot be written: " + ec.message());
    }
}

bool cls_CoreUpdateTag::UPDATE(bool pMessages, bool pQuiet, const std::string& pAddress) {
    auto tell = [pMessages](const std::string& text) noexcept {
        try {
            if (pMessages) cls_CoreDialogs().MESSAGE(text, "Update");
        } catch (...) {
            // a message that cannot be shown leaves the result as it is
        }
    };
    // The temporary description goes whatever happens; the package stays only for the
    // installer that was started on it.
    std::vector<std::string> leftovers;
    struct Cleanup {
        std::vector<std::string>& files;
        ~Cleanup() {
            for (const std::string& f : files) {
                std::error_code ec;
                std::filesystem::remove(f, ec);
            }
        }
    } cleanup{leftovers};
    try {
        const std::string address = pAddress.empty() ? UPDATEURL : pAddress;
        const std::filesystem::path temp = std::filesystem::temp_directory_path();  // may throw
        cls_CoreDownloader downloader;
        // The description, read from a file of its own so its checks are those of a
        // driver's description.
        std::string description = (temp / "vodex-update-XXXXXX").string();
        const int fd = ::mkstemp(description.data());
        if (fd < 0) throw Error("no temporary file can be made");
        ::close(fd);
        leftovers.push_back(description);
        cls_CoreUpdateTag offered;
        const bool read = !address.empty() && downloader.DOWNLOADFILE(address, description) &&
                          offered.READDESCRIPTION(description);
        if (!read) {
            tell("Die Update-Informationen konnten nicht geladen werden." +
                 (downloader.LASTERROR().empty() ? std::string()
                                                 : " (" + downloader.LASTERROR() + ")"));
            return false;
        }
        if (offered.BUILD <= BUILD) {
            tell("Sie verwenden bereits die neuste Version des VQ Rezira Dovarir (Build " +
                 std::to_string(BUILD) + ").");
            return false;
        }
        std::string package = (temp / "vodex-update-XXXXXX.msi").string();
        const int pfd = ::mkstemps(package.data(), 4);
        if (pfd < 0) throw Error("no temporary file can be made");
        ::close(pfd);
        leftovers.push_back(package);
        const std::string from = offered.DOWNLOADURL.empty() ? DOWNLOADURL : offered.DOWNLOADURL;
        downloader.WEBONLY = true;  // the description's address
        if (from.empty() || !downloader.DOWNLOADFILE(from, package)) {
            tell("Das Update konnte nicht heruntergeladen werden." +
                 (downloader.LASTERROR().empty() ? std::string()
                                                 : " (" + downloader.LASTERROR() + ")"));
            return false;
        }
        if (!StartDetached({cls_CoreFileSystem::SYSTEMFOLDER() + "vodex_msiexec",
                            pQuiet ? "/quiet" : "/passive", "/norestart", "/i", package})) {
            tell("Das Installationsprogramm konnte nicht gestartet werden.");
            return false;
        }
        leftovers.pop_back();  // the installer reads the package
        return true;
    } catch (const std::exception& e) {
        tell(std::string("Das Update ist fehlgeschlagen: ") + e.what());
        return false;
    } catch (...) {
        tell("Das Update ist fehlgeschlagen.");
        return false;
    }
}

}  // namespace tlx
