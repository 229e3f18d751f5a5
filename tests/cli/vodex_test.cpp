// The command line program, run as a user runs it, against the test's own VODEX_HOME with the
// built-in driver installed by `vodex install`.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <regex>
#include <thread>

#include "components.h"
#include "framing.h"
#include "port_holder.h"
#include "running_program.h"
#include "tlx/tools.h"
#include "vodex/core/device.h"
#include "vodex/sim/virtual_balance.h"

namespace {

using vodex::test::ProgramRun;
using vodex::test::RunProgram;

constexpr const char* kDevices = "Software\\VQ Morvane\\VQ ReziraDovarir\\Devices\\";

class Vodex : public vodex::test::HomeTest {
  protected:
    void SetUp() override {
        ASSERT_EQ(Run({"install", "--quiet", VODEX_RANDOMIZER_COMPONENT}).exitCode, 0);
    }
    static ProgramRun Run(std::vector<std::string> args) {
        args.insert(args.begin(), VODEX_CLI);
        return RunProgram(args);
    }
    // The values of a JSON measuring line, by channel id, in their order.
    static std::vector<std::pair<int, double>> Values(const std::string& line) {
        static const std::regex channel(
            R"re(\{"id":(\d+),"name":"[^"]*","unit":"[^"]*","value":([-+0-9.eE]+),)re");
        std::vector<std::pair<int, double>> values;
        for (std::sregex_iterator it(line.begin(), line.end(), channel), end; it != end; ++it) {
            values.emplace_back(std::stoi((*it)[1]), std::stod((*it)[2]));
        }
        return values;
    }
};

TEST_F(Vodex, MeasuringRightAfterConnecting) {
    const ProgramRun run = Run({"measure", "VODEX_RANDOMIZER", "--cycles", "1", "--json"});
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_EQ(run.output.rfind("{\"cycle\":1,\"t\":", 0), 0u) << run.output;
    EXPECT_EQ(std::count(run.output.begin(), run.output.end(), '\n'), 1);
    const auto values = Values(run.output);
    ASSERT_EQ(values.size(), 7u) << run.output;
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(values[static_cast<std::size_t>(i)].first, i + 1);
    EXPECT_NEAR(values[0].second, 1.0, 0.0041);
    EXPECT_NEAR(values[2].second, 4.75, 0.021);
    EXPECT_NE(run.output.find("\"status\":0,\"measured\":true"), std::string::npos);
}

TEST_F(Vodex, TheDriversDescription) {
    const ProgramRun run = Run({"info", "VODEX_RANDOMIZER", "--json"});
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    for (const char* part :
         {"\"name\":\"Zufallsgenerator\"", "\"manufacturer\":\"DE Vedaruzo\"",
          "\"identifier\":\"ZFG\"", "\"category\":700", "\"autoPort\":true",
          "{\"id\":1,\"name\":\"pH a 0 - 14\",\"unit\":\"pH\",\"factor\":1.0,\"offset\":0.0}",
          "{\"id\":7,\"name\":\"Zahl 0 - 1\",\"unit\":\"\"",
          "\"ports\":[{\"id\":1,\"name\":\"Eingebaut\",\"available\":true}]", "\"icon\":true"}) {
        EXPECT_NE(run.output.find(part), std::string::npos) << part << "\n" << run.output;
    }
}

TEST_F(Vodex, AMissingDriverMeasuresWithTheStandIn) {
    // On a desktop too: the registry's message about the missing driver goes to standard
    // error, never into a message box that would wait for a click.
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const ProgramRun run = Run({"measure", "NICHT_DA", "--cycles", "2", "--interval", "0",
                                "--format", "csv", "--channels", "7,1"});
    ::unsetenv("QT_QPA_PLATFORM");
    // The stand-in measures, but the driver asked for did not: a failure for a script.
    ASSERT_EQ(run.exitCode, 1) << run.errors;
    EXPECT_NE(run.errors.find("eingebaute Zufallsgenerator"), std::string::npos) << run.errors;
    EXPECT_NE(run.errors.find("'NICHT_DA' "), std::string::npos) << run.errors;
    EXPECT_EQ(run.output.rfind("cycle,t,Zahl 0 - 1,pH a 0 - 14 [pH]\n1,", 0), 0u) << run.output;
    EXPECT_EQ(std::count(run.output.begin(), run.output.end(), '\n'), 3);
}

TEST_F(Vodex, ClearErrorsForBadInput) {
    auto expectFailure = [](const ProgramRun& run, int code) {
        EXPECT_EQ(run.exitCode, code) << run.errors;
        EXPECT_EQ(run.output, "");
        EXPECT_EQ(run.errors.rfind("vodex: ", 0), 0u) << run.errors;
    };
    expectFailure(Run({"info", "NICHT_DA"}), 1);
    expectFailure(Run({"measure", "VODEX_RANDOMIZER", "--channels", "9", "--cycles", "1"}), 1);
    expectFailure(Run({"enable", "NICHT_DA"}), 1);
    expectFailure(Run({"measure", "VODEX_RANDOMIZER", "--bogus"}), 2);
    expectFailure(Run({"measure", "VODEX_RANDOMIZER", "--cycles", "-1"}), 2);
    expectFailure(Run({"measure", "VODEX_RANDOMIZER", "--channels", "1,x"}), 2);
    expectFailure(Run({"measure", "VODEX_RANDOMIZER", "--format", "xml"}), 2);
    expectFailure(Run({"measure", "VODEX_RANDOMIZER", "--port"}), 2);
    expectFailure(Run({"measure", "VODEX_RANDOMIZER", "--port", "1", "--port=2"}), 2);
    expectFailure(Run({"measure", "VODEX_RANDOMIZER", "--port", "40", "--cycles", "1"}), 2);
    expectFailure(Run({"--log", "loud", "drivers"}), 2);
    expectFailure(Run({"drivers", "--json=1"}), 2);
    expectFailure(Run({"measure"}), 2);
    expectFailure(Run({"frobnicate"}), 2);
    const ProgramRun unknown = Run({"frob\nnicate"});
    EXPECT_EQ(unknown.errors,
              "vodex: unknown command 'frob\\nnicate'; 'vodex help' lists the commands\n");
    expectFailure(Run({"drivers", "extra"}), 2);
    // A component under another file name than its own would be registered under a class
    // that nothing can create.
    std::filesystem::copy_file(VODEX_TEST_DRIVER_COMPONENT, home.File("meter-1.0.so"));
    expectFailure(Run({"install", home.File("meter-1.0.so")}), 1);
    expectFailure(Run({"info", "-x"}), 2);
    EXPECT_EQ(Run({}).exitCode, 2);
    EXPECT_EQ(Run({"--help"}).exitCode, 0);
}

TEST_F(Vodex, AHiveThatCannotBeReadStopsEveryCommand) {
    for (const tlx::enm_RegistryHive which : {tlx::HKEY_LOCAL_MACHINE, tlx::HKEY_CURRENT_USER}) {
        const std::string hive = tlx::cls_CoreRegistry::HIVEFILE(which);
        for (const char* bytes : {"kein Register, nur Text", ""}) {
            std::filesystem::create_directories(std::filesystem::path(hive).parent_path());
            for (const char* part : {"", "-wal", "-shm"})
                std::filesystem::remove(hive + part);
            vodex::test::WriteBytes(hive, bytes);
            for (const std::vector<std::string>& command : std::vector<std::vector<std::string>>{
                     {"drivers"},
                     {"measure", "VODEX_RANDOMIZER", "--cycles", "1"},
                     {"ports", "set", "3", "/dev/x"}}) {
                const ProgramRun run = Run(command);
                EXPECT_EQ(run.exitCode, 1) << command[0];
                EXPECT_EQ(run.output, "");
                EXPECT_EQ(run.errors.rfind("vodex: the registry '" + hive + "' ", 0), 0u)
                    << run.errors;
                EXPECT_EQ(std::count(run.errors.begin(), run.errors.end(), '\n'), 1);
                EXPECT_EQ(vodex::test::ReadBytes(hive), bytes);
            }
        }
        std::filesystem::remove(hive);
    }
}

TEST_F(Vodex, ListingDisablingAndEnablingDrivers) {
    EXPECT_EQ(Run({"drivers", "--json"}).output,
              "[{\"class\":\"Vodex_Randomizer\",\"name\":\"Zufallsgenerator\","
              "\"manufacturer\":\"DE Vedaruzo\",\"version\":\"2.0.0\",\"active\":true}]\n");
    EXPECT_EQ(Run({"disable", "VODEX_RANDOMIZER"}).exitCode, 0);
    EXPECT_EQ(Run({"drivers", "--json"}).output, "[]\n");
    EXPECT_NE(Run({"drivers", "--all", "--json"}).output.find("\"active\":false"),
              std::string::npos);
    EXPECT_EQ(Run({"enable", "VODEX_RANDOMIZER"}).exitCode, 0);
    EXPECT_NE(Run({"drivers", "--json"}).output.find("\"active\":true"), std::string::npos);
    const ProgramRun check = Run({"check"});
    EXPECT_EQ(check.exitCode, 0);
    EXPECT_TRUE(std::regex_match(
        check.output,
        std::regex("(Installierte Wandler:|Installed drivers:) 1, (davon aktiv:|active:) 1\n")))
        << check.output;
}

TEST_F(Vodex, ADisabledDriverStillMeasuresItself) {
    ASSERT_EQ(Run({"disable", "VODEX_RANDOMIZER"}).exitCode, 0);
    const ProgramRun run = Run({"measure", "VODEX_RANDOMIZER", "--cycles=1", "--json"});
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_EQ(run.errors, "");  // no stand-in, so no message
    EXPECT_EQ(Values(run.output).size(), 7u);
}

TEST_F(Vodex, ABrokenDriverIsReportedOnceAndTheStandInMeasures) {
    const std::string file = home.File("Vodex_Kaputt.so");
    vodex::test::WriteBytes(file, "kein Programm");
    tlx::CoreTools().REGISTRY().WRITE(tlx::HKEY_LOCAL_MACHINE,
                                      std::string(kDevices) + "Vodex_Kaputt", tlx::Variant(file));
    const ProgramRun run = Run({"measure", "Vodex_Kaputt", "--cycles", "1", "--json"});
    ASSERT_EQ(run.exitCode, 1) << run.errors;
    auto times = [&run](const std::string& part) {
        std::size_t n = 0;
        for (auto at = run.errors.find(part); at != std::string::npos;
             at = run.errors.find(part, at + 1))
            ++n;
        return n;
    };
    EXPECT_EQ(times("'Vodex_Kaputt' ist defekt und kann nicht repariert werden!"), 1u)
        << run.errors;
    EXPECT_EQ(times("eingebaute Zufallsgenerator verwendet"), 1u) << run.errors;
    EXPECT_EQ(times("Vodex_Kaputt.so' is not a whole shared object"), 1u) << run.errors;
    EXPECT_EQ(Values(run.output).size(), 7u) << run.output;
}

// Damaged components, and components that others could change: the registration program and
// every command that meets one name the file and the reason on one line and fail; nothing
// crashes, hangs on a pipe or runs the component.
TEST_F(Vodex, DamagedAndUnsafeComponentsAreRefused) {
    const std::string good = vodex::test::ReadBytes(VODEX_TEST_DRIVER_COMPONENT);
    const std::string open = home.File("offen");
    ASSERT_TRUE(std::filesystem::create_directory(open));
    ASSERT_EQ(::chmod(open.c_str(), 0777), 0);
    auto copy = [&](const std::string& from, const std::string& to, std::size_t keep, mode_t mode) {
        vodex::test::WriteBytes(to, vodex::test::ReadBytes(from).substr(0, keep));
        ::chmod(to.c_str(), mode);
    };
    auto malformed = [](int fault) {
        return std::string(VODEX_MALFORMED_COMPONENT) + std::to_string(fault) + ".so";
    };
    struct Case {
        std::string file;
        std::string says;  // what the registration program's message says
        std::function<void(const std::string&)> make;
    };
    const std::vector<Case> cases = {
        {home.File("Vodex_Cut1.so"), "cut short",
         [&](const std::string& f) {
             copy(VODEX_TEST_DRIVER_COMPONENT, f, good.size() * 3 / 5, 0755);
         }},
        {home.File("Vodex_Cut2.so"), "cut short",
         [&](const std::string& f) { copy(VODEX_TEST_DRIVER_COMPONENT, f, 64, 0755); }},
        {home.File("Vodex_Pipe.so"), "not a regular file",
         [](const std::string& f) { ASSERT_EQ(::mkfifo(f.c_str(), 0644), 0); }},
        {home.File("Vodex_Bad1.so"), "register function is missing",
         [&](const std::string& f) { copy(malformed(1), f, std::string::npos, 0755); }},
        {home.File("Vodex_Bad2.so"), "create function is missing",
         [&](const std::string& f) { copy(malformed(2), f, std::string::npos, 0755); }},
        {home.File("Vodex_Bad3.so"), "the register function broke down",
         [&](const std::string& f) { copy(malformed(3), f, std::string::npos, 0755); }},
        {home.File("Vodex_Bad4.so"), "bytes where this toolkit expects",
         [&](const std::string& f) { copy(malformed(4), f, std::string::npos, 0755); }},
        {home.File("Vodex_Bad5.so"), "component name is missing",
         [&](const std::string& f) { copy(malformed(5), f, std::string::npos, 0755); }},
        {home.File("Vodex_Everyone.so"), "is writable by everyone",
         [&](const std::string& f) {
             copy(VODEX_TEST_DRIVER_COMPONENT, f, std::string::npos, 0777);
         }},
        {home.File("Vodex_Group.so"), "is writable by the group",
         [&](const std::string& f) {
             copy(VODEX_TEST_DRIVER_COMPONENT, f, std::string::npos, 0775);
             // A group that this user is not in.
             ASSERT_EQ(::chown(f.c_str(), static_cast<uid_t>(-1), 65534), 0);
         }},
        {home.File("Vodex_Foreign.so"), "belongs to another user",
         [&](const std::string& f) {
             copy(VODEX_TEST_DRIVER_COMPONENT, f, std::string::npos, 0755);
             ASSERT_EQ(::chown(f.c_str(), 65534, static_cast<gid_t>(-1)), 0);
         }},
        {open + "/Vodex_Open.so", "'" + open + "' is writable by everyone",
         [&](const std::string& f) {
             copy(VODEX_TEST_DRIVER_COMPONENT, f, std::string::npos, 0755);
         }},
    };
    auto oneLine = [](const ProgramRun& run) {
        return std::count(run.errors.begin(), run.errors.end(), '\n') == 1;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        c.make(c.file);
        const ProgramRun registration = RunProgram({VODEX_REGSVR, c.file});
        EXPECT_EQ(registration.exitCode, 5);
        EXPECT_TRUE(oneLine(registration)) << registration.errors;
        EXPECT_NE(registration.errors.find(c.says), std::string::npos) << registration.errors;
        const ProgramRun install = Run({"install", "--quiet", c.file});
        EXPECT_EQ(install.exitCode, 1);
        EXPECT_TRUE(oneLine(install)) << install.errors;
        EXPECT_NE(install.errors.find(c.says), std::string::npos) << install.errors;
        // As if it had been installed before it was damaged.
        const std::string cls = std::filesystem::path(c.file).stem();
        tlx::CoreTools().REGISTRY().WRITE(tlx::HKEY_LOCAL_MACHINE, kDevices + cls,
                                          tlx::Variant(c.file));
        const ProgramRun measured = Run({"measure", cls, "--cycles", "1", "--json"});
        EXPECT_EQ(measured.exitCode, 1);
        EXPECT_EQ(Values(measured.output).size(), 7u);  // the stand-in measured
        const ProgramRun listed = Run({"drivers"});
        EXPECT_EQ(listed.exitCode, 1);
        EXPECT_TRUE(oneLine(listed)) << listed.errors;
        EXPECT_NE(listed.errors.find("'" + cls + "' "), std::string::npos) << listed.errors;
        EXPECT_NE(listed.errors.find(c.says), std::string::npos) << listed.errors;
        EXPECT_NE(listed.output.find("Vodex_Randomizer"), std::string::npos) << listed.output;
        EXPECT_NE(measured.errors.find(c.says), std::string::npos) << measured.errors;
        tlx::CoreTools().REGISTRY().DELETEVALUE(tlx::HKEY_LOCAL_MACHINE, kDevices + cls);
    }
}

TEST_F(Vodex, ADriverThatDoesNotConnectIsAFailure) {
    // The test driver answers no connection request.
    const std::string file = home.File("Vodex_TestDriver.so");
    std::filesystem::copy_file(VODEX_TEST_DRIVER_COMPONENT, file);
    ASSERT_EQ(Run({"install", "--quiet", file}).exitCode, 0);
    const ProgramRun run = Run({"measure", "Vodex_TestDriver", "--port", "2", "--cycles", "1"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.output, "");
    EXPECT_EQ(run.errors.rfind("vodex: ", 0), 0u) << run.errors;
    EXPECT_NE(run.errors.find(" 2"), std::string::npos) << run.errors;  // names the port
    EXPECT_EQ(std::count(run.errors.begin(), run.errors.end(), '\n'), 1) << run.errors;
}

TEST_F(Vodex, ADescriptionWithTextsWhereNumbersAreUsual) {
    const std::string file = home.File("Vodex_TestDriver.so");
    std::filesystem::copy_file(VODEX_TEST_DRIVER_COMPONENT, file);
    ASSERT_EQ(Run({"install", "--quiet", file}).exitCode, 0);
    vodex::int_Device described;
    described.INFO()->NAME("Beschrieben");
    described.INFO()->COMBAUD()->ADD(tlx::Variant("9600 Bd"));
    described.INFO()->COMBAUD()->ADD(tlx::Variant(true));
    described.INFO()->COMBAUD()->ADD(tlx::Variant(4800));
    described.SAVE(home.File("Vodex_TestDriver.devinfo"));
    std::filesystem::last_write_time(
        home.File("Vodex_TestDriver.devinfo"),
        std::filesystem::last_write_time(file) + std::chrono::seconds(5));
    const ProgramRun run = Run({"info", "Vodex_TestDriver", "--json"});
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_NE(run.output.find("\"name\":\"Beschrieben\""), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("\"comBaud\":[\"9600 Bd\",true,4800]"), std::string::npos)
        << run.output;
}

TEST_F(Vodex, ThePortMap) {
    ASSERT_EQ(Run({"ports", "set", "7", "/dev/serial/by-id/usb-Waage-if00"}).exitCode, 0);
    const ProgramRun list = Run({"ports", "--json"});
    ASSERT_EQ(list.exitCode, 0) << list.errors;
    EXPECT_NE(list.output.find("{\"port\":7,\"path\":\"/dev/serial/by-id/usb-Waage-if00\","
                               "\"present\":false,\"default\":false}"),
              std::string::npos)
        << list.output;
    EXPECT_NE(list.output.find("{\"port\":8,\"path\":\"/dev/ttyUSB3\","), std::string::npos);
    // A path set for a port is its own, even where it equals the default.
    ASSERT_EQ(Run({"ports", "set", "9", "/dev/ttyUSB4"}).exitCode, 0);
    EXPECT_NE(
        Run({"ports", "--json"}).output.find("/dev/ttyUSB4\",\"present\":false,\"default\":false}"),
        std::string::npos);
    EXPECT_EQ(std::count(list.output.begin(), list.output.end(), '{'), 32);
    // A path that is no UTF-8 (a byte of the ANSI code page) leaves the JSON valid UTF-8; a
    // well-formed and an overlong sequence side by side.
    ASSERT_EQ(Run({"ports", "set", "10",
                   "/tmp/k\xe4"
                   "fig-\xc3\xa4-\xc0\xaf"})
                  .exitCode,
              0);
    EXPECT_NE(Run({"ports", "--json"}).output.find("\"/tmp/käfig-ä-À¯\""), std::string::npos);
    ASSERT_EQ(Run({"ports", "reset", "7"}).exitCode, 0);
    EXPECT_NE(Run({"ports", "--json"}).output.find("{\"port\":7,\"path\":\"/dev/ttyUSB2\""),
              std::string::npos);
    for (const std::vector<std::string>& bad :
         std::vector<std::vector<std::string>>{{"ports", "set", "0", "/x"},
                                               {"ports", "set", "33", "/x"},
                                               {"ports", "set", "7"},
                                               {"ports", "reset", "x"},
                                               {"ports", "anders"}}) {
        EXPECT_EQ(Run(bad).exitCode, 2) << bad[1];
    }
}

// The balance driver installed too, and a virtual balance behind port 5; ports 1 to 4 lead
// nowhere, and there are no more.
class VodexBalance : public Vodex {
  protected:
    void SetUp() override {
        Vodex::SetUp();
        ASSERT_EQ(Run({"install", "--quiet", VODEX_BALANCE_COMPONENT}).exitCode, 0);
        tlx::CoreTools().REGISTRY().WRITE(tlx::HKEY_LOCAL_MACHINE,
                                          "Software\\VQ Morvane\\VQ ReziraDovarir\\PortMax",
                                          tlx::Variant(5));
        for (int n = 1; n <= 4; ++n)
            ASSERT_EQ(Run({"ports", "set", std::to_string(n), home.File("nichts")}).exitCode, 0);
        ASSERT_EQ(Run({"ports", "set", "5", balance.Path()}).exitCode, 0);
    }
    vodex::sim::VirtualBalance balance{{.link = home.File("waage"), .weight = 123.4}};
};

TEST_F(VodexBalance, MeasuresTheBalance) {
    const ProgramRun run = Run(
        {"measure", "Vodex_Balance", "--port", "5", "--cycles", "2", "--interval", "0", "--json"});
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_EQ(run.errors, "");
    EXPECT_EQ(Values(run.output), (std::vector<std::pair<int, double>>{{1, 123.4}, {1, 123.4}}));
    EXPECT_EQ(balance.Commands(), (std::vector<std::string>{"I4", "SI", "SI"}));
    // At debug, the log shows the bytes exchanged, escaped.
    const ProgramRun logged = Run(
        {"--log", "debug", "measure", "Vodex_Balance", "--port", "5", "--cycles", "1", "--json"});
    ASSERT_EQ(logged.exitCode, 0) << logged.errors;
    EXPECT_NE(logged.errors.find("vodex: debug: port 5 sends 'SI\\x0d\\x0a'"), std::string::npos)
        << logged.errors;
    EXPECT_NE(logged.errors.find("vodex: debug: port 5 received 'S S"), std::string::npos)
        << logged.errors;
    // Nothing behind port 4: a failure that names the port and its path.
    const ProgramRun none = Run({"measure", "Vodex_Balance", "--port", "4", "--cycles", "1"});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_NE(none.errors.find(home.File("nichts")), std::string::npos) << none.errors;
}

TEST_F(VodexBalance, TroubleWithAPortIsNamed) {
    const std::string file = home.File("datei");
    vodex::test::WriteBytes(file, "");
    const std::string odd = home.File("zei\nle");
    const vodex::test::PortHolder holder(balance.Path());
    ASSERT_TRUE(holder.Held());
    const struct {
        std::string port;
        std::string path;
        std::string says;
    } cases[] = {
        {"4", "", "does not exist"},
        {"6", file, "is not a serial port"},
        {"5", "", "is in use by another program"},
        {"7", odd, home.File("zei\\nle") + " does not exist"},
    };
    for (const auto& c : cases) {
        if (!c.path.empty()) {
            ASSERT_EQ(Run({"ports", "set", c.port, c.path}).exitCode, 0);
        }
        const ProgramRun run = Run({"measure", "Vodex_Balance", "--port", c.port, "--cycles", "1"});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.output, "");
        EXPECT_EQ(std::count(run.errors.begin(), run.errors.end(), '\n'), 1) << run.errors;
        EXPECT_NE(run.errors.find(c.says), std::string::npos) << run.errors;
    }
}

// The balance goes away during a measurement without end and comes back: the user is told
// once each way, errors come a few times a second at most, measuring resumes by itself, and
// Ctrl-C ends it at once, with exit code 1 as it ends in error.
TEST_F(VodexBalance, ABalanceThatGoesAwayAndComesBack) {
    using namespace std::chrono_literals;
    vodex::test::RunningProgram run({VODEX_CLI, "measure", "Vodex_Balance", "--port", "5",
                                     "--cycles", "0", "--interval", "0", "--json"});
    auto measured = [](const std::string& line) {
        return line.find("\"measured\":true") != std::string::npos;
    };
    // Reads lines until one satisfies `want` or `within` passes; the lines read.
    auto until = [&](auto&& want, std::chrono::milliseconds within) {
        std::vector<std::string> lines;
        const auto end = std::chrono::steady_clock::now() + within;
        while (std::chrono::steady_clock::now() < end) {
            const auto line = run.Line(std::chrono::duration_cast<std::chrono::milliseconds>(
                end - std::chrono::steady_clock::now()));
            if (!line) break;
            lines.push_back(*line);
            if (want(*line)) break;
        }
        return lines;
    };
    ASSERT_TRUE(measured(until(measured, 5000ms).back()));
    balance.Vanish();
    auto failed = [&](const std::string& l) { return !measured(l); };
    ASSERT_FALSE(measured(until(failed, 5000ms).back()));
    // From the first error row on, a few rows a second at most: never a spin.
    const auto gone = until([](const std::string&) { return false; }, 1500ms);
    EXPECT_LE(gone.size(), 5u);
    balance.Return();
    const auto back = until(measured, 5000ms);
    ASSERT_FALSE(back.empty());
    EXPECT_TRUE(measured(back.back()));
    balance.Vanish();
    until(failed, 5000ms);
    const auto interrupted = std::chrono::steady_clock::now();
    run.Interrupt();
    EXPECT_EQ(run.Wait(5000ms), 1);
    // At once: nothing waits for a time-out (the bound leaves room for a busy machine).
    EXPECT_LT(std::chrono::steady_clock::now() - interrupted, 2s);
    auto times = [&](const std::string& part) {
        std::size_t n = 0;
        for (auto at = run.Errors().find(part); at != std::string::npos;
             at = run.Errors().find(part, at + 1))
            ++n;
        return n;
    };
    EXPECT_EQ(
        times("reports an error: the device of the serial port " + balance.Path() + " is gone\n"),
        2u)
        << run.Errors();
    EXPECT_EQ(times("answers again\n"), 1u) << run.Errors();
}

TEST_F(VodexBalance, DetectsTheBalance) {
    const ProgramRun run = Run({"detect", "--json"});
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_EQ(run.output,
              "[{\"class\":\"Vodex_Balance\",\"name\":\"Laborwaage\",\"manufacturer\":\"Vodex\","
              "\"port\":5,\"portName\":\"COM 5\",\"channel\":0,\"channelName\":\"\"}]\n");
    balance.SetSilent(true);
    EXPECT_EQ(Run({"detect", "--json"}).output, "[]\n");
    EXPECT_EQ(Run({"detect", "--logger", "--json"}).output, "[]\n");
    EXPECT_EQ(Run({"detect", "extra"}).exitCode, 2);
}

TEST_F(Vodex, CtrlCEndsAMeasurementCleanly) {
    using namespace std::chrono_literals;
    vodex::test::RunningProgram run({VODEX_CLI, "measure", "VODEX_RANDOMIZER", "--cycles", "0",
                                     "--interval", "0.05", "--json"});
    ASSERT_TRUE(run.Line(10000ms)) << "the measurement wrote nothing";
    run.Interrupt();
    EXPECT_EQ(run.Wait(10000ms), 0) << run.Errors();
    EXPECT_TRUE(run.Unread().empty() || run.Unread().back() == '\n');  // no line cut off
}

}  // namespace
