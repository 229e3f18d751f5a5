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

#include <cstdint>
#include <memory>
#include <string>
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
            WriteBoolean(value);
        } else if constexpr (std::is_same_v<T, std::int16_t>) {
            WriteInteger(value);
        } else if constexpr (std::is_same_v<T, std::int32_t>) {
            WriteLong(value);
        } else if constexpr (std::is_same_v<T, double>) {
            WriteDouble(value);
        } else if constexpr (std::is_same_v<T, std::string>) {
            WriteText(value);
        } else {
            WRITE(Variant(value));
        }
    }
    template <class... T>
    requires(sizeof...(T) > 1) void WRITE(const T&... values) { (WRITE(values), ...); }

    // The next value. Throws at the end of the file.
    Variant READ();
    // The next value as READ().ToText() (ToDouble, ToInt32, ToBool) gives it; a value of that
    // very type is read without making a variant.
    std::string READTEXT();
    double READDOUBLE();
    std::int32_t READLONG();
    bool READBOOL();
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
    void WriteText(const std::string& v);
    // The body being written; throws when the file is not open for writing.
    std::string& Body();
    template <class T>
    T ReadAs();

    std::unique_ptr<Impl> impl_;
};

}  // namespace tlx
