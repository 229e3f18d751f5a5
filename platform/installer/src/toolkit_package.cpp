#include <stdlib.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "installer.h"
#include "tlx/process.h"

namespace tlx::installer {
namespace {

// The first bytes of a Debian package: an "ar" archive whose first member is "debian-binary".
constexpr char kDebianMagic[] = "!<arch>\ndebian-binary";

}  // namespace

bool IsToolkitPackage(const std::string& package) {
    std::ifstream in(package, std::ios::binary);
    char head[sizeof kDebianMagic - 1] = {};
    return in.read(head, sizeof head) &&
           std::string(head, sizeof head) == std::string(kDebianMagic, sizeof head);
}

Outcome InstallToolkit(const std::string& package) {
    namespace fs = std::filesystem;
    // The system's package tool installs it all-or-nothing into the toolkit's own folders; it
    // reads only files named ".deb", so a link with that name leads it to the package.
    std::error_code ec;
    const fs::path source = fs::absolute(package, ec);
    if (ec || !fs::is_regular_file(source, ec)) {
        return {kNotOpenable, "the package '" + package + "' cannot be opened"};
    }
    // The link lies in a folder of this user's own: the administrator's package tool does not
    // follow a link that another user left in a shared temporary folder.
    std::string folder = (fs::temp_directory_path(ec) / "vodex-toolkit-XXXXXX").string();
    if (ec || !::mkdtemp(folder.data())) {
        return {kFatal, "the toolkit package cannot be handed on: no temporary folder"};
    }
    const fs::path link = fs::path(folder) / "vodex-toolkit.deb";
    fs::create_symlink(source, link, ec);
    if (ec) {
        fs::remove_all(folder, ec);
        return {kFatal, "the toolkit package cannot be handed on: " + ec.message()};
    }
    // The package tool, found in PATH, and before it the program that asks for the
    // administrator's consent when this user is not the administrator.
    std::vector<std::string> words;
    if (::geteuid() != 0) words.push_back("pkexec");
    words.insert(words.end(), {"apt-get", "install", "-y", link.string()});
    std::string errors;
    const int code = RunAndWait(words, &errors);
    fs::remove_all(folder, ec);
    if (code != 0) {
        return {kFatal, "the toolkit package could not be installed (" + words.front() +
                            " exited with " + std::to_string(code) + ")"};
    }
    return {kSuccess, "the toolkit is installed"};
}

}  // namespace tlx::installer
