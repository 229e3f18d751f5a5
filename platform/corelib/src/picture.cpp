#include "tlx/picture.h"

#include <png.h>
#include <sodium.h>

#include <cstring>

#include "posix_file.h"
#include "tlx/error.h"

namespace tlx {
namespace {

constexpr char kTextTag[] = "VXPIC1:";
constexpr std::size_t kMaxPictureBytes = std::size_t{64} << 20;
constexpr unsigned char kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

std::uint32_t BigEndian32(const Bytes& b, std::size_t at) {
    return (std::uint32_t{b[at]} << 24) | (std::uint32_t{b[at + 1]} << 16) |
           (std::uint32_t{b[at + 2]} << 8) | std::uint32_t{b[at + 3]};
}

std::int32_t LittleEndian32(const Bytes& b, std::size_t at) {
    std::uint32_t v = std::uint32_t{b[at]} | (std::uint32_t{b[at + 1]} << 8) |
                      (std::uint32_t{b[at + 2]} << 16) | (std::uint32_t{b[at + 3]} << 24);
    std::int32_t s;
    std::memcpy(&s, &v, sizeof s);
    return s;
}

}  // namespace

cls_CorePicture::cls_CorePicture(Bytes encoded) : bytes_(std::move(encoded)) {
    const Bytes& b = bytes_;
    if (b.size() >= 24 && std::memcmp(b.data(), kPngSignature, 8) == 0 &&
        std::memcmp(b.data() + 12, "IHDR", 4) == 0) {
        png_ = true;
        std::uint32_t w = BigEndian32(b, 16);
        std::uint32_t h = BigEndian32(b, 20);
        if (w == 0 || h == 0 || w > 0x7FFFFFFFu || h > 0x7FFFFFFFu) {
            throw Error("the PNG picture has impossible dimensions");
        }
        width_ = static_cast<std::int32_t>(w);
        height_ = static_cast<std::int32_t>(h);
        return;
    }
    if (b.size() >= 26 && b[0] == 'B' && b[1] == 'M') {
        width_ = LittleEndian32(b, 18);
        std::int32_t h = LittleEndian32(b, 22);  // negative: rows stored top-down
        if (width_ <= 0 || h == 0 || h == INT32_MIN) {
            throw Error("the BMP picture has impossible dimensions");
        }
        height_ = h < 0 ? -h : h;
        return;
    }
    throw Error("a picture must be a PNG or BMP image");
}

std::shared_ptr<cls_CorePicture> cls_CorePicture::FromFile(const std::string& path) {
    std::string content = detail::ReadRegularFile(path, kMaxPictureBytes);
    return std::make_shared<cls_CorePicture>(Bytes(content.begin(), content.end()));
}

Bytes cls_CorePicture::ASBMP() const {
    if (!png_) return bytes_;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, bytes_.data(), bytes_.size())) {
        throw Error(std::string("the picture cannot be decoded: ") + image.message);
    }
    image.format = PNG_FORMAT_BGRA;
    const std::size_t stride = PNG_IMAGE_ROW_STRIDE(image);
    std::vector<std::uint8_t> pixels(PNG_IMAGE_BUFFER_SIZE(image, stride));
    // A negative stride stores the rows bottom up, as a BMP holds them.
    if (!png_image_finish_read(&image, nullptr, pixels.data(), -static_cast<png_int_32>(stride),
                               nullptr)) {
        throw Error(std::string("the picture cannot be decoded: ") + image.message);
    }
    constexpr std::uint32_t kHeaders = 14 + 40;
    const auto size = static_cast<std::uint32_t>(kHeaders + pixels.size());
    Bytes bmp;
    auto put = [&bmp](std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            bmp.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    };
    bmp.push_back('B');
    bmp.push_back('M');
    put(size, 4);
    put(0, 4);
    put(kHeaders, 4);
    put(40, 4);  // BITMAPINFOHEADER
    put(image.width, 4);
    put(image.height, 4);
    put(1, 2);   // planes
    put(32, 2);  // bits per pixel
    put(0, 4);   // no compression
    put(static_cast<std::uint32_t>(pixels.size()), 4);
    put(2835, 4);  // 72 dots per inch
    put(2835, 4);
    put(0, 4);
    put(0, 4);
    bmp.insert(bmp.end(), pixels.begin(), pixels.end());
    return bmp;
}

std::string PictureToText(const std::shared_ptr<cls_CorePicture>& picture) {
    if (!picture) return {};
    const Bytes& b = picture->BYTES();
    const int variant = sodium_base64_VARIANT_ORIGINAL;
    std::string text(sodium_base64_ENCODED_LEN(b.size(), variant), '\0');
    sodium_bin2base64(text.data(), text.size(), b.data(), b.size(), variant);
    text.resize(std::strlen(text.c_str()));
    return kTextTag + text;
}

std::shared_ptr<cls_CorePicture> TextToPicture(const std::string& text) {
    if (text.empty()) return nullptr;
    const std::size_t tag = sizeof kTextTag - 1;
    if (text.compare(0, tag, kTextTag) != 0) throw Error("the text is no picture");
    const std::size_t encoded = text.size() - tag;
    if (encoded / 4 * 3 > kMaxPictureBytes) throw Error("the picture is too large");
    Bytes bytes(encoded / 4 * 3 + 3);
    std::size_t length = 0;
    if (sodium_base642bin(bytes.data(), bytes.size(), text.data() + tag, encoded, nullptr, &length,
                          nullptr, sodium_base64_VARIANT_ORIGINAL) != 0) {
        throw Error("the text of a picture is damaged");
    }
    bytes.resize(length);
    return std::make_shared<cls_CorePicture>(std::move(bytes));
}

}  // namespace tlx
