#include "vodex/ui/qt_form.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVariant>
#include <map>

#include "tlx/controls/command_bar.h"
#include "tlx/controls/header.h"
#include "tlx/controls/image_box.h"
#include "tlx/controls/label.h"
#include "tlx/controls/list_view.h"
#include "tlx/controls/panel.h"
#include "tlx/controls/progress_bar.h"
#include "tlx/controls/status_bar.h"
#include "tlx/controls/title_bar.h"
#include "tlx/text.h"

namespace vodex::ui {
namespace {

using namespace tlx::controls;

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

bool Is(std::string_view property, const char* name) {
    return tlx::UCase(std::string(property)) == tlx::UCase(name);
}

// The texts every widget has: its tool tip and its tag.
bool GetCommon(const QWidget& w, std::string_view property, std::string& value) {
    if (Is(property, "ToolTipText")) {
        value = w.toolTip().toStdString();
        return true;
    }
    if (Is(property, "Tag")) {
        value = w.property("Tag").toString().toStdString();
        return true;
    }
    return false;
}

bool SetCommon(QWidget& w, std::string_view property, const std::string& value) {
    if (Is(property, "ToolTipText")) {
        w.setToolTip(Q(value));
        return true;
    }
    if (Is(property, "Tag")) {
        w.setProperty("Tag", Q(value));
        return true;
    }
    return false;
}

// A button of a command bar.
class BarButton : public TextHolder {
  public:
    BarButton(CommandBar& bar, int index) : bar_(bar), index_(index) {}
    bool GetText(std::string_view property, std::string& value) const override {
        QPushButton* b = bar_.Button(index_);
        if (!b) return false;
        if (Is(property, "Text") || Is(property, "Caption")) {
            value = b->text().toStdString();
        } else if (Is(property, "Tag")) {
            value = bar_.Key(index_).toStdString();  // the key is the button's tag
        } else if (Is(property, "ToolTipText")) {
            value = b->toolTip().toStdString();
        } else {
            return false;
        }
        return true;
    }
    bool SetText(std::string_view property, const std::string& value) override {
        QPushButton* b = bar_.Button(index_);
        if (!b) return false;
        if (Is(property, "Text") || Is(property, "Caption")) {
            b->setText(Q(value));
        } else if (Is(property, "ToolTipText")) {
            b->setToolTip(Q(value));
        } else {
            return false;  // the key stays what the window was built with
        }
        return true;
    }

  private:
    CommandBar& bar_;
    int index_;
};

// A panel of a status bar.
class BarPanel : public TextHolder {
  public:
    BarPanel(StatusBar& bar, int index) : bar_(bar), index_(index) {}
    bool GetText(std::string_view property, std::string& value) const override {
        QLabel* panel = bar_.PanelLabel(index_);
        if (!panel) return false;
        if (Is(property, "Text")) {
            value = panel->text().toStdString();
            return true;
        }
        return GetCommon(*panel, property, value);
    }
    bool SetText(std::string_view property, const std::string& value) override {
        QLabel* panel = bar_.PanelLabel(index_);
        if (!panel) return false;
        if (Is(property, "Text")) {
            panel->setText(Q(value));
            return true;
        }
        return SetCommon(*panel, property, value);
    }

  private:
    StatusBar& bar_;
    int index_;
};

// A column header of a list.
class ColumnHeader : public TextHolder {
  public:
    ColumnHeader(ListView& list, int index) : list_(list), index_(index) {}
    bool GetText(std::string_view property, std::string& value) const override {
        if (index_ >= list_.columnCount()) return false;
        if (Is(property, "Text")) {
            value = list_.ColumnText(index_).toStdString();
        } else if (Is(property, "ToolTipText")) {
            value = list_.headerItem()->toolTip(index_).toStdString();
        } else {
            return false;
        }
        return true;
    }
    bool SetText(std::string_view property, const std::string& value) override {
        if (index_ >= list_.columnCount()) return false;
        if (Is(property, "Text")) {
            list_.SetColumnText(index_, Q(value));
        } else if (Is(property, "ToolTipText")) {
            list_.headerItem()->setToolTip(index_, Q(value));
        } else {
            return false;
        }
        return true;
    }

