// The field records' persistence, made from each record's list of fields (see
// vodex/records/detail/field_record.h). Included by a record's source file, which then
// instantiates the base for its record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "record_io.h"
#include "tlx/file.h"
#include "tlx/packer.h"
#include "tlx/tools.h"
#include "vodex/records/detail/field_record.h"

namespace vodex::detail {
namespace fields {

// What the visitors may reach of a record list.
struct Access {
    template <class L>
    static auto& Items(L& list) {
        return list.items_;
    }
    template <class L>
    static void CopyEntries(L& to, L& from) {
        to.CopyEntries(from);
    }
};

// Copies every field but those only stored or only packed; list entries are read through the other
// list's keyed store.
struct Copier {
    template <class T>
    void operator()(T& to, const T& from) {
        to = from;
    }
    template <class T>
    void Since(const char*, T& to, const T& from) {
        (*this)(to, from);
    }
    template <class T>
    void Nested(T& to, T& from) {
        to.DATA()->COPY(from);
    }
    template <class L>
    void Entries(L& to, L& from) {
        Access::CopyEntries(to, from);
    }
    template <class T>
    void StoredOnly(const char*, T&, const T&) {}
    template <class T>
    void PackedOnly(T&, const T&) {}
};

// Counts the packed values, and learns how packed list entries are made again.
struct Counter {
    std::size_t count = 0;
    tlx::cls_CorePacker::Spawner spawn;

    template <class T>
    void operator()(T&) {
        ++count;
    }
    template <class T>
    void Since(const char*, T& field) {
        (*this)(field);
    }
    template <class T>
    void Nested(T& record) {
        (*this)(record);
    }
    template <class L>
    void Entries(L&) {
        spawn = [] { return std::make_shared<typename L::EntryType>(); };
        ++count;
    }
    template <class T>
    void StoredOnly(const char*, T&) {}
    template <class T>
    void PackedOnly(T& field) {
        (*this)(field);
    }
};

struct Packer {
    std::vector<tlx::Variant> values;

    template <class T>
    void operator()(T& field) {
        values.emplace_back(field);
    }
    template <class T>
    void Since(const char*, T& field) {
        (*this)(field);
    }
    template <class T>
    void Nested(T& record) {
        values.emplace_back(record.DATA()->PACK());
    }
    template <class L>
    void Entries(L& list) {
        values.push_back(Access::Items(list).ToVariant());
    }
    template <class T>
    void StoredOnly(const char*, T&) {}
    template <class T>
    void PackedOnly(T& field) {
        (*this)(field);
    }
};

// A variant as the field's type.
template <class T>
T As(const tlx::Variant& v) {
    if constexpr (std::is_same_v<T, std::string>) {
        return v.ToText();
    } else if constexpr (std::is_same_v<T, double>) {
        return v.ToDouble();
    } else if constexpr (std::is_same_v<T, bool>) {
        return v.ToBool();
    } else {
        static_assert(std::is_same_v<T, std::int32_t>, "a field is text, a number or a flag");
        return v.ToInt32();
    }
}

struct Unpacker {
    const std::vector<tlx::Variant>& values;
    std::size_t next = 1;  // after the key

    template <class T>
    void operator()(T& field) {
        field = As<T>(values[next++]);
    }
    template <class T>
    void Since(const char*, T& field) {
        (*this)(field);
    }
    template <class T>
    void Nested(T& record) {
        record.DATA()->UNPACK(values[next++].ToText());
    }
    template <class L>
    void Entries(L& list) {
        Access::Items(list).FromVariant(values[next++]);
    }
    template <class T>
    void StoredOnly(const char*, T&) {}
    template <class T>
    void PackedOnly(T& field) {
        (*this)(field);
    }
};

struct Storer {
    tlx::cls_CoreFile& file;

