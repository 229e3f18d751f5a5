#include "vodex/text/translate.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "fixtures.h"
#include "tlx/error.h"

namespace {

using vodex::ControlCollection;
using vodex::FormModel;
using vodex::hTranslateForm;
using vodex::test::OnFreshThread;
using vodex::test::ScopedEnv;

// A dialog like the library's: caption, labels, a control array, a command bar, a status bar
// and a list view.
std::unique_ptr<FormModel> SelectDialog() {
    auto form = std::make_unique<FormModel>("frm_DeviceSelect", "Gerät wählen|Select device");
    form->Add("lab_Title", "Label")
        .Define("Caption", "Wandler wählen|Select device")
        .Define("ToolTipText", "Hilfe|Help")
        .Define("Tag", "plain");
    form->Add("Label1", "Label", 0).Define("Caption", "Erster|First");
    form->Add("Label1", "Label", 2).Define("Caption", "Dritter|Third");
    auto& bar = form->Add("bar_Buttons", "CommandBar");
    bar.AddMember(ControlCollection::Buttons, {{"Text", "OK"}, {"Tag", "DIALOG.OK"}});
    bar.AddMember(ControlCollection::Buttons,
                  {{"Text", "Abbruch|Abort"}, {"ToolTipText", "Schließen|Close"}});
    form->Add("bar_Status", "StatusBar")
        .AddMember(ControlCollection::Panels, {{"Text", "Bereit|Ready"}, {"Description", "x|y"}});
    auto& list = form->Add("lst_Devices", "ListView");
    list.AddMember(ControlCollection::ColumnHeaders, {{"Text", "Gerät|Device"}});
    list.AddMember(ControlCollection::ColumnHeaders,
                   {{"Text", "Hersteller|Manufacturer"}, {"ToolTipText", "Firma|Company"}});
    // Column headers count only for list views.
    form->Add("grd_Other", "Grid")
        .AddMember(ControlCollection::ColumnHeaders, {{"Text", "Spalte|Column"}});
    form->Add("cmd_Both", "CommandButton").Define("Caption", "Abbrechen|");
    return form;
}

void InLanguage(const char* locale, const std::function<void()>& body) {
    ScopedEnv all("LC_ALL", locale);
    OnFreshThread(body);
}

class Translate : public vodex::test::HomeTest {};

TEST_F(Translate, EveryKindOfTextFollowsTheLanguage) {
    for (bool german : {true, false}) {
        InLanguage(german ? "de_DE.UTF-8" : "en_GB.UTF-8", [german] {
            auto form = SelectDialog();
            tlx::cls_CoreCollection store;
            hTranslateForm(*form, store);
            auto pick = [german](const char* de, const char* en) { return german ? de : en; };
            EXPECT_EQ(form->Caption(), pick("Gerät wählen", "Select device"));
            EXPECT_EQ(form->Control("lab_Title").Text("Caption"),
                      pick("Wandler wählen", "Select device"));
            EXPECT_EQ(form->Control("lab_Title").Text("ToolTipText"), pick("Hilfe", "Help"));
            EXPECT_EQ(form->Control("lab_Title").Text("Tag"), "plain");
            EXPECT_EQ(form->Control("Label1", 2).Text("Caption"), pick("Dritter", "Third"));
            auto& bar = form->Control("bar_Buttons");
            EXPECT_EQ(bar.Member(ControlCollection::Buttons, 1).Text("Text"), "OK");
            EXPECT_EQ(bar.Member(ControlCollection::Buttons, 2).Text("Text"),
                      pick("Abbruch", "Abort"));
            EXPECT_EQ(bar.Member(ControlCollection::Buttons, 2).Text("ToolTipText"),
                      pick("Schließen", "Close"));
            auto& status = form->Control("bar_Status");
            EXPECT_EQ(status.Member(ControlCollection::Panels, 1).Text("Text"),
                      pick("Bereit", "Ready"));
            EXPECT_EQ(status.Member(ControlCollection::Panels, 1).Text("Description"),
                      pick("x", "y"));
            auto& list = form->Control("lst_Devices");
            EXPECT_EQ(list.Member(ControlCollection::ColumnHeaders, 2).Text("Text"),
                      pick("Hersteller", "Manufacturer"));
            EXPECT_EQ(list.Member(ControlCollection::ColumnHeaders, 2).Text("ToolTipText"),
                      pick("Firma", "Company"));
            EXPECT_EQ(
                form->Control("grd_Other").Member(ControlCollection::ColumnHeaders, 1).Text("Text"),
                "Spalte|Column");
            EXPECT_EQ(form->Control("cmd_Both").Text("Caption"), "Abbrechen|");
        });
    }
}

TEST_F(Translate, TheStoreHoldsTwoLanguageTextsUnderTheirKeys) {
    InLanguage("de_DE.UTF-8", [] {
        auto form = SelectDialog();
        tlx::cls_CoreCollection store;
        hTranslateForm(*form, store);
        for (const char* key :
             {"frm_DeviceSelect.Caption", "lab_Title.CAPTION", "lab_Title.TOOLTIPTEXT",
              "Label1(0).CAPTION", "Label1(2).CAPTION", "bar_Buttons.BUTTONS(2).TEXT",
              "bar_Buttons.BUTTONS(2).TOOLTIPTEXT", "bar_Status.PANELS(1).TEXT",
              "bar_Status.PANELS(1).DESCRIPTION", "lst_Devices.COLUMNHEADERS(1).TEXT",
              "lst_Devices.COLUMNHEADERS(2).TEXT", "lst_Devices.COLUMNHEADERS(2).TOOLTIPTEXT",
              "cmd_Both.CAPTION"}) {
            EXPECT_TRUE(store.EXISTS(key)) << key;
        }
        EXPECT_FALSE(store.EXISTS("bar_Buttons.BUTTONS(1).TEXT"));  // "OK" has no bar
        EXPECT_FALSE(store.EXISTS("lab_Title.TAG"));
        EXPECT_FALSE(store.EXISTS("grd_Other.COLUMNHEADERS(1).TEXT"));
        EXPECT_EQ(store.COUNT(), 13);
        const tlx::VariantArray& both = store.Item(tlx::Variant("Label1(2).CAPTION")).ToArray();
        EXPECT_EQ(both.LBound(), 1);
        EXPECT_EQ(both[1], tlx::Variant("Dritter"));
        EXPECT_EQ(both[2], tlx::Variant("Third"));
        const tlx::VariantArray& whole = store.Item(tlx::Variant("cmd_Both.CAPTION")).ToArray();
        EXPECT_EQ(whole[1], tlx::Variant("Abbrechen|"));
        EXPECT_EQ(whole[2], tlx::Variant("Abbrechen|"));
    });
}

TEST_F(Translate, ASecondTranslationAppliesTheFirstCollection) {
    InLanguage("en_US.UTF-8", [] {
        FormModel form("frm_Test", "Prüfen|Test");
        form.Add("lab_Info", "Label").Define("Caption", "Info|Information");
        tlx::cls_CoreCollection store;
        hTranslateForm(form, store);
        EXPECT_EQ(form.Caption(), "Test");
        form.SetText("Caption", "Neu|New");
        form.Control("lab_Info").Define("Caption", "something else");
        hTranslateForm(form, store);
        EXPECT_EQ(form.Caption(), "Test");
        EXPECT_EQ(form.Control("lab_Info").Text("Caption"), "Information");
    });
}

TEST_F(Translate, MoreThanOneBarSplitsAtTheFirst) {
    InLanguage("en_US.UTF-8", [] {
        FormModel form("frm_Test", "A|B|C");
        tlx::cls_CoreCollection store;
        hTranslateForm(form, store);
        EXPECT_EQ(form.Caption(), "B|C");
    });
}

// A control whose texts cannot be reached at all, and one whose collection fails.
class BrokenControl : public vodex::FormControl {
  public:
    std::string Name() const override { return "ctl_Broken"; }
    std::optional<std::int32_t> Index() const override { return std::nullopt; }
    std::string TypeName() const override { return "ListView"; }
    std::optional<std::int32_t> CollectionCount(vodex::ControlCollection) const override {
        throw tlx::Error("no collections");
    }
    vodex::TextHolder* CollectionItem(vodex::ControlCollection, std::int32_t) override {
        throw tlx::Error("no collections");
    }
    bool GetText(std::string_view, std::string&) const override { throw tlx::Error("broken"); }
    bool SetText(std::string_view, const std::string&) override { throw tlx::Error("broken"); }
};

class FormWithBrokenControl : public FormModel {
  public:
    FormWithBrokenControl() : FormModel("frm_Broken", "Kaputt|Broken") {
        Add("lab_After", "Label").Define("Caption", "Danach|After");
    }
    std::vector<vodex::FormControl*> Controls() override {
        std::vector<vodex::FormControl*> all = FormModel::Controls();
        all.insert(all.begin(), &broken_);
        return all;
    }

