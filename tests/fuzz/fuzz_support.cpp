#include "fuzz_support.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>

#include "framing.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const char* temp = std::getenv("TMPDIR");
    std::string folder = std::string(temp && *temp ? temp : "/tmp") + "/vodex-fuzz-XXXXXX";
    if (!::mkdtemp(folder.data())) throw std::runtime_error("no folder for the fuzz target");
    ::setenv("VODEX_HOME", folder.c_str(), 1);
    return 0;
}

namespace vodex::fuzz {

std::string TypedFile(std::string bytes) {
    if (!bytes.empty() && bytes[0] == 'F') return vodex::test::FrameBody(bytes.substr(1));
    return bytes;
}

std::string AsFile(const std::string& bytes, const std::string& name) {
    const std::string path = std::string(std::getenv("VODEX_HOME")) + "/" + name;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) throw std::runtime_error("the fuzz input cannot be written");
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
    return path;
}

}  // namespace vodex::fuzz
