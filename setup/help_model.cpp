#include "help_model.h"

#include "vodex/text/language.h"

namespace vodex::setup {

HelpModel::HelpModel()
    : DialogModel("frm_DialogHelp", "Hilfe Zu VQ ZarivuZarud|VQ ZarivuZarud help") {
    Design()
        .Add("bar_Title", "TitleBar")
        .Define("Title", "Hilfe Zu VQ ZarivuZarud|VQ ZarivuZarud help");
    Design()
        .Add("bar_Buttons", "CommandBar")
        .AddMember(ControlCollection::Buttons,
                   {{"Text", "Schließen|Close"}, {"Tag", "DIALOG.OK();"}});
}

void HelpModel::Load() {
    Translate();
    Open();
    topics_ = {
        {hLanguageText("Was ist VQ ZarivuZarud?", "What is VQ ZarivuZarud?"),
         hLanguageText(
             "VQ ZarivuZarud verwaltet die Wandlertreiber Ihrer Messgeräte: es zeigt die "
             "installierten Treiber, die Treiber auf einem Datenträger oder in einem Ordner und "
             "die Treiber im Internet mit ihren Versionen, und es installiert, aktualisiert und "
             "entfernt sie.",
             "VQ ZarivuZarud manages the drivers of your instruments: it shows the installed "
             "drivers, the drivers on a disc or in a folder and the drivers on the internet with "
             "their versions, and it installs, updates and removes them.")},
        {hLanguageText("Wie installiere ich neue Wandler?", "How do I install new drivers?"),
         hLanguageText(
             "Wählen Sie unter \"Folgende Wandlertreiber anzeigen\" den Eintrag \"Neue Wandler + "
             "Updates\", setzen Sie einen Haken vor die gewünschten Wandler und klicken Sie auf "
             "\"Neuste Version installieren\".",
             "Choose \"New drivers + updates\" under \"Show these drivers\", tick the drivers "
             "you want and click \"Install the newest version\".")},
        {hLanguageText("Wie aktualisiere ich Wandlertreiber?", "How do I update drivers?"),
         hLanguageText(
             "Klicken Sie auf \"Alle verfügbaren Updates installieren\", oder setzen Sie einen "
             "Haken vor einzelne Wandler und wählen Sie \"Update aus dem Internet\" oder \"Update "
             "von Datenträger\". Liegen die Treiber auf einem Datenträger, wählen Sie ihn unter "
             "\"Vergleichen mit Datenträger\" oder mit \"Datenträger / Ordner...\".",
             "Click \"Install all available updates\", or tick single drivers and choose "
             "\"Update from the internet\" or \"Update from disc\". When the drivers are on a "
             "disc, choose it under \"Compare with disc\" or with \"Disc / folder...\".")},
        {hLanguageText("Wie entferne ich nicht mehr benötigte Treiber?",
                       "How do I remove drivers I no longer need?"),
         hLanguageText("Setzen Sie einen Haken vor die Wandler und klicken Sie auf \"Entfernen\". "
                       "Der Zufallsgenerator bleibt immer installiert.",
                       "Tick the drivers and click \"Remove\". The random generator always "
                       "stays installed.")},
    };
}

void HelpModel::Command(const std::string& /*key*/) {
    Close();
}

}  // namespace vodex::setup
