#pragma once

#include <QApplication>

#include <optional>
#include <string>
#include <vector>

// The application: runs the main window modally; the program ends when it closes.
class CPlayerApp : public QApplication {
    Q_OBJECT
public:
    CPlayerApp(int& argc, char** argv);

    // Reads the command line, shows the main window and returns when it has closed: the program's exit
    // status.
    int Run();

    // The command line: [FILE], --help, --version (after Qt has taken its own options). The exit status
    // when the program should end at once.
    static std::optional<int> ParseArguments(const std::vector<std::string>& arguments, std::string& file);
    // --help and --version are answered before Qt starts, so that they work without a display.
    static std::optional<int> AnswerWithoutWindow(int argc, char** argv);
};
