#include "vodex/tools/device_info_model.h"

#include "tlx/convert.h"
#include "tlx/filesystem.h"
#include "tlx/process.h"
#include "tlx/variant.h"
#include "vodex/core/device.h"
#include "vodex/text/language.h"

namespace vodex {
namespace {

std::string YesNo(bool value) {
    return value ? hLanguageText("Ja", "Yes") : hLanguageText("Nein", "No");
}

}  // namespace

DeviceInfoModel::DeviceInfoModel(std::shared_ptr<int_Device> device, std::string file)
    : DialogModel("frm_DeviceInfo", "Wandler-Information|Driver information"),
      device_(std::move(device)),
      file_(std::move(file)) {
    FormModel& f = Design();
    f.Add("lab_NameCaption", "Label").Define("Caption", "Name:|Name:");
    f.Add("lab_ManufacturerCaption", "Label").Define("Caption", "Hersteller:|Manufacturer:");
    f.Add("lab_DescriptionCaption", "Label").Define("Caption", "Beschreibung:|Description:");
    f.Add("lab_IdentifierCaption", "Label").Define("Caption", "Kennung:|Identifier:");
    f.Add("lab_InfoUrlCaption", "Label").Define("Caption", "Informationen:|Information:");
    f.Add("lab_FileDateCaption", "Label").Define("Caption", "Dateidatum:|File date:");
    f.Add("fra_Properties", "Frame").Define("Caption", "Eigenschaften|Properties");
    f.Add("fra_Channels", "Frame").Define("Caption", "Kanäle|Channels");
    f.Add("fra_Ports", "Frame").Define("Caption", "Anschlüsse|Ports");
    ControlModel& channels = f.Add("lst_Channels", "ListView");
    for (const char* column : {"Kanal|Channel", "Größe|Size", "Faktor|Factor", "Offset|Offset"})
        channels.AddMember(ControlCollection::ColumnHeaders, {{"Text", column}});
    ControlModel& ports = f.Add("lst_Ports", "ListView");
    for (const char* column : {"Anschluss|Port", "Verfügbar|Available"})
        ports.AddMember(ControlCollection::ColumnHeaders, {{"Text", column}});
    f.Add("bar_Buttons", "CommandBar")
        .AddMember(ControlCollection::Buttons, {{"Text", "OK"}, {"Tag", "DIALOG.OK();"}});
}

void DeviceInfoModel::Load() {
    Translate();
    Open();
    properties_.clear();
    activators_.clear();
    channels_.clear();
    ports_.clear();
    fileDate_.clear();
    if (!file_.empty()) {
        try {
            fileDate_ = tlx::DateToText(tlx::cls_CoreFileSystem().FILEDATE(file_));
        } catch (const std::exception&) {
            // a file that is gone has no date
        }
    }
    if (!device_) return;
    const auto info = device_->INFO();
    name_ = info->NAME();
    manufacturer_ = info->MANUFACTURER();
    description_ = info->DESCRIPTION();
    identifier_ = info->IDENTIFIER();
    infoUrl_ = info->INFOURL();
    image_ = info->IMAGE();
    icon_ = info->ICON();
    properties_ = {
        {hLanguageText("Auto. Kanal-Erkennung", "Auto channel detection"),
         YesNo(info->AUTOCHANNEL())},
        {hLanguageText("Auto. Anschluß-Erkennung", "Auto port detection"), YesNo(info->AUTOPORT())},
        {hLanguageText("Automatische Erkennung", "Auto detect"), YesNo(info->AUTOSENSE())},
        {hLanguageText("Sichere Erkennung", "Sure detect"), YesNo(info->AUTOSENSESURE())},
        {hLanguageText("Individuelle Einstellungen", "Individual settings"),
         YesNo(info->CUSTOMSETTINGS())},
        {hLanguageText("Data-Logger Funktion", "Data logger"), YesNo(info->LOGGER())},
        {hLanguageText("Manueller Wellenlängen-Scan", "Manual wave scaen"),
         YesNo(info->MANUALWAVE())},
        {hLanguageText("Eigener Einrichtungs-Bildschirm", "Own setup screen"),
         YesNo(info->SETUPSCREEN())},
    };
    supportsLabel_ = hLanguageText("Unterstützt weiterhin:", "Supports:");
    if (const auto activators = info->SUPPORTEDACTIVATORS()) {
        for (const std::string& a : activators->ITEMS())
            activators_.push_back(a);
    }
    const auto channels = device_->CHANNELS();
    for (std::int32_t i = 1; i <= channels->COUNT(); ++i) {
        const auto c = channels->Item(tlx::Variant(i));
        if (!c) continue;
        channels_.push_back({c->NAME(), c->SIZE(), tlx::Variant(c->FACTOR()).ToText(),
                             tlx::Variant(c->OFFSET()).ToText()});
    }
    const auto ports = device_->PORTS();
    ports->RESETCACHE();  // a description's ports are named as they are now
    ports->hPortsRefresh();
    for (std::int32_t i = 1; i <= ports->COUNT(); ++i) {
        const auto p = ports->Item(tlx::Variant(i));
        if (p) ports_.push_back({p->NAME(), YesNo(p->AVAILABLE())});
    }
}

bool DeviceInfoModel::OpenInfoUrl() const {
    return !infoUrl_.empty() && tlx::OpenAddress(infoUrl_);
}

void DeviceInfoModel::Command(const std::string& key) {
    if (IsCommand(key, "DIALOG.OK();") || IsCommand(key, "DIALOG.ABORT();")) Close();
}

}  // namespace vodex
