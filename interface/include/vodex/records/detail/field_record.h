// Base of the records that are a list of fields after their key: the record names its fields
// once, in order, and copying, packing, unpacking, storing, reading and spawning follow from
// that list. Not for callers: a record's header declares its list, its source file defines it
// and instantiates the base (field_record_impl.h).
//
// The list is a static member of the record,
//   template <class F, class... R> static void Fields(F& f, R&... r);
// that calls, for each field in order,
//   f(r.name_...)                   a field that is copied, packed and stored;
//   f.Since("1.1", r.tag_...)       one that files hold since that version;
//   f.Nested(*r.OTHERS()...)        a record that is copied and packed with it, never stored;
//   f.Entries(r...)                 a record list's entries;
//   f.StoredOnly("1.1", r.x_...)    one that is stored (since that version), never copied or
//                                   packed; f.PackedOnly(r.x_...) the other way round.
// The record names kVersion (the version it writes) and kOldestVersion (the oldest it reads).
#pragma once

#include <string>

#include "tlx/data.h"

namespace vodex::detail {

template <class Derived, class Base = tlx::DataRecord>
class FieldRecord : public Base {
  public:
    using Base::Base;

    void DATA_DataCopy(const tlx::Object& pOther, bool& pcDone) override;
    void DATA_DataPACK(std::string& pcPackage) override;
    void DATA_DataUnpack(const std::string& prPackage) override;
    void DATA_DataStore(tlx::cls_CoreFile& pFile) override;
    void DATA_DataRead(tlx::cls_CoreFile& pFile) override;
    void DATA_DataSpawn(tlx::ObjectRef& pcNewInstance) override;
};

}  // namespace vodex::detail
