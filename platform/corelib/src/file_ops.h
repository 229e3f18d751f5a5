// The operating-system calls through which typed value files are committed. Internal: tests
// replace them for their own thread to inject failures and crashes at exact points.
#pragma once

#include <sys/types.h>

#include <cstddef>

namespace tlx::detail {

class FileOps {
  public:
    FileOps() = default;
    FileOps(const FileOps&) = delete;
    FileOps& operator=(const FileOps&) = delete;
    virtual ~FileOps();
    virtual ssize_t Write(int fd, const void* buf, std::size_t n);
    virtual int Fsync(int fd);
    virtual int Rename(const char* from, const char* to);
};

// The calls in force on this thread.
FileOps& CurrentFileOps();
// Installs `ops` for this thread (nullptr: the real calls); returns what was installed.
FileOps* SetFileOpsForThisThread(FileOps* ops);

}  // namespace tlx::detail
