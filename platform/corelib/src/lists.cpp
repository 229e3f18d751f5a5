#include "tlx/lists.h"

#include "tlx/error.h"
#include "tlx/file.h"
#include "tlx/packer.h"
#include "tlx/text.h"

namespace tlx {
namespace {

constexpr const char* kListVersion = "1.0";

Variant ToElement(const Variant& v, const Variant*) {
    return v;
}
std::string ToElement(const Variant& v, const std::string*) {
    return v.ToText();
}

[[noreturn]] void OutOfRange(std::int32_t index, std::size_t count) {
    throw Error("index out of range: " + std::to_string(index) + " is not within 1 to " +
                std::to_string(count));
}

template <class T>
const T& SameClass(const Object& other) {
    const auto* o = dynamic_cast<const T*>(&other);
    if (!o) throw Error("a record can only be copied from a record of its own class");
    return *o;
}

}  // namespace

template <class Element>
const Element& ListRecord<Element>::Item(std::int32_t pIndex) const {
    if (pIndex < 1 || pIndex > COUNT()) OutOfRange(pIndex, items_.size());
    return items_[static_cast<std::size_t>(pIndex - 1)];
}

template <class Element>
void ListRecord<Element>::Item(std::int32_t pIndex, Element v) {
    if (pIndex < 1 || pIndex > COUNT()) OutOfRange(pIndex, items_.size());
    items_[static_cast<std::size_t>(pIndex - 1)] = std::move(v);
}

template <class Element>
bool ListRecord<Element>::REMOVE(std::int32_t pIndex) {
    if (pIndex < 1 || pIndex > COUNT()) return false;
    items_.erase(items_.begin() + (pIndex - 1));
    return true;
}

template <class Element>
void ListRecord<Element>::DATA_DataCopy(const Object& pOther, bool& pcDone) {
    const auto& other = SameClass<ListRecord<Element>>(pOther);
    DATA()->ID(other.DATA()->ID());
    items_ = other.items_;
    pcDone = true;
}

template <class Element>
void ListRecord<Element>::DATA_DataPACK(std::string& pcPackage) {
    std::vector<Variant> values;
    values.reserve(items_.size());
    for (const Element& e : items_)
        values.emplace_back(e);
    pcPackage = cls_CorePacker().PACK({DATA()->ID(), Variant::Array(1, std::move(values))});
}

template <class Element>
void ListRecord<Element>::DATA_DataUnpack(const std::string& prPackage) {
    std::vector<Variant> v = cls_CorePacker().UNPACK(prPackage, 2);
    std::vector<Element> items;
    for (const Variant& e : v[1].ToArray().Items()) {
        items.push_back(ToElement(e, static_cast<const Element*>(nullptr)));
    }
    DATA()->ID(v[0]);
    items_ = std::move(items);
}

template <class Element>
void ListRecord<Element>::DATA_DataStore(cls_CoreFile& pFile) {
    pFile.WRITE(kListVersion, DATA()->ID(), static_cast<std::int32_t>(items_.size()));
    for (const Element& e : items_)
        pFile.WRITE(Variant(e));
}

template <class Element>
void ListRecord<Element>::DATA_DataRead(cls_CoreFile& pFile) {
    if (UCase(pFile.READ().ToText()) != kListVersion) return;
    DATA()->ID(pFile.READ());
    const std::size_t count = pFile.READCOUNT();
    items_.clear();
    for (std::size_t i = 0; i < count; ++i) {
        pFile.CHARGE(2 * sizeof(Element));  // an entry's room, twice for the list's growth
        items_.push_back(ToElement(pFile.READ(), static_cast<const Element*>(nullptr)));
    }
}

template class ListRecord<Variant>;
template class ListRecord<std::string>;

cls_CoreValueList::cls_CoreValueList() : ListRecord("TLX_CoreLib.cls_CoreValueList") {}

bool cls_CoreValueList::EXISTS(const Variant& v) const {
    for (const Variant& e : items_) {
        if (e == v) return true;
    }
    return false;
}

void cls_CoreValueList::DATA_DataSpawn(ObjectRef& pcNewInstance) {
    pcNewInstance = std::make_shared<cls_CoreValueList>();
}

cls_CoreList::cls_CoreList() : ListRecord("TLX_CoreLib.cls_CoreList") {}

bool cls_CoreList::EXISTS(const std::string& text) const {
    for (const std::string& e : items_) {
        if (KeyEquals(Variant(e), Variant(text))) return true;
    }
    return false;
}

void cls_CoreList::DATA_DataSpawn(ObjectRef& pcNewInstance) {
    pcNewInstance = std::make_shared<cls_CoreList>();
}

// ---- settings ----

cls_CoreSettings::cls_CoreSettings() : DataRecord("TLX_CoreLib.cls_CoreSettings") {}

std::ptrdiff_t cls_CoreSettings::Find(const std::string& key) const {
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        if (EqualsNoCase(entries_[i].first, key)) return static_cast<std::ptrdiff_t>(i);
    }
    return -1;
}

bool cls_CoreSettings::EXISTS(const std::string& pKey) const {
    return Find(pKey) >= 0;
}

Variant cls_CoreSettings::Item(const std::string& pKey) const {
    std::ptrdiff_t i = Find(pKey);
    return i < 0 ? Variant() : entries_[static_cast<std::size_t>(i)].second;
}

void cls_CoreSettings::Item(const std::string& pKey, Variant pValue) {
    if (pValue.IsObject()) throw Error("settings hold values, not object references");
    std::ptrdiff_t i = Find(pKey);
    if (i < 0) {
        entries_.emplace_back(pKey, std::move(pValue));
    } else {
        entries_[static_cast<std::size_t>(i)].second = std::move(pValue);
    }
}