  private:
    BrokenControl broken_;
};

// Texts that remember in which order they were read and written.
class RecordingControl : public vodex::ControlModel {
  public:
    explicit RecordingControl(std::vector<std::string>& log)
        : ControlModel("ctl_Rec", "ListView"), log_(log) {
        for (const char* p : {"Title", "Text", "ToolTipText", "Caption", "Tag"}) {
            Define(p, std::string(p) + "|" + p);
        }
        for (auto c : {ControlCollection::Buttons, ControlCollection::Panels,
                       ControlCollection::ColumnHeaders}) {
            AddMember(c, {{"Text", "a|b"},
                          {"Caption", "a|b"},
                          {"ToolTipText", "a|b"},
                          {"Description", "a|b"},
                          {"Tag", "a|b"}});
        }
    }
    bool GetText(std::string_view property, std::string& value) const override {
        log_.push_back("get " + std::string(property));
        return ControlModel::GetText(property, value);
    }
    bool SetText(std::string_view property, const std::string& value) override {
        log_.push_back("set " + std::string(property));
        return ControlModel::SetText(property, value);
    }
    vodex::TextHolder* CollectionItem(ControlCollection c, std::int32_t position) override {
        member_.log = &log_;
        member_.inner = ControlModel::CollectionItem(c, position);
        member_.prefix = c == ControlCollection::Buttons  ? "button "
                         : c == ControlCollection::Panels ? "panel "
                                                          : "column ";
        return &member_;
    }

