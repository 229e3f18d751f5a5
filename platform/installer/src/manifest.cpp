#include <sodium.h>

#include <algorithm>
#include <cctype>
#include <charconv>

#include "tlx/package.h"
#include "tlx/text.h"

namespace tlx::package {
namespace {

constexpr const char* kFormatKey = "VODEXPACKAGE";

bool IsDigits(std::string_view s) {
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Dotted numbers, one to four parts of at most nine digits.
bool IsVersion(std::string_view s) {
    std::size_t parts = 0;
    while (true) {
        const std::size_t dot = s.find('.');
        const std::string_view part = s.substr(0, dot);
        if (!IsDigits(part) || part.size() > 9 || ++parts > 4) return false;
        if (dot == std::string_view::npos) return true;
        s.remove_prefix(dot + 1);
    }
}

bool IsPrintable(std::string_view s) {
    return std::none_of(s.begin(), s.end(),
                        [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; });
}

[[noreturn]] void Refuse(const std::string& why) {
    throw InvalidPackage("its manifest " + why);
}

std::string BaseName(std::string_view file) {
    return std::string(file.substr(0, file.rfind('.')));
}

// A COMPONENT value: a plain "*.so" file name whose name (it becomes the driver's class and
// registry value names, next to the installer's own "<class>.msi" and "<class>.Disabled") is
// only letters, digits, _ and -.
std::string ComponentName(std::string_view value, const std::string& at) {
    if (!IsPlainFileName(value) || !value.ends_with(".so"))
        Refuse("names no component file (*.so)" + at);
    const std::string_view base = value.substr(0, value.size() - 3);
    if (base.empty() || !std::all_of(base.begin(), base.end(), [](char c) {
            return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-';
        })) {
        Refuse("names a component whose name is not only letters, digits, _ and -" + at);
    }
    return std::string(value);
}

// A FILE value, "name|size|checksum", of a file not listed before.
PackageFile FileLine(std::string_view value, const std::vector<PackageFile>& listed,
                     const std::string& at) {
    PackageFile f;
    const std::size_t bar1 = value.find('|');
    const std::size_t bar2 = bar1 == std::string_view::npos ? bar1 : value.find('|', bar1 + 1);
    if (bar2 == std::string_view::npos) Refuse("has a FILE line without size and checksum" + at);
    f.name = value.substr(0, bar1);
    const std::string_view size = value.substr(bar1 + 1, bar2 - bar1 - 1);
    f.hash = value.substr(bar2 + 1);
    if (!IsPlainFileName(f.name) || f.name == kManifestName) {
        Refuse("lists a file that is not a plain name: '" + f.name + "'" + at);
    }
    if (!IsDigits(size) || size.size() > 12) Refuse("gives no size for " + f.name + at);
    std::from_chars(size.data(), size.data() + size.size(), f.size);
    if (f.size > kMaxFileSize)
        Refuse("lists " + f.name + " larger than the limit of " + std::to_string(kMaxFileSize) +
               " bytes");
    if (f.hash.size() != crypto_generichash_BYTES * 2)
        Refuse("gives no checksum for " + f.name + at);
    for (const auto& other : listed) {
        if (tlx::UCase(other.name) == tlx::UCase(f.name)) Refuse("lists " + f.name + " twice");
    }
    return f;
}

// What holds for the manifest as a whole: the keys it needs, the limits of its files, and a
// component among them that offers the classes named.
void CheckWhole(const Manifest& m, bool needSeen) {
    if (m.productCode.empty() || m.name.empty() || m.version.empty() || m.component.empty() ||
        !needSeen) {
        Refuse("lacks one of PRODUCTCODE, NAME, VERSION, NEEDINTERFACE and COMPONENT");
    }
    if (m.files.size() > kMaxFiles)
        Refuse("lists more than " + std::to_string(kMaxFiles) + " files");
    std::uint64_t total = 0;
    for (const auto& f : m.files)
        total += f.size;
    if (total > kMaxTotalSize)
        Refuse("lists files larger than " + std::to_string(kMaxTotalSize) + " bytes together");
    if (std::none_of(m.files.begin(), m.files.end(),
                     [&](const PackageFile& f) { return f.name == m.component; })) {
        Refuse("names the component " + m.component + ", which is not among its files");
    }
    if (m.classes.empty()) Refuse("names no driver class");
    for (const auto& c : m.classes) {
        // A component offers the driver of its own name.
        if (c != BaseName(m.component))
            Refuse("names the class '" + c + "', but the component is " + m.component);
    }
}

}  // namespace

bool IsPlainFileName(std::string_view name) {
    if (name.empty() || name.size() > 128 || name.front() == '.') return false;
    return std::all_of(name.begin(), name.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '_' || c == '+' ||
               c == '-';
    });
}

bool IsProductCode(std::string_view text) {
    static constexpr std::size_t kGroups[] = {8, 4, 4, 4, 12};
    if (text.size() != 38 || text.front() != '{' || text.back() != '}') return false;
    std::size_t at = 1;
    for (std::size_t g = 0; g < 5; ++g) {
        for (std::size_t i = 0; i < kGroups[g]; ++i, ++at) {
            if (!std::isxdigit(static_cast<unsigned char>(text[at]))) return false;
        }
        if (g < 4 && text[at++] != '-') return false;
    }
    return true;
}

std::string FileHash(std::string_view bytes) {
    unsigned char hash[crypto_generichash_BYTES];
    crypto_generichash(hash, sizeof hash, reinterpret_cast<const unsigned char*>(bytes.data()),
                       bytes.size(), nullptr, 0);
    char hex[sizeof hash * 2 + 1];
    sodium_bin2hex(hex, sizeof hex, hash, sizeof hash);
    return hex;
}

std::string ProductCodeFor(std::string_view driverClass) {
    const std::string hash =
        tlx::UCase(FileHash("vodex driver " + tlx::UCase(std::string(driverClass))));
    return "{" + hash.substr(0, 8) + "-" + hash.substr(8, 4) + "-" + hash.substr(12, 4) + "-" +
           hash.substr(16, 4) + "-" + hash.substr(20, 12) + "}";
}

std::string Manifest::Text() const {
    std::string text = std::string(kFormatKey) + "=1\n";
    text += "PRODUCTCODE=" + productCode + "\n";
    text += "NAME=" + name + "\n";
    text += "VERSION=" + version + "\n";
    text += "NEEDINTERFACE=" + std::to_string(needInterface) + "\n";
    text += "COMPONENT=" + component + "\n";
    for (const auto& c : classes)
        text += "CLASS=" + c + "\n";
    for (const auto& f : files) {
        text += "FILE=" + f.name + "|" + std::to_string(f.size) + "|" + f.hash + "\n";
    }
    return text;
}

Manifest Manifest::Parse(std::string_view text) {
    if (text.size() > kMaxManifestSize)
        Refuse("is larger than " + std::to_string(kMaxManifestSize) + " bytes");
    Manifest m;
    bool format = false;
    bool needSeen = false;
    tlx::EachKeyValueLine(text, [&](const tlx::KeyValueLine& line) {
        if (line.line.empty()) return true;
        const std::string at = " (line " + std::to_string(line.number) + ")";
        if (!line.assignment) Refuse("has a line without '='" + at);
        const std::string key(line.key);
        const std::string_view value = line.value;
        if (!IsPrintable(value)) Refuse("has control characters in " + key + at);
        if (!format) {
            if (key != kFormatKey) Refuse("does not begin with " + std::string(kFormatKey));
            if (value != "1")
                Refuse("is of format " + std::string(value) + ", which this toolkit does not know");
            format = true;
        } else if (key == "PRODUCTCODE") {
            if (!IsProductCode(value)) Refuse("has no valid product code" + at);
            m.productCode = tlx::UCase(std::string(value));
        } else if (key == "NAME") {
            if (value.empty() || value.size() > 200) Refuse("has an empty or overlong NAME" + at);
            m.name = value;
        } else if (key == "VERSION") {
            if (!IsVersion(value)) Refuse("has no dotted VERSION" + at);
            m.version = value;
        } else if (key == "NEEDINTERFACE") {
            if (!IsDigits(value) || value.size() > 9) Refuse("has no number in NEEDINTERFACE" + at);
            std::from_chars(value.data(), value.data() + value.size(), m.needInterface);
            needSeen = true;
        } else if (key == "COMPONENT") {
            m.component = ComponentName(value, at);
        } else if (key == "CLASS") {
            m.classes.emplace_back(value);
        } else if (key == "FILE") {
            m.files.push_back(FileLine(value, m.files, at));
        } else {
            Refuse("has the unknown key '" + key + "'" + at);
        }
        return true;
    });
    if (!format) Refuse("is empty");
    CheckWhole(m, needSeen);
    return m;
}

}  // namespace tlx::package
