#include "fixtures.h"

#include <cstdlib>
#include <exception>
#include <thread>

namespace vodex::test {

TempHome::TempHome() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vodex-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("no temporary folder");
    path_ = pattern;
    if (const char* old = std::getenv("VODEX_HOME")) {
        hadHome_ = true;
        oldHome_ = old;
    }
    ::setenv("VODEX_HOME", path_.c_str(), 1);
}

TempHome::~TempHome() {
    if (hadHome_) {
        ::setenv("VODEX_HOME", oldHome_.c_str(), 1);
    } else {
        ::unsetenv("VODEX_HOME");
    }
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

ScriptedDialogs::ScriptedDialogs()
    : provider_(std::make_shared<tlx::ScriptedDialogProvider>()),
      old_(tlx::cls_CoreDialogs::SetProvider(provider_)) {}

ScriptedDialogs::~ScriptedDialogs() {
    tlx::cls_CoreDialogs::SetProvider(old_);
}

void OnFreshThread(const std::function<void()>& body) {
    std::exception_ptr failure;
    std::thread t([&] {
        try {
            body();
        } catch (...) {
            failure = std::current_exception();
        }
    });
    t.join();
    if (failure) std::rethrow_exception(failure);
}

ScopedEnv::ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) {
        had_ = true;
        old_ = old;
    }
    if (value) {
        ::setenv(name, value, 1);
    } else {
        ::unsetenv(name);
    }
}

ScopedEnv::~ScopedEnv() {
    if (had_) {
        ::setenv(name_.c_str(), old_.c_str(), 1);
    } else {
        ::unsetenv(name_.c_str());
    }
}

}  // namespace vodex::test
