#include "record_io.h"

namespace vodex::detail {

bool LoadRecord(tlx::cls_CoreData& data, const std::string& file, const std::string& password) {
    try {
        tlx::cls_CoreFile f;
        f.OPEN(file, tlx::cls_CoreFile::ModeRead, password, true, true);
        data.READ(f);
        f.CLOSE();
        return true;
    } catch (...) {
        return false;
    }
}

bool SaveRecord(tlx::cls_CoreData& data, const std::string& file, const std::string& password) {
    try {
        tlx::cls_CoreFile f;
        f.OPEN(file, tlx::cls_CoreFile::ModeWrite, password, true, true);
        data.STORE(f);
        f.CLOSE();
        return true;
    } catch (...) {
        return false;
    }
}

}  // namespace vodex::detail