  private:
    struct Member : vodex::TextHolder {
        std::vector<std::string>* log = nullptr;
        vodex::TextHolder* inner = nullptr;
        std::string prefix;
        bool GetText(std::string_view p, std::string& v) const override {
            log->push_back(prefix + "get " + std::string(p));
            return inner->GetText(p, v);
        }
        bool SetText(std::string_view p, const std::string& v) override {
            log->push_back(prefix + "set " + std::string(p));
            return inner->SetText(p, v);
        }
    };
    std::vector<std::string>& log_;
    Member member_;
};

class RecordingForm : public FormModel {
  public:
    explicit RecordingForm(std::vector<std::string>& log)
        : FormModel("frm_Rec", "x|y"), rec_(log) {}
    std::vector<vodex::FormControl*> Controls() override { return {&rec_}; }

  private:
    RecordingControl rec_;
};

TEST_F(Translate, TextsAreCollectedAndAppliedInTheirOrders) {
    InLanguage("en_US.UTF-8", [] {
        std::vector<std::string> log;
        RecordingForm form(log);
        tlx::cls_CoreCollection store;
        hTranslateForm(form, store);
        auto take = [&log](const std::string& prefix) {
            std::vector<std::string> seen;
            for (const std::string& entry : log) {
                if (entry.rfind(prefix, 0) == 0) seen.push_back(entry.substr(prefix.size()));
            }
            return seen;
        };
        using Names = std::vector<std::string>;
        EXPECT_EQ(take("get "), (Names{"Title", "Text", "ToolTipText", "Caption", "Tag"}));
        EXPECT_EQ(take("set "), (Names{"Text", "Title", "ToolTipText", "Caption", "Tag"}));
        EXPECT_EQ(take("button get "),
                  (Names{"Text", "Caption", "ToolTipText", "Description", "Tag"}));
        EXPECT_EQ(take("button set "),
                  (Names{"Text", "Caption", "ToolTipText", "Description", "Tag"}));
        EXPECT_EQ(take("panel get "),
                  (Names{"Text", "Caption", "ToolTipText", "Description", "Tag"}));
        EXPECT_EQ(take("panel set "),
                  (Names{"Text", "ToolTipText", "Caption", "Description", "Tag"}));
        EXPECT_EQ(take("column get "), (Names{"Text", "ToolTipText"}));
        EXPECT_EQ(take("column set "), (Names{"Text", "ToolTipText"}));
        // Collection first, then application.
        auto firstSet = std::find_if(log.begin(), log.end(), [](const std::string& e) {
            return e.find("set") != std::string::npos;
        });
        EXPECT_TRUE(std::none_of(firstSet, log.end(), [](const std::string& e) {
            return e.find("get") != std::string::npos;
        }));
    });
}

TEST_F(Translate, ErrorsOfSingleControlsAreSkipped) {
    InLanguage("en_US.UTF-8", [] {
        FormWithBrokenControl form;
        tlx::cls_CoreCollection store;
        EXPECT_NO_THROW(hTranslateForm(form, store));
        EXPECT_EQ(form.Caption(), "Broken");
        EXPECT_EQ(form.Control("lab_After").Text("Caption"), "After");
    });
}

}  // namespace
