// Typed value file of the core library.
//
// A file is a stream of values: each WRITE appends values with their types, and READ gives
// them back in the written order and type. Writing collects the values and commits them on
// CLOSE: a temporary file in the target's folder is written, flushed to disk and renamed over
// the target, so a crash never leaves a half-written file under the target name. A file
// object released without CLOSE discards what was written.
//
// The file carries a format version, the type of the record it holds (when the writer named
// one) and a checksum of its content; a damaged or truncated file is refused as damaged. With
// a password the content is encrypted and authenticated (XChaCha20-Poly1305, key from
// Argon2id); a wrong password is refused with its own message.
//
// A reader accepts files of at most 64 MiB, and the memory that reading builds (the values,
// and the records and list entries that readers count with CHARGE) may be at most 12 times
// the file's size: a hostile file that claims more is refused as damaged.
//
// Every failure throws tlx::Error with a message that names the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>

#include "tlx/object.h"
#include "tlx/variant.h"

namespace tlx {

class cls_CoreFile : public Object {
  public:
    static constexpr std::int32_t ModeRead = 1;
    static constexpr std::int32_t ModeWrite = 2;

    cls_CoreFile();
    ~cls_CoreFile() override;
    cls_CoreFile(const cls_CoreFile&) = delete;
    cls_CoreFile& operator=(const cls_CoreFile&) = delete;

    // Opens `pFile` for reading (mode 1: the whole file is checked at once) or writing
    // (mode 2). `pCreateFolder` makes a missing folder when writing; without `pOverwrite` an
    // existing file is not replaced. `pProgress` is accepted for callers that pass one and is
    // not used.
    void OPEN(const std::string& pFile, std::int32_t pMode, const std::string& pPassword = {},
              bool pCreateFolder = true, bool pOverwrite = true,
              const ObjectRef& pProgress = nullptr);
    // Write mode: commits the file. Read mode: releases it.
    void CLOSE();

    // Appends values, each with its type. Object references cannot be written: store the
    // object through its data object instead.
    void WRITE(const Variant& value);
    // A Boolean, 16- or 32-bit integer, double or text is written as the variant holding it
    // would be, without making the variant.
    template <class T>
    void WRITE(const T& value) {
        if constexpr (std::is_same_v<T, bool>) {
            if (!WritePlain(VarType::Boolean, static_cast<char>(value ? 1 : 0))) {
                WriteBoolean(value);
            }
        } else if constexpr (std::is_same_v<T, std::int16_t>) {
            WriteInteger(value);
        } else if constexpr (std::is_same_v<T, std::int32_t>) {
            if (!WritePlain(VarType::Long, value)) WriteLong(value);
        } else if constexpr (std::is_same_v<T, double>) {
            if (!WritePlain(VarType::Double, value)) WriteDouble(value);
        } else if constexpr (std::is_convertible_v<const T&, std::string_view>) {
            WriteText(value);
        } else {
            WRITE(Variant(value));
        }
    }
    template <class... T>
    requires(sizeof...(T) > 1) void WRITE(const T&... values) { (WRITE(values), ...); }

    // The next value. Throws at the end of the file.
    Variant READ() {
        std::int32_t v = 0;
        return ReadPlain(VarType::Long, v) ? Variant(v) : ReadValue();
    }
    // The next value as READ().ToText() (ToDouble, ToInt32, ToBool) gives it; a value of that
    // very type is read without making a variant.
    std::string READTEXT();
    double READDOUBLE() {
        double v = 0;
        return ReadPlain(VarType::Double, v) ? v : ReadDouble();
    }
    std::int32_t READLONG() {
        std::int32_t v = 0;
        return ReadPlain(VarType::Long, v) ? v : ReadLong();
    }
    bool READBOOL() {
        char v = 0;
        if (ReadPlain(VarType::Boolean, v) && (v == 0 || v == 1)) return v == 1;
        return ReadBool();
    }
    // As READTEXT, into `pInto`, whose memory is reused.
    void READTEXT(std::string& pInto) {
        if (!ReadShortText(pInto)) ReadText(pInto);
    }
    // Read mode: when the next value is the text `pText` itself, reads it and answers True;
    // otherwise reads nothing and answers False. Records check their version with it.
    bool READIFTEXT(std::string_view pText) {
        std::string_view next;
        if (!PeekText(next) || next != pText) return false;
        *readPos_ += kTextHead + next.size();
        return true;
    }
    // Reads the next values into the given variables, in order.
    template <class... T>
    requires(sizeof...(T) > 1) void READ(T&... values) { ((values = READ()), ...); }

