// The position array shared by the record lists (channels, ports): positions 1 to n are the
// entries, position 0 is the list's own spare. These are the keyed-store callbacks that the
// lists answer alike. Not for callers: the lists hold one each.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "tlx/data.h"
#include "tlx/database.h"
#include "tlx/error.h"
#include "tlx/file.h"
#include "tlx/variant.h"

namespace vodex::detail {

namespace fields {
struct Access;
}

// The memory a record takes beyond its own object, at most: the shared pointer's control
// block, its data object and its place in a list (twice, for the list's growth).
inline constexpr std::size_t kRecordOverhead = 192;

template <class T>
class RecordArray {
  public:
    RecordArray() : items_(1) {}

    std::int32_t Count() const { return static_cast<std::int32_t>(items_.size()) - 1; }

    // Only position 0 remains, empty.
    void Clear() { items_.assign(1, nullptr); }

    // A fresh record appended at n + 1.
    std::shared_ptr<T> Append() { return items_.emplace_back(std::make_shared<T>()); }

    // Writes the count and then each entry through its data object.
    void StoreTo(tlx::cls_CoreFile& file) {
        file.WRITE(Count());
        for (std::int32_t i = 1; i <= Count(); ++i) {
            // A record's data object always calls the record itself.
            const auto& slot = items_[static_cast<std::size_t>(i)];
            static_cast<tlx::tmp_Data&>(slot ? *slot : *At(i)).DATA_DataStore(file);
        }
    }

    // Reads a count and that many entries into fresh records. Records are made as they are
    // read, so memory follows what the file really holds (an entry of an unknown version reads
    // just its version, so one byte is all each is sure to take), and each counts against
    // what the file's size allows. When reading fails, the entries read stay and the positions
    // not reached read as fresh records, as far as the file's size allows their places.
    void ReadFrom(tlx::cls_CoreFile& file) {
        const std::size_t count = file.READCOUNT(1);
        Clear();
        try {
            for (std::size_t i = 0; i < count; ++i) {
                file.CHARGE(sizeof(T) + kRecordOverhead);
                T& entry = *items_.emplace_back(std::make_shared<T>());
                static_cast<tlx::tmp_Data&>(entry).DATA_DataRead(file);
            }
        } catch (...) {
            try {
                file.CHARGE((count + 1 - items_.size()) * sizeof(items_.front()));
                items_.resize(count + 1);
            } catch (...) {
                // a file that claims more than its size allows keeps what was read
            }
            throw;
        }
    }

    // Appends at n + 1; a key that is not missing becomes the entry's key.
    void Import(const tlx::ObjectRef& entry, const tlx::Variant& id) {
        auto record = std::dynamic_pointer_cast<T>(entry);
        if (!record) throw tlx::Error("only a record of the list's own class can be added");
        if (!id.IsMissing()) record->ID(id);
        items_.push_back(std::move(record));
    }

    // The record at `pos` (0 to n), made fresh when that position is empty; nothing outside.
    std::shared_ptr<T> At(std::int32_t pos) {
        if (pos < 0 || pos > Count()) return nullptr;
        auto& slot = items_[static_cast<std::size_t>(pos)];
        if (!slot) slot = std::make_shared<T>();
        return slot;
    }

    // The last entry moves into `pos` and the array shrinks by one.
    void Remove(std::int32_t pos) {
        if (pos < 1 || pos > Count()) return;
        items_[static_cast<std::size_t>(pos)] = std::move(items_.back());
        items_.pop_back();
    }

    // The first position from 1 upward whose key equals `id` (texts trimmed and without regard
    // to case), else 0.
    std::int32_t Search(const tlx::Variant& id) const {
        for (std::size_t i = 1; i < items_.size(); ++i) {
            if (items_[i] && tlx::KeyEquals(items_[i]->DATA()->ID(), id)) {
                return static_cast<std::int32_t>(i);
            }
        }
        return 0;
    }

    // Positions 0 to n as an array with lower bound 0 (an empty position as nothing).
    tlx::Variant ToVariant() const {
        std::vector<tlx::Variant> all;
        all.reserve(items_.size());
        for (const auto& r : items_)
            all.emplace_back(r);
        return tlx::Variant::Array(0, std::move(all));
    }

