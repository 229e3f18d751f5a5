#include "vodex/core/device.h"

#include <gtest/gtest.h>

#include "components.h"
#include "tlx/dispatch.h"
#include "tlx/tools.h"
#include "tlx/ui.h"
#include "vodex/interface_ids.h"

namespace {

using tlx::Variant;
using vodex::int_Device;
using vodex::test::OnFreshThread;
using vodex::test::ScopedEnv;

constexpr const char* kTestDriver = "VODEX_TESTDRIVER.cls_TESTDRIVER";

class Device : public vodex::test::DriverTest {
  protected:
    void SetUp() override {
        DriverTest::SetUp();
        driver = CreateDriver(kTestDriver);
        device = DeviceOf(driver);
        ASSERT_TRUE(device);
    }
    // Like every client, the test ends the driver/device cycle with DESTROY.
    void TearDown() override {
        if (device) device->DESTROY();
    }
    void Script(const std::string& name, const Variant& value) {
        tlx::SetPropertyByName(driver, name, value);
    }
    std::string Log() {
        std::string log = tlx::GetPropertyByName(driver, "LOG").ToText();
        tlx::SetPropertyByName(driver, "LOG", Variant());
        return log;
    }

    tlx::ObjectRef driver;
    std::shared_ptr<int_Device> device;
};

// Answers every dialog with a scripted flag and records the requests.
class ScriptedUi : public tlx::UiProvider {
  public:
    bool answer = false;
    std::vector<tlx::DialogRequest> shown;
    bool ShowModal(tlx::DialogRequest& request) override {
        shown.push_back(request);
        return answer;
    }
};

TEST_F(Device, WithoutADriverNothingAnswers) {
    int_Device alone;
    EXPECT_FALSE(alone.CONNECT(3));
    EXPECT_EQ(alone.PORT(), 3);
    EXPECT_EQ(alone.STATUS(), vodex::ID_DeviceStatus_Off);
    EXPECT_EQ(alone.AUTOCHANNEL(), -1);
    EXPECT_FALSE(alone.SWITCH(vodex::ID_DeviceSwitch_Relais1));
    EXPECT_FALSE(alone.AUTOSENSE());
    EXPECT_FALSE(alone.DISCONNECT());
    EXPECT_FALSE(alone.DIALOG()->SETTINGS());
    EXPECT_FALSE(alone.DIALOG()->SETUPSCREEN());
    EXPECT_FALSE(alone.DIALOG()->SETTINGSCOM());
    for (const char* locale : {"de_DE.UTF-8", "en_US.UTF-8"}) {
        ScopedEnv all("LC_ALL", locale);
        OnFreshThread(
            [&] { EXPECT_EQ(int_Device().STATUSTEXTSHORT(), locale[0] == 'd' ? "AUS" : "OFF"); });
    }
}

TEST_F(Device, UnhandledEventsKeepThePresets) {
    device->PORT(4);
    EXPECT_FALSE(device->SETUPSCREEN());
    EXPECT_FALSE(device->CONNECT(2));
    EXPECT_EQ(device->STATUS(), vodex::ID_DeviceStatus_Off);
    EXPECT_FALSE(device->AUTOSENSE());
    EXPECT_FALSE(device->AUTOPORT());
    EXPECT_EQ(device->PORT(), 2);
    EXPECT_EQ(device->AUTOCHANNEL(), -1);
    EXPECT_FALSE(device->SHOWSETTINGS());
    tlx::VariantArray none(0);
    EXPECT_FALSE(device->ACTIVATE("X", vodex::ID_DeviceAct_On, none));
    EXPECT_EQ(Log(),
              "ZarivuZarudScreen;DeviceConnect(2, PORT 2);DeviceAutosense;DeviceAutoPort;"
              "DeviceAutoChannel;DeviceSettings;DeviceActivate(X,1,bounds 0..-1);");
}

TEST_F(Device, TheStatusAfterConnectingAndDisconnecting) {
    Script("DeviceConnect.rSuccess", Variant(true));
    EXPECT_TRUE(device->CONNECT(1));
    EXPECT_EQ(device->STATUS(), vodex::ID_DeviceStatus_Ready);  // the driver left it off

    device->STATUS(vodex::ID_DeviceStatus_Off);
    Script("DeviceConnect.STATUS", Variant(vodex::ID_DeviceStatus_Error));
    EXPECT_TRUE(device->CONNECT(1));
    EXPECT_EQ(device->STATUS(), vodex::ID_DeviceStatus_Error);

    Script("DeviceDisconnect.rSuccess", Variant(true));
    Script("DeviceDisconnect.STATUS", Variant(vodex::ID_DeviceStatus_Deinit));
    EXPECT_TRUE(device->DISCONNECT());
    EXPECT_EQ(device->STATUS(), vodex::ID_DeviceStatus_Deinit);
    EXPECT_EQ(device->PORT(), 1);  // DISCONNECT leaves the port

    Script("DeviceDisconnect.STATUS", Variant(vodex::ID_DeviceStatus_Ready));
    EXPECT_TRUE(device->DISCONNECT());
    EXPECT_EQ(device->STATUS(), vodex::ID_DeviceStatus_Off);

    device->STATUS(vodex::ID_DeviceStatus_Init);
    Script("DeviceConnect.rSuccess", Variant(false));
    Script("DeviceConnect.STATUS", Variant(vodex::ID_DeviceStatus_Error));
    EXPECT_FALSE(device->CONNECT(5));
    EXPECT_EQ(device->STATUS(), vodex::ID_DeviceStatus_Error);  // as the driver left it
}

TEST_F(Device, AutomaticSearchesNeedDoneAndSuccess) {
    device->PORT(4);
    Script("DeviceAutosense.rDone", Variant(true));
    Script("DeviceAutosense.rPort", Variant(7));
    EXPECT_FALSE(device->AUTOSENSE());
    EXPECT_EQ(device->PORT(), 4);
    Script("DeviceAutosense.rSuccess", Variant(true));
    EXPECT_TRUE(device->AUTOSENSE());
    EXPECT_EQ(device->PORT(), 7);

    Script("DeviceAutoChannel.rDone", Variant(true));
    Script("DeviceAutoChannel.rSuccess", Variant(true));
    Script("DeviceAutoChannel.rChannel", Variant(5));
    EXPECT_EQ(device->AUTOCHANNEL(), 5);
    Script("DeviceAutoChannel.rSuccess", Variant(false));
    EXPECT_EQ(device->AUTOCHANNEL(), -1);
}

TEST_F(Device, ResetDisconnectsAndConnectsTheSamePort) {
    device->CONNECT(2);
    Log();
    // The port is remembered before disconnecting, whatever the driver does to it then.
    Script("DeviceDisconnect.PORT", Variant(9));
    device->RESET();
    EXPECT_EQ(Log(), "DeviceDisconnect;DeviceConnect(2, PORT 2);");
}

TEST_F(Device, ConnectSetsThePortBeforeTheDriverHearsOfIt) {
    device->PORT(1);
    device->CONNECT(6);
    EXPECT_EQ(Log(), "DeviceConnect(6, PORT 6);");
}

TEST_F(Device, DestroyIgnoresErrorsOfTheDriver) {
    auto keep = driver;
    Script("DeviceDisconnect.THROW", Variant(true));
    Script("DeviceDestroy.THROW", Variant(true));
    EXPECT_NO_THROW(device->DESTROY());
    EXPECT_EQ(tlx::GetPropertyByName(keep, "LOG").ToText(), "DeviceDisconnect;DeviceDestroy;");
    EXPECT_FALSE(device->PARENT());
}

TEST_F(Device, ADriverMayDestroyItsDeviceWhileItsDialogRuns) {
    // The client keeps only the dialog facade; the driver's settings screen destroys the
    // device, which frees the driver and, with it, the device, while the call is still on.
    Script("DeviceSettingsComm.rDone", Variant(true));
    Script("DeviceSettingsComm.DESTROY", Variant(true));
    auto dialog = device->DIALOG();
    std::weak_ptr<int_Device> weakDevice = device;
    driver.reset();
    device.reset();
    ASSERT_FALSE(weakDevice.expired());
    EXPECT_TRUE(dialog->SETTINGSCOM());
    EXPECT_TRUE(weakDevice.expired());
    EXPECT_EQ(dialog->vParent(), nullptr);
    EXPECT_FALSE(dialog->SETTINGSCOM());
}

TEST_F(Device, SwitchPassesItsArgumentsUnchanged) {
    Script("DeviceSwitch.rSuccess", Variant(true));
    EXPECT_TRUE(device->SWITCH(vodex::ID_DeviceSwitch_Wave, false, 1.5, -2, Variant("x")));
    EXPECT_TRUE(device->SWITCH(vodex::ID_DeviceSwitch_Zero));
    EXPECT_EQ(Log(), "DeviceSwitch(5,F,1.5,-2,x);DeviceSwitch(9,T,0,0,missing);");
}

TEST_F(Device, ActivateHandsTheDriverACopyWithTheSameBounds) {
    tlx::VariantArray parameters(1, {Variant(10), Variant("zwei"), Variant(3.5)});
    Script("DeviceActivate.rSuccess", Variant(true));
    EXPECT_TRUE(device->ACTIVATE("RELAIS", vodex::ID_DeviceAct_Set, parameters));
    EXPECT_EQ(Log(), "DeviceActivate(RELAIS,2,bounds 1..3,10,zwei,3.5);");
    EXPECT_EQ(parameters, tlx::VariantArray(1, {Variant(10), Variant("zwei"), Variant(3.5)}));
}

TEST_F(Device, ADeviceHasOnlyTheHandlerThatCreatedIt) {
    auto other = DeviceOf(CreateDriver(kTestDriver));
    auto stranger = std::dynamic_pointer_cast<vodex::int_DeviceEvents>(other->PARENT());
    ASSERT_TRUE(stranger);
    EXPECT_FALSE(device->WithEvents(stranger));
    device->EXECUTE();
    EXPECT_EQ(Log(), "DeviceExecute;");
    other->DESTROY();
}

TEST_F(Device, DestroyReleasesTheDriver) {
    std::weak_ptr<tlx::Object> weakDriver = driver;
    driver.reset();
    EXPECT_FALSE(weakDriver.expired());  // the device keeps its driver alive
    device->DESTROY();
    EXPECT_TRUE(weakDriver.expired());  // the driver held the device; now nothing holds it
    EXPECT_FALSE(device->PARENT());
    device->EXECUTE();  // reaches nobody
    EXPECT_FALSE(device->CONNECT(1));
}

TEST_F(Device, DestroyDisconnectsThenTellsTheDriver) {
    auto keep = driver;
    device->DESTROY();
    EXPECT_EQ(tlx::GetPropertyByName(keep, "LOG").ToText(), "DeviceDisconnect;DeviceDestroy;");
}

TEST_F(Device, StatusTextsInBothLanguages) {
    const struct {
        int status;
        const char* de;
        const char* en;
        const char* shortDe;
        const char* shortEn;
    } cases[] = {{0, "Aus", "Off", "AUS", "OFF"},
                 {1, "Init...", "Init...", "INIT", "INIT"},
                 {2, "Bereit", "Ready", "OK", "RDY"},
                 {3, "Deinit...", "Deinit...", "DEINIT", "DEINIT"},
                 {4, "Fehler!", "Error!", "EEE", "EEE"},
                 {5, "Unbekannter Zustand", "Unknown condition", "???", "???"},
                 {-1, "Unbekannter Zustand", "Unknown condition", "???", "???"}};
    for (bool german : {true, false}) {
        ScopedEnv all("LC_ALL", german ? "de_DE.UTF-8" : "en_US.UTF-8");
        OnFreshThread([&] {
            int_Device d;
            for (const auto& c : cases) {
                d.STATUS(c.status);
                EXPECT_EQ(d.STATUSTEXT(), german ? c.de : c.en) << c.status;
                EXPECT_EQ(d.STATUSTEXTSHORT(), german ? c.shortDe : c.shortEn) << c.status;
            }
        });
    }
}

TEST_F(Device, CommunicationSettingsScreens) {
    vodex::test::ScriptedDialogs& questions = dialogs;
    auto ui = std::make_shared<ScriptedUi>();
    auto oldUi = tlx::SetUiProvider(ui);

    // The library keeps defaults: its own dialog, never the driver's event.
    device->INFO()->COMSETTINGSDEFAULT(true);
    device->SETTINGSCOM()->BAUD(4800);
    ui->answer = true;
    questions->Answer(tlx::ID_Answer_Yes);
    EXPECT_TRUE(device->DIALOG()->SETTINGSCOM());
    ASSERT_EQ(ui->shown.size(), 1u);
    EXPECT_EQ(ui->shown[0].dialog, "frm_DialogCommunication");
    EXPECT_EQ(ui->shown[0].subject, device);
    EXPECT_EQ(Log(), "");
    ASSERT_EQ(questions->Count(), 1u);
    EXPECT_EQ(questions->ShownAll()[0].text,
              "Möchten Sie die gerade getroffenen Einstellungen als Standard-Einstellungen für "
              "dieses Gerät speichern?");
    EXPECT_EQ(questions->ShownAll()[0].title, "");
    EXPECT_EQ(tlx::CoreTools().REGISTRY().READLONG(
                  tlx::HKEY_CURRENT_USER,
                  "Software\\VQ Morvane\\VQ ReziraDovarir\\Devices\\TST\\ComSettings\\Baud", 0),
              4800);

    // Cancelled: no question.
    ui->answer = false;
    EXPECT_FALSE(device->SHOWSETTINGSCOM());
    EXPECT_EQ(questions->Count(), 1u);

    // The driver's own screen; the user is asked even so, and No stores nothing.
    device->INFO()->COMSETTINGSDEFAULT(false);
    Script("DeviceSettingsComm.rDone", Variant(true));
    device->SETTINGSCOM()->BAUD(1200);
    questions->Answer(tlx::ID_Answer_No);
    EXPECT_TRUE(device->SHOWSETTINGSCOM());
    EXPECT_EQ(Log(), "DeviceSettingsComm;");
    EXPECT_EQ(questions->Count(), 2u);
    EXPECT_EQ(tlx::CoreTools().REGISTRY().READLONG(
                  tlx::HKEY_CURRENT_USER,
                  "Software\\VQ Morvane\\VQ ReziraDovarir\\Devices\\TST\\ComSettings\\Baud", 0),
              4800);
    tlx::SetUiProvider(oldUi);
}

TEST_F(Device, DialogFacadeAsksTheUiProvider) {
    auto ui = std::make_shared<ScriptedUi>();
    auto oldUi = tlx::SetUiProvider(ui);
    auto channel = std::make_shared<vodex::cls_DeviceChannel>();
    channel->NAME("pH a 0 - 14");
    EXPECT_FALSE(device->DIALOG()->CONNECTION());
    ui->answer = true;
    EXPECT_TRUE(device->DIALOG()->RANGE(channel));
    device->DIALOG()->INFO();
    ASSERT_EQ(ui->shown.size(), 3u);
    EXPECT_EQ(ui->shown[0].dialog, "frm_DialogErrorConnect");
    EXPECT_EQ(ui->shown[0].parameters.at("DEVICE"), Variant("Testwandler"));
    EXPECT_EQ(ui->shown[1].dialog, "frm_DialogErrorRange");
    EXPECT_EQ(ui->shown[1].parameters.at("CHANNEL"), Variant("pH a 0 - 14"));
    EXPECT_EQ(ui->shown[2].dialog, "frm_DeviceInfo");
    EXPECT_EQ(ui->shown[2].parameters.at("TYPENAME"), Variant("Vodex_Interface.int_Device"));
    Script("DeviceSettings.rDone", Variant(true));
    Script("ZarivuZarudScreen.rDone", Variant(true));
    EXPECT_TRUE(device->DIALOG()->SETTINGS());
    EXPECT_TRUE(device->DIALOG()->SETUPSCREEN());
    tlx::SetUiProvider(oldUi);
    // Without a window system every dialog counts as not confirmed.
    EXPECT_FALSE(device->DIALOG()->CONNECTION());
}

// A device with something in every stored part.
void Fill(int_Device& d) {
    d.INFO()->NAME("Zufallsgenerator");
    d.INFO()->COMBAUDADD(9600);
    d.CHANNELS()->CREATE(1, "pH a 0 - 14", "pH")->VALUE(7.5);
    d.PORTS()->CREATE(1, "Eingebaut");
    d.STATUS(vodex::ID_DeviceStatus_Ready);
    d.DEBUGINFO("zuletzt: OK");
    d.PORT(3);
    d.SETTINGS()->Item("Modus", Variant("schnell"));
}

void ExpectStoredParts(int_Device& d) {
    EXPECT_EQ(d.INFO()->NAME(), "Zufallsgenerator");
    EXPECT_EQ(d.INFO()->COMBAUD()->COUNT(), 1);
    ASSERT_EQ(d.CHANNELS()->COUNT(), 1);
    EXPECT_EQ(d.CHANNELS()->Item(1)->VALUE(), 7.5);
    EXPECT_EQ(d.PORTS()->Item(1)->NAME(), "Eingebaut");
    EXPECT_EQ(d.STATUS(), vodex::ID_DeviceStatus_Ready);
    EXPECT_EQ(d.DEBUGINFO(), "zuletzt: OK");
    EXPECT_EQ(d.PORT(), 3);
}

TEST_F(Device, SavedDevicesLoadBackButKeepWhatIsNotStored) {
    auto source = std::make_shared<int_Device>();
    Fill(*source);
    source->SAVE(home.File("device.dev"), "kennwort");

    auto reader = std::make_shared<int_Device>();
    auto parent = std::make_shared<tlx::Object>();
    reader->PARENT(parent);
    reader->STARTPORT(9);
    reader->DATAFIELD()->ADD(1, 2);
    reader->LOAD(home.File("device.dev"), "kennwort");
    ExpectStoredParts(*reader);
    EXPECT_EQ(reader->SETTINGS()->Item("modus"), Variant("schnell"));
    EXPECT_EQ(reader->PARENT(), parent);
    EXPECT_EQ(reader->STARTPORT(), 9);
    EXPECT_EQ(reader->DATAFIELD()->COUNT(), 1);

    EXPECT_THROW(reader->LOAD(home.File("device.dev"), "falsch"), tlx::Error);
    EXPECT_THROW(reader->LOAD(home.File("missing.dev")), tlx::Error);
    EXPECT_THROW(reader->SAVE(home.Path().string()), tlx::Error);
}

TEST_F(Device, OlderAndNewerDeviceFiles) {
    int_Device source;
    Fill(source);
    const std::string path = home.File("old.dev");
    {  // version 1.0: no settings at the end
        tlx::cls_CoreFile f;
        f.OPEN(path, tlx::cls_CoreFile::ModeWrite);
        f.WRITE(Variant("1.0"));
        source.INFO()->DATA()->STORE(f);
        source.CHANNELS()->DATA()->STORE(f);
        source.PORTS()->DATA()->STORE(f);
        f.WRITE(Variant(source.STATUS()), Variant(source.DEBUGINFO()), Variant(source.PORT()));
        f.CLOSE();
    }
    int_Device old;
    old.SETTINGS()->Item("bleibt", Variant(1));
    old.LOAD(path);
    ExpectStoredParts(old);
    EXPECT_EQ(old.SETTINGS()->Item("bleibt"), Variant(1));

    {
        tlx::cls_CoreFile f;
        f.OPEN(path, tlx::cls_CoreFile::ModeWrite);
        f.WRITE(Variant("2.0"), Variant("more"));
        f.CLOSE();
    }
    int_Device newer;
    newer.DEBUGINFO("unverändert");
    newer.LOAD(path);
    EXPECT_EQ(newer.DEBUGINFO(), "unverändert");
    EXPECT_EQ(newer.INFO()->NAME(), "");
}

TEST_F(Device, PackagesCopiesAndSpawns) {
    int_Device source;
    Fill(source);
    const std::vector<Variant> v = tlx::CoreTools().PACKER().UNPACK(source.DATA()->PACK());
    ASSERT_EQ(v.size(), 7u);
    EXPECT_EQ(v[3], Variant(vodex::ID_DeviceStatus_Ready));
    EXPECT_EQ(v[4], Variant("zuletzt: OK"));
    EXPECT_EQ(v[5], Variant(3));

    EXPECT_EQ(v[0], Variant(source.INFO()->DATA()->PACK()));
    EXPECT_EQ(v[1], Variant(source.CHANNELS()->DATA()->PACK()));
    EXPECT_EQ(v[2], Variant(source.PORTS()->DATA()->PACK()));
    EXPECT_EQ(v[6], Variant(source.SETTINGS()->DATA()->PACK()));

    int_Device unpacked;
    unpacked.DATA()->UNPACK(source.DATA()->PACK());
    ExpectStoredParts(unpacked);
    EXPECT_EQ(unpacked.SETTINGS()->Item("Modus"), Variant("schnell"));

    int_Device copy;
    copy.STARTPORT(4);
    auto parent = std::make_shared<tlx::Object>();
    copy.PARENT(parent);
    copy.DATAFIELD()->ADD(1, 1);
    source.DATAFIELD()->ADD(2, 2);
    source.DATAFIELD()->ADD(3, 3);
    EXPECT_TRUE(copy.DATA()->COPY(source));
    EXPECT_EQ(copy.PARENT(), parent);
    EXPECT_EQ(copy.DATAFIELD()->COUNT(), 1);
    ExpectStoredParts(copy);
    EXPECT_EQ(copy.SETTINGS()->Item("Modus"), Variant("schnell"));
    EXPECT_EQ(copy.STARTPORT(), 4);
    EXPECT_NE(copy.INFO(), source.INFO());

    auto spawned = std::dynamic_pointer_cast<int_Device>(source.DATA()->SPAWN());
    ASSERT_TRUE(spawned);
    EXPECT_EQ(spawned->CHANNELS()->COUNT(), 0);
    EXPECT_EQ(source.DATA()->TYPENAME(), "Vodex_Interface.int_Device");
}

TEST_F(Device, MadeOnFirstUseAndOwnedParts) {
    int_Device d;
    auto info = d.INFO();
    EXPECT_EQ(d.INFO(), info);
    d.INFO(nullptr);
    EXPECT_NE(d.INFO(), info);
    EXPECT_EQ(d.DIALOG()->vParent(), &d);
    EXPECT_EQ(d.SETTINGSCOM()->PARENT(), &d);
    auto dialog = std::make_shared<vodex::cls_DeviceDialog>();
    auto old = d.DIALOG();
    d.DIALOG(dialog);
    EXPECT_EQ(dialog->vParent(), &d);
    EXPECT_EQ(old->vParent(), nullptr);
    EXPECT_EQ(d.STARTPORT(), 0);
}

TEST_F(Device, PublishedInterfaceIdentifiers) {
    int_Device d;
    EXPECT_EQ(d.INTERFACEIDS().size(), 3u);
    for (std::string_view id : vodex::iid::int_Device)
        EXPECT_TRUE(d.Implements(id));
    EXPECT_EQ(d.INFO()->INTERFACEIDS().size(), 9u);
    EXPECT_TRUE(d.INFO()->Implements(vodex::iid::cls_DeviceInfo[8]));
    EXPECT_EQ(vodex::cls_DeviceChannel().INTERFACEIDS().size(), 2u);
    EXPECT_EQ(d.PORTS()->INTERFACEIDS().size(), 2u);
    EXPECT_EQ(d.CHANNELS()->INTERFACEIDS().size(), 1u);
    EXPECT_EQ(vodex::int_DeviceEvents::EVENTINTERFACEIDS().size(), 3u);
    EXPECT_FALSE(d.Implements(vodex::iid::cls_DeviceInfo[0]));
    EXPECT_TRUE(d.Implements("{7a34d1c1-967f-4929-aa55-cc2b1740aa60}"));
}

}  // namespace