const std::string& cls_CoreSettings::KEY(std::int32_t pIndex) const {
    if (pIndex < 1 || pIndex > COUNT()) OutOfRange(pIndex, entries_.size());
    return entries_[static_cast<std::size_t>(pIndex - 1)].first;
}

bool cls_CoreSettings::REMOVE(const std::string& pKey) {
    std::ptrdiff_t i = Find(pKey);
    if (i < 0) return false;
    entries_.erase(entries_.begin() + i);
    return true;
}

void cls_CoreSettings::DATA_DataCopy(const Object& pOther, bool& pcDone) {
    const auto& other = SameClass<cls_CoreSettings>(pOther);
    DATA()->ID(other.DATA()->ID());
    entries_ = other.entries_;
    pcDone = true;
}

void cls_CoreSettings::DATA_DataPACK(std::string& pcPackage) {
    std::vector<Variant> flat;
    flat.reserve(entries_.size() * 2);
    for (const auto& [key, value] : entries_) {
        flat.emplace_back(key);
        flat.push_back(value);
    }
    pcPackage = cls_CorePacker().PACK({DATA()->ID(), Variant::Array(0, std::move(flat))});
}

void cls_CoreSettings::DATA_DataUnpack(const std::string& prPackage) {
    std::vector<Variant> v = cls_CorePacker().UNPACK(prPackage, 2);
    const VariantArray& flat = v[1].ToArray();
    if (flat.Size() % 2 != 0) throw Error("the settings package text is malformed");
    std::vector<std::pair<std::string, Variant>> entries;
    for (std::size_t i = 0; i < flat.Size(); i += 2) {
        entries.emplace_back(flat.Items()[i].ToText(), flat.Items()[i + 1]);
    }
    DATA()->ID(v[0]);
    entries_ = std::move(entries);
}

void cls_CoreSettings::DATA_DataStore(cls_CoreFile& pFile) {
    pFile.WRITE(kListVersion, DATA()->ID(), static_cast<std::int32_t>(entries_.size()));
    for (const auto& [key, value] : entries_)
        pFile.WRITE(Variant(key), value);
}

void cls_CoreSettings::DATA_DataRead(cls_CoreFile& pFile) {
    if (UCase(pFile.READ().ToText()) != kListVersion) return;
    DATA()->ID(pFile.READ());
    const std::size_t count = pFile.READCOUNT(2);
    entries_.clear();
    // Keys already read, so that a long file is read in one pass instead of searching the
    // entries once per key.
    std::unordered_map<std::string, std::size_t> seen;
    for (std::size_t i = 0; i < count; ++i) {
        pFile.CHARGE(2 * sizeof(entries_.front()) + 64);  // the entry and its key's place
        std::string key = pFile.READ().ToText();
        Variant value = pFile.READ();
        if (value.IsObject()) throw Error("settings hold values, not object references");
        auto [at, fresh] = seen.emplace(FoldCase(key), entries_.size());
        if (fresh) {
            entries_.emplace_back(std::move(key), std::move(value));
        } else {
            entries_[at->second].second = std::move(value);
        }
    }
}

void cls_CoreSettings::DATA_DataSpawn(ObjectRef& pcNewInstance) {
    pcNewInstance = std::make_shared<cls_CoreSettings>();
}

// ---- collection ----

void cls_CoreCollection::ADD(Variant pItem, const std::string& pKey) {
    if (!pKey.empty()) {
        std::string folded = FoldCase(Trim(pKey));
        if (index_.count(folded)) throw Error("the key '" + pKey + "' is in use already");
        index_.emplace(std::move(folded), items_.size());
    }
    items_.push_back({pKey, std::move(pItem)});
}

void cls_CoreCollection::APPEND(Variant pItem, const std::string& pKey) {
    if (!pKey.empty()) index_.emplace(FoldCase(Trim(pKey)), items_.size());  // keeps the first
    items_.push_back({pKey, std::move(pItem)});
}

std::string cls_CoreCollection::KEY(std::int32_t pIndex) const {
    if (pIndex < 1 || pIndex > COUNT()) {
        throw Error("the collection has no position " + std::to_string(pIndex));
    }
    return items_[static_cast<std::size_t>(pIndex - 1)].key;
}

bool cls_CoreCollection::EXISTS(const std::string& pKey) const {
    return index_.count(FoldCase(Trim(pKey))) > 0;
}

std::ptrdiff_t cls_CoreCollection::Find(const Variant& keyOrIndex) const {
    if (keyOrIndex.IsText()) {
        auto it = index_.find(FoldCase(Trim(keyOrIndex.Text())));
        return it == index_.end() ? -1 : static_cast<std::ptrdiff_t>(it->second);
    }
    std::int32_t pos = keyOrIndex.ToInt32();
    return pos >= 1 && pos <= COUNT() ? pos - 1 : -1;
}

const Variant& cls_CoreCollection::Item(const Variant& pKeyOrIndex) const {
    std::ptrdiff_t i = Find(pKeyOrIndex);
    if (i < 0) throw Error("the collection has no entry '" + pKeyOrIndex.ToText() + "'");
    return items_[static_cast<std::size_t>(i)].value;
}

bool cls_CoreCollection::REMOVE(const Variant& pKeyOrIndex) {
    std::ptrdiff_t i = Find(pKeyOrIndex);
    if (i < 0) return false;
    items_.erase(items_.begin() + i);
    Reindex();
    return true;
}

void cls_CoreCollection::CLEAR() {
    items_.clear();
    index_.clear();
}

void cls_CoreCollection::Reindex() {
    index_.clear();
    for (std::size_t i = 0; i < items_.size(); ++i) {
        if (!items_[i].key.empty()) index_.emplace(FoldCase(Trim(items_[i].key)), i);
    }
}

}  // namespace tlx
