#include "player/app/window/CPlayerApp.h"

#include "player/app/window/CPlayerDialog.h"

#include <clocale>

CPlayerApp::CPlayerApp(int& argc, char** argv)
    : QApplication(argc, argv)
{
    // Qt takes the C library's locale from the environment; the engine reads and writes its numbers
    // without the locale, so a comma-decimal locale is harmless. Set it here so every run is alike.
    std::setlocale(LC_ALL, "");
    setApplicationName(QStringLiteral("Mirrim"));
    setApplicationVersion(QStringLiteral(MIRRIM_VERSION));
    setDesktopFileName(QStringLiteral("mirrim"));
}

int CPlayerApp::Run()
{
    CPlayerDialog window;
    window.exec(); // how the window ended does not matter: the program ends with it
    return 0;
}