  private:
    ListView& list_;
    int index_;
};

class QtControl : public FormControl {
  public:
    explicit QtControl(QWidget& w) : w_(w) {}

    std::string Name() const override { return w_.objectName().toStdString(); }
    std::optional<std::int32_t> Index() const override {
        const QVariant index = w_.property("Index");
        if (!index.isValid()) return std::nullopt;
        return index.toInt();
    }
    std::string TypeName() const override {
        if (qobject_cast<const CommandBar*>(&w_)) return "CommandBar";
        if (qobject_cast<const TitleBar*>(&w_)) return "TitleBar";
        if (qobject_cast<const StatusBar*>(&w_)) return "StatusBar";
        if (qobject_cast<const ListView*>(&w_)) return "ListView";
        if (qobject_cast<const Header*>(&w_)) return "Header";
        if (qobject_cast<const Panel*>(&w_)) return "Panel";
        if (qobject_cast<const QGroupBox*>(&w_)) return "Frame";
        if (qobject_cast<const ImageBox*>(&w_)) return "ImageBox";
        if (qobject_cast<const ProgressBar*>(&w_)) return "ProgressBar";
        if (qobject_cast<const QLabel*>(&w_)) return "Label";
        if (qobject_cast<const QAbstractButton*>(&w_)) return "CommandButton";
        if (qobject_cast<const QLineEdit*>(&w_)) return "TextBox";
        return w_.metaObject()->className();
    }

    std::optional<std::int32_t> CollectionCount(ControlCollection c) const override {
        if (c == ControlCollection::Buttons) {
            if (auto* bar = qobject_cast<CommandBar*>(&w_)) return bar->Count();
        } else if (c == ControlCollection::Panels) {
            if (auto* bar = qobject_cast<StatusBar*>(&w_)) return bar->PanelCount();
        } else if (auto* list = qobject_cast<ListView*>(&w_)) {
            return list->columnCount();
        }
        return std::nullopt;
    }

    TextHolder* CollectionItem(ControlCollection c, std::int32_t position) override {
        const auto count = CollectionCount(c);
        if (!count || position < 1 || position > *count) return nullptr;
        auto& member = members_[{c, position}];
        if (!member) {
            const int i = position - 1;
            if (auto* bar = qobject_cast<CommandBar*>(&w_)) {
                member = std::make_unique<BarButton>(*bar, i);
            } else if (auto* status = qobject_cast<StatusBar*>(&w_)) {
                member = std::make_unique<BarPanel>(*status, i);
            } else if (auto* list = qobject_cast<ListView*>(&w_)) {
                member = std::make_unique<ColumnHeader>(*list, i);
            }
        }
        return member.get();
    }

    bool GetText(std::string_view property, std::string& value) const override {
        if (auto* title = qobject_cast<const TitleBar*>(&w_)) {
            if (Is(property, "Title")) return (value = title->Title().toStdString(), true);
            if (Is(property, "Text")) return (value = title->Explanation().toStdString(), true);
        }
        if (Is(property, "Caption")) {
            if (auto* label = qobject_cast<const Label*>(&w_)) {
                return (value = label->Caption().toStdString(), true);
            }
            if (auto* header = qobject_cast<const Header*>(&w_)) {
                return (value = header->Caption().toStdString(), true);
            }
            if (auto* panel = qobject_cast<const Panel*>(&w_)) {
                return (value = panel->Caption().toStdString(), true);
            }
            if (auto* frame = qobject_cast<const QGroupBox*>(&w_)) {
                return (value = frame->title().toStdString(), true);
            }
            if (auto* label = qobject_cast<const QLabel*>(&w_)) {
                return (value = label->text().toStdString(), true);
            }
            if (auto* button = qobject_cast<const QAbstractButton*>(&w_)) {
                return (value = button->text().toStdString(), true);
            }
        }
        if (Is(property, "Text")) {
            if (auto* edit = qobject_cast<const QLineEdit*>(&w_)) {
                return (value = edit->text().toStdString(), true);
            }
        }
        return GetCommon(w_, property, value);
    }

