#include "vodex/tools/comm_settings_model.h"

#include "tlx/tools.h"
#include "vodex/core/device.h"
#include "vodex/enums.h"

namespace vodex {
namespace {

struct Offer {
    const char* text;
    std::int32_t code;
};

// The entries each list may offer, in the order shown.
constexpr Offer kDataBits[] = {{"8", ID_DeviceComData_8},
                               {"7", ID_DeviceComData_7},
                               {"6", ID_DeviceComData_6},
                               {"5", ID_DeviceComData_5},
                               {"4", ID_DeviceComData_4}};
constexpr Offer kHandshakes[] = {{"Keine (None)", ID_DeviceComHand_None},
                                 {"XOn / XOff", ID_DeviceComHand_XOnXOff},
                                 {"RTS", ID_DeviceComHand_RTS},
                                 {"RTS XOn / XOff", ID_DeviceComHand_RTSXOnXOff}};
constexpr Offer kStopBits[] = {
    {"1", ID_DeviceComStop_1_0}, {"1,5", ID_DeviceComStop_1_5}, {"2", ID_DeviceComStop_2_0}};
constexpr Offer kParities[] = {{"Keine (None)", ID_DeviceComParity_None},
                               {"Ungerade (Odd)", ID_DeviceComParity_Odd},
                               {"Gerade (Even)", ID_DeviceComParity_Even},
                               {"Leerzeichen (Space)", ID_DeviceComParity_Space},
                               {"Markeriung (Marker)", ID_DeviceComParity_Mark}};

constexpr const char* kHelp =
    "In diesem Dialog können Sie die Kommunikation des Wandlers mit dem Rechner anpassen. "
    "Wählen Sie die hier möglichen Einstellungen genau so, wie sie auch am Wandler "
    "eingestellt bzw. vorgegeben sind! Grau gestellte Parameter können nicht variiert werden.";

// The offers whose code the driver declares.
template <std::size_t N>
void Fill(CommSettingsModel::List& list, const Offer (&offers)[N],
          const std::shared_ptr<tlx::cls_CoreValueList>& declared) {
    for (const Offer& o : offers) {
        if (declared && declared->EXISTS(tlx::Variant(o.code)))
            list.entries.push_back({o.text, o.code});
    }
}

// Empty: disabled; one entry: that one; otherwise the entry of the current value, else the
// first.
void Choose(CommSettingsModel::List& list, std::int32_t current) {
    list.enabled = !list.entries.empty();
    list.selected = list.entries.empty() ? -1 : 0;
    for (std::size_t i = 0; list.entries.size() > 1 && i < list.entries.size(); ++i) {
        if (list.entries[i].code == current) {
            list.selected = static_cast<std::int32_t>(i);
            break;
        }
    }
}

}  // namespace

const std::array<const char*, CommSettingsModel::kLists> CommSettingsModel::kListNames = {
    "lst_Baud", "lst_Parity", "lst_Stopbits", "lst_Databits", "lst_Handshake"};

CommSettingsModel::CommSettingsModel(std::shared_ptr<int_Device> device)
    : DialogModel("frm_DialogCommunication", "Kommunikationseinstellungen|Communication settings"),
      device_(std::move(device)) {
    FormModel& f = Design();
    f.Add("bar_Title", "TitleBar")
        .Define("Title", "Kommunikation|Communication")
        .Define("Text",
                "Hier können Sie Optionen für die Kommunikation festlegen| Here you can set the "
                "parameters for communication");
    f.Add("lab_Baud", "Label").Define("Caption", "Bit pro Sekunde (Baudrate):|Baudrate:");
    f.Add("lab_Databits", "Label").Define("Caption", "Datenbits.");
    f.Add("lab_Parity", "Label").Define("Caption", "Parität:|Parity");
    f.Add("lab_Stopbits", "Label").Define("Caption", "Stoppbits:");
    f.Add("lab_Handshake", "Label").Define("Caption", "Flusssteuerung:|communication flow");
    for (const char* name : kListNames)
        f.Add(name, "ComboBox");
    AddCommandBar("bar_Buttons", "DIALOG.OK();", "DIALOG.ABORT();", "DIALOG.HELP();");
}

void CommSettingsModel::Load() {
    Translate();
    Open();
    confirmed_ = false;
    for (List& l : lists_)
        l = List{};
    if (!device_) return;
    const auto info = device_->INFO();
    const auto com = device_->SETTINGSCOM();
    // Baud rates as the driver lists them; the current rate wins over the first entry.
    List& baud = lists_[Baud];
    const auto rates = info->COMBAUD();
    for (std::int32_t i = 1; rates && i <= rates->COUNT(); ++i) {
        const std::int32_t rate = rates->Item(i).ToInt32();
        baud.entries.push_back({std::to_string(rate), rate});
        if (i == 1 || rate == com->BAUD()) baud.selected = i - 1;
    }
    baud.enabled = !baud.entries.empty();
    Fill(lists_[DataBits], kDataBits, info->COMDATABITS());
    Fill(lists_[Handshake], kHandshakes, info->COMHANDSHAKE());
    Fill(lists_[StopBits], kStopBits, info->COMSTOPBITS());
    Fill(lists_[Parity], kParities, info->COMPARITIES());
    Choose(lists_[DataBits], com->DATABITS());
    Choose(lists_[StopBits], com->STOPBITS());
    Choose(lists_[Parity], com->PARITY());
    Choose(lists_[Handshake], com->HANDSHAKE());
}

void CommSettingsModel::Select(ListId list, std::int32_t index) {
    List& l = lists_[list];
    if (index >= 0 && index < static_cast<std::int32_t>(l.entries.size())) l.selected = index;
}

void CommSettingsModel::Command(const std::string& key) {
    if (IsCommand(key, "DIALOG.OK();")) {
        confirmed_ = true;
        if (device_) {
            const auto com = device_->SETTINGSCOM();
            auto chosen = [this](ListId id, auto write) {
                const List& l = lists_[id];
                if (l.enabled && l.selected >= 0)
                    write(l.entries[static_cast<std::size_t>(l.selected)].code);
            };
            chosen(Baud, [&](std::int32_t v) { com->BAUD(v); });
            chosen(Parity, [&](std::int32_t v) { com->PARITY(v); });
            chosen(StopBits, [&](std::int32_t v) { com->STOPBITS(v); });
            chosen(DataBits, [&](std::int32_t v) { com->DATABITS(v); });
            chosen(Handshake, [&](std::int32_t v) { com->HANDSHAKE(v); });
        }
        Close();
    } else if (IsCommand(key, "DIALOG.ABORT();")) {
        confirmed_ = false;
        Close();
    } else if (IsCommand(key, "DIALOG.HELP();")) {
        tlx::CoreTools().DIALOGS().MESSAGE(kHelp, "");
    }
}

}  // namespace vodex
