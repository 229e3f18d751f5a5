#include "file_ops.h"

#include <unistd.h>

#include <cstdio>

namespace tlx::detail {
namespace {

FileOps& RealOps() {
    static FileOps real;  // stateless
    return real;
}

thread_local FileOps* tInstalled = nullptr;

}  // namespace

FileOps::~FileOps() = default;
ssize_t FileOps::Write(int fd, const void* buf, std::size_t n) {
    return ::write(fd, buf, n);
}
int FileOps::Fsync(int fd) {
    return ::fsync(fd);
}
int FileOps::Rename(const char* from, const char* to) {
    return std::rename(from, to);
}

FileOps& CurrentFileOps() {
    return tInstalled ? *tInstalled : RealOps();
}

FileOps* SetFileOpsForThisThread(FileOps* ops) {
    FileOps* old = tInstalled;
    tInstalled = ops;
    return old;
}

}  // namespace tlx::detail
