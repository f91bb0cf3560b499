#include "player/app/window/CPlayerApp.h"

#include "player/app/window/CPlayerDialog.h"

#include <CLI/CLI.hpp>

#include <QFile>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <iterator>
#include <memory>
#include <utility>
#include <vector>

#include <sys/socket.h>
#include <unistd.h>

namespace {

// What Qt said while it started, and the handler that was in place before.
QStringList heldMessages;
QtMessageHandler previousHandler = nullptr;

void holdMessage(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type != QtFatalMsg) {
        heldMessages << message;
        return;
    }
    // Qt's own last words suggest reinstalling; the message before them says what really went wrong.
    const QString reason = heldMessages.isEmpty() ? message : heldMessages.constLast();
    std::fprintf(stderr, "Mirrim: cannot open the window: %s\n", qPrintable(reason.simplified()));
    std::_Exit(2);
}

// The write end of the socket pair that carries a caught signal into the event loop.
int signalWriteEnd = -1;

extern "C" void onEndSignal(int number)
{
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(number);
    [[maybe_unused]] const ssize_t written = ::write(signalWriteEnd, &byte, 1);
    errno = saved;
}

// While alive, SIGINT, SIGTERM and SIGHUP are handed to the event loop instead of ending the process at
// once, so the window can close as its close box does and a recording is finished. A second signal takes
// the usual way out.
class EndSignals {
public:
    explicit EndSignals(std::function<void(int)> onSignal)
        : onSignal_(std::move(onSignal))
    {
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, ends_) != 0)
            return;
        signalWriteEnd = ends_[0];
        notifier_ = std::make_unique<QSocketNotifier>(ends_[1], QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] {
            unsigned char byte = 0;
            if (::read(ends_[1], &byte, 1) == 1)
                onSignal_(byte);
        });
        struct sigaction action { };
        action.sa_handler = onEndSignal;
        action.sa_flags = SA_RESETHAND | SA_RESTART;
        sigemptyset(&action.sa_mask);
        for (std::size_t i = 0; i < std::size(kSignals); ++i)
            sigaction(kSignals[i], &action, &previous_[i]);
        installed_ = true;
    }
    ~EndSignals()
    {
        if (installed_) {
            for (std::size_t i = 0; i < std::size(kSignals); ++i)
                sigaction(kSignals[i], &previous_[i], nullptr);
        }
        notifier_.reset();
        signalWriteEnd = -1;
        for (int end : ends_) {
            if (end >= 0)
                ::close(end);
        }
    }
    EndSignals(const EndSignals&) = delete;
    EndSignals& operator=(const EndSignals&) = delete;

private:
    static constexpr int kSignals[] = { SIGINT, SIGTERM, SIGHUP };
    std::function<void(int)> onSignal_;
    int ends_[2] = { -1, -1 };
    std::unique_ptr<QSocketNotifier> notifier_;
    struct sigaction previous_[std::size(kSignals)] {};
    bool installed_ = false;
};

} // namespace

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

std::optional<int> CPlayerApp::ParseArguments(const std::vector<std::string>& arguments, StartOptions& options)
{
    CLI::App command("Mirrim, the particle toy: plays a scene in a window.", "Mirrim");
    command.set_version_flag("--version", "Mirrim " MIRRIM_VERSION);
    command.add_option(
        "FILE", options.file, "a scene file (.zrk) or a definition file to play instead of the default scene");
    command
        .add_option(
            "--seed", options.seed, "start the random sequence from N whenever a scene is loaded (popup menu: Seed)")
        ->check(CLI::Range(0u, 2147483647u))
        ->type_name("N");
    command.add_flag("--steady", options.steadyTicks,
        "start each tick 50 ms after the last one started, for this run (popup menu: Steady 20 Ticks a Second)");
    command.footer("The file is told apart by what it holds, whatever its name. While it plays, the window\n"
                   "reloads it when it or a file it includes changes (popup menu: Reload on Change).\n");
    std::vector<std::string> copies = arguments;
    std::vector<char*> argv;
    for (std::string& argument : copies)
        argv.push_back(argument.data());
    try {
        command.parse(static_cast<int>(argv.size()), argv.data());
    } catch (const CLI::Success& done) {
        return command.exit(done);
    } catch (const CLI::ParseError& error) {
        std::fprintf(stderr, "Mirrim: %s (see Mirrim --help)\n", error.what());
        return 2;
    }
    return std::nullopt;
}

std::optional<int> CPlayerApp::AnswerWithoutWindow(int argc, char** argv)
{
    const std::vector<std::string> arguments(argv, argv + argc);
    for (const std::string& argument : arguments) {
        if (argument == "-h" || argument == "--help" || argument == "--version") {
            StartOptions options;
            return ParseArguments(arguments, options).value_or(0);
        }
    }
    const auto unset = [](const char* name) {
        const char* value = std::getenv(name);
        return !value || !*value;
    };
    // A platform chosen by the user (offscreen, vnc, ...) may need no display: Qt is left to judge.
    if (unset("QT_QPA_PLATFORM") && unset("DISPLAY") && unset("WAYLAND_DISPLAY")) {
        std::fprintf(stderr,
            "Mirrim: no display to open the window on (DISPLAY is not set); "
            "mirrim-cli plays scenes without one\n");
        return 2;
    }
    return std::nullopt;
}

void CPlayerApp::CatchStartFailure(bool on)
{
    if (on) {
        previousHandler = qInstallMessageHandler(holdMessage);
        return;
    }
    qInstallMessageHandler(previousHandler);
    for (const QString& message : std::exchange(heldMessages, {}))
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

int CPlayerApp::Run()
{
    std::vector<std::string> arguments;
    for (const QString& argument : QApplication::arguments())
        arguments.push_back(QFile::encodeName(argument).toStdString());
    StartOptions options;
    if (std::optional<int> status = ParseArguments(arguments, options))
        return *status;
    CPlayerDialog window;
    if (options.seed)
        window.SetSeed(options.seed);
    if (options.steadyTicks)
        window.SetSteadyTicks(true);
    // Once the window is up, so that what the file holds is told over it.
    if (!options.file.empty())
        QTimer::singleShot(0, &window, [&window, &options] { window.OpenFile(options.file.c_str()); });
    // How the window ended does not matter: the program ends with it.
    connect(&window, &QDialog::finished, this, &QCoreApplication::quit);
    // Ended by a signal, the window closes as if its close box were clicked, also from under a dialog
    // (every event loop ends), and the window finishes its recording as it goes; the status tells which.
    int status = 0;
    const EndSignals endSignals([&window, &status](int number) {
        status = 128 + number;
        // Ending first: a question the closing window would ask (edits not saved) then ends unanswered.
        QCoreApplication::exit(status);
        window.close();
    });
    window.show();
    exec();
    return status;
}
