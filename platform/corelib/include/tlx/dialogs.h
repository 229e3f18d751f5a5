// Message dialogs of the core library: messages and yes/no (or yes/no/cancel) questions.
// What the user sees comes from the provider installed for the thread: the console provider
// by default, a window provider in programs with windows, a scripted provider in tests.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
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
    // The text the user enters, offered `defaultText` first; nothing when the user cancels or
    // nobody can be asked (the default).
    virtual std::optional<std::string> Input(const std::string& prompt, const std::string& title,
                                             const std::string& defaultText);
    // A folder the user chooses, starting at `start`; nothing when the user cancels or nobody
    // can be asked (the default).
    virtual std::optional<std::string> ChooseFolder(const std::string& title,
                                                    const std::string& start);
    // Shows the wait cursor (true) or the normal one again (false); nothing by default.
    virtual void WaitCursor(bool on);
};

// Writes messages to standard error and asks questions on the terminal. Without a terminal
// (or at the end of the input) a question is answered No, or Cancel when it offers Cancel.
class ConsoleDialogProvider : public DialogProvider {
  public:
    void Message(const std::string& text, const std::string& title, MessageKind kind) override;
    std::int32_t Question(const std::string& text, const std::string& title,
                          bool withCancel) override;
    // A line from the terminal (empty: the default text); nothing without a terminal.
    std::optional<std::string> Input(const std::string& prompt, const std::string& title,
                                     const std::string& defaultText) override;
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
    // Queues what the next input box or folder chooser gets (nothing: cancelled); beyond the
    // queue they are cancelled.
    void Enter(std::optional<std::string> text) { entries_.push_back(std::move(text)); }
    // How often the wait cursor is shown now (shown minus taken back).
    std::int32_t WaitCursors() const { return waitCursors_; }
    void Default(std::int32_t answer) { default_ = answer; }
    const std::vector<Shown>& ShownAll() const { return shown_; }
    std::size_t Count() const { return shown_.size(); }
    void Clear() { shown_.clear(); }

    void Message(const std::string& text, const std::string& title, MessageKind kind) override;
    std::int32_t Question(const std::string& text, const std::string& title,
                          bool withCancel) override;
    std::optional<std::string> Input(const std::string& prompt, const std::string& title,
                                     const std::string& defaultText) override;
    std::optional<std::string> ChooseFolder(const std::string& title,
                                            const std::string& start) override;
    void WaitCursor(bool on) override { waitCursors_ += on ? 1 : -1; }

  private:
    std::optional<std::string> NextEntry(const std::string& text, const std::string& title);

    std::vector<Shown> shown_;
    std::deque<std::int32_t> answers_;
    std::deque<std::optional<std::string>> entries_;
    std::int32_t default_ = ID_Answer_No;
    std::int32_t waitCursors_ = 0;
};

class cls_CoreDialogs : public Object {
  public:
    void MESSAGE(const std::string& pText, const std::string& pTitle = {},
                 MessageKind pKind = MessageKind::Information);
    // 6 Yes, 7 No, 2 Cancel (only with `pCancel`).
    std::int32_t QUESTION(const std::string& pText, const std::string& pTitle = {},
                          bool pCancel = false);
    // The text the user enters; "" when cancelled.
    std::string INPUTBOX(const std::string& pPrompt, const std::string& pTitle = {},
                         const std::string& pDefault = {});
    // The folder the user chooses; "" when cancelled.
    std::string BROWSEFOLDER(const std::string& pTitle, const std::string& pStart = {});

    // Installs `provider` for the calling thread (nothing: the console provider); returns the
    // provider that was installed.
    static std::shared_ptr<DialogProvider> SetProvider(std::shared_ptr<DialogProvider> provider);
    static std::shared_ptr<DialogProvider> Provider();
};

// The wait cursor while a long operation runs: shown, and pending window events run, when
// made; the normal cursor again when it goes.
class WaitCursor {
  public:
    WaitCursor();
    ~WaitCursor();
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

  private:
    std::shared_ptr<DialogProvider> provider_;
};

}  // namespace tlx
