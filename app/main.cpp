#include <QApplication>
#include <QMessageBox>
#include <clocale>
#include <exception>

#include "cli/CommandLine.h"
#include "window/TForm1.h"

int main(int argc, char** argv) {
    // With a command the program runs headless and exits.
    if (argc > 1) return RunCommandLine(argc, argv);
    QApplication app(argc, argv);
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