    template <class T>
    void operator()(T& field) {
        file.WRITE(field);
    }
    template <class T>
    void Since(const char*, T& field) {
        (*this)(field);
    }
    template <class T>
    void Nested(T&) {}
    template <class L>
    void Entries(L& list) {
        Access::Items(list).StoreTo(file);
    }
    template <class T>
    void StoredOnly(const char*, T& field) {
        (*this)(field);
    }
    template <class T>
    void PackedOnly(T&) {}
};

// A field from the file, as the file holds it.
template <class T>
T Read(tlx::cls_CoreFile& file) {
    if constexpr (std::is_same_v<T, std::string>) {
        return file.READTEXT();
    } else if constexpr (std::is_same_v<T, double>) {
        return file.READDOUBLE();
    } else if constexpr (std::is_same_v<T, bool>) {
        return file.READBOOL();
    } else {
        static_assert(std::is_same_v<T, std::int32_t>, "a field is text, a number or a flag");
        return file.READLONG();
    }
}

struct Reader {
    tlx::cls_CoreFile& file;
    const std::string& version;
    bool newest;  // the file holds the record's present version, so every field is there

    template <class T>
    void operator()(T& field) {
        if constexpr (std::is_same_v<T, std::string>) {
            file.READTEXT(field);  // into the field's own memory
        } else {
            field = Read<T>(file);
        }
    }
    template <class T>
    void Since(const char* since, T& field) {
        if (newest || version >= since) (*this)(field);
    }
    template <class T>
    void Nested(T&) {}
    template <class L>
    void Entries(L& list) {
        Access::Items(list).ReadFrom(file);
    }
    template <class T>
    void StoredOnly(const char* since, T& field) {
        Since(since, field);
    }
    template <class T>
    void PackedOnly(T&) {}
};

}  // namespace fields

template <class Derived, class Base>
void FieldRecord<Derived, Base>::DATA_DataCopy(const tlx::Object& pOther, bool& pcDone) {
    auto& from = const_cast<Derived&>(SameClass<Derived>(pOther));
    auto& to = static_cast<Derived&>(*this);
    to.DATA()->ID(from.DATA()->ID());
    fields::Copier copier;
    Derived::Fields(copier, to, from);
    pcDone = true;
}

template <class Derived, class Base>
void FieldRecord<Derived, Base>::DATA_DataPACK(std::string& pcPackage) {
    fields::Packer packer{{this->DATA()->ID()}};
    Derived::Fields(packer, static_cast<Derived&>(*this));
    pcPackage = tlx::CoreTools().PACKER().PACK(packer.values);
}

template <class Derived, class Base>
void FieldRecord<Derived, Base>::DATA_DataUnpack(const std::string& prPackage) {
    auto& self = static_cast<Derived&>(*this);
    fields::Counter counter;
    Derived::Fields(counter, self);
    const std::vector<tlx::Variant> values =
        tlx::CoreTools().PACKER().UNPACK(prPackage, counter.count + 1, counter.spawn);
    fields::Unpacker unpacker{values};
    Derived::Fields(unpacker, self);
    this->DATA()->ID(tlx::Variant(values[0].ToText()));
}

template <class Derived, class Base>
void FieldRecord<Derived, Base>::DATA_DataStore(tlx::cls_CoreFile& pFile) {
    pFile.WRITE(Derived::kVersion);
    pFile.WRITE(this->DATA()->ID());
    fields::Storer storer{pFile};
    Derived::Fields(storer, static_cast<Derived&>(*this));
}

template <class Derived, class Base>
void FieldRecord<Derived, Base>::DATA_DataRead(tlx::cls_CoreFile& pFile) {
    // Records of the present version are the rule; others are read field by field as far as
    // their version has them.
    const bool newest = pFile.READIFTEXT(Derived::kVersion);
    const std::string version = newest ? std::string() : ReadVersion(pFile);
    if (!newest && !VersionWithin(version, Derived::kOldestVersion, Derived::kVersion)) return;
    this->DATA()->ID(pFile.READ());
    fields::Reader reader{pFile, version, newest};
    Derived::Fields(reader, static_cast<Derived&>(*this));
}

template <class Derived, class Base>
void FieldRecord<Derived, Base>::DATA_DataSpawn(tlx::ObjectRef& pcNewInstance) {
    pcNewInstance = std::make_shared<Derived>();
}

}  // namespace vodex::detail
