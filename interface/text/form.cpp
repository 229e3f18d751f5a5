#include "vodex/text/form.h"

#include "tlx/error.h"
#include "tlx/text.h"

namespace vodex {

TextHolder::~TextHolder() = default;

TextModel::TextModel(std::map<std::string, std::string> texts) {
    for (auto& [property, value] : texts)
        Define(property, std::move(value));
}

bool TextModel::GetText(std::string_view property, std::string& value) const {
    auto it = texts_.find(tlx::FoldCase(property));
    if (it == texts_.end()) return false;
    value = it->second;
    return true;
}

bool TextModel::SetText(std::string_view property, const std::string& value) {
    auto it = texts_.find(tlx::FoldCase(property));
    if (it == texts_.end()) return false;
    it->second = value;
    return true;
}

std::string TextModel::Text(std::string_view property) const {
    std::string value;
    GetText(property, value);
    return value;
}

bool TextModel::Has(std::string_view property) const {
    return texts_.count(tlx::FoldCase(property)) > 0;
}

void TextModel::Define(std::string_view property, std::string value) {
    texts_[tlx::FoldCase(property)] = std::move(value);
}

ControlModel::ControlModel(std::string name, std::string typeName,
                           std::optional<std::int32_t> index)
    : name_(std::move(name)), typeName_(std::move(typeName)), index_(index) {}

std::optional<std::int32_t> ControlModel::CollectionCount(ControlCollection c) const {
    auto it = collections_.find(c);
    if (it == collections_.end()) return std::nullopt;
    return static_cast<std::int32_t>(it->second.size());
}

TextHolder* ControlModel::CollectionItem(ControlCollection c, std::int32_t position) {
    auto it = collections_.find(c);
    if (it == collections_.end() || position < 1 ||
        position > static_cast<std::int32_t>(it->second.size())) {
        return nullptr;
    }
    return &it->second[static_cast<std::size_t>(position - 1)];
}

ControlModel& ControlModel::Define(std::string_view property, std::string value) {
    texts_.Define(property, std::move(value));
    return *this;
}

void ControlModel::AddCollection(ControlCollection c) {
    collections_[c];
}

TextModel& ControlModel::AddMember(ControlCollection c, std::map<std::string, std::string> texts) {
    return collections_[c].emplace_back(std::move(texts));
}

TextModel& ControlModel::Member(ControlCollection c, std::int32_t position) {
    auto* item = dynamic_cast<TextModel*>(CollectionItem(c, position));
    if (!item) throw tlx::Error("the control '" + name_ + "' has no such member");
    return *item;
}

FormModel::FormModel(std::string name, std::string caption) : name_(std::move(name)) {
    texts_.Define("Caption", std::move(caption));
}

std::vector<FormControl*> FormModel::Controls() {
    std::vector<FormControl*> all;
    all.reserve(controls_.size());
    for (auto& c : controls_)
        all.push_back(c.get());
    return all;
}

ControlModel& FormModel::Add(std::string name, std::string typeName,
                             std::optional<std::int32_t> index) {
    return *controls_.emplace_back(
        std::make_unique<ControlModel>(std::move(name), std::move(typeName), index));
}

ControlModel& FormModel::Control(std::string_view name, std::optional<std::int32_t> index) {
    for (auto& c : controls_) {
        if (tlx::EqualsNoCase(c->Name(), name) && c->Index() == index) return *c;
    }
    throw tlx::Error("the dialog '" + name_ + "' has no control '" + std::string(name) + "'");
}

}  // namespace vodex