    bool SetText(std::string_view property, const std::string& value) override {
        if (auto* title = qobject_cast<TitleBar*>(&w_)) {
            if (Is(property, "Title")) return (title->SetTitle(Q(value)), true);
            if (Is(property, "Text")) return (title->SetExplanation(Q(value)), true);
        }
        if (Is(property, "Caption")) {
            if (auto* label = qobject_cast<Label*>(&w_)) return (label->SetCaption(Q(value)), true);
            if (auto* header = qobject_cast<Header*>(&w_)) {
                return (header->SetCaption(Q(value)), true);
            }
            if (auto* panel = qobject_cast<Panel*>(&w_)) return (panel->SetCaption(Q(value)), true);
            if (auto* frame = qobject_cast<QGroupBox*>(&w_))
                return (frame->setTitle(Q(value)), true);
            if (auto* label = qobject_cast<QLabel*>(&w_)) return (label->setText(Q(value)), true);
            if (auto* button = qobject_cast<QAbstractButton*>(&w_)) {
                return (button->setText(Q(value)), true);
            }
        }
        if (Is(property, "Text")) {
            if (auto* edit = qobject_cast<QLineEdit*>(&w_)) return (edit->setText(Q(value)), true);
        }
        return SetCommon(w_, property, value);
    }

  private:
    QWidget& w_;
    std::map<std::pair<ControlCollection, std::int32_t>, std::unique_ptr<TextHolder>> members_;
};

// Widgets of Qt's own making inside others ("qt_scrollarea_viewport") are not controls.
bool IsControl(const QWidget& w) {
    const QString name = w.objectName();
    return !name.isEmpty() && !name.startsWith("qt_");
}

}  // namespace

QtForm::QtForm(QWidget& window) : window_(window) {}

QtForm::~QtForm() = default;

std::string QtForm::Name() const {
    return window_.objectName().toStdString();
}

std::vector<FormControl*> QtForm::Controls() {
    controls_.clear();
    std::vector<FormControl*> controls;
    for (QWidget* w : window_.findChildren<QWidget*>()) {
        if (!IsControl(*w)) continue;
        controls_.push_back(std::make_unique<QtControl>(*w));
        controls.push_back(controls_.back().get());
    }
    return controls;
}

bool QtForm::GetText(std::string_view property, std::string& value) const {
    if (!Is(property, "Caption")) return false;
    value = window_.windowTitle().toStdString();
    return true;
}

bool QtForm::SetText(std::string_view property, const std::string& value) {
    if (!Is(property, "Caption")) return false;
    window_.setWindowTitle(Q(value));
    return true;
}

void QtForm::SetIndex(QWidget& control, int index) {
    control.setProperty("Index", index);
}

void ShowDesignTexts(FormModel& design, Form& window) {
    static constexpr const char* kTexts[] = {"Caption", "Text", "Title", "ToolTipText"};
    static constexpr ControlCollection kCollections[] = {
        ControlCollection::Buttons, ControlCollection::Panels, ControlCollection::ColumnHeaders};
    std::string text;
    if (design.GetText("Caption", text)) window.SetText("Caption", text);
    std::map<std::pair<std::string, std::optional<std::int32_t>>, FormControl*> shown;
    for (FormControl* control : window.Controls()) {
        shown.try_emplace({tlx::UCase(control->Name()), control->Index()}, control);
    }
    for (FormControl* source : design.Controls()) {
        auto it = shown.find({tlx::UCase(source->Name()), source->Index()});
        if (it == shown.end()) continue;
        FormControl& target = *it->second;
        for (const char* p : kTexts) {
            if (source->GetText(p, text)) target.SetText(p, text);
        }
        for (ControlCollection c : kCollections) {
            const std::int32_t count = std::min(source->CollectionCount(c).value_or(0),
                                                target.CollectionCount(c).value_or(0));
            for (std::int32_t pos = 1; pos <= count; ++pos) {
                TextHolder* from = source->CollectionItem(c, pos);
                TextHolder* to = target.CollectionItem(c, pos);
                for (const char* p : kTexts) {
                    if (from && to && from->GetText(p, text)) to->SetText(p, text);
                }
            }
        }
    }
}

}  // namespace vodex::ui
