#include "framing.h"

#include <sodium.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>

#include "value_codec.h"

namespace vodex::test {

std::string EncodeBody(const std::vector<tlx::Variant>& values) {
    std::string body;
    for (const tlx::Variant& v : values)
        tlx::detail::EncodeValue(body, v);
    return body;
}

namespace {

std::string Framed(const std::string& body, std::uint16_t version, const std::string* type) {
    std::string file = "VXCF";
    const std::uint64_t length = body.size();
    file.append(reinterpret_cast<const char*>(&version), sizeof version);
    file.push_back(0);
    file.push_back(0);
    file.append(reinterpret_cast<const char*>(&length), sizeof length);
    if (type) {
        const auto size = static_cast<std::uint16_t>(type->size());
        file.append(reinterpret_cast<const char*>(&size), sizeof size);
        file += *type;
    }
    file += body;
    unsigned char hash[32];
    if (sodium_init() < 0) throw std::runtime_error("libsodium");
    crypto_generichash(hash, sizeof hash, reinterpret_cast<const unsigned char*>(file.data()),
                       file.size(), nullptr, 0);
    file.append(reinterpret_cast<const char*>(hash), sizeof hash);
    return file;
}

}  // namespace

std::string FrameBody(const std::string& body) {
    return Framed(body, 1, nullptr);
}

std::string FrameBodyWithType(const std::string& body, const std::string& type) {
    return Framed(body, 2, &type);
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

}  // namespace vodex::test
