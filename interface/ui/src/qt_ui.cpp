#include "vodex/ui/qt_ui.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QThread>
#include <QTranslator>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "tlx/dialogs.h"
#include "tlx/pump.h"
#include "tlx/text.h"
#include "vodex/core/device.h"
#include "vodex/core/device_tool.h"
#include "vodex/text/language.h"
#include "vodex/ui/views.h"

namespace vodex::ui {
namespace {

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

std::string Parameter(const tlx::DialogRequest& request, const char* name) {
    auto it = request.parameters.find(name);
    return it == request.parameters.end() ? std::string() : it->second.ToText();
}

// The core library's messages and questions as message boxes.
class QtDialogProvider : public tlx::DialogProvider {
  public:
    void Message(const std::string& text, const std::string& title,
                 tlx::MessageKind kind) override {
        QMessageBox box(kind == tlx::MessageKind::Error     ? QMessageBox::Critical
                        : kind == tlx::MessageKind::Warning ? QMessageBox::Warning
                                                            : QMessageBox::Information,
                        Q(title), Q(text), QMessageBox::Ok, QApplication::activeWindow());
        box.exec();
    }
    std::int32_t Question(const std::string& text, const std::string& title,
                          bool withCancel) override {
        auto buttons = QMessageBox::Yes | QMessageBox::No;
        if (withCancel) buttons |= QMessageBox::Cancel;
        QMessageBox box(QMessageBox::Question, Q(title), Q(text), buttons,
                        QApplication::activeWindow());
        const int answer = box.exec();
        if (answer == QMessageBox::Yes) return tlx::ID_Answer_Yes;
        if (answer == QMessageBox::Cancel || (withCancel && answer != QMessageBox::No)) {
            return tlx::ID_Answer_Cancel;
        }
        return tlx::ID_Answer_No;
    }
    std::optional<std::string> Input(const std::string& prompt, const std::string& title,
                                     const std::string& defaultText) override {
        bool ok = false;
        const QString text =
            QInputDialog::getText(QApplication::activeWindow(), Q(title), Q(prompt),
                                  QLineEdit::Normal, Q(defaultText), &ok);
        if (!ok) return std::nullopt;
        return text.toStdString();
    }
    std::optional<std::string> ChooseFolder(const std::string& title,
                                            const std::string& start) override {
        const QString folder =
            QFileDialog::getExistingDirectory(QApplication::activeWindow(), Q(title), Q(start));
        if (folder.isEmpty()) return std::nullopt;
        return folder.toStdString();
    }
    void WaitCursor(bool on) override {
        if (on) {
            QApplication::setOverrideCursor(Qt::WaitCursor);
        } else {
            QApplication::restoreOverrideCursor();
        }
    }
};

const char* Env(const char* name) {
    const char* value = std::getenv(name);
    return value && *value ? value : nullptr;
}

// Whether Qt can show windows here: a platform chosen explicitly, a Wayland socket or an X
// display that exists. Qt ends the program when it cannot reach its display, so the check
// comes before any QApplication is made.
bool DisplayExists() {
    namespace fs = std::filesystem;
    std::error_code error;
    if (Env("QT_QPA_PLATFORM")) return true;
    if (const char* wayland = Env("WAYLAND_DISPLAY")) {
        fs::path socket = wayland;
        if (socket.is_relative() && Env("XDG_RUNTIME_DIR"))
            socket = Env("XDG_RUNTIME_DIR") / socket;
        if (fs::is_socket(socket, error)) return true;
    }
    if (const char* x = Env("DISPLAY")) {
        const std::string display = x;
        if (display.front() != ':') return true;  // a display elsewhere: Qt will know
        const std::string number = display.substr(1, display.find('.') - 1);
        return fs::is_socket("/tmp/.X11-unix/X" + number, error);
    }
    return false;
}

// Qt's own texts (the standard buttons "Ja", "Nein", "Abbrechen", the file dialog) in the
// interface language; English is Qt's own.
void TranslateQt() {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || app->property("vodexQtTranslated").toBool() || !hLanguageIsGerman()) return;
    auto* translator = new QTranslator(app);
    if (translator->load(QLocale(QLocale::German), "qtbase", "_",
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(translator);
        app->setProperty("vodexQtTranslated", true);
    } else {
        delete translator;
    }
}

// What Qt says while the program starts: the first message is kept as the reason, and a fatal
// one ends the program with that reason in one line.
struct Starting {
    std::string program;
    std::string reason;
};
thread_local Starting tStarting;

void StartMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (tStarting.reason.empty()) tStarting.reason = message.section('\n', 0, 0).toStdString();
    if (type != QtFatalMsg) return;
    std::fprintf(stderr, "%s: no window can be shown: %s\n", tStarting.program.c_str(),
                 tlx::OneLine(tStarting.reason).c_str());
    std::_Exit(2);
}

}  // namespace

std::unique_ptr<QApplication> StartApplication(int& argc, char** argv, const char* program) {
    tStarting = {program, {}};
    const QtMessageHandler previous = qInstallMessageHandler(StartMessages);
    auto app = std::make_unique<QApplication>(argc, argv);
    qInstallMessageHandler(previous);
    tStarting = {};
    return app;
}

