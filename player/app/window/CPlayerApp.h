#pragma once

#include <QApplication>

// The application: runs the main window modally; the program ends when it closes.
class CPlayerApp : public QApplication {
    Q_OBJECT
public:
    CPlayerApp(int& argc, char** argv);

    // Shows the main window and returns when it has closed.
    int Run();
};
