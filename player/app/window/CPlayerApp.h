#pragma once

#include <QApplication>

#include <optional>
#include <string>
#include <vector>

// The application: shows the main window; the program ends when it closes.
class CPlayerApp : public QApplication {
    Q_OBJECT
public:
    CPlayerApp(int& argc, char** argv);

    // Reads the command line, shows the main window and returns when it has closed: the program's exit
    // status.
    int Run();

    struct StartOptions {
        std::string file;
        std::optional<unsigned int> seed;
        bool steadyTicks = false;
    };
    // The command line: [FILE], --seed N, --steady, --help, --version (after Qt has taken its own options). The
    // exit status when the program should end at once.
    static std::optional<int> ParseArguments(const std::vector<std::string>& arguments, StartOptions& options);
    // --help and --version are answered before Qt starts, so that they work without a display; without
    // a display to show the window on, one line says so and the status is 2.
    static std::optional<int> AnswerWithoutWindow(int argc, char** argv);
    // While Qt starts, its messages are held back; if it cannot start (no display, no platform plugin),
    // one line tells why and the program ends with status 2 instead of Qt's abort. Off again, the
    // messages held back are written out.
    static void CatchStartFailure(bool on);
};
