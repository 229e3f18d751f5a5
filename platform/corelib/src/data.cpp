#include "tlx/data.h"

#include "tlx/error.h"
#include "tlx/file.h"
#include "tlx/text.h"

namespace tlx {

tmp_Data::~tmp_Data() = default;

cls_CoreData::cls_CoreData(tmp_Data* owner, std::string typeName)
    : owner_(owner), typeName_(std::make_shared<const std::string>(std::move(typeName))) {}

cls_CoreData::cls_CoreData(tmp_Data* owner, std::shared_ptr<const std::string> typeName)
    : owner_(owner),
      typeName_(typeName ? std::move(typeName) : std::make_shared<const std::string>()) {}

cls_CoreData::~cls_CoreData() = default;

tmp_Data& cls_CoreData::Owner() const {
    if (!owner_) {
        throw Error("the data object '" + *typeName_ + "' belongs to no record any more");
    }
    return *owner_;
}

void cls_CoreData::STORE(cls_CoreFile& file) {
    Owner().DATA_DataStore(file);
}
void cls_CoreData::READ(cls_CoreFile& file) {
    Owner().DATA_DataRead(file);
}

bool cls_CoreData::COPY(const Object& other) {
    bool done = false;
    Owner().DATA_DataCopy(other, done);
    return done;
}

std::string cls_CoreData::PACK() {
    std::string package;
    Owner().DATA_DataPACK(package);
    return package;
}

void cls_CoreData::UNPACK(const std::string& package) {
    Owner().DATA_DataUnpack(package);
}

ObjectRef cls_CoreData::SPAWN() {
    ObjectRef created;
    Owner().DATA_DataSpawn(created);
    return created;
}

void cls_CoreData::Replace(std::shared_ptr<cls_CoreData>& slot, std::shared_ptr<cls_CoreData> next,
                           tmp_Data* owner) {
    if (!next) throw Error("a record needs a data object; nothing cannot replace it");
    if (slot) slot->Detach(owner);
    next->owner_ = owner;
    slot = std::move(next);
}

namespace {

// "cls_DeviceChannels" of "Vodex_Interface.cls_DeviceChannels".
std::string ClassPart(const std::string& kind) {
    const auto point = kind.rfind('.');
    return point == std::string::npos ? kind : kind.substr(point + 1);
}

}  // namespace

void SaveRecordFile(DataRecord& record, const std::string& file, const std::string& password) {
    cls_CoreFile f;
    f.OPEN(file, cls_CoreFile::ModeWrite, password, true, true);
    record.DATA()->STORE(f);
    f.RECORDTYPE(record.RecordKind());
    f.CLOSE();
}

void LoadRecordFile(DataRecord& record, const std::string& file, const std::string& password) {
    cls_CoreFile f;
    f.OPEN(file, cls_CoreFile::ModeRead, password, true, true);
    if (!f.RECORDTYPE().empty() && !EqualsNoCase(f.RECORDTYPE(), record.RecordKind())) {
        throw Error("'" + file + "' holds a record of the kind " + ClassPart(f.RECORDTYPE()) +
                    ", not " + ClassPart(record.RecordKind()));
    }
    record.DATA()->READ(f);
    f.CLOSE();
}

std::shared_ptr<cls_CoreData> DataOf(const Object* object) {
    auto* record = dynamic_cast<tmp_Data*>(const_cast<Object*>(object));
    return record ? record->tmp_Data_DATA() : nullptr;
}

}  // namespace tlx
