// Pictures of the core library. A picture is its encoded bytes, PNG or BMP, kept unchanged;
// its text form (cls_CoreTools::PICTURETOTEXT) is plain ASCII, so it survives packages, typed
// files and registry text values.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "tlx/object.h"
#include "tlx/variant.h"

namespace tlx {

class cls_CorePicture : public Object {
  public:
    // Takes the encoded bytes of a PNG or BMP image; throws tlx::Error for anything else.
    explicit cls_CorePicture(Bytes encoded);
    // The picture in a PNG or BMP file.
    static std::shared_ptr<cls_CorePicture> FromFile(const std::string& path);

    const Bytes& BYTES() const { return bytes_; }
    // "PNG" or "BMP".
    const char* FORMAT() const { return png_ ? "PNG" : "BMP"; }
    std::int32_t WIDTH() const { return width_; }
    std::int32_t HEIGHT() const { return height_; }
    // The picture as a BMP file: the bytes of a BMP as they are, a PNG decoded into a
    // 32-bit BMP (its transparency kept in the fourth byte). Throws tlx::Error for a PNG that
    // cannot be decoded.
    Bytes ASBMP() const;

    bool operator==(const cls_CorePicture& other) const { return bytes_ == other.bytes_; }

  private:
    Bytes bytes_;
    bool png_ = false;
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
};

// The text form of a picture: "" for none, else a tag and the bytes in Base64.
std::string PictureToText(const std::shared_ptr<cls_CorePicture>& picture);
// The picture of a text form: none for ""; throws tlx::Error for a text that is no picture.
std::shared_ptr<cls_CorePicture> TextToPicture(const std::string& text);

}  // namespace tlx
