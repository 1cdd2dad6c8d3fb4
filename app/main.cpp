#include <QApplication>
#include <QGuiApplication>

#include <iostream>
#include <string>

#include "BackendLoader.h"
#include "BackendTable.h"
#include "IconPainter.h"
#include "MessageBox.h"
#include "ViewerApp.h"

namespace {

const char kHelp[] = "usage: kelvo-view [--help | --version]\n"
                     "\n"
                     "Shows the groupware's users, schedules, address book, bulletin board and\n"
                     "log after a login, and imports Outlook exports. The groupware is\n"
                     "$KELVO_DATABASE (an SQLite file or a postgresql:// URI), else\n"
                     "$XDG_DATA_HOME/kelvo/groupware.db; the backend library is $KELVO_LIBRARY,\n"
                     "else the one installed with the program.\n";

// --version: the program's version and the backend library it would use,
// found as a start finds it (no display needed).
int PrintVersion() {
    std::cout << "kelvo-View " << KELVO_VERSION << std::endl;
    CBackendLoader loader;
    std::string error;
    if (!loader.Load(KvBackend(), error)) {
        std::cerr << "kelvo-View: " << error << std::endl;
        return 1;
    }
    int version = KvBackend().kvVersion != nullptr ? KvBackend().kvVersion() : 0;
    std::cout << "backend library " << loader.LibraryPath() << " (" << (version >> 16) << "."
              << (version & 0xFFFF) << ")" << std::endl;
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::string(argv[1]) == "--version")
        return PrintVersion();
    if (argc == 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h")) {
        std::cout << kHelp;
        return 0;
    }
    QApplication application(argc, argv);
    // A message before the application object exists has its caption too.
    CMessageBox::SetCaption(QString::fromUtf8(CViewerApp::kAppName));
    QApplication::setWindowIcon(CIconPainter::Icon(CIconPainter::Kind::Program));
    // Ties the windows to the installed desktop entry (its name and icon).
    QGuiApplication::setDesktopFileName(QStringLiteral("kelvo-view"));

    CBackendLoader loader;
    std::string error;
    if (!loader.Load(KvBackend(), error)) {
        // Before any window: on standard error, and in a box where someone can see one.
        std::cerr << "kelvo-View: " << error << std::endl;
        QString platform = QGuiApplication::platformName();
        if (platform != QLatin1String("offscreen") && platform != QLatin1String("minimal"))
            CMessageBox::Show(nullptr, QString::fromStdString(error));
        return 1;
    }
    CViewerApp app;
    return app.Run();
}
