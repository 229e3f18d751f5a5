#include "verified_components.h"

#include <sodium.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <optional>
#include <system_error>
#include <thread>

#include "tlx/component.h"
#include "tlx/filesystem.h"
#include "tlx/process.h"
#include "tlx/registry.h"
#include "tlx/tools.h"

namespace tlx::detail {
namespace {

constexpr const char* kVerifiedKey = "Software\\VQ Morvane\\Components\\Verified\\";
// How many checks run at once.
constexpr std::size_t kAtOnce = 8;

struct Identity {
    std::string text;  // device, inode, size, both times and the toolkit build
    bool exists = false;
    bool operator==(const Identity&) const = default;
};

Identity IdentityOf(const std::string& file) {
    struct stat s {};
    Identity id;
    if (::stat(file.c_str(), &s) != 0 || !S_ISREG(s.st_mode)) return id;
    char text[256];
    std::snprintf(text, sizeof text, "%llu:%llu:%lld:%lld.%09ld:%lld.%09ld:%d",
                  static_cast<unsigned long long>(s.st_dev),
                  static_cast<unsigned long long>(s.st_ino), static_cast<long long>(s.st_size),
                  static_cast<long long>(s.st_mtim.tv_sec), s.st_mtim.tv_nsec,
                  static_cast<long long>(s.st_ctim.tv_sec), s.st_ctim.tv_nsec, ToolkitBuild());
    id.text = text;
    id.exists = true;
    return id;
}

// The file's BLAKE2b as hexadecimal digits, with the toolkit build that judges it (a newer
// toolkit may judge the same bytes otherwise); "" when the file cannot be read.
std::string Checksum(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return {};
    crypto_generichash_state state;
    crypto_generichash_init(&state, nullptr, 0, crypto_generichash_BYTES);
    char buffer[64 * 1024];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        crypto_generichash_update(&state, reinterpret_cast<const unsigned char*>(buffer),
                                  static_cast<unsigned long long>(in.gcount()));
    }
    if (in.bad()) return {};
    unsigned char hash[crypto_generichash_BYTES];
    crypto_generichash_final(&state, hash, sizeof hash);
    char hex[sizeof hash * 2 + 1];
    sodium_bin2hex(hex, sizeof hex, hash, sizeof hash);
    return std::string(hex) + ":" + std::to_string(ToolkitBuild());
}

// What is kept for a file: its identity, checksum and line, one a line.
struct Kept {
    std::string identity;
    std::string checksum;
    std::string line;
};

std::optional<Kept> Read(const std::string& file) {
    const std::string text =
        CoreTools().REGISTRY().READTEXT(HKEY_LOCAL_MACHINE, kVerifiedKey + file, "");
    const std::size_t a = text.find('\n');
    const std::size_t b = a == std::string::npos ? a : text.find('\n', a + 1);
    if (b == std::string::npos) return std::nullopt;
    return Kept{text.substr(0, a), text.substr(a + 1, b - a - 1), text.substr(b + 1)};
}

// The line kept for `file` when it still holds for the file as it is now; the checksum is
// reckoned (into `checksum`) only when the identity moved.
std::optional<std::string> Lookup(const std::string& file, const Identity& id,
                                  std::string& checksum, bool& moved) {
    moved = false;
    const auto kept = Read(file);
    if (!kept) return std::nullopt;
    if (kept->identity == id.text) return kept->line;
    checksum = Checksum(file);
    if (checksum.empty() || checksum != kept->checksum) return std::nullopt;
    moved = true;  // the same bytes under another identity: kept again with it
    return kept->line;
}

// Runs the registration program on `file`: its first line, "" when it refused the file;
// nothing when it could not run or did not end by itself (then nothing is to be kept).
std::optional<std::string> Check(const std::string& file) {
    std::string output;
    const int code =
        RunAndRead({cls_CoreFileSystem::SYSTEMFOLDER() + "vodex_regsvr", "/v", file}, &output);
    if (code < 0) return std::nullopt;
    if (code != 0) return std::string();
    return output.substr(0, output.find('\n'));
}

// Keeps the line for the file as it was when it was checked: `id` and `checksum` were taken
// before the check, and a file that changed meanwhile keeps nothing.
void Keep(const std::string& file, const Identity& id, const std::string& checksum,
          const std::string& line) {
    if (checksum.empty() || !(IdentityOf(file) == id)) return;
    CoreTools().REGISTRY().WRITE(HKEY_LOCAL_MACHINE, kVerifiedKey + file,
                                 Variant(id.text + "\n" + checksum + "\n" + line));
}

// Keeping is a help, not a duty: a hive this user may only read keeps nothing.
template <class F>
void Quietly(F&& keep) {
    try {
        keep();
    } catch (const std::exception&) {
    }
}

}  // namespace

std::string VerifiedLine(const std::string& file) {
    const Identity id = IdentityOf(file);
    if (!id.exists) return {};
    std::string checksum;
    bool moved = false;
    std::optional<std::string> line;
    Quietly([&] { line = Lookup(file, id, checksum, moved); });
    if (line && !moved) return *line;
    if (checksum.empty()) checksum = Checksum(file);
    bool ran = true;
    if (!line) {
        const auto checked = Check(file);
        ran = checked.has_value();
        line = checked.value_or(std::string());
    }
    if (ran) Quietly([&] { Keep(file, id, checksum, *line); });
    return *line;
}

void VerifyAll(const std::vector<std::string>& files) {
    struct Pending {
        std::string file;
        Identity id;
        std::string checksum;
        std::optional<std::string> line;
        bool moved = false;
    };
    std::vector<Pending> pending;
    for (const std::string& file : files) {
        Pending p{file, IdentityOf(file), {}, {}, false};
        if (!p.id.exists) continue;
        Quietly([&] { p.line = Lookup(file, p.id, p.checksum, p.moved); });
        if (p.line && !p.moved) continue;
        if (p.checksum.empty()) p.checksum = Checksum(file);  // before the check
        pending.push_back(std::move(p));
    }
    if (pending.empty()) return;
    // The checks run in child processes, a few at a time, each waited for on a thread of its
    // own (or on this one, when no thread can be had); the hive is written on this thread
    // afterwards.
    for (std::size_t first = 0; first < pending.size(); first += kAtOnce) {
        const std::size_t last = std::min(pending.size(), first + kAtOnce);
        std::vector<std::thread> waiting;
        for (std::size_t i = first; i < last; ++i) {
            Pending& p = pending[i];
            if (p.line) continue;
            try {
                waiting.emplace_back([&p] { p.line = Check(p.file); });
            } catch (const std::system_error&) {
                p.line = Check(p.file);
            }
        }
        for (std::thread& t : waiting)
            t.join();
    }
    Quietly([&] {
        RegistryTransaction change(CoreTools().REGISTRY(), HKEY_LOCAL_MACHINE);
        for (Pending& p : pending) {
            if (p.line) Keep(p.file, p.id, p.checksum, *p.line);  // not what could not run
        }
        change.Commit();
    });
}

}  // namespace tlx::detail
