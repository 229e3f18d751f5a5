#include "vodex/tools/dialog_model.h"

#include "tlx/text.h"
#include "vodex/text/translate.h"

namespace vodex {

DialogModel::DialogModel(std::string name, std::string caption)
    : design_(std::move(name), std::move(caption)) {}

DialogModel::~DialogModel() = default;

bool DialogModel::IsCommand(const std::string& key, const char* command) {
    return tlx::UCase(tlx::Trim(key)) == tlx::UCase(command);
}

void DialogModel::Translate() {
    hTranslateForm(design_, store_);
}

void DialogModel::AddCommandBar(const std::string& name, const char* ok, const char* abort,
                                const char* help) {
    ControlModel& bar = design_.Add(name, "CommandBar");
    bar.AddMember(ControlCollection::Buttons, {{"Text", "OK"}, {"Tag", ok}});
    bar.AddMember(ControlCollection::Buttons, {{"Text", "Abbrechen|Cancel"}, {"Tag", abort}});
    bar.AddMember(ControlCollection::Buttons, {{"Text", "Hilfe|Help"}, {"Tag", help}});
}

}  // namespace vodex
