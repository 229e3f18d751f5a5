#include "tlx/file.h"

#include <sodium.h>
#include <xxhash.h>

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <new>
#include <string_view>

#include "posix_file.h"
#include "tlx/error.h"
#include "value_codec.h"

namespace tlx {
namespace {

// Layout of a typed value file (all numbers little-endian):
//   0  "VXCF"   4  format version (16 bit)   6  flags (bit 0: encrypted)   7  0
//   8  body length (64 bit)
//  16  format 2 only: the record type, a 16-bit length and that many bytes of text (what
//      kind of record the file holds, so that a file of another kind is refused); the
//      offsets below then count from behind it
// plain:      16 body (the encoded values), then the checksum of everything before it: from
//             format 3 on the 16-byte XXH3-128 (little-endian, low half first), in formats 1
//             and 2 the 32-byte BLAKE2b hash
// encrypted:  16 salt (16)  32 Argon2id operations (32 bit)  36 Argon2id memory in KiB (32 bit)
//             40 nonce (24)  64 password check (16)  80 BLAKE2b-128 of everything before it,
//             so that a damaged header is told from a wrong password before any key is
//             derived  96 body: the encoded values, encrypted and authenticated together with
//             the whole header
// Files of formats 1 (without a record type) and 2 are read as before; files are written in
// format 3, which differs from format 2 only in the checksum of plain files. The checksum
// finds damage, not tampering: anyone who can change a file can also recompute it, which is
// what the password and its authenticated encryption are for.
constexpr char kMagic[4] = {'V', 'X', 'C', 'F'};
constexpr std::uint16_t kOldFormat = 1;
constexpr std::uint16_t kTypedFormat = 2;
constexpr std::uint16_t kFormatVersion = 3;
constexpr std::size_t kHeaderSize = 16;
constexpr std::size_t kOldHashSize = 32;
constexpr std::size_t kChecksumSize = 16;
constexpr std::size_t kSaltSize = 16;
constexpr std::size_t kNonceSize = crypto_aead_xchacha20poly1305_ietf_NPUBBYTES;
constexpr std::size_t kCheckSize = 16;
constexpr std::size_t kHeaderHashSize = 16;
constexpr std::size_t kCryptPartSize = 80;  // salt to header hash
constexpr std::size_t kTagSize = crypto_aead_xchacha20poly1305_ietf_ABYTES;
constexpr std::size_t kLongestType = 255;
// Record files are small: a reader refuses anything larger, and the memory it builds from a
// file may be at most this many times the file's size (plus a little for the smallest files).
constexpr std::size_t kMaxFileSize = std::size_t{64} << 20;
constexpr std::size_t kMemoryFactor = 12;
constexpr std::size_t kMemorySlack = std::size_t{64} << 10;
constexpr char kKdfContext[crypto_kdf_CONTEXTBYTES + 1] = "VXFILE01";
// Bounds for the key-derivation costs found in a file, so that a hostile file cannot make the
// reader work for hours or take gigabytes.
constexpr std::uint32_t kMaxOps = 4;
constexpr std::uint32_t kMaxMemKiB = 256 * 1024;

static_assert(kSaltSize == crypto_pwhash_SALTBYTES);
static_assert(kCryptPartSize == kSaltSize + 8 + kNonceSize + kCheckSize + kHeaderHashSize);

template <class T>
void Put(std::string& out, T v) {
    char b[sizeof(T)];
    std::memcpy(b, &v, sizeof(T));
    out.append(b, sizeof(T));
}

template <class T>
T Get(const std::string& in, std::size_t at) {
    T v;
    std::memcpy(&v, in.data() + at, sizeof(T));
    return v;
}

const unsigned char* U(const std::string& s) {
    return reinterpret_cast<const unsigned char*>(s.data());
}
unsigned char* U(std::string& s) {
    return reinterpret_cast<unsigned char*>(s.data());
}

void InitSodium() {
    if (sodium_init() < 0) throw Error("the cryptography library cannot be initialised");
}

// BLAKE2b hash of the first `length` bytes of `data`, `size` bytes long.
std::string Hash(const std::string& data, std::size_t length, std::size_t size) {
    InitSodium();
    std::string h(size, '\0');
    crypto_generichash(U(h), size, U(data), length, nullptr, 0);
    return h;
}

// The checksum of a plain file of format 3 over `pieces`, one after the other.
std::string Checksum(std::initializer_list<std::string_view> pieces) {
    std::unique_ptr<XXH3_state_t, decltype(&XXH3_freeState)> state(XXH3_createState(),
                                                                   &XXH3_freeState);
    if (!state || XXH3_128bits_reset(state.get()) != XXH_OK) throw std::bad_alloc();
    for (const std::string_view piece : pieces)
        XXH3_128bits_update(state.get(), piece.data(), piece.size());
    const XXH128_hash_t h = XXH3_128bits_digest(state.get());
    std::string out;
    Put<std::uint64_t>(out, h.low64);
    Put<std::uint64_t>(out, h.high64);
    return out;
}

struct Keys {
    unsigned char enc[crypto_aead_xchacha20poly1305_ietf_KEYBYTES];
    unsigned char check[kCheckSize];
    ~Keys() {
        sodium_memzero(enc, sizeof enc);
        sodium_memzero(check, sizeof check);
    }
};

void DeriveKeys(const std::string& password, const unsigned char* salt, std::uint32_t ops,
                std::uint32_t memKiB, Keys& keys) {
    unsigned char master[crypto_kdf_KEYBYTES];
    if (crypto_pwhash(master, sizeof master, password.data(), password.size(), salt, ops,
                      std::size_t{memKiB} * 1024, crypto_pwhash_ALG_ARGON2ID13) != 0) {
        throw Error("not enough memory to derive the key from the password");
    }
    crypto_kdf_derive_from_key(keys.enc, sizeof keys.enc, 1, kKdfContext, master);
    crypto_kdf_derive_from_key(keys.check, sizeof keys.check, 2, kKdfContext, master);
    sodium_memzero(master, sizeof master);
}

// The fixed header and the record type.
std::string Header(std::uint8_t flags, std::uint64_t bodyLength, const std::string& type) {
    std::string h(kMagic, sizeof kMagic);
    Put<std::uint16_t>(h, kFormatVersion);
    h.push_back(static_cast<char>(flags));
    h.push_back(0);
    Put<std::uint64_t>(h, bodyLength);
    Put<std::uint16_t>(h, static_cast<std::uint16_t>(type.size()));
    h += type;
    return h;
}

std::string Seal(const std::string& body, const std::string& password, const std::string& type) {
    InitSodium();
    const std::uint32_t ops = crypto_pwhash_OPSLIMIT_INTERACTIVE;
    const auto memKiB = static_cast<std::uint32_t>(crypto_pwhash_MEMLIMIT_INTERACTIVE / 1024);
    unsigned char salt[kSaltSize];
    unsigned char nonce[kNonceSize];
    randombytes_buf(salt, sizeof salt);
    randombytes_buf(nonce, sizeof nonce);
    Keys keys;
    DeriveKeys(password, salt, ops, memKiB, keys);

    std::string out = Header(1, body.size() + kTagSize, type);
    out.append(reinterpret_cast<const char*>(salt), sizeof salt);
    Put<std::uint32_t>(out, ops);
    Put<std::uint32_t>(out, memKiB);
    out.append(reinterpret_cast<const char*>(nonce), sizeof nonce);
    out.append(reinterpret_cast<const char*>(keys.check), sizeof keys.check);
    out += Hash(out, out.size(), kHeaderHashSize);
    std::size_t headerSize = out.size();
    out.resize(headerSize + body.size() + kTagSize);
    unsigned long long sealed = 0;
    crypto_aead_xchacha20poly1305_ietf_encrypt(U(out) + headerSize, &sealed, U(body), body.size(),
                                               U(out), headerSize, nullptr, nonce, keys.enc);
    return out;
}

// The body of an encrypted file whose fixed header and record type end at `at`.
std::string OpenSealed(const std::string& file, std::size_t at, const std::string& path,
                       const std::string& password) {
    const std::string damaged = "'" + path + "' is damaged";
    if (password.empty()) {
        throw Error("'" + path + "' is protected by a password; give the password to open it");
    }
    const std::size_t headerSize = at + kCryptPartSize;
    if (file.size() < headerSize + kTagSize) throw Error(damaged + " (too short)");
    auto bodyLength = Get<std::uint64_t>(file, 8);
    if (bodyLength != file.size() - headerSize) throw Error(damaged + " (length mismatch)");
    const std::size_t hashAt = headerSize - kHeaderHashSize;
    if (sodium_memcmp(Hash(file, hashAt, kHeaderHashSize).data(), file.data() + hashAt,
                      kHeaderHashSize) != 0) {
        throw Error(damaged + " (header checksum mismatch)");
    }
    auto ops = Get<std::uint32_t>(file, at + 16);
    auto memKiB = Get<std::uint32_t>(file, at + 20);
    if (ops < crypto_pwhash_OPSLIMIT_MIN || ops > kMaxOps || memKiB < 8 || memKiB > kMaxMemKiB) {
        throw Error(damaged + " (key parameters out of range)");
    }
    InitSodium();
    Keys keys;
    DeriveKeys(password, U(file) + at, ops, memKiB, keys);
    if (sodium_memcmp(keys.check, U(file) + at + 48, kCheckSize) != 0) {
        throw Error("wrong password for '" + path + "'");
    }
    std::string body(bodyLength - kTagSize, '\0');
    unsigned long long opened = 0;
    if (crypto_aead_xchacha20poly1305_ietf_decrypt(U(body), &opened, nullptr, U(file) + headerSize,
                                                   bodyLength, U(file), headerSize,
                                                   U(file) + at + 24, keys.enc) != 0) {
        throw Error(damaged + " (its content fails authentication)");
    }
    return body;
}

// The body of a file read from disk, after every check of its frame, from `bodyStart` on,
// and the record type its header names ("" for a file of the first format). The file's bytes
// hold the body, so the content is held only once and not moved.
std::string Unframe(std::string&& file, const std::string& path, const std::string& password,
                    std::string& type, std::size_t& bodyStart) {
    bodyStart = 0;
    const std::string damaged = "'" + path + "' is damaged";
    if (file.size() < sizeof kMagic || std::memcmp(file.data(), kMagic, sizeof kMagic) != 0) {
        throw Error("'" + path + "' is not a Vodex data file");
    }
    if (file.size() < kHeaderSize) throw Error(damaged + " (too short)");
    auto version = Get<std::uint16_t>(file, 4);
    if (version != kFormatVersion && version != kTypedFormat && version != kOldFormat) {
        throw Error("'" + path + "' has the unknown format version " + std::to_string(version) +
                    "; it was written by another version of the program");
    }
    auto flags = static_cast<std::uint8_t>(file[6]);
    if ((flags & ~1u) != 0 || file[7] != 0) throw Error(damaged + " (unknown flags)");
    std::size_t at = kHeaderSize;
    type.clear();
    if (version >= kTypedFormat) {
        if (file.size() < at + 2) throw Error(damaged + " (too short)");
        const std::size_t length = Get<std::uint16_t>(file, at);
        if (length > kLongestType || file.size() - at - 2 < length) {
            throw Error(damaged + " (its record type is malformed)");
        }
        type = file.substr(at + 2, length);
        at += 2 + length;
    }
    if (flags & 1u) return OpenSealed(file, at, path, password);
    // A file that should be protected but is not may have been put in the place of the
    // protected one.
    if (!password.empty()) {
        throw Error("'" + path + "' is not protected by a password, but one was given");
    }

    auto bodyLength = Get<std::uint64_t>(file, 8);
    const std::size_t sumSize = version == kFormatVersion ? kChecksumSize : kOldHashSize;
    if (file.size() < at + sumSize || bodyLength != file.size() - at - sumSize) {
        throw Error(damaged + " (length mismatch)");
    }
    std::size_t hashed = at + static_cast<std::size_t>(bodyLength);
    const std::string sum = version == kFormatVersion
                                ? Checksum({std::string_view(file).substr(0, hashed)})
                                : Hash(file, hashed, kOldHashSize);
    if (std::memcmp(sum.data(), file.data() + hashed, sumSize) != 0) {
        throw Error(damaged + " (checksum mismatch)");
    }
    file.resize(hashed);
    bodyStart = at;
    return std::move(file);
}

}  // namespace

struct cls_CoreFile::Impl {
    std::string path;
    std::int32_t mode = 0;
    std::string password;
    std::string type;  // the record type of the header
    detail::ReplaceOptions replace;
    std::string body;     // the encoded values
    std::string scratch;  // write mode: a value that is encoded before it is put in the body
    std::size_t pos = 0;  // read position in body (the content begins where it starts)
    detail::Allowance allowance{0};
};

cls_CoreFile::cls_CoreFile() = default;
cls_CoreFile::~cls_CoreFile() = default;

void cls_CoreFile::OPEN(const std::string& pFile, std::int32_t pMode, const std::string& pPassword,
                        bool pCreateFolder, bool pOverwrite, const ObjectRef& /*pProgress*/) {
    if (impl_) throw Error("the file object is open already ('" + impl_->path + "')");
    if (pFile.empty()) throw Error("no file name was given");
    auto impl = std::make_unique<Impl>();
    impl->path = pFile;
    impl->mode = pMode;
    impl->password = pPassword;
    if (pMode == ModeRead) {
        impl->body = Unframe(detail::ReadRegularFile(pFile, kMaxFileSize), pFile, pPassword,
                             impl->type, impl->pos);
        impl->allowance =
            detail::Allowance(kMemoryFactor * (impl->body.size() - impl->pos) + kMemorySlack);
    } else if (pMode == ModeWrite) {
        impl->replace.createFolder = pCreateFolder;
        impl->replace.overwrite = pOverwrite;
        impl->replace.newFileMode = pPassword.empty() ? 0644 : 0600;
    } else {
        throw Error("unknown file mode " + std::to_string(pMode) + " (1 reads, 2 writes)");
    }
    impl_ = std::move(impl);
    if (pMode == ModeRead) {
        reading_ = &impl_->body;
        readPos_ = &impl_->pos;
    }
}

void cls_CoreFile::CLOSE() {
    if (!impl_) return;
    if (impl_->mode == ModeWrite && writeAt_) {
        impl_->body.resize(static_cast<std::size_t>(writeAt_ - impl_->body.data()));
    }
    writeAt_ = writeEnd_ = nullptr;
    reading_ = nullptr;
    readPos_ = nullptr;
    std::unique_ptr<Impl> impl = std::move(impl_);
    if (impl->mode != ModeWrite) return;
    if (impl->password.empty()) {
        const std::string header = Header(0, impl->body.size(), impl->type);
        const std::string sum = Checksum({header, impl->body});
        detail::ReplaceFileAtomically(impl->path, {header, impl->body, sum}, impl->replace);
    } else {
        detail::ReplaceFileAtomically(impl->path, Seal(impl->body, impl->password, impl->type),
                                      impl->replace);
    }
}

// While writing, the body's string is kept at its full capacity and values are put into the
// room behind what was written (writeAt_ to writeEnd_); the string is cut to what was written
// when the file is committed.
char* cls_CoreFile::Room(std::size_t n) {
    if (!impl_ || impl_->mode != ModeWrite) [[unlikely]] {
        throw Error("the file is not open for writing");
    }
    if (writeEnd_ - writeAt_ >= static_cast<std::ptrdiff_t>(n)) return writeAt_;
    std::string& body = impl_->body;
    const std::size_t used = writeAt_ ? static_cast<std::size_t>(writeAt_ - body.data()) : 0;
    body.resize(used);
    body.reserve(std::max(2 * body.capacity(), used + n + 256));
    body.resize(body.capacity());
    writeAt_ = body.data() + used;
    writeEnd_ = body.data() + body.size();
    return writeAt_;
}

void cls_CoreFile::Put(std::string_view bytes) {
    std::memcpy(Room(bytes.size()), bytes.data(), bytes.size());
    writeAt_ += bytes.size();
}

void cls_CoreFile::WRITE(const Variant& value) {
    if (!impl_ || impl_->mode != ModeWrite) throw Error("the file is not open for writing");
    std::string& scratch = impl_->scratch;
    scratch.clear();
    detail::EncodeValue(scratch, value);
    Put(scratch);
}

void cls_CoreFile::WriteBoolean(bool v) {
    Room(2);
    WritePlain(VarType::Boolean, static_cast<char>(v ? 1 : 0));
}

void cls_CoreFile::WriteInteger(std::int16_t v) {
    Room(1 + sizeof v);
    WritePlain(VarType::Integer, v);
}

void cls_CoreFile::WriteLong(std::int32_t v) {
    Room(1 + sizeof v);
    WritePlain(VarType::Long, v);
}

void cls_CoreFile::WriteDouble(double v) {
    Room(1 + sizeof v);
    WritePlain(VarType::Double, v);
}

void cls_CoreFile::WriteText(std::string_view v) {
    if (v.size() > 0xFFFFFFFFu) throw Error("a value is too large to be written (over 4 GiB)");
    char* at = Room(kTextHead + v.size());
    const auto length = static_cast<std::uint32_t>(v.size());
    at[0] = static_cast<char>(VarType::Text);
    std::memcpy(at + 1, &length, sizeof length);
    std::memcpy(at + kTextHead, v.data(), v.size());
    writeAt_ = at + kTextHead + v.size();
}

Variant cls_CoreFile::ReadValue() {
    if (!impl_ || impl_->mode != ModeRead) throw Error("the file is not open for reading");
    if (impl_->pos >= impl_->body.size()) {
        throw Error("'" + impl_->path + "' ends before all of its values were read");
    }
    try {
        return detail::DecodeValue(impl_->body, impl_->pos, impl_->allowance);
    } catch (const Error& e) {
        throw Error("'" + impl_->path + "' holds a malformed value: " + e.what());
    }
}

template <class T>
void cls_CoreFile::ReadAs(T& v) {
    if (!impl_ || impl_->mode != ModeRead) [[unlikely]] {
        throw Error("the file is not open for reading");
    }
    try {
        if (detail::DecodeIf(impl_->body, impl_->pos, impl_->allowance, v)) return;
    } catch (const Error& e) {
        throw Error("'" + impl_->path + "' holds a malformed value: " + e.what());
    }
    const Variant other = READ();
    if constexpr (std::is_same_v<T, std::string>) {
        v = other.ToText();
    } else if constexpr (std::is_same_v<T, double>) {
        v = other.ToDouble();
    } else if constexpr (std::is_same_v<T, std::int32_t>) {
        v = other.ToInt32();
    } else {
        v = other.ToBool();
    }
}

std::string cls_CoreFile::READTEXT() {
    std::string v;
    READTEXT(v);
    return v;
}

void cls_CoreFile::ReadText(std::string& v) {
    ReadAs(v);
}

double cls_CoreFile::ReadDouble() {
    double v = 0;
    ReadAs(v);
    return v;
}

std::int32_t cls_CoreFile::ReadLong() {
    std::int32_t v = 0;
    ReadAs(v);
    return v;
}

bool cls_CoreFile::ReadBool() {
    bool v = false;
    ReadAs(v);
    return v;
}

std::size_t cls_CoreFile::READCOUNT(std::size_t pMinBytesEach) {
    std::int32_t count = READ().ToInt32();
    if (pMinBytesEach == 0) pMinBytesEach = 1;
    if (count < 0 || static_cast<std::uint64_t>(count) >
                         static_cast<std::uint64_t>(REMAINING()) / pMinBytesEach) {
        throw Error("'" + FILENAME() + "' holds an impossible count of " + std::to_string(count));
    }
    return static_cast<std::size_t>(count);
}

void cls_CoreFile::CHARGE(std::size_t pBytes) {
    if (!impl_ || impl_->mode != ModeRead) return;
    try {
        impl_->allowance.Take(pBytes);
    } catch (const Error& e) {
        throw Error("'" + impl_->path + "' is damaged: " + e.what());
    }
}

const std::string& cls_CoreFile::RECORDTYPE() const {
    static const std::string kNone;
    return impl_ ? impl_->type : kNone;
}

void cls_CoreFile::RECORDTYPE(const std::string& pType) {
    if (!impl_ || impl_->mode != ModeWrite) throw Error("the file is not open for writing");
    if (pType.size() > kLongestType) throw Error("a record type is at most 255 bytes long");
    impl_->type = pType;
}

bool cls_CoreFile::ISOPEN() const {
    return impl_ != nullptr;
}
std::int32_t cls_CoreFile::MODE() const {
    return impl_ ? impl_->mode : 0;
}

const std::string& cls_CoreFile::FILENAME() const {
    static const std::string kNone;
    return impl_ ? impl_->path : kNone;
}

std::int64_t cls_CoreFile::REMAINING() const {
    if (!impl_ || impl_->mode != ModeRead) return 0;
    return static_cast<std::int64_t>(impl_->body.size() - impl_->pos);
}

bool cls_CoreFile::ENDOFFILE() const {
    return REMAINING() == 0;
}

}  // namespace tlx
