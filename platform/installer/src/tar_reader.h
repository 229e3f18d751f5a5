// The archive of a driver package, read as strictly as it is written: a gzip stream (one
// member, its checksum and length checked) holding a tar archive of plain files, each with at
// most one extension header of its own. Internal to the package library.
//
// Everything the archive holds, headers and padding included, counts against a budget of
// decompressed bytes fixed before reading, and the reader keeps nothing of an entry but its
// header, so a package cannot make it take more memory or time than its size allows. Entries
// of other kinds (links, folders, devices, sparse files, global and GNU headers) are reported
// as they are, for the caller to refuse; anything else out of form is refused here, with
// InvalidPackage saying what is wrong in words that follow "the package '...' ".
#pragma once

#include <zlib.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tlx::package::detail {

// The most an entry's extension header may hold.
inline constexpr std::uint64_t kMaxExtensionSize = 8 << 10;

struct TarEntry {
    std::string path;
    char type = '0';  // as the header says; '0' a plain file
    bool sparse = false;
    std::uint64_t size = 0;
};

class TarReader {
  public:
    // Reads from the descriptor `fd` (which stays the caller's), at most `budget` bytes once
    // decompressed.
    TarReader(int fd, std::uint64_t budget);
    ~TarReader();
    TarReader(const TarReader&) = delete;
    TarReader& operator=(const TarReader&) = delete;

    // The next entry, or nothing at the archive's end (whose padding and gzip end are checked
    // then). The data of the entry before is skipped when it was not read.
    std::optional<TarEntry> Next();
    // The data of the current entry, whole; its size was checked by the caller.
    std::string Data();

  private:
    // Exactly `n` bytes of the decompressed stream into `out` (nothing to keep them: skipped).
    void Read(char* out, std::size_t n);
    void Skip(std::uint64_t n);
    bool Fill();
    void Finish();
    // The records ("key", "value") of an extension header whose body has `size` bytes.
    std::vector<std::pair<std::string, std::string>> PaxRecords(std::uint64_t size);

    int fd_;
    z_stream z_{};
    bool inflating_ = false;
    bool streamEnded_ = false;
    bool inputEnded_ = false;
    std::uint64_t budget_;
    std::uint64_t produced_ = 0;
    std::vector<unsigned char> in_;
    std::vector<unsigned char> out_;
    std::size_t outAt_ = 0;
    std::size_t outEnd_ = 0;
    std::uint64_t pending_ = 0;  // data and padding of the current entry not read yet
    std::uint64_t dataLeft_ = 0;
};

}  // namespace tlx::package::detail
