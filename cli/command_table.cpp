#include "command_table.h"

namespace vodex::cli {

const std::vector<Command>& Commands() {
    static const std::vector<Command> commands = {
        {"drivers",
         "drivers [--all] [--json]",
         "List the installed drivers with name, maker, version and state.",
         {{"--all", "also list the disabled drivers"}, {"--json", "write a JSON array"}},
         false,
         Drivers},
        {"info",
         "info CLASS [--json]",
         "Describe a driver: what it can do, its channels and its ports.",
         {{"--json", "write a JSON object"}},
         true,
         Info},
        {"measure",
         "measure CLASS [--port N] [--channels 1,3,...] [--cycles N] [--interval S] "
         "[--format table|csv|json | --json]",
         "Connect a driver's device and measure its channels.",
         {{"--port N",
           "the port number to connect on, 1 to 32 (the driver's first port when not given)"},
          {"--channels 1,3,...", "the channels to measure (all when not given)"},
          {"--cycles N", "how many measuring cycles (10 when not given; 0: until Ctrl-C)"},
          {"--interval S", "seconds of pause between the cycles (0.5 when not given)"},
          {"--format F", "table (the default), csv or json (one object per cycle)"},
          {"--json", "the same as --format json"}},
         true,
         Measure},
        {"scan",
         "scan CLASS [--port N] [--from NM --to NM --step NM] [--format F]",
         "Scan a range of wavelengths with a device that scans (a photometer) and write the "
         "spectrum: wavelength in nm and absorbance. Ctrl-C stops it, keeping the points so "
         "far.",
         {{"--port N", "the serial port (the device's own when not given)"},
          {"--from NM", "the first wavelength (the device's first when not given)"},
          {"--to NM", "the last wavelength (the device's last when not given)"},
          {"--step NM", "the step between wavelengths (the device's interval when not given)"},
          {"--format F", "table (the default), csv or json"}},
         true,
         Scan},
        {"enable", "enable CLASS", "Make a disabled driver active again.", {}, true, Enable},
        {"disable",
         "disable CLASS",
         "Disable a driver: measuring programs are no longer offered it.",
         {},
         true,
         Disable},
        {"check",
         "check",
         "Read the installed drivers anew and say how many are installed and active.",
         {},
         false,
         Check},
        {"install",
         "install [--quiet] PACKAGE.msi | COMPONENT | DESCRIPTION.linemeter",
         "Install a driver package, register a driver's component file, or install the "
         "driver a line meter's description makes.",
         {{"--quiet", "say nothing on success"}},
         false,
         Install},
        {"uninstall",
         "uninstall [--quiet] CLASS",
         "Remove an installed driver, its files and its registry values.",
         {{"--quiet", "say nothing on success"}},
         true,
         Uninstall},
        {"package",
         "package [--out FOLDER] [--quiet] COMPONENT | DESCRIPTION.linemeter",
         "Make a driver package (vodex_<class>.msi) and its description files.",
         {{"--out FOLDER", "where to write them (the current folder when not given)"},
          {"--quiet", "say nothing on success"}},
         false,
         Package},
        {"packages",
         "packages [--folder FOLDER] [--json]",
         "List every driver known from the installed ones, a driver folder and the catalogue.",
         {{"--folder FOLDER", "the driver folder to compare with"},
          {"--json", "write a JSON array"}},
         false,
         Packages},
        {"detect",
         "detect [--logger] [--json]",
         "Search the serial ports for connected instruments.",
         {{"--logger", "try only the drivers of data loggers"}, {"--json", "write a JSON array"}},
         false,
         Detect},
        {"ports",
         "ports [--json] | ports set N PATH | ports reset N",
         "Show or change which device file, or which port on a port server, each port number "
         "opens.",
         {{"--json", "write a JSON array"},
          {"set N PATH",
           "let port N open PATH: a device file, rfc2217://HOST:PORT or "
           "socket://HOST:PORT"},
          {"reset N", "give port N its default device file again"}},
         false,
         Ports},
        {"linemeter",
         "linemeter check FILE",
         "Check the description of a text-line meter; with lines on standard input (else its "
         "EXAMPLE lines), show what each channel reads from each.",
         {},
         false,
         LineMeter},
        {"language",
         "language [DE|EN|auto]",
         "Show or choose the interface language of the programs and windows for this user; "
         "auto lets the system's language decide. The choice takes effect at the next start.",
         {},
         false,
         Language},
    };
    return commands;
}

const Command* FindCommand(std::string_view name) {
    for (const Command& c : Commands()) {
        if (name == c.name) return &c;
    }
    return nullptr;
}

}  // namespace vodex::cli
