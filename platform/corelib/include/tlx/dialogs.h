// Message dialogs of the core library: messages and yes/no (or yes/no/cancel) questions.
// What the user sees comes from the provider installed for the thread: the console provider
// by default, a window provider in programs with windows, a scripted provider in tests.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "tlx/object.h"

namespace tlx {

// Answers of a question.
enum enm_DialogAnswer : std::int32_t {
    ID_Answer_OK = 1,
    ID_Answer_Cancel = 2,
    ID_Answer_Yes = 6,
    ID_Answer_No = 7,
};

enum class MessageKind { Information, Warning, Error, Question };

class DialogProvider {
  public:
    DialogProvider() = default;
    DialogProvider(const DialogProvider&) = delete;
    DialogProvider& operator=(const DialogProvider&) = delete;
    virtual ~DialogProvider();
    virtual void Message(const std::string& text, const std::string& title, MessageKind kind) = 0;
    // ID_Answer_Yes, ID_Answer_No, or ID_Answer_Cancel when `withCancel`.
    virtual std::int32_t Question(const std::string& text, const std::string& title,
                                  bool withCancel) = 0;
};

// Writes messages to standard error and asks questions on the terminal. Without a terminal
// (or at the end of the input) a question is answered No, or Cancel when it offers Cancel.
class ConsoleDialogProvider : public DialogProvider {
  public:
    void Message(const std::string& text, const std::string& title, MessageKind kind) override;
    std::int32_t Question(const std::string& text, const std::string& title,
                          bool withCancel) override;
};

// For tests: records everything shown and answers questions from a script.
class ScriptedDialogProvider : public DialogProvider {
  public:
    struct Shown {
        bool question = false;
        std::string text;
        std::string title;
        MessageKind kind = MessageKind::Information;
        bool withCancel = false;
        std::int32_t answer = 0;  // questions only
    };

    // Queues the answer for the next question; questions beyond the queue get `Default`.
    void Answer(std::int32_t answer) { answers_.push_back(answer); }
    void Default(std::int32_t answer) { default_ = answer; }
    const std::vector<Shown>& ShownAll() const { return shown_; }
    std::size_t Count() const { return shown_.size(); }
    void Clear() { shown_.clear(); }

    void Message(const std::string& text, const std::string& title, MessageKind kind) override;
    std::int32_t Question(const std::string& text, const std::string& title,
                          bool withCancel) override;

  private:
    std::vector<Shown> shown_;
    std::deque<std::int32_t> answers_;
    std::int32_t default_ = ID_Answer_No;
};

class cls_CoreDialogs : public Object {
  public:
    void MESSAGE(const std::string& pText, const std::string& pTitle = {},
                 MessageKind pKind = MessageKind::Information);
    // 6 Yes, 7 No, 2 Cancel (only with `pCancel`).
    std::int32_t QUESTION(const std::string& pText, const std::string& pTitle = {},
                          bool pCancel = false);

    // Installs `provider` for the calling thread (nothing: the console provider); returns the
    // provider that was installed.
    static std::shared_ptr<DialogProvider> SetProvider(std::shared_ptr<DialogProvider> provider);
    static std::shared_ptr<DialogProvider> Provider();
};

}  // namespace tlx
