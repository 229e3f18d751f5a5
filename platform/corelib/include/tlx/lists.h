// Lists, keyed settings and the keyed collection of the core library.
//
// cls_CoreValueList (numbers) and cls_CoreList (texts) are records with a data object: they
// store, read, pack, copy and spawn like any record. Positions count from 1.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "tlx/data.h"
#include "tlx/object.h"
#include "tlx/variant.h"

namespace tlx {

// The records of this header answer the same data callbacks; this base keeps them once.
template <class Element>
class ListRecord : public DataRecord {
  public:
    explicit ListRecord(const char* typeName) : DataRecord(typeName) {}

    std::int32_t COUNT() const { return static_cast<std::int32_t>(items_.size()); }
    void ADD(Element v) { items_.push_back(std::move(v)); }
    // Position 1 to COUNT; throws tlx::Error ("index out of range") otherwise.
    const Element& Item(std::int32_t pIndex) const;
    void Item(std::int32_t pIndex, Element v);
    // Removes position `pIndex`; the later entries move down. False outside 1 to COUNT.
    bool REMOVE(std::int32_t pIndex);
    void CLEAR() { items_.clear(); }
    const std::vector<Element>& ITEMS() const { return items_; }

    void DATA_DataCopy(const Object& pOther, bool& pcDone) override;
    void DATA_DataPACK(std::string& pcPackage) override;
    void DATA_DataUnpack(const std::string& prPackage) override;
    void DATA_DataStore(cls_CoreFile& pFile) override;
    void DATA_DataRead(cls_CoreFile& pFile) override;

  protected:
    std::vector<Element> items_;
};

// A list of numbers (baud rates, parities, ...).
class cls_CoreValueList : public ListRecord<Variant> {
  public:
    cls_CoreValueList();
    // Whether a value equal to `v` is in the list.
    bool EXISTS(const Variant& v) const;
    void DATA_DataSpawn(ObjectRef& pcNewInstance) override;
};

// A list of texts (driver names, command names, ...).
class cls_CoreList : public ListRecord<std::string> {
  public:
    cls_CoreList();
    // Whether the list holds `text`, compared trimmed and without regard to case.
    bool EXISTS(const std::string& text) const;
    void DATA_DataSpawn(ObjectRef& pcNewInstance) override;
};

extern template class ListRecord<Variant>;
extern template class ListRecord<std::string>;

// Keyed settings: values under text keys that compare without regard to case; the order of
// first insertion is kept. A record: its package text carries every setting.
class cls_CoreSettings : public DataRecord {
  public:
    cls_CoreSettings();

    std::int32_t COUNT() const { return static_cast<std::int32_t>(entries_.size()); }
    bool EXISTS(const std::string& pKey) const;
    // The value under `pKey`; empty when there is none.
    Variant Item(const std::string& pKey) const;
    // Sets the value, adding the key when it is new.
    void Item(const std::string& pKey, Variant pValue);
    // The key at position 1 to COUNT.
    const std::string& KEY(std::int32_t pIndex) const;
    bool REMOVE(const std::string& pKey);
    void CLEAR() { entries_.clear(); }

    void DATA_DataCopy(const Object& pOther, bool& pcDone) override;
    void DATA_DataPACK(std::string& pcPackage) override;
    void DATA_DataUnpack(const std::string& prPackage) override;
    void DATA_DataStore(cls_CoreFile& pFile) override;
    void DATA_DataRead(cls_CoreFile& pFile) override;
    void DATA_DataSpawn(ObjectRef& pcNewInstance) override;

  private:
    std::ptrdiff_t Find(const std::string& key) const;

    std::vector<std::pair<std::string, Variant>> entries_;
};

// Keyed collection: values in insertion order, optionally under a text key that compares
// trimmed and without regard to case. Positions count from 1.
class cls_CoreCollection : public Object {
  public:
    std::int32_t COUNT() const { return static_cast<std::int32_t>(items_.size()); }
    bool ISEMPTY() const { return items_.empty(); }
    // Appends `pItem`; a non-empty key that is in use already throws tlx::Error.
    void ADD(Variant pItem, const std::string& pKey = {});
    // Appends `pItem` under `pKey` even when the key is in use (records of the same kind);
    // EXISTS and Item by key find the first entry of a key.
    void APPEND(Variant pItem, const std::string& pKey);
    // The key of the entry at position `pIndex` (from 1); "" for an entry without one. Throws
    // tlx::Error when there is no such position.
    std::string KEY(std::int32_t pIndex) const;
    bool EXISTS(const std::string& pKey) const;
    // By key (a text) or by position (a number); throws tlx::Error when there is none.
    const Variant& Item(const Variant& pKeyOrIndex) const;
    bool REMOVE(const Variant& pKeyOrIndex);
    void CLEAR();

  private:
    std::ptrdiff_t Find(const Variant& keyOrIndex) const;
    void Reindex();

    struct Entry {
        std::string key;
        Variant value;
    };
    std::vector<Entry> items_;
    std::unordered_map<std::string, std::size_t> index_;  // folded key -> position - 1
};

}  // namespace tlx