    // Reads a 32-bit count of entries that take at least `pMinBytesEach` bytes each, and
    // refuses (tlx::Error) a count that the rest of the file cannot hold, before the caller
    // allocates anything for it. The caller then builds the entries one by one as they are
    // read, never for the count claimed.
    std::size_t READCOUNT(std::size_t pMinBytesEach = 1);
    // Read mode: counts `pBytes` of memory that the reader builds from the file (each entry
    // as it is made); throws tlx::Error once the file's allowance is spent. Write mode:
    // nothing.
    void CHARGE(std::size_t pBytes);

    // The type of record the file holds (as "Vodex_Interface.cls_DeviceChannels"): read mode,
    // what its header says ("" for a file written before files named it); write mode, set
    // before CLOSE to name it.
    const std::string& RECORDTYPE() const;
    void RECORDTYPE(const std::string& pType);

    bool ISOPEN() const;
    std::int32_t MODE() const;
    const std::string& FILENAME() const;
    // Read mode: bytes of content not read yet. A reader uses it to refuse counts that the
    // rest of the file cannot hold.
    std::int64_t REMAINING() const;
    // Read mode: True when every value has been read.
    bool ENDOFFILE() const;

    struct Impl;

  private:
    void WriteBoolean(bool v);
    void WriteInteger(std::int16_t v);
    void WriteLong(std::int32_t v);
    void WriteDouble(double v);
    void WriteText(std::string_view v);
    template <class T>
    void ReadAs(T& v);
    Variant ReadValue();
    void ReadText(std::string& v);
    // A text's tag and its 32-bit length.
    static constexpr std::size_t kTextHead = 1 + 4;
    // Read mode: the text at the read position, when there is a whole one, without reading it.
    bool PeekText(std::string_view& text) const {
        if (!reading_) return false;
        const std::size_t at = *readPos_;
        if (reading_->size() - at < kTextHead ||
            static_cast<VarType>((*reading_)[at]) != VarType::Text) {
            return false;
        }
        std::uint32_t length = 0;
        std::memcpy(&length, reading_->data() + at + 1, sizeof length);
        if (length > reading_->size() - at - kTextHead) return false;
        text = std::string_view(*reading_).substr(at + kTextHead, length);
        return true;
    }
    // A text short enough to be held in the string itself, without memory of its own (so it
    // needs no share of what the file may build), read without a call.
    bool ReadShortText(std::string& v) {
        std::string_view next;
        if (!PeekText(next) || next.size() > 15) return false;
        v.assign(next);
        *readPos_ += kTextHead + next.size();
        return true;
    }
    double ReadDouble();
    std::int32_t ReadLong();
    bool ReadBool();

    // Records read a number for each of their fields, so a number of the very type asked for
    // is read here, without a call; anything else (another type, a cut-off file) takes the
    // checked way.
    template <class T>
    bool ReadPlain(VarType type, T& v) {
        if (!reading_) return false;
        const std::size_t at = *readPos_;
        if (reading_->size() - at < 1 + sizeof(T) ||
            static_cast<VarType>((*reading_)[at]) != type) {
            return false;
        }
        std::memcpy(&v, reading_->data() + at + 1, sizeof(T));
        *readPos_ = at + 1 + sizeof(T);
        return true;
    }

    // Records write a number for each of their fields, so a number goes straight into the
    // room left in the body; the checked way makes more room.
    template <class T>
    bool WritePlain(VarType type, T v) {
        if (writeEnd_ - writeAt_ < static_cast<std::ptrdiff_t>(1 + sizeof(T))) return false;
        *writeAt_ = static_cast<char>(type);
        std::memcpy(writeAt_ + 1, &v, sizeof(T));
        writeAt_ += 1 + sizeof(T);
        return true;
    }
    // At least `n` bytes of room behind what was written, made when there are fewer; throws
    // when the file is not open for writing.
    char* Room(std::size_t n);
    void Put(std::string_view bytes);

    std::unique_ptr<Impl> impl_;
    char* writeAt_ = nullptr;  // write mode: the room behind what was written
    char* writeEnd_ = nullptr;
    const std::string* reading_ = nullptr;  // read mode: the content, and where reading is
    std::size_t* readPos_ = nullptr;
};

}  // namespace tlx
