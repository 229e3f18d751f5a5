// The downloader on file:// addresses: answers as text and into files, the size limit, and a
// failed download that leaves the target as it was and no temporary file behind.
#include "tlx/downloader.h"

#include <gtest/gtest.h>

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

}  // namespace
