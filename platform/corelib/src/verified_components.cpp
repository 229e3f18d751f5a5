#include "verified_components.h"

#include <sodium.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <optional>
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

// The file's BLAKE2b as hexadecimal digits; "" when it cannot be read.
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
    return hex;
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

// Runs the registration program on `file`: its first line, "" when it refused the file.
std::string Check(const std::string& file) {
    std::string output;
    const int code =
        RunAndRead({cls_CoreFileSystem::SYSTEMFOLDER() + "vodex_regsvr", "/v", file}, &output);
    if (code != 0) return {};
    return output.substr(0, output.find('\n'));
}

void Keep(const std::string& file, const Identity& id, std::string checksum,
          const std::string& line) {
    if (checksum.empty()) checksum = Checksum(file);
    if (checksum.empty()) return;
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
    if (!line) line = Check(file);
    Quietly([&] { Keep(file, id, checksum, *line); });
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
        if (!p.line || p.moved) pending.push_back(std::move(p));
    }
    if (pending.empty()) return;
    // The checks run in child processes, a few at a time, each waited for on a thread of its
    // own; the hive is written on this thread afterwards.
    for (std::size_t first = 0; first < pending.size(); first += kAtOnce) {
        const std::size_t last = std::min(pending.size(), first + kAtOnce);
        std::vector<std::thread> waiting;
        for (std::size_t i = first; i < last; ++i) {
            if (pending[i].line) continue;
            waiting.emplace_back([&p = pending[i]] { p.line = Check(p.file); });
        }
        for (std::thread& t : waiting)
            t.join();
    }
    Quietly([&] {
        RegistryTransaction change(CoreTools().REGISTRY(), HKEY_LOCAL_MACHINE);
        for (Pending& p : pending)
            Keep(p.file, p.id, p.checksum, *p.line);
        change.Commit();
    });
}

}  // namespace tlx::detail