bool QtUiProvider::ShowModal(tlx::DialogRequest& request) {
    QWidget* parent = QApplication::activeWindow();
    const std::string& name = request.dialog;
    if (name == "frm_DialogCommunication") {
        CommSettingsModel model(std::dynamic_pointer_cast<int_Device>(request.subject));
        model.Load();
        CommSettingsView(model, parent).exec();
        return model.CONFIRMED();
    }
    if (name == "frm_DialogErrorConnect" || name == "frm_DialogErrorRange") {
        ErrorChecklistModel model(name == "frm_DialogErrorConnect"
                                      ? ErrorChecklistModel::Kind::Connect
                                      : ErrorChecklistModel::Kind::Range,
                                  Parameter(request, "DEVICE"), Parameter(request, "CHANNEL"));
        model.Load();
        ErrorChecklistView(model, parent).exec();
        return model.RESULT();
    }
    if (name == "frm_DialogAutoSense") {
        auto registry = std::dynamic_pointer_cast<cls_DeviceTool>(request.subject);
        if (!registry) return false;
        AutoSenseModel model(registry);
        model.LOGGER(request.parameters.count("LOGGER") &&
                     request.parameters.at("LOGGER").ToBool());
        model.Load();
        AutoSenseView(model, parent).exec();
        if (!model.FOUND()) return false;
        request.results["FOUND"] =
            tlx::Variant(std::static_pointer_cast<tlx::Object>(model.RESULT()));
        return true;
    }
    if (name == "frm_DeviceList") {
        auto registry = std::dynamic_pointer_cast<cls_DeviceTool>(request.subject);
        DeviceListModel model(registry ? registry : DeviceTool());
        model.Load();
        DeviceListView(model, parent).exec();
        return true;
    }
    if (name == "frm_DeviceTest") {
        DeviceTestModel model(DeviceTool());
        model.DeviceClass(Parameter(request, "CLASS"));
        model.Load();
        if (model.Closed()) return false;  // no active driver: the message was shown
        DeviceTestView(model, parent).exec();
        return true;
    }
    if (name == "frm_DeviceInfo") {
        // The driver class names the component file whose date the dialog shows.
        std::string cls = Parameter(request, "TYPENAME");
        cls = cls.substr(0, cls.find('.'));
        DeviceInfoModel model(std::dynamic_pointer_cast<int_Device>(request.subject),
                              cls.empty() ? std::string() : DeviceTool()->FILENAME(cls));
        model.Load();
        DeviceInfoView(model, parent).exec();
        return true;
    }
    if (name == "frm_DeviceSelect") {
        DeviceSelectModel& model = DeviceSelectModel::Shared();
        model.Registry(std::dynamic_pointer_cast<cls_DeviceTool>(request.subject));
        model.Load();
        DeviceSelectView(model, parent).exec();
        model.Registry(nullptr);  // the shared dialog holds no registry between showings
        request.results["CLASS"] = tlx::Variant(model.CLASS());
        return !model.CLASS().empty();
    }
    if (name == "frm_DeviceSettings") {
        DeviceSettingsModel& model = DeviceSettingsModel::Shared();
        model.Device(std::dynamic_pointer_cast<int_Device>(request.subject));
        model.Load();
        DeviceSettingsView(model, parent).exec();
        model.Device(nullptr);
        request.results["PORT"] = tlx::Variant(model.PORT());
        request.results["CHANNEL"] = tlx::Variant(model.CHANNEL());
        return model.CONFIRMED();
    }
    return false;  // a window that is not built yet: as without windows
}

void InstallQtUi() {
    TranslateQt();
    tlx::SetUiProvider(std::make_shared<QtUiProvider>());
    tlx::cls_CoreDialogs::SetProvider(std::make_shared<QtDialogProvider>());
    tlx::SetMessagePump([] { QCoreApplication::processEvents(QEventLoop::AllEvents); });
}

bool SaveWindowPicture(QWidget& window, const QString& file) {
    window.adjustSize();
    window.show();
    QApplication::processEvents();
    const QPixmap body = window.grab();
    constexpr int kStrip = 26;
    QPixmap framed(body.width(), body.height() + kStrip);
    framed.fill(QColor(64, 64, 64));
    {
        QPainter painter(&framed);
        QFont bold = window.font();
        bold.setBold(true);
        painter.setFont(bold);
        painter.setPen(Qt::white);
        painter.drawText(QRect(8, 0, body.width() - 16, kStrip), Qt::AlignVCenter | Qt::AlignLeft,
                         window.windowTitle());
        painter.drawPixmap(0, kStrip, body);
    }
    return framed.save(file);
}

}  // namespace vodex::ui

// Called by the core library when the program's main thread needs a dialog and chose no
// provider: makes the program's QApplication when it has none and installs the windows.
extern "C" __attribute__((visibility("default"))) bool tlx_AttachWindows() {
    try {
        if (!QCoreApplication::instance()) {
            if (!vodex::ui::DisplayExists()) return false;
            static int argc = 1;
            static char name[] = "vodex";
            static char* argv[] = {name, nullptr};
            new QApplication(argc, argv);  // stays for the rest of the program
        }
        if (!qobject_cast<QApplication*>(QCoreApplication::instance()) ||
            QThread::currentThread() != QCoreApplication::instance()->thread()) {
            return false;
        }
        vodex::ui::InstallQtUi();
        return true;
    } catch (...) {
        return false;
    }
}
