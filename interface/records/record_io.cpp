#include "record_io.h"

#include "vodex/records/file_errors.h"

namespace vodex::detail {
namespace {

thread_local std::string tLastFileError;

template <class F>
bool Trapped(F&& body) {
    try {
        body();
        tLastFileError.clear();
        return true;
    } catch (const std::exception& e) {
        tLastFileError = e.what();
    } catch (...) {
        tLastFileError = "an error of an unknown kind";
    }
    return false;
}

}  // namespace

bool LoadRecord(tlx::DataRecord& record, const std::string& file, const std::string& password) {
    return Trapped([&] { tlx::LoadRecordFile(record, file, password); });
}

bool SaveRecord(tlx::DataRecord& record, const std::string& file, const std::string& password) {
    return Trapped([&] { tlx::SaveRecordFile(record, file, password); });
}

}  // namespace vodex::detail

std::string vodex::LastFileError() {
    return detail::tLastFileError;
}
