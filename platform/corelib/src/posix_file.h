// Whole-file reading and atomic replacing of files. Internal to the core library.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>

namespace tlx::detail {

// A file descriptor, closed when the object goes.
class Fd {
  public:
    explicit Fd(int fd) : fd_(fd) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    int get() const { return fd_; }
    int release() {
        int f = fd_;
        fd_ = -1;
        return f;
    }

  private:
    int fd_;
};

// The content of the regular file `path`, refused (tlx::Error) when it is missing, not a
// regular file (a folder, a pipe, a device), unreadable, or larger than `maxSize`. Never
// blocks on special files.
std::string ReadRegularFile(const std::string& path, std::size_t maxSize);

struct ReplaceOptions {
    bool createFolder = true;  // make missing folders
    bool overwrite = true;     // replace an existing file
    unsigned newFileMode = 0644;
};

// Writes `content` to a temporary file beside `path`, flushes it to disk and renames it over
// `path`, then flushes the folder. Where `path` is a symbolic link, the file it leads to is
// replaced and the link stays. An existing file keeps its permissions. On any failure the
// temporary file is removed and the old file stays as it was; temporary files of this file
// that a writer killed while saving left behind are removed first.
void ReplaceFileAtomically(const std::string& path, const std::string& content,
                           const ReplaceOptions& options);
// The same for content given in pieces, written one after the other.
void ReplaceFileAtomically(const std::string& path, std::initializer_list<std::string_view> pieces,
                           const ReplaceOptions& options);

// The most symbolic links a path is followed through, as the system allows.
inline constexpr int kMostLinks = 40;

// The folder part of `path`: "." for a bare name, "/" for a name at the root.
std::string FolderOf(const std::string& path);

// Creates `folder` and its missing parents.
void MakeFolders(const std::string& folder);

// Makes a temporary file from `pattern` (ending in "XXXXXX", filled in) and locks it for as
// long as the descriptor stays open; the descriptor, or -1 with errno set.
int MakeLockedTemporary(std::string& pattern);
// Removes the files in `folder` named `prefix` and six more characters that no writer holds
// locked any more (what a writer killed while writing left behind).
void RemoveStaleTemporaries(const std::string& folder, const std::string& prefix);

}  // namespace tlx::detail
