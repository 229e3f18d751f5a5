// The downloader on file:// addresses: answers as text and into files, the size limit, and a
// failed download that leaves the target as it was and no temporary file behind; and against a
// server that never answers, the time limit of all tries together.
#include "tlx/downloader.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "fixtures.h"

namespace {

namespace fs = std::filesystem;

class Downloader : public vodex::test::HomeTest {
  protected:
    std::string Url(const std::string& name) { return "file://" + home.File(name); }
    static std::string Read(const std::string& file) {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
};

TEST_F(Downloader, AnswersComeWholeOrNotAtAll) {
    std::ofstream(home.File("list.txt")) << "[BEGIN]\nID=X\n[END]\n";
    tlx::cls_CoreDownloader d;
    EXPECT_EQ(d.DOWNLOADTEXT(Url("list.txt")), "[BEGIN]\nID=X\n[END]\n");
    EXPECT_EQ(d.LASTERROR(), "");
    ASSERT_TRUE(d.DOWNLOADFILE(Url("list.txt"), home.File("copy.txt")));
    EXPECT_EQ(Read(home.File("copy.txt")), "[BEGIN]\nID=X\n[END]\n");
    // An address from a catalogue may not name a local file.
    tlx::cls_CoreDownloader web;
    web.WEBONLY = true;
    EXPECT_EQ(web.DOWNLOADTEXT(Url("list.txt")), "");

    std::ofstream(home.File("target.msi")) << "as it was";
    d.MAXSIZE = 10;
    for (const std::string& url : {Url("list.txt"), Url("missing.txt"), std::string("ftp://x/y")}) {
        EXPECT_EQ(d.DOWNLOADTEXT(url), "") << url;
        EXPECT_NE(d.LASTERROR(), "") << url;
        EXPECT_FALSE(d.DOWNLOADFILE(url, home.File("target.msi"))) << url;
        EXPECT_EQ(Read(home.File("target.msi")), "as it was") << url;
    }
    EXPECT_NE(d.LASTERROR().find("ftp"), std::string::npos) << d.LASTERROR();
    for (const auto& e : fs::directory_iterator(home.Path())) {
        EXPECT_EQ(e.path().filename().string().find(".part"), std::string::npos) << e.path();
    }
}

// A server that takes connections and never answers: a download with a retry ends when its
// time is up, without a second try that would start the time afresh.
TEST_F(Downloader, RetriesShareTheTimeLimit) {
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    ASSERT_GE(listener, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener, 8), 0);
    ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
    tlx::cls_CoreDownloader d;
    d.TIMEOUT = 1;
    d.RETRIES = 1;
    const std::string url =
        "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/files/list.php5";
    EXPECT_EQ(d.DOWNLOADTEXT(url), "");
    EXPECT_NE(d.LASTERROR(), "");
    int tries = 0;
    for (int connection; (connection = ::accept(listener, nullptr, nullptr)) >= 0; ++tries)
        ::close(connection);
    ::close(listener);
    EXPECT_EQ(tries, 1);
}

}  // namespace
