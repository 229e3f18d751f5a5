// Fixtures shared by the tests: a private VODEX_HOME per test, scripted message dialogs, and
// fresh threads for code that keeps per-thread state.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "tlx/dialogs.h"

namespace vodex::test {

// A temporary folder that VODEX_HOME points at while the object lives; removed afterwards.
class TempHome {
  public:
    TempHome();
    ~TempHome();
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::string File(const std::string& name) const { return (path_ / name).string(); }

  private:
    std::filesystem::path path_;
    std::string oldHome_;
    bool hadHome_ = false;
};

// Installs a scripted dialog provider on the calling thread while the object lives.
class ScriptedDialogs {
  public:
    ScriptedDialogs();
    ~ScriptedDialogs();
    ScriptedDialogs(const ScriptedDialogs&) = delete;
    ScriptedDialogs& operator=(const ScriptedDialogs&) = delete;

    tlx::ScriptedDialogProvider& operator*() { return *provider_; }
    tlx::ScriptedDialogProvider* operator->() { return provider_.get(); }

  private:
    std::shared_ptr<tlx::ScriptedDialogProvider> provider_;
    std::shared_ptr<tlx::DialogProvider> old_;
};

// Runs `body` on a new thread and waits for it, so that per-thread state (language, registry
// connections, tool object) starts afresh. Failures inside count for the calling test.
void OnFreshThread(const std::function<void()>& body);

// Sets an environment variable for the object's life and restores it afterwards.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const char* value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

  private:
    std::string name_;
    std::string old_;
    bool had_ = false;
};

// A test case with its own VODEX_HOME and scripted dialogs.
class HomeTest : public ::testing::Test {
  protected:
    TempHome home;
    ScriptedDialogs dialogs;
};

}  // namespace vodex::test
