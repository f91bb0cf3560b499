// The main window as a desktop program: keyboard focus and shortcuts, tooltips, dropped files, zoom and
// the settings it keeps, under the offscreen platform.
#include "player/app/window/CPlayerApp.h"
#include "player/app/window/SteadyPace.h"
#include "player/app/window/WindowZoom.h"
#include "tests/TempDir.h"
#include "tests/gui/TestDialog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QMenu>
#include <QMimeData>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>

namespace {

using W = CPlayerDialog;

// Shown and active, as a window on a desktop is: shortcuts and focus need that.
void showActive(CPlayerDialog& window)
{
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
}

void writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

// Closes the modal dialog that the next command opens, noting its title; gives up after two seconds.
void closeNextModal(QString& title)
{
    auto* poll = new QTimer;
    auto tries = std::make_shared<int>(200);
    QObject::connect(poll, &QTimer::timeout, [poll, tries, &title] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal) {
            title = modal->windowTitle();
            modal->close();
        }
        if (modal || --*tries == 0) {
            poll->stop();
            poll->deleteLater();
        }
    });
    poll->start(10);
}

TEST(DesktopWindow, IsAnOrdinaryTopLevelWindow)
{
    TestDialog window;
    EXPECT_TRUE(window.isWindow());
    EXPECT_EQ(window.windowType(), Qt::Window) << "a dialog type is announced to the window manager as one";
    EXPECT_FALSE(window.isModal());
    EXPECT_TRUE(window.windowFlags() & Qt::WindowMinimizeButtonHint);
}

