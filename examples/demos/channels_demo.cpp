// Channel demo: builds the channel list of a small simulated instrument, measures once, keeps
// the list in a file, reads it back and prints it with its status texts in German and English.
//
// The demo keeps its settings and files in a temporary folder of its own, so that the user's
// language choice and settings stay untouched.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <thread>

#include "tlx/tools.h"
#include "vodex/records/device_channels.h"
#include "vodex/text/language.h"

namespace {

using vodex::cls_DeviceChannels;

std::shared_ptr<cls_DeviceChannels> Instrument() {
    auto list = std::make_shared<cls_DeviceChannels>();
    list->CREATE(1, "pH a 0 - 14", "pH");
    list->CREATE(2, "LF 0 - 5 mS", "mS");
    list->CREATE(3, "T 0 - 200", "T");
    list->CREATE(4, "m -2 - 0g", "m");
    list->CREATE(5, "Zahl 0 - 1", "");
    return list;
}

// One measuring cycle of a pretend instrument: two good values, an overflow, a value in
// progress and an unknown fault.
void Measure(cls_DeviceChannels& list) {
    const double values[] = {7.02, 4.75, 0.0, -0.51, 0.0};
    const std::int32_t statuses[] = {vodex::ID_ChannelStatus_Ready, vodex::ID_ChannelStatus_Ready,
                                     vodex::ID_ChannelStatus_ErrOverflow,
                                     vodex::ID_ChannelStatus_Busy,
                                     vodex::ID_ChannelStatus_ErrUnknown};
    for (std::int32_t i = 1; i <= list.COUNT(); ++i) {
        auto c = list.Item(i);
        c->MEASURE(true);
        c->VALUE(values[i - 1]);
        c->STATUS(statuses[i - 1]);
        c->MEASURED(c->STATUS() == vodex::ID_ChannelStatus_Ready);
    }
}

void Print(cls_DeviceChannels& list, const char* heading) {
    std::cout << heading << "\n";
    for (std::int32_t i = 1; i <= list.COUNT(); ++i) {
        auto c = list.Item(i);
        char value[32];
        std::snprintf(value, sizeof value, "%8.3f", c->VALUE());
        std::cout << "  " << c->ID() << "  " << tlx::CoreTools().FIT(c->NAME(), 14) << " "
                  << (c->MEASURED() ? std::string(value)
                                    : tlx::CoreTools().FIT(c->STATUSTEXTSHORT(), 8, " ", true,
                                                           tlx::ID_Fit_Right))
                  << " " << tlx::CoreTools().FIT(c->SIZE(), 3) << "  " << c->STATUSTEXT() << "\n";
    }
}

}  // namespace

int main() {
    std::string folder = (std::filesystem::temp_directory_path() / "vodex-demo-XXXXXX").string();
    if (!::mkdtemp(folder.data())) {
        std::cerr << "vodex_channels_demo: no temporary folder can be made\n";
        return 1;
    }
    ::setenv("VODEX_HOME", folder.c_str(), 1);
    int rc = 0;
    try {
        const std::string file = folder + "/channels.dat";
        auto list = Instrument();
        Measure(*list);
        if (!list->SAVE(file)) throw std::runtime_error("the channel list could not be saved");

        // The language is chosen once per thread, so each language gets a thread of its own.
        for (const char* language : {"DE", "EN"}) {
            std::thread([&] {
                try {
                    tlx::CoreTools().REGISTRY().WRITE(tlx::HKEY_CURRENT_USER,
                                                      "Software\\VQ Morvane\\VQ Lumetra\\Language",
                                                      tlx::Variant(language));
                    cls_DeviceChannels back;
                    if (!back.LOAD(file)) {
                        throw std::runtime_error("the channel list could not be read");
                    }
                    Print(back, vodex::hLanguageText("Kanalliste (aus der Datei gelesen):",
                                                     "Channel list (read from the file):")
                                    .c_str());
                } catch (const std::exception& e) {
                    std::cerr << "vodex_channels_demo: " << e.what() << "\n";
                    rc = 1;
                }
            }).join();
        }
    } catch (const std::exception& e) {
        std::cerr << "vodex_channels_demo: " << e.what() << "\n";
        rc = 1;
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    return rc;
}
