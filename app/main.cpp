#include <QApplication>
#include <QMessageBox>
#include <QStringList>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <exception>

#include "cli/CommandLine.h"
#include "window/TForm1.h"

namespace {

// Whether a window can be shown: a display to show it on, or a platform
// chosen by the user (offscreen, for one).
bool CanShowAWindow() {
    for (const char* variable : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        if (const char* value = std::getenv(variable); value && *value) return true;
    return false;
}

// A display that is named but cannot be reached (a dead forwarded X
// connection, a missing platform plugin) makes the toolkit give up with a
// fatal message before any window exists: say it in one line instead, with
// the toolkit's first word on why. Its other messages wait until it has
// started.
QStringList startMessages;

void NoDisplayAfterAll(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type != QtFatalMsg) {
        startMessages << message;
        return;
    }
    const QString why = (startMessages.isEmpty() ? message : startMessages.front()).section('\n', 0, 0);
    std::fprintf(stderr,
                 "itemmap: the window needs a display, and none could be reached (%s); to work without one, "
                 "give a command: itemmap mrp-mds FILE (itemmap --help lists them)\n",
                 why.toLocal8Bit().constData());
    std::_Exit(kExitUsage);
}

}  // namespace

int main(int argc, char** argv) {
    // With a command the program runs headless and exits.
    if (argc > 1) return RunCommandLine(argc, argv);
    if (!CanShowAWindow()) {
        std::fputs(
            "itemmap: the window needs a display, and none was found (DISPLAY is not set); to work without "
            "one, give a command: itemmap mrp-mds FILE (itemmap --help lists them)\n",
            stderr);
        return kExitUsage;
    }
    qInstallMessageHandler(NoDisplayAfterAll);
    QApplication app(argc, argv);
    qInstallMessageHandler(nullptr);
    for (const QString& message : startMessages)
        std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
    // The toolkit takes the locale from the environment; numbers in fields and
    // files are always read and written with a decimal point.
    std::setlocale(LC_NUMERIC, "C");
    try {
        TForm1 form;
        form.show();
        return QApplication::exec();
    } catch (const std::exception& e) {
        QMessageBox::critical(nullptr, "Form1", QString::fromUtf8(e.what()));
    } catch (...) {
        QMessageBox::critical(nullptr, "Form1", QString());
    }
    return 1;
}
