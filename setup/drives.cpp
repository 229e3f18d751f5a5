#include "drives.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>

namespace vodex::setup {
namespace {

// The mount table writes blanks, tabs and backslashes in paths as octal escapes ("\040").
std::string Unescape(const std::string& field) {
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            const std::string digits = field.substr(i + 1, 3);
            if (digits.size() == 3 && std::all_of(digits.begin(), digits.end(),
                                                  [](char c) { return c >= '0' && c <= '7'; })) {
                out += static_cast<char>(std::stoi(digits, nullptr, 8));
                i += 3;
                continue;
            }
        }
        out += field[i];
    }
    return out;
}

bool IsMedium(const std::string& folder, const std::string& type) {
    static const char* const optical[] = {"iso9660", "udf"};
    static const char* const network[] = {"nfs",        "nfs4", "cifs",  "smb3",       "smbfs",
                                          "fuse.sshfs", "9p",   "davfs", "fuse.davfs2"};
    for (const char* t : optical)
        if (type == t) return true;
    for (const char* t : network)
        if (type == t) return true;
    return folder.starts_with("/media/") || folder.starts_with("/run/media/");
}

}  // namespace

std::vector<std::string> MediaFolders(std::string_view mountTable) {
    std::vector<std::string> folders;
    std::istringstream lines{std::string(mountTable)};
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string device, folder, type;
        if (!(fields >> device >> folder >> type)) continue;
        folder = Unescape(folder);
        if (!IsMedium(folder, type)) continue;
        if (!folder.ends_with('/')) folder += '/';
        if (std::find(folders.begin(), folders.end(), folder) == folders.end())
            folders.push_back(folder);
    }
    return folders;
}

std::vector<std::string> MountedMedia() {
    std::ifstream in("/proc/self/mounts");
    const std::string table((std::istreambuf_iterator<char>(in)), {});
    return MediaFolders(table);
}

}  // namespace vodex::setup
