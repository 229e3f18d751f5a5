#include "vodex/text/translate.h"

#include "tlx/text.h"
#include "tlx/tools.h"
#include "vodex/text/language.h"

namespace vodex {
namespace {

// The properties of each kind of thing, in the order in which texts are collected and in the
// order in which they are applied.
constexpr const char* kControlCollect[] = {"Title", "Text", "ToolTipText", "Caption", "Tag"};
constexpr const char* kControlApply[] = {"Text", "Title", "ToolTipText", "Caption", "Tag"};
constexpr const char* kButtonTexts[] = {"Text", "Caption", "ToolTipText", "Description", "Tag"};
constexpr const char* kPanelApply[] = {"Text", "ToolTipText", "Caption", "Description", "Tag"};
constexpr const char* kColumnTexts[] = {"Text", "ToolTipText"};

struct MemberKind {
    ControlCollection collection;
    const char* keyPart;  // ".BUTTONS("
    const char* const* collect;
    const char* const* apply;
    std::size_t count;
};

constexpr MemberKind kButtons = {ControlCollection::Buttons, ".BUTTONS(", kButtonTexts,
                                 kButtonTexts, 5};
constexpr MemberKind kPanels = {ControlCollection::Panels, ".PANELS(", kButtonTexts, kPanelApply,
                                5};
constexpr MemberKind kColumns = {ControlCollection::ColumnHeaders, ".COLUMNHEADERS(", kColumnTexts,
                                 kColumnTexts, 2};

std::string Stem(const FormControl& control) {
    std::string stem = control.Name();
    if (auto index = control.Index()) stem += "(" + std::to_string(*index) + ")";
    return stem;
}

bool IsListView(const FormControl& control) {
    return tlx::UCase(control.TypeName()) == "LISTVIEW";
}

// Runs `step`, ignoring every error, as the translation does for each property it reaches.
template <class F>
void Guarded(F&& step) {
    try {
        step();
    } catch (...) {
    }
}

class Translation {
  public:
    Translation(Form& form, tlx::cls_CoreCollection& store) : form_(form), store_(store) {}

    void Collect() {
        Guarded([&] { Store(form_.Name() + ".Caption", form_, "Caption"); });
        for (FormControl* control : Controls()) {
            const std::string stem = Stem(*control);
            for (const char* p : kControlCollect) {
                Guarded([&] { Store(stem + "." + tlx::UCase(p), *control, p); });
            }
            Members(*control, stem, kButtons, true);
            Members(*control, stem, kPanels, true);
            Guarded([&] {
                if (IsListView(*control)) Members(*control, stem, kColumns, true);
            });
        }
    }

    void Apply() {
        Guarded([&] { Set(form_.Name() + ".Caption", form_, "Caption"); });
        for (FormControl* control : Controls()) {
            const std::string stem = Stem(*control);
            for (const char* p : kControlApply) {
                Guarded([&] { Set(stem + "." + tlx::UCase(p), *control, p); });
            }
            Members(*control, stem, kButtons, false);
            Members(*control, stem, kPanels, false);
            Guarded([&] {
                if (IsListView(*control)) Members(*control, stem, kColumns, false);
            });
        }
    }

  private:
    std::vector<FormControl*> Controls() {
        std::vector<FormControl*> controls;
        Guarded([&] { controls = form_.Controls(); });
        return controls;
    }

    void Members(FormControl& control, const std::string& stem, const MemberKind& kind,
                 bool collect) {
        std::int32_t count = 0;
        Guarded([&] { count = control.CollectionCount(kind.collection).value_or(0); });
        for (std::int32_t pos = 1; pos <= count; ++pos) {
            const std::string prefix = stem + kind.keyPart + std::to_string(pos) + ").";
            for (std::size_t i = 0; i < kind.count; ++i) {
                const char* p = collect ? kind.collect[i] : kind.apply[i];
                Guarded([&] {
                    TextHolder* member = control.CollectionItem(kind.collection, pos);
                    if (!member) return;
                    if (collect) {
                        Store(prefix + tlx::UCase(p), *member, p);
                    } else {
                        Set(prefix + tlx::UCase(p), *member, p);
                    }
                });
            }
        }
    }

    // Keeps a two-language text under `key`: nothing without a bar; a text ending in a bar
    // whole for both languages; otherwise German before the first bar, English after it.
    void Store(const std::string& key, const TextHolder& holder, const char* property) {
        std::string text;
        if (!holder.GetText(property, text)) return;
        if (text.find('|') == std::string::npos) return;
        std::string german = text;
        std::string english = text;
        if (text.back() != '|') tlx::CoreTools().SPLIT(text, "|", german, english);
        if (store_.EXISTS(key)) return;  // a second control of the same name keeps the first
        store_.ADD(tlx::Variant::Array(1, {tlx::Variant(german), tlx::Variant(english)}), key);
    }

    void Set(const std::string& key, TextHolder& holder, const char* property) {
        if (!store_.EXISTS(key)) return;
        const tlx::VariantArray& texts = store_.Item(tlx::Variant(key)).ToArray();
        holder.SetText(property, texts[german_ ? 1 : 2].ToText());
    }

    Form& form_;
    tlx::cls_CoreCollection& store_;
    bool german_ = hLanguageIsGerman();
};

}  // namespace

void hTranslateForm(Form& pForm, tlx::cls_CoreCollection& pStore) {
    hLanguageInit();  // a failure of the language choice reaches the caller
    Translation translation(pForm, pStore);
    if (pStore.ISEMPTY()) translation.Collect();
    translation.Apply();
}

}  // namespace vodex
