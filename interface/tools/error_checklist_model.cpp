#include "vodex/tools/error_checklist_model.h"

#include "tlx/text.h"

namespace vodex {
namespace {

constexpr const char* kStatus =
    "Überprüfen Sie die Testfragen und kreuzen Sie die Punkte nacheinander an.";

constexpr const char* kConnectBoxes[] = {
    "Ist '{DEVICE}' wirklich der von Ihnen ausgewählte Wandler?",
    "Benutzen Sie das 'Originalkabel' zwischen Wandler und PC?",
    "Ist das Kabel am PC am richtigen Anschluss eingesteckt?",
    "Ist der Wandler am Netz angeschlossen und eingeschaltet?",
    "Ist auf dem Messgerät ein Wert zu sehen?",
    "Ist der richtige Messbereich am Wandler eingestellt?",
    "Ist, falls erforderlich, eine Elektrode richtig eingesteckt?"};

constexpr const char* kRangeBoxes[] = {
    "Haben Sie im Einstellungsfenster den richtigen Messbereich eingestellt?",
    "Haben Sie am Wandler den richtigen Messbreeich '{CHANNEL}' eingestellt?"};

}  // namespace

ErrorChecklistModel::ErrorChecklistModel(Kind kind, std::string device, std::string channel)
    : DialogModel(kind == Kind::Connect ? "frm_DialogErrorConnect" : "frm_DialogErrorRange",
                  kind == Kind::Connect ? "Verbindung zum Wandler fehlgeschlagen!"
                                        : "Messbereich konnte nicht abgeglichen werden!"),
      kind_(kind),
      device_(std::move(device)),
      channel_(std::move(channel)) {
    FormModel& f = Design();
    f.Add("bar_Status", "StatusBar").AddMember(ControlCollection::Panels, {{"Text", kStatus}});
    f.Add("Label1", "Label")
        .Define("Caption",
                kind == Kind::Connect
                    ? "Das Programm konnte den Wandler '{DEVICE}' nicht erreichen. Sie können mit "
                      "Hilfe der nachfolgenden Vorschläge versuchen, den Fehler einzugrenzen."
                    : "Der Rechner findet am Messgerät einen anderen Kanal als im "
                      "Einstellungsfenster ausgewählt! Sie müssen sowohl am Messgerät und im "
                      "Programm den gleichen Bereich wählen!");
    std::int32_t index = 0;
    if (kind == Kind::Connect) {
        for (const char* text : kConnectBoxes)
            f.Add("opt_Check", "CheckBox", index++).Define("Caption", text);
    } else {
        for (const char* text : kRangeBoxes)
            f.Add("opt_Check", "CheckBox", index++).Define("Caption", text);
    }
    AddCommandBar("bar_Buttons", "OK", "ABORT", "HELP");
}

void ErrorChecklistModel::Load() {
    Translate();
    Open();
    result_ = false;
    focus_ = 0;
    boxes_.clear();
    auto fill = [this](std::string text) {
        text = tlx::Replace(text, "{DEVICE}", device_);
        if (kind_ == Kind::Range) text = tlx::Replace(text, "{CHANNEL}", channel_);
        return text;
    };
    for (std::int32_t i = 0;; ++i) {
        ControlModel* box = nullptr;
        try {
            box = &Design().Control("opt_Check", i);
        } catch (...) {
            break;
        }
        box->Define("Caption", fill(box->Text("Caption")));
        boxes_.push_back({box->Text("Caption"), i == 0, false});
    }
    ControlModel& label = Design().Control("Label1");
    label.Define("Caption", tlx::Replace(label.Text("Caption"), "{DEVICE}", device_));
    explanation_ = label.Text("Caption");
}

void ErrorChecklistModel::Tick(std::int32_t index, bool ticked) {
    if (index < 0 || index >= Count() || !boxes_[static_cast<std::size_t>(index)].enabled) return;
    boxes_[static_cast<std::size_t>(index)].ticked = ticked;
    if (!ticked) return;
    if (index + 1 < Count()) {
        boxes_[static_cast<std::size_t>(index + 1)].enabled = true;
        focus_ = index + 1;
    } else {
        focus_ = -1;
    }
}

void ErrorChecklistModel::Command(const std::string& key) {
    if (IsCommand(key, "OK")) {
        result_ = true;
        Close();
    } else if (IsCommand(key, "ABORT")) {
        Close();
    }
}

}  // namespace vodex