// After every round trip of Play and Record, whether by mouse or by keyboard, the keyboard is on the
// window or on the partner of the button that went away, never on an unrelated control.
TEST(DesktopWindow, FocusFollowsThePartnerOrStaysOnTheWindow)
{
    TempDir dir;
    TestDialog window;
    showActive(window);
    // Clear shows its focus at start, yet no key presses it: they are the window's.
    QAbstractButton* clear = window.Control(W::kClear);
    EXPECT_EQ(QApplication::focusWidget(), clear);
    int cleared = 0;
    QObject::connect(clear, &QAbstractButton::clicked, [&cleared] { ++cleared; });
    for (const Qt::Key key : { Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space, Qt::Key_Space })
        QTest::keyClick(clear, key);
    QTest::qWait(200); // a button's key press clicks after a moment
    EXPECT_EQ(cleared, 0);
    EXPECT_TRUE(window.Player().playing) << "Space went to the window, twice";
    // Tabbed back to, it takes its keys as any button does.
    QTest::keyClick(clear, Qt::Key_Tab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    ASSERT_EQ(QApplication::focusWidget(), clear);
    QTest::keyClick(clear, Qt::Key_Return);
    QTest::qWait(200);
    EXPECT_EQ(cleared, 1);
    window.setFocus();

    // Clicks do not take the keyboard.
    QAbstractButton* playing = window.Control(W::kPlaying);
    QTest::mouseClick(playing, Qt::LeftButton);
    EXPECT_FALSE(window.Player().playing);
    EXPECT_EQ(QApplication::focusWidget(), &window);
    QTest::mouseClick(window.Control(W::kPlay), Qt::LeftButton);
    EXPECT_EQ(QApplication::focusWidget(), &window);

    // Tabbed to, a button that goes away hands the keyboard to its partner, and back.
    playing->setFocus(Qt::TabFocusReason);
    QTest::keyClick(playing, Qt::Key_Space);
    EXPECT_FALSE(window.Player().playing);
    EXPECT_EQ(QApplication::focusWidget(), window.Control(W::kPlay));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    EXPECT_TRUE(window.Player().playing);
    EXPECT_EQ(QApplication::focusWidget(), playing);

    // Stop has no partner: disabled, it leaves the keyboard to the window, not to Record.
    window.Control(W::kStop)->setFocus(Qt::TabFocusReason);
    window.RunCommand(W::kStop);
    EXPECT_EQ(QApplication::focusWidget(), &window);
    window.RunCommand(W::kPlay);

    window.saveAnswer = CString(dir.file("run.avi"));
    window.chooseUncompressed = true;
    window.Control(W::kRecord)->setFocus(Qt::TabFocusReason);
    window.RunCommand(W::kRecord);
    ASSERT_TRUE(window.Player().IsRecording());
    EXPECT_EQ(QApplication::focusWidget(), window.Control(W::kRecording));
    window.RunCommand(W::kRecording);
    EXPECT_FALSE(window.Player().IsRecording());
    EXPECT_EQ(QApplication::focusWidget(), window.Control(W::kRecord));

    // Space after a recording toggles play; it neither records nor takes a snapshot.
    const std::size_t asked = window.asked.size();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    EXPECT_FALSE(window.Player().playing);
    EXPECT_EQ(window.asked.size(), asked);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

// Every shortcut runs its command whichever control has the keyboard; each button's tooltip names its
// command and key.
TEST(DesktopWindow, ShortcutsWorkFromAnyControlAndTooltipsNameThem)
{
    TestDialog window;
    showActive(window);
    window.Control(W::kClear)->setFocus(Qt::TabFocusReason); // a button that would take Space itself
    const auto press = [&window](QKeySequence keys) {
        // A closed dialog gives the window back its activation a moment later.
        if (!QApplication::focusWidget()) {
            window.activateWindow();
            EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
        }
        QTest::keySequence(QApplication::focusWidget() ? QApplication::focusWidget() : &window, keys);
    };

    press(Qt::Key_Space);
    EXPECT_FALSE(window.Player().playing);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Dozozudori")); // as the Stop button does
    window.RunCommand(W::kClear);
    for (QKeySequence step : { QKeySequence(Qt::Key_Right), QKeySequence(Qt::Key_Period) }) {
        const int before = particleCount(window);
        press(step);
        EXPECT_GT(particleCount(window), before) << step.toString().toStdString();
    }
    press(Qt::Key_Delete);
    EXPECT_EQ(particleCount(window), 0);
    press(Qt::Key_P);
    EXPECT_FALSE(window.QuickParts()->isChecked());
    press(Qt::Key_P);
    EXPECT_TRUE(window.QuickParts()->isChecked());
    press(Qt::Key_Space);
    EXPECT_TRUE(window.Player().playing);
    press(Qt::Key_Right); // Step waits for Stop
    EXPECT_TRUE(window.Player().playing);

    window.asked.clear();
    press(Qt::Key_O);
    press(QKeySequence::Open);
    press(Qt::Key_R); // asks for the recording's file; cancelled
    ASSERT_EQ(window.asked.size(), 3u);
    EXPECT_EQ(window.asked[0].what, "open");
    EXPECT_EQ(window.asked[1].what, "open");
    EXPECT_EQ(window.asked[2].what, "save");
    // R also stops the recording it started.
    TempDir dir;
    window.saveAnswer = CString(dir.file("keys.avi"));
    window.chooseUncompressed = true;
    press(Qt::Key_R);
    ASSERT_TRUE(window.Player().IsRecording());
    press(Qt::Key_R);
    EXPECT_FALSE(window.Player().IsRecording());

    QString shown;
    closeNextModal(shown);
    press(Qt::Key_S);
    EXPECT_EQ(shown, QStringLiteral("Image"));
    closeNextModal(shown);
    press(Qt::Key_F1);
    EXPECT_EQ(shown, QStringLiteral("About Mirrim"));

    press(QKeySequence(Qt::CTRL | Qt::Key_Plus));
    EXPECT_EQ(window.Zoom(), 2);
    press(QKeySequence(Qt::CTRL | Qt::Key_Minus));
    press(QKeySequence(Qt::CTRL | Qt::Key_Minus));
    EXPECT_EQ(window.Zoom(), 1) << "1x is the smallest";

    const std::pair<int, const char*> tips[] = { { W::kClear, "Clear (Del)" }, { W::kStop, "Stop (Space)" },
        { W::kStep, "Step (Right)" }, { W::kPlay, "Play (Space)" }, { W::kPlaying, "Playing (Space)" },
        { W::kRecord, "Record (R)" }, { W::kRecording, "Recording (R)" }, { W::kSnapshot, "Snapshot (S)" },
        { W::kLoad, "Load (O)" }, { W::kExit, "Exit (Esc)" } };
    for (const auto& [id, tip] : tips)
        EXPECT_EQ(window.Control(id)->toolTip(), QString::fromLatin1(tip));
}

TEST(DesktopWindow, DroppedFilesLoadAndAnythingElseIsRefusedWithAReason)
{
    TempDir dir;
    writeFile(dir.file("scene.vq"), "constraint.Force\r\n<DeltaY>0.1</DeltaY>\r\n.\r\n");
    writeFile(dir.file("picture.png"), "\x89PNG\r\n\x1a\n\0\0\0\rIHDR");
    TestDialog window;
    const auto drop = [&window](const QList<QUrl>& urls, const QString& text = QString()) {
        QMimeData data;
        if (!urls.isEmpty())
            data.setUrls(urls);
        if (!text.isEmpty())
            data.setText(text);
        QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(&window, &enter);
        EXPECT_TRUE(enter.isAccepted());
        QDropEvent dropped(QPointF(50, 50), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(&window, &dropped);
        // The drop is answered before anything is said, so the dragging program does not wait.
        EXPECT_TRUE(dropped.isAccepted());
        EXPECT_TRUE(window.messages.empty());
        QApplication::processEvents();
        const std::string said = window.messages.empty() ? std::string() : window.messages.back().first.str();
        window.messages.clear();
        return said;
    };

    EXPECT_EQ(drop({ QUrl::fromLocalFile(QString::fromStdString(dir.file("scene.vq"))) }), "");
    ASSERT_EQ(window.Player().GetSystem().constraints.getConstraintCount(), 1);
    EXPECT_EQ(window.Watcher().Files(), std::vector<std::string> { dir.file("scene.vq") });

    const struct {
        QList<QUrl> urls;
        QString text;
        std::string says;
    } refused[] = {
        { { QUrl::fromLocalFile(QString::fromStdString(dir.path())) }, {}, "is a folder" },
        { { QUrl::fromLocalFile(QString::fromStdString(dir.file("picture.png"))) }, {}, "is a PNG picture" },
        { { QUrl::fromLocalFile(QString::fromStdString(dir.file("scene.vq"))),
              QUrl::fromLocalFile(QString::fromStdString(dir.file("scene.vq"))) },
            {}, "one file at a time" },
        { { QUrl(QStringLiteral("https://example.org/scene.vq")) }, {}, "is not a file on this computer" },
        { {}, QStringLiteral("constraint.Force"), "Only a file can be dropped" },
        { { QUrl::fromLocalFile(QString::fromStdString(dir.file("gone.vq"))) }, {},
            "Cannot load '" + dir.file("gone.vq") + "': No such file or directory" },
    };
    for (const auto& r : refused) {
        const std::string said = drop(r.urls, r.text);
        EXPECT_NE(said.find(r.says), std::string::npos) << said;
    }
    EXPECT_EQ(window.Player().GetSystem().constraints.getConstraintCount(), 1) << "the scene stays";
}

TEST(DesktopWindow, ZoomEnlargesEverythingPixelForPixelAndMapsThePointer)
{
    TestDialog window;
    window.show();
    window.RunCommand(W::kStop);
    for (int i = 0; i < 20; ++i)
        window.RunCommand(W::kStep);
    const QImage one = window.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QRect exit1 = window.Control(W::kExit)->geometry();

    window.RunCommand(W::kZoom1 + 1);
    EXPECT_EQ(window.size(), QSize(349, 297) * 2);
    EXPECT_EQ(window.DrawingArea(), QRect(20, 22, 640, 480));
    EXPECT_EQ(window.Control(W::kExit)->geometry(), QRect(exit1.topLeft() * 2, exit1.size() * 2));
    const QImage two = window.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(two, one.scaled(one.size() * 2, Qt::IgnoreAspectRatio, Qt::FastTransformation))
        << "the 2x window is the 1x window with each pixel doubled";

    // The menu shows the zoom and offers the others.
    std::unique_ptr<QMenu> menu = window.BuildPopupMenu();
    QMenu* zoom = nullptr;
    for (QAction* action : menu->actions())
        if (action->text() == QStringLiteral("&Zoom"))
            zoom = action->menu();
    ASSERT_NE(zoom, nullptr);
    ASSERT_GE(zoom->actions().size(), 3);
    EXPECT_TRUE(zoom->actions()[1]->isChecked());
    EXPECT_EQ(zoom->actions()[2]->data().toInt(), W::kZoom1 + 2);

    // A held pointer at 3x emits at the same point of the picture as at 1x.
    window.SetZoom(3);
    window.RunCommand(W::kPlay);
    const QPoint origin = window.DrawingArea().topLeft();
    QTest::mousePress(&window, Qt::LeftButton, {}, origin + QPoint(12, 34) * 3 + QPoint(2, 2));
    window.Tick();
    EXPECT_NE(factoryParameters(window).Find("<CenterX>12.000000</CenterX>"), -1) << factoryParameters(window).c_str();
    EXPECT_NE(factoryParameters(window).Find("<CenterY>34.000000</CenterY>"), -1);
    QTest::mouseMove(&window, origin + QPoint(-3, 241 * 3));
    window.Tick();
    EXPECT_NE(factoryParameters(window).Find("<CenterX>-1.000000</CenterX>"), -1) << factoryParameters(window).c_str();
    EXPECT_NE(factoryParameters(window).Find("<CenterY>241.000000</CenterY>"), -1);
    QTest::mouseRelease(&window, Qt::LeftButton, {}, origin);

    window.SetZoom(9);
    EXPECT_EQ(window.Zoom(), 3) << "the largest that fits the test's screen";
}

// On a 1280 x 1024 screen 4x would put Exit and the close box off screen: only what fits is offered, a
// stored 4x comes back as 3x, and a window grown past the screen's edge moves back onto it.
TEST(DesktopWindow, ZoomKeepsTheWindowOnTheScreen)
{
    TestDialog().Settings().SetZoom(4);
    TestDialog window;
    EXPECT_EQ(window.Zoom(), 3);
    std::unique_ptr<QMenu> menu = window.BuildPopupMenu();
    const auto zoomItems = [&menu] {
        int levels = 0;
        for (QAction* action : menu->actions())
            if (action->menu())
                for (QAction* item : action->menu()->actions())
                    levels += item->data().toInt() >= W::kZoom1;
        return levels;
    };
    EXPECT_EQ(zoomItems(), 3);
    window.RunCommand(W::kZoomIn);
    EXPECT_EQ(window.Zoom(), 3);
    window.RunCommand(W::kZoomOut);
    window.RunCommand(W::kZoomIn);
    EXPECT_EQ(window.Zoom(), 3) << "Zoom In, greyed at the largest, works again below it";

    window.SetZoom(1);
    window.show();
    window.move(1000, 800);
    window.SetZoom(3);
    const QRect area = window.screen()->availableGeometry();
    EXPECT_TRUE(area.contains(window.frameGeometry()))
        << window.frameGeometry().x() << "," << window.frameGeometry().y();
    EXPECT_EQ(WindowZoom::LargestFitting(QSize(349, 297), QSize(1280, 1024 - 30)), 3);
    EXPECT_EQ(WindowZoom::LargestFitting(QSize(349, 297), QSize(1024, 768)), 2);
    EXPECT_EQ(WindowZoom::LargestFitting(QSize(349, 297), QSize(300, 200)), 1) << "never below 1";
}

TEST(WindowZoom, OnlyAHighDensityScreenStartsEnlargedAndTheWindowKeepsToHalfTheScreen)
{
    const QSize window(349, 297);
    EXPECT_EQ(WindowZoom::ForScreen(window, QSize(3840, 2160), 96), 1);
    EXPECT_EQ(WindowZoom::ForScreen(window, QSize(3840, 2160), 0), 1) << "no physical size known";
    EXPECT_EQ(WindowZoom::ForScreen(window, QSize(3840, 2160), 160), 3);
    EXPECT_EQ(WindowZoom::ForScreen(window, QSize(2560, 1600), 220), 2);
    EXPECT_EQ(WindowZoom::ForScreen(window, QSize(7680, 4320), 280), 4);
    EXPECT_EQ(WindowZoom::ForScreen(window, QSize(600, 500), 200), 1) << "never below 1";
}

// Steady ticks keep 20 a second although every timer fires a little late, start at once after a tick
// that overran, and then keep 50 ms from that tick's start instead of hurrying to make up for it.
TEST(SteadyPace, TwentyTicksASecondWhateverTheTimersLateness)
{
    constexpr std::int64_t ms = 1'000'000;
    SteadyPace pace;
    std::int64_t now = 0;
    bool onPace = false;
    auto tick = [&](std::int64_t workNs) {
        pace.Begin(now, onPace);
        now += workNs;
        const int delay = pace.Delay(now);
        onPace = true;
        now += delay * ms + 1300'000; // the timer fires 1.3 ms late
        return delay;
    };
    for (int i = 0; i < 200; ++i)
        tick(12'400'000);
    EXPECT_LE(now, 200 * 50 * ms + 3 * ms); // the lateness did not add up to 10.3 s
    EXPECT_EQ(tick(80 * ms), 0);
    const std::int64_t overranStart = now;
    EXPECT_EQ(tick(10 * ms), 40);
    EXPECT_EQ(now - overranStart, 50 * ms + 1300'000);
}

// Zoom and its Smooth choice, Reload on Change, Steady Ticks, the folders and the compressor choice come
// back in the next window.
TEST(DesktopWindow, RemembersItsSettingsForTheNextRun)
{
    TempDir dir;
    {
        TestDialog window;
        EXPECT_EQ(window.Zoom(), 1);
        EXPECT_TRUE(window.ReloadsOnChange());
        window.RunCommand(W::kZoomIn);
        window.RunCommand(W::kReloadOnChange);
        EXPECT_FALSE(window.SteadyTicks());
        window.RunCommand(W::kSteadyTicks);
        window.RunCommand(W::kZoomSmooth);
        window.Settings().SetFolderOf(false, QString::fromStdString(dir.file("scene.zrk")));
        CompressorSettings chosen;
        chosen.codec = "ffv1";
        chosen.keyFrameInterval = 3;
        chosen.dataRate = 900;
        chosen.quality = 40;
        window.Settings().SetCompressor(chosen);
    }
    TestDialog again;
    EXPECT_EQ(again.Zoom(), 2);
    EXPECT_EQ(again.size(), QSize(349, 297) * 2);
    EXPECT_TRUE(again.SmoothZoom());
    EXPECT_FALSE(again.ReloadsOnChange());
    EXPECT_TRUE(again.SteadyTicks());
    EXPECT_EQ(again.Settings().Folder(false).toStdString() + "/", dir.path());
    EXPECT_TRUE(again.Settings().Folder(true).isEmpty());
    const std::optional<CompressorSettings> compressor = again.Settings().Compressor();
    ASSERT_TRUE(compressor);
    EXPECT_EQ(compressor->codec, "ffv1");
    EXPECT_EQ(compressor->keyFrameInterval, 3);
    EXPECT_EQ(compressor->dataRate, 900);
    EXPECT_EQ(compressor->quality, 40);
    again.SetZoom(1);
    again.RunCommand(W::kReloadOnChange);
    again.RunCommand(W::kSteadyTicks);
    again.RunCommand(W::kZoomPixels);
    EXPECT_FALSE(again.SmoothZoom());
}

TEST(DesktopWindow, CommandLineTakesOneFileAndAnswersHelpAndVersion)
{
    CPlayerApp::StartOptions options;
    EXPECT_EQ(
        CPlayerApp::ParseArguments({ "Mirrim", "scenes/star.zrk", "--seed", "7", "--steady" }, options), std::nullopt);
    EXPECT_EQ(options.file, "scenes/star.zrk");
    EXPECT_EQ(options.seed, 7u);
    EXPECT_TRUE(options.steadyTicks);
    options = {};
    EXPECT_EQ(CPlayerApp::ParseArguments({ "Mirrim" }, options), std::nullopt);
    EXPECT_TRUE(options.file.empty());
    EXPECT_FALSE(options.seed);
    testing::internal::CaptureStdout();
    EXPECT_EQ(CPlayerApp::ParseArguments({ "Mirrim", "--version" }, options), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout().rfind("Mirrim ", 0), 0u);
    testing::internal::CaptureStderr();
    EXPECT_EQ(CPlayerApp::ParseArguments({ "Mirrim", "a.zrk", "b.zrk" }, options), 2);
    EXPECT_EQ(CPlayerApp::ParseArguments({ "Mirrim", "--zoom" }, options), 2);
    EXPECT_EQ(CPlayerApp::ParseArguments({ "Mirrim", "--seed", "-1" }, options), 2);
    testing::internal::GetCapturedStderr();
}

} // namespace