    // Refills the positions from an unpacked array, its elements in order from position 0.
    void FromVariant(const tlx::Variant& v) {
        const tlx::VariantArray& a = v.ToArray();
        std::vector<std::shared_ptr<T>> items;
        items.reserve(a.Size());
        for (const tlx::Variant& e : a.Items()) {
            auto record = e.As<T>();
            if (!record && !e.IsNothing()) {
                throw tlx::Error("the package text holds something other than a record");
            }
            items.push_back(std::move(record));
        }
        if (items.empty()) items.resize(1);
        items_ = std::move(items);
    }

    std::vector<std::shared_ptr<T>>& Items() { return items_; }

  private:
    std::vector<std::shared_ptr<T>> items_;
};

// What the record lists have in common: the keyed store over the position array, and the
// members that behave alike in every list.
template <class Entry>
class RecordList : public tlx::DataRecord, public tlx::tmp_Database {
  public:
    using EntryType = Entry;

    explicit RecordList(std::string typeName)
        : DataRecord(std::move(typeName)),
          database_(std::make_shared<tlx::cls_CoreDatabase>(this)) {}
    ~RecordList() override { database_->Detach(this); }

    bool EXISTS(const tlx::Variant& pID) { return database_->EXISTS(pID); }
    std::int32_t COUNT() { return database_->COUNT(); }
    bool REMOVE(const tlx::Variant& pID, bool pForceIndex = false) {
        return database_->REMOVE(pID, pForceIndex);
    }
    // Appends `pEntry` (under the key `pID` unless it is missing); returns the entry now last.
    std::shared_ptr<Entry> ADD(const std::shared_ptr<Entry>& pEntry,
                               const tlx::Variant& pID = tlx::Variant::Missing()) {
        database_->ADD(pEntry, pID);
        return Found(COUNT(), true);
    }
    // Position 0 empty, position i the NAME of entry i.
    std::vector<std::string> INFO() {
        std::vector<std::string> names(static_cast<std::size_t>(COUNT()) + 1);
        for (std::int32_t i = 1; i <= COUNT(); ++i) {
            if (auto entry = Found(i, true)) names[static_cast<std::size_t>(i)] = entry->NAME();
        }
        return names;
    }

    using DataRecord::DATA;
    std::shared_ptr<tlx::cls_CoreDatabase> DATABASE() const { return database_; }
    void DATABASE(std::shared_ptr<tlx::cls_CoreDatabase> d) {
        tlx::cls_CoreDatabase::Replace(database_, std::move(d), this);
    }

    std::shared_ptr<tlx::cls_CoreDatabase> tmp_Database_DATABASE() override { return database_; }
    void DATABASE_DatabaseClear() override { items_.Clear(); }
    void DATABASE_DatabaseCount(std::int32_t& ret) override { ret = items_.Count(); }
    void DATABASE_DatabaseImport(const tlx::ObjectRef& NewEntry, const tlx::Variant& ID) override {
        items_.Import(NewEntry, ID);
    }
    void DATABASE_DatabaseItem(tlx::Variant& rRet, std::int32_t pIndex) override {
        rRet = tlx::Variant(items_.At(pIndex));
    }
    void DATABASE_DatabaseItemObj(tlx::ObjectRef& rRet, std::int32_t pIndex) override {
        rRet = items_.At(pIndex);
    }
    void DATABASE_DatabaseRemove(std::int32_t ID) override { items_.Remove(ID); }
    void DATABASE_DatabaseSearch(std::int32_t& ret, const tlx::Variant& ID) override {
        ret = items_.Search(ID);
    }

  protected:
    // The entry that the keyed store finds, or nothing.
    std::shared_ptr<Entry> Found(const tlx::Variant& pID, bool pForceIndex) {
        return std::dynamic_pointer_cast<Entry>(database_->Item(pID, pForceIndex));
    }
    // Takes the other list's key and rebuilds the entries from the other list's, read through
    // its own keyed store.
    void CopyEntries(RecordList& other) {
        DATA()->ID(other.DATA()->ID());
        RecordArray<Entry> rebuilt;
        const std::int32_t count = other.COUNT();
        for (std::int32_t i = 1; i <= count; ++i) {
            auto source = other.Found(i, true);
            auto entry = rebuilt.Append();
            if (source) entry->DATA()->COPY(*source);
        }
        items_ = std::move(rebuilt);
    }

    RecordArray<Entry> items_;

  private:
    friend struct fields::Access;  // the persistence made from a record's fields

    std::shared_ptr<tlx::cls_CoreDatabase> database_;
};

}  // namespace vodex::detail
