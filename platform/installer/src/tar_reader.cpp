#include "tar_reader.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "tlx/package.h"

namespace tlx::package::detail {
namespace {

constexpr std::size_t kBlock = 512;
constexpr std::size_t kChunk = 64 << 10;

[[noreturn]] void CutShort() {
    throw InvalidPackage("is damaged: it is cut short");
}

// The number of an octal field of a header (blanks or NULs around it); nothing when the field
// holds anything else, or a number in the base-256 form that only sizes beyond 8 GiB need.
std::optional<std::uint64_t> Octal(const char* field, std::size_t size) {
    std::size_t i = 0;
    while (i < size && field[i] == ' ')
        ++i;
    std::uint64_t value = 0;
    for (; i < size && field[i] >= '0' && field[i] <= '7'; ++i)
        value = value * 8 + static_cast<std::uint64_t>(field[i] - '0');
    for (; i < size; ++i) {
        if (field[i] != ' ' && field[i] != '\0') return std::nullopt;
    }
    return value;
}

// A text field: up to its first NUL.
std::string Field(const char* field, std::size_t size) {
    return std::string(field, strnlen(field, size));
}

bool ChecksumMatches(const char* h) {
    const std::optional<std::uint64_t> stated = Octal(h + 148, 8);
    if (!stated) return false;
    // Some writers summed the bytes as signed characters.
    std::int64_t unsignedSum = 0;
    std::int64_t signedSum = 0;
    for (std::size_t i = 0; i < kBlock; ++i) {
        const bool inField = i >= 148 && i < 156;
        unsignedSum += inField ? ' ' : static_cast<unsigned char>(h[i]);
        signedSum += inField ? ' ' : static_cast<signed char>(h[i]);
    }
    return static_cast<std::int64_t>(*stated) == unsignedSum ||
           static_cast<std::int64_t>(*stated) == signedSum;
}

std::uint64_t Padded(std::uint64_t size) {
    return (size + kBlock - 1) / kBlock * kBlock;
}

}  // namespace

TarReader::TarReader(int fd, std::uint64_t budget)
    : fd_(fd), budget_(budget), in_(kChunk), out_(kChunk) {
    // The first bytes tell a gzip stream; a tar archive without it is no package.
    unsigned char magic[2] = {};
    std::size_t got = 0;
    while (got < sizeof magic) {
        const ssize_t n = ::read(fd_, magic + got, sizeof magic - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw InvalidPackage(std::string("cannot be read: ") + std::strerror(errno));
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    if (got == 0) throw InvalidPackage("is empty");
    if (got < sizeof magic || magic[0] != 0x1f || magic[1] != 0x8b) {
        throw InvalidPackage("is not compressed: a driver package is a gzip-compressed archive");
    }
    std::copy(magic, magic + got, in_.begin());
    z_.next_in = in_.data();
    z_.avail_in = static_cast<uInt>(got);
    if (inflateInit2(&z_, 16 + MAX_WBITS) != Z_OK) {
        throw InvalidPackage("cannot be read: the decompressor cannot start");
    }
    inflating_ = true;
}

TarReader::~TarReader() {
    if (inflating_) inflateEnd(&z_);
}

bool TarReader::Fill() {
    outAt_ = outEnd_ = 0;
    while (!streamEnded_) {
        if (z_.avail_in == 0 && !inputEnded_) {
            ssize_t n;
            do {
                n = ::read(fd_, in_.data(), in_.size());
            } while (n < 0 && errno == EINTR);
            if (n < 0) throw InvalidPackage(std::string("cannot be read: ") + std::strerror(errno));
            inputEnded_ = n == 0;
            z_.next_in = in_.data();
            z_.avail_in = static_cast<uInt>(n);
        }
        z_.next_out = out_.data();
        z_.avail_out = static_cast<uInt>(out_.size());
        const int r = inflate(&z_, Z_NO_FLUSH);
        outEnd_ = out_.size() - z_.avail_out;
        produced_ += outEnd_;
        if (produced_ > budget_) {
            throw InvalidPackage("unpacks to more than a driver package may hold");
        }
        if (r == Z_STREAM_END) {
            streamEnded_ = true;
        } else if (r == Z_DATA_ERROR || r == Z_NEED_DICT || r == Z_STREAM_ERROR) {
            throw InvalidPackage(std::string("is damaged: ") +
                                 (z_.msg ? z_.msg : "its data is broken"));
        } else if (r == Z_MEM_ERROR) {
            throw InvalidPackage("cannot be read: not enough memory");
        } else if (outEnd_ == 0 && z_.avail_in == 0 && inputEnded_) {
            CutShort();  // the compressed stream ends before its end
        }
        if (outEnd_ > 0) return true;
    }
    return false;
}

void TarReader::Read(char* out, std::size_t n) {
    while (n > 0) {
        if (outAt_ == outEnd_ && !Fill()) CutShort();
        const std::size_t take = std::min(n, outEnd_ - outAt_);
        if (out) {
            std::memcpy(out, out_.data() + outAt_, take);
            out += take;
        }
        outAt_ += take;
        n -= take;
    }
}

void TarReader::Skip(std::uint64_t n) {
    while (n > 0) {
        const std::size_t step = static_cast<std::size_t>(std::min<std::uint64_t>(n, kChunk));
        Read(nullptr, step);
        n -= step;
    }
}

void TarReader::Finish() {
    // After the first empty block only empty blocks and padding may follow, to the end of the
    // gzip stream, whose checksum inflate checks; then the file ends.
    for (;;) {
        if (outAt_ == outEnd_ && !Fill()) break;
        const auto* begin = out_.data() + outAt_;
        const auto* end = out_.data() + outEnd_;
        if (std::any_of(begin, end, [](unsigned char c) { return c != 0; })) {
            throw InvalidPackage("holds data after the end of its archive");
        }
        outAt_ = outEnd_;
    }
    char extra;
    ssize_t n;
    do {
        n = ::read(fd_, &extra, 1);
    } while (n < 0 && errno == EINTR);
    if (z_.avail_in > 0 || n > 0) throw InvalidPackage("holds data after its compressed archive");
}

std::vector<std::pair<std::string, std::string>> TarReader::PaxRecords(std::uint64_t size) {
    std::string body(static_cast<std::size_t>(size), '\0');
    Read(body.data(), body.size());
    Skip(Padded(size) - size);
    // Records of "LENGTH KEY=VALUE\n", LENGTH counting the whole record.
    std::vector<std::pair<std::string, std::string>> records;
    std::string_view rest = body;
    while (!rest.empty()) {
        const std::size_t blank = rest.find(' ');
        std::uint64_t length = 0;
        if (blank == std::string_view::npos || blank == 0 || blank > 6) {
            throw InvalidPackage("is damaged: an extension header is malformed");
        }
        for (std::size_t i = 0; i < blank; ++i) {
            if (rest[i] < '0' || rest[i] > '9') {
                throw InvalidPackage("is damaged: an extension header is malformed");
            }
            length = length * 10 + static_cast<std::uint64_t>(rest[i] - '0');
        }
        if (length <= blank + 1 || length > rest.size() || rest[length - 1] != '\n') {
            throw InvalidPackage("is damaged: an extension header is malformed");
        }
        const std::string_view record = rest.substr(blank + 1, length - blank - 2);
        const std::size_t equals = record.find('=');
        if (equals == std::string_view::npos) {
            throw InvalidPackage("is damaged: an extension header is malformed");
        }
        records.emplace_back(record.substr(0, equals), record.substr(equals + 1));
        rest.remove_prefix(length);
    }
    return records;
}

std::optional<TarEntry> TarReader::Next() {
    Skip(pending_);
    pending_ = dataLeft_ = 0;
    std::optional<std::string> paxPath;
    std::optional<std::uint64_t> paxSize;
    bool extended = false;
    bool sparse = false;
    for (;;) {
        char h[kBlock];
        Read(h, kBlock);
        if (std::all_of(h, h + kBlock, [](char c) { return c == '\0'; })) {
            Finish();
            return std::nullopt;
        }
        if (std::memcmp(h + 257, "ustar", 5) != 0) {
            throw InvalidPackage("is damaged: it holds a block that is no archive header");
        }
        if (!ChecksumMatches(h)) throw InvalidPackage("is damaged: a header's checksum is wrong");
        const std::optional<std::uint64_t> size = Octal(h + 124, 12);
        if (!size) throw InvalidPackage("is damaged: a header's size is not a number");
        const char type = h[156] == '\0' ? '0' : h[156];
        if (type == 'x') {
            if (extended)
                throw InvalidPackage("holds an entry with more than one extension header");
            if (*size > kMaxExtensionSize)
                throw InvalidPackage("holds an extension header too large");
            extended = true;
            for (const auto& [key, value] : PaxRecords(*size)) {
                if (key == "path") {
                    paxPath = value;
                } else if (key == "size") {
                    if (value.empty() || value.size() > 18 ||
                        !std::all_of(value.begin(), value.end(),
                                     [](char c) { return c >= '0' && c <= '9'; })) {
                        throw InvalidPackage("is damaged: an extension header's size is no number");
                    }
                    paxSize = std::stoull(value);
                } else if (key.starts_with("GNU.sparse.")) {
                    sparse = true;
                }
            }
            continue;
        }
        TarEntry entry;
        entry.type = type;
        entry.sparse = sparse || type == 'S';
        entry.size = paxSize.value_or(*size);
        if (paxPath) {
            entry.path = *paxPath;
        } else {
            entry.path = Field(h, 100);
            // The name's first part, in the POSIX form of the header only.
            const std::string prefix =
                std::memcmp(h + 257, "ustar\0", 6) == 0 ? Field(h + 345, 155) : std::string();
            if (!prefix.empty()) entry.path = prefix + "/" + entry.path;
        }
        dataLeft_ = entry.size;
        pending_ = Padded(entry.size);
        return entry;
    }
}

std::string TarReader::Data() {
    std::string data(static_cast<std::size_t>(dataLeft_), '\0');
    Read(data.data(), data.size());
    Skip(pending_ - dataLeft_);
    pending_ = dataLeft_ = 0;
    return data;
}

}  // namespace tlx::package::detail
