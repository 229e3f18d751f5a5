#include "tlx/dialogs.h"

#include <unistd.h>

#include <iostream>

#include "tlx/pump.h"
#include "tlx/text.h"

namespace tlx {
namespace {

thread_local std::shared_ptr<DialogProvider> tProvider;

const char* KindLabel(MessageKind kind) {
    switch (kind) {
        case MessageKind::Warning:
            return "Warnung";
        case MessageKind::Error:
            return "Fehler";
        case MessageKind::Question:
            return "Frage";
        case MessageKind::Information:
            break;
    }
    return "Information";
}

}  // namespace

DialogProvider::~DialogProvider() = default;

std::optional<std::string> DialogProvider::Input(const std::string&, const std::string&,
                                                 const std::string&) {
    return std::nullopt;
}

std::optional<std::string> DialogProvider::ChooseFolder(const std::string&, const std::string&) {
    return std::nullopt;
}

void DialogProvider::WaitCursor(bool) {}

void ConsoleDialogProvider::Message(const std::string& text, const std::string& title,
                                    MessageKind kind) {
    // One line per message, whatever the text holds.
    std::cerr << "[" << OneLine(title.empty() ? KindLabel(kind) : title) << "] " << OneLine(text)
              << std::endl;
}

std::int32_t ConsoleDialogProvider::Question(const std::string& text, const std::string& title,
                                             bool withCancel) {
    const std::int32_t fallback = withCancel ? ID_Answer_Cancel : ID_Answer_No;
    std::cerr << "[" << OneLine(title.empty() ? KindLabel(MessageKind::Question) : title) << "] "
              << OneLine(text) << std::endl;
    if (!::isatty(STDIN_FILENO)) {
        std::cerr << "(keine Eingabe möglich: " << (withCancel ? "Abbrechen" : "Nein") << ")"
                  << std::endl;
        return fallback;
    }
    for (;;) {
        std::cerr << (withCancel ? "[j]a / [n]ein / [a]bbrechen? " : "[j]a / [n]ein? ")
                  << std::flush;
        std::string line;
        if (!std::getline(std::cin, line)) return fallback;
        std::string a = LCase(Trim(line));
        if (a == "j" || a == "ja" || a == "y" || a == "yes") return ID_Answer_Yes;
        if (a == "n" || a == "nein" || a == "no") return ID_Answer_No;
        if (withCancel && (a == "a" || a == "abbrechen" || a == "c" || a == "cancel")) {
            return ID_Answer_Cancel;
        }
    }
}

std::optional<std::string> ConsoleDialogProvider::Input(const std::string& prompt,
                                                        const std::string& title,
                                                        const std::string& defaultText) {
    std::cerr << "[" << OneLine(title.empty() ? KindLabel(MessageKind::Question) : title) << "] "
              << OneLine(prompt) << std::endl;
    if (!::isatty(STDIN_FILENO)) {
        std::cerr << "(keine Eingabe möglich)" << std::endl;
        return std::nullopt;
    }
    std::cerr << "[" << OneLine(defaultText) << "] " << std::flush;
    std::string line;
    if (!std::getline(std::cin, line)) return std::nullopt;
    return line.empty() ? defaultText : line;
}

std::optional<std::string> ScriptedDialogProvider::NextEntry(const std::string& text,
                                                             const std::string& title) {
    std::optional<std::string> entry;
    if (!entries_.empty()) {
        entry = entries_.front();
        entries_.pop_front();
    }
    shown_.push_back(
        {true, text, title, MessageKind::Question, true, entry ? ID_Answer_OK : ID_Answer_Cancel});
    return entry;
}

std::optional<std::string> ScriptedDialogProvider::Input(const std::string& prompt,
                                                         const std::string& title,
                                                         const std::string&) {
    return NextEntry(prompt, title);
}

std::optional<std::string> ScriptedDialogProvider::ChooseFolder(const std::string& title,
                                                                const std::string&) {
    return NextEntry(title, title);
}

void ScriptedDialogProvider::Message(const std::string& text, const std::string& title,
                                     MessageKind kind) {
    shown_.push_back({false, text, title, kind, false, 0});
}

std::int32_t ScriptedDialogProvider::Question(const std::string& text, const std::string& title,
                                              bool withCancel) {
    std::int32_t answer = default_;
    if (!answers_.empty()) {
        answer = answers_.front();
        answers_.pop_front();
    }
    shown_.push_back({true, text, title, MessageKind::Question, withCancel, answer});
    return answer;
}

std::shared_ptr<DialogProvider> cls_CoreDialogs::Provider() {
    if (!tProvider) tProvider = std::make_shared<ConsoleDialogProvider>();
    return tProvider;
}

std::shared_ptr<DialogProvider> cls_CoreDialogs::SetProvider(
    std::shared_ptr<DialogProvider> provider) {
    std::shared_ptr<DialogProvider> old = Provider();
    tProvider = std::move(provider);
    return old;
}

void cls_CoreDialogs::MESSAGE(const std::string& pText, const std::string& pTitle,
                              MessageKind pKind) {
    Provider()->Message(pText, pTitle, pKind);
}

std::int32_t cls_CoreDialogs::QUESTION(const std::string& pText, const std::string& pTitle,
                                       bool pCancel) {
    return Provider()->Question(pText, pTitle, pCancel);
}

std::string cls_CoreDialogs::INPUTBOX(const std::string& pPrompt, const std::string& pTitle,
                                      const std::string& pDefault) {
    return Provider()->Input(pPrompt, pTitle, pDefault).value_or(std::string());
}

std::string cls_CoreDialogs::BROWSEFOLDER(const std::string& pTitle, const std::string& pStart) {
    return Provider()->ChooseFolder(pTitle, pStart).value_or(std::string());
}

WaitCursor::WaitCursor() : provider_(cls_CoreDialogs::Provider()) {
    provider_->WaitCursor(true);
    PumpMessages();
}

WaitCursor::~WaitCursor() {
    try {
        provider_->WaitCursor(false);
    } catch (...) {
    }
}

}  // namespace tlx
