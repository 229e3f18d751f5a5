// The registration program of the toolkit's components:
//
//   vodex_regsvr [/u] [/s] [/set PATH=TEXT]... [/unset PATH]... FILE
//   vodex_regsvr /v FILE
//
// registers the component FILE (writes its programmatic identifiers into the machine hive), or
// with /u removes them; /s keeps it silent on success. /set and /unset write and remove text
// values of the machine hive in the same transaction as the registration: all of it changes
// together, or nothing does (the installer names its driver this way). /v registers nothing
// and prints the component's version record on one line: "MAJOR.MINOR.REVISION", the lowest
// toolkit build, the date and the comment, separated by tabs. Exit code 0 on success, 2 for a usage
// error, 3 when the file does not exist, 5 when it is refused or its registration fails, with
// a one-line message on standard error that says why.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "tlx/component.h"
#include "tlx/error.h"
#include "tlx/program.h"
#include "tlx/registry.h"
#include "tlx/text.h"
#include "tlx/tools.h"

namespace {

constexpr const char* kHelp =
    "usage: vodex_regsvr [/u] [/s] [/set PATH=TEXT]... [/unset PATH]... FILE\n"
    "       vodex_regsvr /v FILE\n"
    "  registers the component FILE; /u unregisters it, /s is silent;\n"
    "  /set and /unset change machine-hive values together with it;\n"
    "  /v prints its version record\n"
    "  --help shows this help, --version the toolkit's version\n";

int Usage() {
    std::fputs(kHelp, stderr);
    return 2;
}

// A value to write with the registration (its text), or to remove (nothing).
struct Change {
    std::string path;
    std::optional<std::string> text;
};

struct Request {
    bool unregister = false;
    bool silent = false;
    bool version = false;
    std::string file;
    std::vector<Change> changes;
};

// The request of the command line; nothing for a usage error.
std::optional<Request> ReadArguments(int argc, char** argv) {
    Request r;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const std::string flag = tlx::UCase(arg);
        if (flag == "/SET" || flag == "/UNSET") {
            if (i + 1 >= argc) return std::nullopt;  // the change itself is missing
            const std::string change = argv[++i];
            const std::size_t equals = change.find('=');
            if (flag == "/UNSET") {
                r.changes.push_back({change, std::nullopt});
            } else if (equals != std::string::npos && equals > 0) {
                r.changes.push_back({change.substr(0, equals), change.substr(equals + 1)});
            } else {
                return std::nullopt;
            }
        } else if (flag == "/U" || flag == "-U") {
            r.unregister = true;
        } else if (flag == "/S" || flag == "-S") {
            r.silent = true;
        } else if (flag == "/V" || flag == "-V") {
            r.version = true;
        } else if (arg.size() == 2 && (arg[0] == '/' || arg[0] == '-')) {
            return std::nullopt;  // an option that the program does not know
        } else if (!arg.empty() && r.file.empty()) {
            r.file = arg;  // an absolute path starts with a slash too
        } else {
            return std::nullopt;
        }
    }
    if (r.file.empty()) return std::nullopt;
    return r;
}

// Prints the component's version record on one line.
void PrintVersion(const std::string& path) {
    const tlx_component_table& entry = tlx::LoadComponent(path);
    const tlx_component_version& v = *entry.version;
    const auto field = [](const char* text) {
        return tlx::Replace(tlx::OneLine(text ? text : ""), "\t", " ");
    };
    std::printf("%d.%d.%d\t%d\t%s\t%s\n", v.major, v.minor, v.revision, v.lowest_build,
                field(v.date).c_str(), field(v.comment).c_str());
}

// Registers or unregisters the component, with the values to change, in one transaction.
void Register(const std::string& path, const Request& r) {
    // Loaded before the transaction takes the hive's write lock, which it holds only for the
    // registration itself.
    tlx::LoadComponent(path);
    tlx::cls_CoreRegistry& registry = tlx::CoreTools().REGISTRY();
    tlx::RegistryTransaction transaction(registry, tlx::HKEY_LOCAL_MACHINE);
    if (r.unregister) {
        tlx::UnregisterComponent(path);
    } else {
        tlx::RegisterComponent(path);
    }
    for (const Change& c : r.changes) {
        if (c.text) {
            registry.WRITE(tlx::HKEY_LOCAL_MACHINE, c.path, tlx::Variant(*c.text));
        } else {
            registry.DELETEVALUE(tlx::HKEY_LOCAL_MACHINE, c.path);
        }
    }
    transaction.Commit();
}

}  // namespace

int main(int argc, char** argv) {
    if (const auto answered = tlx::AnswerHelpOrVersion(argc, argv, "vodex_regsvr", kHelp))
        return *answered;
    const std::optional<Request> r = ReadArguments(argc, argv);
    if (!r) return Usage();
    // The file is registered under the name it was given, made absolute: a link keeps its own
    // name, which is the driver's class name. Everything about the file is checked before it is
    // loaded, and nothing the component does escapes as a crash.
    std::error_code ec;
    const std::string path = std::filesystem::absolute(r->file, ec).lexically_normal().string();
    if (ec || !std::filesystem::exists(std::filesystem::symlink_status(path, ec)) || ec) {
        std::fprintf(stderr, "vodex_regsvr: '%s' does not exist\n", tlx::OneLine(r->file).c_str());
        return 3;
    }
    try {
        if (r->version) {
            PrintVersion(path);
            return 0;
        }
        Register(path, *r);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vodex_regsvr: %s\n", tlx::OneLine(e.what()).c_str());
        return 5;
    }
    if (!r->silent) {
        std::printf("%s: %s\n", tlx::OneLine(path).c_str(),
                    r->unregister ? "unregistered" : "registered");
    }
    return 0;
}
