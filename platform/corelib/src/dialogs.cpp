#include "tlx/dialogs.h"

#include <unistd.h>

#include <iostream>

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

}  // namespace tlx
