// The abstract tree of a dialog's controls, as the translation of dialogs sees it: the dialog
// and each control carry texts under property names ("Caption", "Text", "ToolTipText",
// "Title", "Tag", "Description"), controls have a name, an optional control-array index and a
// type name, and some have collections of members that carry texts too (Buttons, Panels,
// ColumnHeaders). Window systems expose their dialogs through adapters of these interfaces;
// FormModel is a complete one in memory, used by the headless dialog models and by tests.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vodex {

// Something that carries texts under property names.
class TextHolder {
  public:
    TextHolder() = default;
    TextHolder(const TextHolder&) = default;
    TextHolder& operator=(const TextHolder&) = default;
    virtual ~TextHolder();
    // False when it has no such property (or it cannot be read).
    virtual bool GetText(std::string_view property, std::string& value) const = 0;
    // False when it has no such property (or it cannot be written).
    virtual bool SetText(std::string_view property, const std::string& value) = 0;
};

enum class ControlCollection { Buttons, Panels, ColumnHeaders };

class FormControl : public TextHolder {
  public:
    virtual std::string Name() const = 0;
    // The index of a member of a control array; nothing for a control of its own.
    virtual std::optional<std::int32_t> Index() const = 0;
    // As "ListView", "CommandBar", "Label".
    virtual std::string TypeName() const = 0;
    // The members of a collection, positions 1 to count; nothing when the control has no
    // such collection.
    virtual std::optional<std::int32_t> CollectionCount(ControlCollection c) const = 0;
    virtual TextHolder* CollectionItem(ControlCollection c, std::int32_t position) = 0;
};

class Form : public TextHolder {
  public:
    virtual std::string Name() const = 0;
    // The controls, in the dialog's control order.
    virtual std::vector<FormControl*> Controls() = 0;
};

// Texts in memory: the properties it has are the ones it was given; names compare without
// regard to case.
class TextModel : public TextHolder {
  public:
    TextModel() = default;
    explicit TextModel(std::map<std::string, std::string> texts);
    bool GetText(std::string_view property, std::string& value) const override;
    bool SetText(std::string_view property, const std::string& value) override;
    // The text of a property; empty when there is none.
    std::string Text(std::string_view property) const;
    bool Has(std::string_view property) const;
    void Define(std::string_view property, std::string value);

  private:
    std::map<std::string, std::string> texts_;  // folded name -> text
};

class ControlModel : public FormControl {
  public:
    ControlModel(std::string name, std::string typeName, std::optional<std::int32_t> index = {});

    std::string Name() const override { return name_; }
    std::optional<std::int32_t> Index() const override { return index_; }
    std::string TypeName() const override { return typeName_; }
    std::optional<std::int32_t> CollectionCount(ControlCollection c) const override;
    TextHolder* CollectionItem(ControlCollection c, std::int32_t position) override;
    bool GetText(std::string_view property, std::string& value) const override {
        return texts_.GetText(property, value);
    }
    bool SetText(std::string_view property, const std::string& value) override {
        return texts_.SetText(property, value);
    }

    // Gives the control a property with a text.
    ControlModel& Define(std::string_view property, std::string value);
    // Gives the control the collection `c` (empty) when it has none, and appends a member.
    TextModel& AddMember(ControlCollection c, std::map<std::string, std::string> texts = {});
    // Gives the control an empty collection `c`.
    void AddCollection(ControlCollection c);
    std::string Text(std::string_view property) const { return texts_.Text(property); }
    TextModel& Member(ControlCollection c, std::int32_t position);

  private:
    std::string name_;
    std::string typeName_;
    std::optional<std::int32_t> index_;
    TextModel texts_;
    std::map<ControlCollection, std::vector<TextModel>> collections_;
};

class FormModel : public Form {
  public:
    explicit FormModel(std::string name, std::string caption = {});

    std::string Name() const override { return name_; }
    std::vector<FormControl*> Controls() override;
    bool GetText(std::string_view property, std::string& value) const override {
        return texts_.GetText(property, value);
    }
    bool SetText(std::string_view property, const std::string& value) override {
        return texts_.SetText(property, value);
    }

    ControlModel& Add(std::string name, std::string typeName,
                      std::optional<std::int32_t> index = {});
    // The control with this name (and index); throws tlx::Error when there is none.
    ControlModel& Control(std::string_view name, std::optional<std::int32_t> index = {});
    std::string Caption() const { return texts_.Text("Caption"); }

  private:
    std::string name_;
    TextModel texts_;
    std::vector<std::unique_ptr<ControlModel>> controls_;
};

}  // namespace vodex
