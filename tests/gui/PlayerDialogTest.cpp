// The main window under the offscreen platform. Where a command would open a modal Qt dialog, the
// dialog's questions go through TestDialog's answers instead, or a queued check closes the dialog.
#include "particle/core/CMorvane.h"
#include "particle/core/ConstraintCollection.h"
#include "particle/core/IConstraint.h"
#include "particle/core/ParticleSystem.h"
#include "platform/CArchive.h"
#include "platform/Random.h"
#include "player/app/ParticleDump.h"
#include "player/app/window/CImageDialog.h"
#include "player/app/window/CPlayerDialog.h"
#include "player/app/window/SceneEditPanel.h"
#include "tests/FileText.h"
#include "tests/TempDir.h"
#include "tests/gui/TestDialog.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <string>
#include <vector>

namespace {

bool shownAt(QAbstractButton* button, const QRect& place)
{
    return !button->isHidden() && button->geometry() == place;
}

// Runs check on the modal dialog that the next command opens, then closes it.
void whenModalOpens(std::function<void(QWidget*)> check)
{
    QTimer::singleShot(0, [check] {
        QWidget* modal = QApplication::activeModalWidget();
        check(modal);
        if (modal)
            modal->close();
    });
}

TEST(PlayerDialog, StartsPlayingWithTheControlsInTheirPlaces)
{
    TestDialog window;
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Mirrim"));
    EXPECT_EQ(window.size(), QSize(349, 297));
    EXPECT_EQ(window.DrawingArea(), QRect(10, 11, 320, 240));
    EXPECT_TRUE(window.HasOffscreen());
    EXPECT_TRUE(window.IsTicking());

    QAbstractButton* play = window.Control(CPlayerDialog::kPlay);
    QAbstractButton* record = window.Control(CPlayerDialog::kRecord);
    EXPECT_TRUE(play->isHidden());
    EXPECT_TRUE(shownAt(window.Control(CPlayerDialog::kPlaying), play->geometry()));
    EXPECT_TRUE(shownAt(record, QRect(114, 264, 20, 19)));
    EXPECT_TRUE(window.Control(CPlayerDialog::kRecording)->isHidden());
    EXPECT_EQ(window.Control(CPlayerDialog::kRecording)->geometry(), record->geometry());
    EXPECT_TRUE(window.Control(CPlayerDialog::kStop)->isEnabled());
    EXPECT_FALSE(window.Control(CPlayerDialog::kStep)->isEnabled());
    EXPECT_TRUE(window.QuickParts()->isHidden());
    EXPECT_TRUE(window.QuickParts()->isChecked());
    EXPECT_EQ(window.Control(CPlayerDialog::kExit)->geometry(), QRect(292, 264, 40, 19));

    // Tab order follows the controls' order.
    const int order[] = { CPlayerDialog::kClear, CPlayerDialog::kStop, CPlayerDialog::kStep, CPlayerDialog::kPlay,
        CPlayerDialog::kPlaying, CPlayerDialog::kRecord, CPlayerDialog::kRecording, CPlayerDialog::kQuickParts,
        CPlayerDialog::kSnapshot, CPlayerDialog::kLoad, CPlayerDialog::kExit };
    for (std::size_t i = 0; i + 1 < std::size(order); ++i)
        EXPECT_EQ(window.Control(order[i])->nextInFocusChain(), window.Control(order[i + 1])) << order[i];
}

TEST(PlayerDialog, StopPausesSetsTheCaptionAndEnablesStep)
{
    TestDialog window;
    window.RunCommand(CPlayerDialog::kStop);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Dozozudori"));
    EXPECT_FALSE(window.IsTicking());
    EXPECT_FALSE(window.Control(CPlayerDialog::kStop)->isEnabled());
    EXPECT_TRUE(window.Control(CPlayerDialog::kStep)->isEnabled());
    EXPECT_FALSE(window.Control(CPlayerDialog::kPlay)->isHidden());
    EXPECT_TRUE(window.Control(CPlayerDialog::kPlaying)->isHidden());

    window.RunCommand(CPlayerDialog::kPlay);
    EXPECT_TRUE(window.IsTicking());
    EXPECT_TRUE(window.Control(CPlayerDialog::kPlay)->isHidden());

    // The Playing button pauses too, but leaves the caption alone.
    window.setWindowTitle(QStringLiteral("Mirrim"));
    window.RunCommand(CPlayerDialog::kPlaying);
    EXPECT_FALSE(window.IsTicking());
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Mirrim"));
}

TEST(PlayerDialog, StepWorksOnlyWhileStopped)
{
    TestDialog window;
    const int before = particleCount(window);
    window.RunCommand(CPlayerDialog::kStep); // disabled while playing
    EXPECT_EQ(particleCount(window), before);

    window.RunCommand(CPlayerDialog::kStop);
    window.RunCommand(CPlayerDialog::kStep);
    window.RunCommand(CPlayerDialog::kStep);
    EXPECT_GT(particleCount(window), before); // the default scene emits on every step
    EXPECT_FALSE(window.IsTicking());
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Dozozudori"));
}

TEST(PlayerDialog, AHeldButtonEmitsAtTheMappedPointOnEveryTick)
{
    TestDialog window;
    window.show();
    window.RunCommand(CPlayerDialog::kStop);
    window.RunCommand(CPlayerDialog::kClear);
    const QPoint origin = window.DrawingArea().topLeft();

    // Stopped: no ticks, no particles, and moves are not followed.
    QTest::mousePress(&window, Qt::LeftButton, {}, origin + QPoint(12, 34));
    QTest::mouseMove(&window, origin + QPoint(100, 100));
    QTest::qWait(200);
    EXPECT_EQ(particleCount(window), 0);

    window.RunCommand(CPlayerDialog::kPlay);
    window.Tick();
    EXPECT_NE(factoryParameters(window).Find("<CenterX>12.000000</CenterX>"), -1) << factoryParameters(window).c_str();
    EXPECT_NE(factoryParameters(window).Find("<CenterY>34.000000</CenterY>"), -1);
    const int afterOne = particleCount(window);
    window.Tick(); // the pointer stands still, the factory fires again
    EXPECT_GT(particleCount(window), afterOne);
    EXPECT_TRUE(window.IsTicking()); // a tick always re-arms

    // The scene's mapping applies: (200 - 160) * 0.5 = 20.
    window.Player().mapping.offsetX = -160.0f;
    window.Player().mapping.scaleX = 0.5f;
    QTest::mouseMove(&window, origin + QPoint(200, 34));
    window.Tick();
    EXPECT_NE(factoryParameters(window).Find("<CenterX>20.000000</CenterX>"), -1) << factoryParameters(window).c_str();

    // Released: the factory keeps its last place and fires no more.
    QTest::mouseRelease(&window, Qt::LeftButton, {}, origin + QPoint(200, 34));
    window.RunCommand(CPlayerDialog::kStop);
    window.RunCommand(CPlayerDialog::kClear);
    window.RunCommand(CPlayerDialog::kPlay);
    window.Player().GetHost().getParticleSystem()->constraints.removeAllConstraints();
    window.Tick();
    EXPECT_EQ(particleCount(window), 0);
}

TEST(PlayerDialog, PopupMenuOffersTheCommandsAndOpensNearTheCornerFromTheKeyboard)
{
    TestDialog window;
    std::unique_ptr<QMenu> menu = window.BuildPopupMenu();
    QStringList texts;
    for (QAction* action : menu->actions())
        texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
    EXPECT_EQ(texts,
        QStringList({ "&Load Constraints...", "&Reload on Change", "&AVI Compressor...", "&Statistics...", "See&d...",
            "&Edit Scene", "S&teady 20 Ticks a Second", "&Zoom", "-", "&About Mirrim..." }));
    EXPECT_EQ(menu->actions()[0]->data().toInt(), int(CPlayerDialog::kLoad));
    EXPECT_EQ(menu->actions()[1]->data().toInt(), int(CPlayerDialog::kReloadOnChange));
    EXPECT_EQ(menu->actions()[2]->data().toInt(), int(CPlayerDialog::kAviCompressor));
    EXPECT_EQ(menu->actions()[3]->data().toInt(), int(CPlayerDialog::kStatistics));
    for (QAction* action : menu->actions())
        EXPECT_TRUE(action->isEnabled());
    EXPECT_TRUE(menu->actions()[1]->isCheckable());
    EXPECT_TRUE(menu->actions()[1]->isChecked());
    window.RunCommand(CPlayerDialog::kReloadOnChange);
    EXPECT_FALSE(window.BuildPopupMenu()->actions()[1]->isChecked());

    window.move(100, 50);
    const QContextMenuEvent keyboard(
        QContextMenuEvent::Keyboard, QPoint(174, 148), window.mapToGlobal(QPoint(174, 148)));
    EXPECT_EQ(window.PopupPoint(keyboard), window.mapToGlobal(QPoint(5, 5)));
    const QContextMenuEvent mouse(QContextMenuEvent::Mouse, QPoint(30, 40), QPoint(130, 90));
    EXPECT_EQ(window.PopupPoint(mouse), QPoint(130, 90));

    // The animation waits while the menu is open; a dismissed menu runs nothing.
    window.show();
    bool tickingWhileOpen = true;
    QTimer::singleShot(0, [&] {
        tickingWhileOpen = window.IsTicking();
        if (QWidget* popup = QApplication::activePopupWidget())
            popup->close();
    });
    QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(0, 0), window.mapToGlobal(QPoint(0, 0)));
    QApplication::sendEvent(&window, &event);
    EXPECT_FALSE(tickingWhileOpen);
    EXPECT_TRUE(window.IsTicking());
    EXPECT_TRUE(window.asked.empty());

    bool opened = false;
    QTimer::singleShot(0, [&] {
        QWidget* popup = QApplication::activePopupWidget();
        opened = popup != nullptr;
        if (popup)
            popup->close();
    });
    QTest::keyClick(&window, Qt::Key_F10, Qt::ShiftModifier);
    EXPECT_TRUE(opened);
}

TEST(PlayerDialog, StatisticsCountsTheParticlesWhileTheAnimationWaits)
{
    TestDialog window;
    window.RunCommand(CPlayerDialog::kClear);
    window.RunCommand(CPlayerDialog::kStatistics);
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_EQ(window.messages[0].first, "0 particles");
    EXPECT_EQ(window.messages[0].second, IPlayerUi::MessageKind::Information);
    ASSERT_EQ(window.asked.size(), 1u);
    EXPECT_FALSE(window.asked[0].ticking);
    EXPECT_TRUE(window.IsTicking());

    window.RunCommand(CPlayerDialog::kStop);
    window.RunCommand(CPlayerDialog::kStatistics);
    EXPECT_FALSE(window.IsTicking()); // not re-armed while stopped
}

TEST(PlayerDialog, CommandsWithDialogsStopTheAnimationExceptTheCompressorChoice)
{
    TestDialog window;
    window.show();
    window.activateWindow(); // the keys below are the window's shortcuts: they need it active
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    window.RunCommand(CPlayerDialog::kLoad);
    window.RunCommand(CPlayerDialog::kRecord); // asks for the AVI file; cancelled
    window.RunCommand(CPlayerDialog::kAviCompressor);
    ASSERT_EQ(window.asked.size(), 3u);
    EXPECT_EQ(window.asked[0].what, "open");
    EXPECT_FALSE(window.asked[0].ticking);
    EXPECT_EQ(window.asked[1].what, "save");
    EXPECT_FALSE(window.asked[1].ticking);
    EXPECT_EQ(window.asked[2].what, "compressor");
    EXPECT_TRUE(window.asked[2].ticking);
    EXPECT_FALSE(window.Player().IsRecording());
    EXPECT_FALSE(window.Control(CPlayerDialog::kRecord)->isHidden());
    EXPECT_TRUE(window.IsTicking());

    bool aboutTicking = true;
    QString aboutTitle;
    whenModalOpens([&](QWidget* modal) {
        aboutTicking = window.IsTicking();
        aboutTitle = modal ? modal->windowTitle() : QString();
    });
    QTest::keyClick(&window, Qt::Key_F1);
    EXPECT_EQ(aboutTitle, QStringLiteral("About Mirrim"));
    EXPECT_FALSE(aboutTicking);
    EXPECT_TRUE(window.IsTicking());

    // The snapshot shows the drawing area's frame at its own size.
    bool snapshotTicking = true;
    QSize frame;
    whenModalOpens([&](QWidget* modal) {
        snapshotTicking = window.IsTicking();
        if (auto* image = qobject_cast<CImageDialog*>(modal))
            frame = image->Layout().frame.size();
    });
    window.RunCommand(CPlayerDialog::kSnapshot);
    EXPECT_FALSE(snapshotTicking);
    EXPECT_EQ(frame, QSize(320, 240));
    EXPECT_TRUE(window.IsTicking());

    // After Stop nothing re-arms the timer.
    window.RunCommand(CPlayerDialog::kStop);
    whenModalOpens([](QWidget*) {});
    window.RunCommand(CPlayerDialog::kAbout);
    EXPECT_FALSE(window.IsTicking());
}

// A message from elsewhere (a video that could not be finished, a refused drop) shown while a command's
// question is up must not start the animation behind that question.
TEST(PlayerDialog, AMessageUnderACommandsQuestionLeavesTheAnimationWaiting)
{
    struct Window : TestDialog {
        bool AskSeed(QString& text) override
        {
            OpenDropped(QMimeData());
            tickingUnderQuestion = IsTicking();
            text.clear();
            return false;
        }
        bool tickingUnderQuestion = true;
    } window;
    window.RunCommand(CPlayerDialog::kSeed);
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_FALSE(window.tickingUnderQuestion);
    EXPECT_TRUE(window.IsTicking());
}

TEST(PlayerDialog, RecordingShowsItsButtonGreysTheCompressorAndCaptionsEachFrame)
{
    TempDir dir;
    TestDialog window;
    window.saveAnswer = CString(dir.file("run.avi"));
    window.chooseUncompressed = true;
    window.RunCommand(CPlayerDialog::kRecord);
    ASSERT_TRUE(window.Player().IsRecording());
    EXPECT_TRUE(window.Control(CPlayerDialog::kRecord)->isHidden());
    EXPECT_FALSE(window.Control(CPlayerDialog::kRecording)->isHidden());
    EXPECT_FALSE(window.BuildPopupMenu()->actions()[2]->isEnabled());
    window.RunCommand(CPlayerDialog::kAviCompressor); // nothing to choose while recording
    const std::size_t questions = window.asked.size();
    window.RunCommand(CPlayerDialog::kAviCompressor);
    EXPECT_EQ(window.asked.size(), questions);

    window.Tick();
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Dozozudori: Rendering - Frame 1"));
    // Step records too, and leaves the caption as Stop set it.
    window.RunCommand(CPlayerDialog::kStop);
    window.RunCommand(CPlayerDialog::kStep);
    EXPECT_EQ(window.Player().GetFrameCount(), 2);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Dozozudori"));

    window.RunCommand(CPlayerDialog::kRecording);
    EXPECT_FALSE(window.Player().IsRecording());
    EXPECT_FALSE(window.Control(CPlayerDialog::kRecord)->isHidden());
    EXPECT_TRUE(window.BuildPopupMenu()->actions()[1]->isEnabled());
    EXPECT_GT(std::filesystem::file_size(dir.file("run.avi")), 2u * 320 * 240 * 3);
}

// A file that cannot be started is told the same way whatever its type; nothing is left behind.
TEST(PlayerDialog, ARecordingThatCannotStartSaysWhyForEveryFormat)
{
    TempDir dir;
    TestDialog window;
    window.chooseUncompressed = true;
    for (const char* name : { "run.avi", "run.mp4", "run.webm", "run.gif" }) {
        const std::string path = dir.file("missing/") + name;
        window.saveAnswer = CString(path);
        window.messages.clear();
        window.RunCommand(CPlayerDialog::kRecord);
        EXPECT_FALSE(window.Player().IsRecording()) << name;
        ASSERT_EQ(window.messages.size(), 1u) << name;
        EXPECT_EQ(window.messages[0].first.str(), "Cannot record '" + path + "': No such file or directory");
        EXPECT_EQ(window.messages[0].second, IPlayerUi::MessageKind::Error);
    }
    // Cancelling the compressor choice is an answer, not a failure.
    window.Player().GetRecorder().FreeCompressor();
    window.chooseUncompressed = false;
    window.saveAnswer = CString(dir.file("run.avi"));
    window.messages.clear();
    window.RunCommand(CPlayerDialog::kRecord);
    EXPECT_TRUE(window.messages.empty());
}

// Ending a GIF recording returns at once: its colours are chosen and the file written off the window's
// thread while the caption says so; closing the window meanwhile still completes the file.
TEST(PlayerDialog, AGifIsCompletedOffTheWindowsThreadAndSurvivesClosing)
{
    TempDir dir;
    const auto record = [&dir](TestDialog& window, const char* name) {
        window.saveAnswer = CString(dir.file(name));
        window.RunCommand(CPlayerDialog::kStop);
        window.RunCommand(CPlayerDialog::kRecord);
        ASSERT_TRUE(window.Player().IsRecording());
        for (int i = 0; i < 30; ++i)
            window.RunCommand(CPlayerDialog::kStep);
        window.RunCommand(CPlayerDialog::kRecording);
        EXPECT_FALSE(window.Player().IsRecording());
    };
    const auto isGif = [&dir](const char* name) {
        std::ifstream file(dir.file(name), std::ios::binary);
        std::string start(6, '\0');
        file.read(start.data(), 6);
        return start == "GIF89a";
    };
    {
        TestDialog window;
        record(window, "one.gif");
        EXPECT_EQ(window.VideosBeingFinished(), 1);
        EXPECT_EQ(window.windowTitle(), QStringLiteral("Dozozudori: Finishing 'one.gif'..."));
        window.RunCommand(CPlayerDialog::kStep); // the window goes on meanwhile
        EXPECT_TRUE(QTest::qWaitFor([&window] { return window.VideosBeingFinished() == 0; }, 60000));
        EXPECT_EQ(window.windowTitle(), QStringLiteral("Dozozudori"));
        EXPECT_TRUE(window.messages.empty());
        EXPECT_TRUE(isGif("one.gif"));

        record(window, "two.gif");
    }
    EXPECT_TRUE(isGif("two.gif"));
}

TEST(PlayerDialog, LoadReadsTheChosenSceneAndReportsADamagedOneWhileTheAnimationWaits)
{
    TempDir dir;
    CArchiveWriter scene;
    scene.WriteString("Dozozudori scene");
    scene.WriteInt(1);
    {
        std::ofstream out(dir.file("short.zrk"), std::ios::binary);
        out.write(
            reinterpret_cast<const char*>(scene.Bytes().data()), static_cast<std::streamsize>(scene.Bytes().size()));
    }
    TestDialog window;
    window.openAnswer = CString(dir.file("short.zrk"));
    const int constraints = window.Player().GetSystem().constraints.getConstraintCount();
    window.RunCommand(CPlayerDialog::kLoad);
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_FALSE(window.asked.back().ticking);
    EXPECT_EQ(window.Player().GetSystem().constraints.getConstraintCount(), constraints);
    EXPECT_TRUE(window.IsTicking());

    // A plain definition replaces the scene; a bigger host size is painted clipped to the surface.
    CArchiveWriter plain;
    plain.WriteString("constraint.RemoveAged\r\n\r\n.\r\n");
    {
        std::ofstream out(dir.file("plain.zrk"), std::ios::binary);
        out.write(
            reinterpret_cast<const char*>(plain.Bytes().data()), static_cast<std::streamsize>(plain.Bytes().size()));
    }
    window.openAnswer = CString(dir.file("plain.zrk"));
    window.RunCommand(CPlayerDialog::kLoad);
    EXPECT_EQ(window.messages.size(), 1u);
    EXPECT_EQ(window.Player().GetSystem().constraints.getConstraintCount(), 1);
    window.Player().GetHost().setWidth(640);
    window.Player().GetHost().setHeight(480);
    const QImage shot = window.grab().toImage();
    EXPECT_EQ(shot.size(), window.size());
    window.Player().GetHost().setWidth(std::numeric_limits<int>::max());
    window.Player().GetHost().setHeight(std::numeric_limits<int>::min());
    EXPECT_EQ(window.grab().size(), window.size());
}

TEST(PlayerDialog, QuickPartsSwitchesParticleDrawing)
{
    TestDialog window;
    window.RunCommand(CPlayerDialog::kQuickParts);
    EXPECT_EQ(window.Player().drawParticles, 0);
    EXPECT_FALSE(window.QuickParts()->isChecked());
    EXPECT_TRUE(window.IsTicking());
    window.RunCommand(CPlayerDialog::kQuickParts);
    EXPECT_EQ(window.Player().drawParticles, 1);
}

TEST(PlayerDialog, ForeignTimerEventsLeaveTheAnimationAlone)
{
    TestDialog window;
    window.RunCommand(CPlayerDialog::kStop);
    QTimerEvent foreign(987654);
    QApplication::sendEvent(&window, &foreign);
    EXPECT_FALSE(window.IsTicking());
}

TEST(PlayerDialog, PaintsTheFrameInsideAnEdgeOnTheTexture)
{
    TestDialog window;
    window.RunCommand(CPlayerDialog::kStop);
    for (int i = 0; i < 20; ++i)
        window.RunCommand(CPlayerDialog::kStep);
    const QImage shot = window.grab().toImage();
    const QRect area = window.DrawingArea();
    int lit = 0;
    for (int y = area.top() + 80; y < area.top() + 160; ++y)
        for (int x = area.left() + 120; x < area.left() + 200; ++x)
            lit += (shot.pixel(x, y) & 0xFFFFFF) != 0;
    EXPECT_GT(lit, 10) << "no particles around the emitter";
    EXPECT_EQ(shot.pixel(area.topLeft()) & 0xFFFFFF, 0u); // erased to black
    EXPECT_EQ(shot.pixel(area.bottomRight()) & 0xFFFFFF, 0u);
    for (int d : { 1, 2 }) {
        EXPECT_NE(shot.pixel(area.left() - d, area.center().y()) & 0xFFFFFF, 0u);
        EXPECT_NE(shot.pixel(area.right() + d, area.center().y()) & 0xFFFFFF, 0u);
        EXPECT_NE(shot.pixel(area.center().x(), area.top() - d) & 0xFFFFFF, 0u);
        EXPECT_NE(shot.pixel(area.center().x(), area.bottom() + d) & 0xFFFFFF, 0u);
    }
    const QRgb texture = shot.pixel(area.left() - 5, area.center().y());
    EXPECT_TRUE(qRed(texture) == qGreen(texture) && qGreen(texture) == qBlue(texture));
    EXPECT_GE(qRed(texture), 180);
    EXPECT_LE(qRed(texture), 204);
}

} // namespace

namespace {

// Every scene file that ships plays in the window: loaded with the Load command, stepped, painted.
TEST(PlayerDialog, EveryShippedSceneFilePlays)
{
    // Scenes name their pictures relative to the directory that holds scenes/.
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(MIRRIM_SOURCE_DIR);
    int scenes = 0;
    for (const auto& entry : std::filesystem::directory_iterator("scenes")) {
        if (entry.path().extension() != ".zrk")
            continue;
        ++scenes;
        TestDialog window;
        window.openAnswer = entry.path().string().c_str();
        window.RunCommand(CPlayerDialog::kLoad);
        EXPECT_TRUE(window.messages.empty()) << entry.path();
        window.RunCommand(CPlayerDialog::kStop);
        for (int i = 0; i < 30; ++i)
            window.RunCommand(CPlayerDialog::kStep);
        const QImage shot = window.grab().toImage();
        const QRect area = window.DrawingArea();
        int lit = 0;
        for (int y = area.top(); y <= area.bottom(); y += 2)
            for (int x = area.left(); x <= area.right(); x += 2)
                lit += (shot.pixel(x, y) & 0xFFFFFF) > 0x101010 ? 1 : 0;
        EXPECT_GT(lit, 10) << entry.path() << ": nothing shown";
    }
    std::filesystem::current_path(previous);
    EXPECT_GE(scenes, 7);
}

} // namespace

namespace {

void writeText(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

// Saves as editors that replace the file do: a new file beside it, renamed over it.
void replaceText(const std::string& path, const std::string& text)
{
    writeText(path + ".new", text);
    std::filesystem::rename(path + ".new", path);
}

// A seed makes the window play what mirrim-cli --seed plays: the sequence starts from it once the scene
// is loaded, before the texture is drawn; a scene's own constraint.Seed counts when none is set.
TEST(PlayerDialog, ASeedRestartsTheSceneWithTheFramesOfTheCommandLine)
{
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(MIRRIM_SOURCE_DIR);
    TempDir dir;
    const auto played = [&](CPlayerDialog& window, const std::string& name) {
        window.RunCommand(CPlayerDialog::kStop);
        for (int i = 0; i < 40; ++i)
            window.RunCommand(CPlayerDialog::kStep);
        EXPECT_TRUE(WriteParticleDump(dir.file(name), window.Player().GetSystem().particles));
        return FileText(dir.file(name));
    };
    const auto commandLine = [&](unsigned int seed) {
        ScenePlayer player;
        player.LoadFile("scenes/fountain.vq");
        platform::SeedRand(seed);
        CDib texture;
        MakeBackgroundTexture(texture);
        for (int i = 0; i < 40; ++i)
            player.Step();
        EXPECT_TRUE(WriteParticleDump(dir.file("cli.csv"), player.GetSystem().particles));
        return FileText(dir.file("cli.csv"));
    };

    TestDialog window;
    window.OpenFile("scenes/fountain.vq");
    window.seedAnswer = " 7 ";
    window.RunCommand(CPlayerDialog::kSeed);
    EXPECT_EQ(window.Seed(), 7u);
    const std::string seven = played(window, "seven.csv");
    EXPECT_EQ(seven, commandLine(7));
    window.seedAnswer = "8";
    window.RunCommand(CPlayerDialog::kSeed);
    EXPECT_NE(played(window, "eight.csv"), seven);

    // Reloading keeps the seed; a scene carrying its own plays it once the window's is cleared.
    writeText(dir.file("seeded.vq"),
        "constraint.Seed\r\n<Seed>7</Seed>\r\n.\r\nconstraint.ConstraintCollection\r\n"
        "<DefLocation></DefLocation><DefFilename>scenes/fountain.vq</DefFilename>\r\n.\r\n");
    window.seedAnswer = "";
    window.RunCommand(CPlayerDialog::kSeed);
    EXPECT_FALSE(window.Seed());
    window.RunCommand(CPlayerDialog::kClear);
    window.OpenFile(dir.file("seeded.vq").c_str());
    EXPECT_EQ(played(window, "own.csv"), seven);

    window.seedAnswer = "-3";
    window.RunCommand(CPlayerDialog::kSeed);
    ASSERT_FALSE(window.messages.empty());
    EXPECT_NE(window.messages.back().first.str().find("is no seed"), std::string::npos);
    EXPECT_FALSE(window.Seed());
    std::filesystem::current_path(previous);
}

// The editor opens beside the picture, changes a tag with the keyboard so that the next tick follows it,
// undoes, saves what reads back as the same scene, and closes to give the usual window back exactly.
TEST(PlayerDialog, TheEditorChangesTagsLiveAndClosesToTheUsualWindow)
{
    TempDir dir;
    TestDialog window;
    window.OpenFile((std::string(MIRRIM_SOURCE_DIR) + "/scenes/fountain.vq").c_str());
    window.RunCommand(CPlayerDialog::kStop);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    const QSize usual = window.size();
    const QImage usualLook = window.grab().toImage();

    QTest::keyClick(&window, Qt::Key_E, Qt::ControlModifier);
    SceneEditPanel* panel = window.EditPanel();
    ASSERT_TRUE(panel && panel->isVisible());
    EXPECT_GT(window.width(), usual.width() + 300);
    ConstraintCollection& list = window.Player().GetSystem().constraints;
    int force = 0;
    while (force < list.getConstraintCount() && list.getConstraint(force)->GetClassName() != "constraint.Force")
        ++force;
    ASSERT_LT(force, list.getConstraintCount());
    panel->Choose({ force });
    auto* deltaY = qobject_cast<QDoubleSpinBox*>(panel->TagControl("DeltaY"));
    ASSERT_TRUE(deltaY);
    const std::string before = panel->Editor().DefinitionText();
    deltaY->setFocus();
    deltaY->selectAll();
    QTest::keyClicks(deltaY, "2.5");
    QTest::keyClick(deltaY, Qt::Key_Return);
    std::string after = panel->Editor().DefinitionText();
    EXPECT_NE(after.find("<DeltaY>2.500000</DeltaY>"), std::string::npos);

    window.saveAnswer = dir.file("edited.vq").c_str();
    for (QPushButton* button : panel->findChildren<QPushButton*>()) {
        if (button->text() == "Save &As...")
            button->click();
    }
    EXPECT_EQ(FileText(dir.file("edited.vq")), after);
    for (QPushButton* button : panel->findChildren<QPushButton*>()) {
        if (button->text() == "&Undo")
            button->click();
    }
    EXPECT_EQ(panel->Editor().DefinitionText(), before);

    // Closing asks about the undone change; Discard goes back to what was saved.
    panel->askUnsaved = [] { return SceneEditPanel::Unsaved::Discard; };
    QTest::keyClick(&window, Qt::Key_E, Qt::ControlModifier);
    EXPECT_EQ(panel->Editor().DefinitionText(), after);
    EXPECT_FALSE(panel->isVisible());
    EXPECT_EQ(window.size(), usual);
    EXPECT_EQ(window.grab().toImage(), usualLook);
}

std::vector<std::string> constraintClasses(CPlayerDialog& window)
{
    std::vector<std::string> names;
    ConstraintCollection& list = window.Player().GetSystem().constraints;
    for (int i = 0; i < list.getConstraintCount(); ++i)
        names.push_back(list.getConstraint(i)->GetClassName().str());
    return names;
}

// Lets the event loop run until the scene holds the expected classes, or the time (ms) has passed.
bool waitForClasses(CPlayerDialog& window, const std::vector<std::string>& expected, int ms = 5000)
{
    for (int waited = 0; waited < ms && constraintClasses(window) != expected; waited += 50)
        QTest::qWait(50);
    return constraintClasses(window) == expected;
}

const std::vector<std::string> kForce { "constraint.Force" };
const std::vector<std::string> kForceAndAge { "constraint.Force", "constraint.RemoveAged" };

// Lets the event loop run until done() holds, or about two seconds have passed.
bool waitUntil(const std::function<bool()>& done)
{
    for (int waited = 0; waited < 2000 && !done(); waited += 20)
        QTest::qWait(20);
    return done();
}

// Fractions and colour channels get a slider whose drag is one change; a colour is chosen whole; picture
// names offer the pictures beside the scene and take a chosen one by its name there; what the checker
// finds follows what is typed; a constraint's box switches it off.
TEST(PlayerDialog, TheEditorsTypedControlsChangeTagsAndShowWhatTheCheckerFinds)
{
    TempDir dir;
    std::filesystem::copy_file(std::string(MIRRIM_SOURCE_DIR) + "/scenes/shape0.gif", dir.file("shape0.gif"));
    writeText(dir.file("scene.vq"),
        "image.ImageFade\r\n<Factor>0.1</Factor>\r\n.\r\n"
        "constraint.Cameleon\r\n<Image Name>SHAPE</Image Name><Image Filename>shape0.gif</Image Filename>\r\n.\r\n"
        "constraint.Force\r\n<DeltaY>0.5</DeltaY>\r\n.\r\n");
    TestDialog window;
    window.OpenFile(dir.file("scene.vq").c_str());
    window.RunCommand(CPlayerDialog::kStop);
    window.ToggleEditor();
    SceneEditPanel* panel = window.EditPanel();
    ASSERT_TRUE(panel);
    SceneEditor& editor = panel->Editor();
    const std::string original = editor.DefinitionText();

    panel->Choose({ 0 });
    auto* slider = panel->findChild<QSlider*>("Factor slider");
    ASSERT_TRUE(slider);
    slider->setSliderDown(true);
    for (int position : { 300, 600, 750 })
        slider->setValue(position);
    slider->setSliderDown(false);
    EXPECT_NE(editor.DefinitionText().find("<Factor>0.750000</Factor>"), std::string::npos);
    EXPECT_DOUBLE_EQ(qobject_cast<QDoubleSpinBox*>(panel->TagControl("Factor"))->value(), 0.75);
    panel->chooseColour = [](const QColor&) { return QColor(10, 20, 30); };
    qobject_cast<QPushButton*>(panel->TagControl("Colour"))->click();
    QCoreApplication::processEvents(); // the controls are made anew after the click
    EXPECT_NE(editor.DefinitionText().find("<Red>10</Red>\r\n<Green>20</Green>\r\n<Blue>30</Blue>"), std::string::npos);
    ASSERT_TRUE(editor.Undo());
    ASSERT_TRUE(editor.Undo());
    EXPECT_EQ(editor.DefinitionText(), original);

    panel->Choose({ 1 });
    auto* names = qobject_cast<QComboBox*>(panel->TagControl("Image Filename"));
    ASSERT_TRUE(names);
    EXPECT_EQ(names->itemText(0), "shape0.gif");
    EXPECT_TRUE(panel->FindingsAt({ 1 }).isEmpty());
    names->lineEdit()->selectAll();
    QTest::keyClicks(names->lineEdit(), "nowhere.gif");
    EXPECT_TRUE(waitUntil([&] { return !panel->FindingsAt({ 1 }, std::string("Image Filename")).isEmpty(); }));
    EXPECT_EQ(editor.DefinitionText(), original); // typed, not yet taken
    panel->choosePicture = [&dir](const QString&) { return QString::fromStdString(dir.file("shape0.gif")); };
    auto* browse = panel->findChild<QToolButton*>("Image Filename browse");
    ASSERT_TRUE(browse);
    browse->click();
    EXPECT_EQ(editor.DefinitionText(), original); // the same name again
    EXPECT_TRUE(panel->FindingsAt({ 1 }).isEmpty());

    QTreeWidgetItem* force = panel->findChild<QTreeWidget*>()->topLevelItem(2);
    force->setCheckState(0, Qt::Unchecked);
    EXPECT_TRUE(waitUntil([&] { return !editor.IsEnabled({ 2 }); }));
    EXPECT_NE(editor.DefinitionText().find("\r\n// constraint.Force\r\n"), std::string::npos);

    // The window goes with text typed in a field, which loses the keyboard as the window is destroyed.
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    panel->Choose({ 1 });
    auto* typed = qobject_cast<QComboBox*>(panel->TagControl("Image Filename"));
    ASSERT_TRUE(typed);
    typed->setFocus();
    QTest::keyClicks(typed->lineEdit(), "x");
}

// Edits not saved are asked about before another scene is loaded or the window closes: Cancel keeps
// them, Save writes the scene's own file without asking for a name.
TEST(PlayerDialog, TheEditorAsksBeforeEditsAreLost)
{
    TempDir dir;
    writeText(dir.file("one.vq"), "constraint.Force\r\n<DeltaY>0.5</DeltaY>\r\n.\r\n");
    writeText(dir.file("two.vq"), "constraint.RemoveAged\r\n\r\n.\r\n");
    TestDialog window;
    window.OpenFile(dir.file("one.vq").c_str());
    window.ToggleEditor();
    SceneEditPanel* panel = window.EditPanel();
    ASSERT_TRUE(panel);
    int asked = 0;
    SceneEditPanel::Unsaved answer = SceneEditPanel::Unsaved::Cancel;
    panel->askUnsaved = [&] {
        ++asked;
        EXPECT_FALSE(window.IsTicking());
        return answer;
    };
    ASSERT_TRUE(panel->Editor().SetTags({ 0 }, "<DeltaY>3</DeltaY>"));
    const std::string edited = panel->Editor().DefinitionText();

    window.OpenFile(dir.file("two.vq").c_str());
    EXPECT_EQ(constraintClasses(window), kForce);
    window.show();
    window.reject();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(asked, 2);

    answer = SceneEditPanel::Unsaved::Save;
    window.OpenFile(dir.file("two.vq").c_str());
    EXPECT_EQ(FileText(dir.file("one.vq")), edited);
    EXPECT_EQ(constraintClasses(window), std::vector<std::string> { "constraint.RemoveAged" });
    for (const auto& question : window.asked)
        EXPECT_NE(question.what, "save");
    window.reject(); // nothing left to ask about
    EXPECT_EQ(asked, 3);
    EXPECT_FALSE(window.isVisible());
}

// Load and the command line take either kind of file and tell what the checker found, in one message.
TEST(PlayerDialog, LoadAndTheCommandLineTakeEitherKindAndTellTheFindings)
{
    TempDir dir;
    writeText(dir.file("scene.vq"), "constraint.Force\r\n<DeltaY>0.1</DeltaY>\r\n.\r\n");
    TestDialog window;
    window.openAnswer = CString(dir.file("scene.vq"));
    window.RunCommand(CPlayerDialog::kLoad);
    EXPECT_EQ(constraintClasses(window), kForce);
    EXPECT_TRUE(window.messages.empty());
    EXPECT_TRUE(window.IsTicking());

    writeText(dir.file("typo.zrk"), "constraint.Force\r\n<DeltaZ>1</DeltaZ>\r\n.\r\nconstraint.RemovAged\r\n\r\n.\r\n");
    window.OpenFile(dir.file("typo.zrk").c_str());
    EXPECT_EQ(constraintClasses(window), kForce);
    ASSERT_EQ(window.messages.size(), 1u);
    const std::string text = window.messages[0].first.str();
    EXPECT_NE(text.find("typo.zrk:2: warning: constraint.Force has no tag '<DeltaZ>'"), std::string::npos) << text;
    EXPECT_NE(text.find("typo.zrk:4: error: unknown class 'constraint.RemovAged'"), std::string::npos) << text;
    EXPECT_EQ(window.messages[0].second, IPlayerUi::MessageKind::Error);
    EXPECT_FALSE(window.asked.back().ticking);
    EXPECT_EQ(window.Watcher().Files(), std::vector<std::string> { dir.file("typo.zrk") });
}

// A picture or random bytes, opened from the command line or with Load, or written over the scene being
// watched, is refused with the reason and the running scene goes on.
TEST(PlayerDialog, FilesHoldingNoSceneAreRefusedEveryWay)
{
    TempDir dir;
    writeText(dir.file("scene.vq"), "constraint.Force\r\n\r\n.\r\n");
    writeText(dir.file("picture.gif"), std::string("GIF89a\x01\x00\x01\x00\x80\x00\x00", 13) + std::string(64, '\0'));
    writeText(dir.file("noise.zrk"), std::string("\x9c\x13\xf0\x7f\x01", 5) + std::string(400, '\xa5'));
    TestDialog window;
    window.OpenFile(dir.file("scene.vq").c_str());
    ASSERT_EQ(constraintClasses(window), kForce);
    window.OpenFile(dir.file("picture.gif").c_str());
    window.openAnswer = CString(dir.file("noise.zrk"));
    window.RunCommand(CPlayerDialog::kLoad);
    replaceText(dir.file("noise.zrk"), std::string(300, '\x01')); // the file now watched
    for (int i = 0; i < 100 && window.messages.size() < 3; ++i)
        QTest::qWait(50);
    ASSERT_EQ(window.messages.size(), 3u);
    EXPECT_NE(window.messages[0].first.str().find("is a GIF picture"), std::string::npos);
    for (const auto& [text, kind] : window.messages) {
        EXPECT_NE(text.str().find("was not loaded"), std::string::npos) << text.str();
        EXPECT_EQ(kind, IPlayerUi::MessageKind::Error);
    }
    EXPECT_EQ(constraintClasses(window), kForce);
    EXPECT_TRUE(window.IsTicking());
}

// While a file plays, the window reloads it when it is rewritten or replaced, or when a file it
// includes changes; a reload that would lose part of the scene keeps the running one and says why.
TEST(PlayerDialog, ReloadsTheSceneWhenItsFilesChange)
{
    TempDir dir;
    const std::string main = dir.file("main.vq");
    const std::string part = dir.file("part.vq");
    writeText(part, "constraint.RemoveAged\r\n\r\n.\r\n");
    writeText(main, "constraint.Force\r\n\r\n.\r\n");
    TestDialog window;
    window.OpenFile(main.c_str());
    ASSERT_EQ(constraintClasses(window), kForce);
    for (int i = 0; i < 5; ++i)
        window.Tick();
    const int particles = particleCount(window);

    writeText(main, "constraint.Force\r\n\r\n.\r\nconstraint.RemoveAged\r\n\r\n.\r\n");
    EXPECT_TRUE(waitForClasses(window, kForceAndAge)) << "rewritten in place";
    EXPECT_GE(particleCount(window), particles); // the particles on screen stay

    replaceText(main, "constraint.Force\r\n\r\n.\r\n");
    EXPECT_TRUE(waitForClasses(window, kForce)) << "replaced";

    replaceText(main,
        "constraint.Force\r\n\r\n.\r\nconstraint.ConstraintCollection\r\n<DefFilename>part.vq</DefFilename>\r\n.\r\n");
    EXPECT_TRUE(waitForClasses(window, { "constraint.Force", "constraint.ConstraintCollection" }));
    EXPECT_EQ(window.Watcher().Files(), (std::vector<std::string> { main, part }));
    auto* included = dynamic_cast<ConstraintCollection*>(window.Player().GetSystem().constraints.getConstraint(1));
    ASSERT_NE(included, nullptr);
    writeText(part, "constraint.RemoveAged\r\n\r\n.\r\nconstraint.OmniForce\r\n\r\n.\r\n");
    for (int i = 0; i < 100 && window.Player().GetSystem().constraints.getConstraint(1) == included; ++i)
        QTest::qWait(50);
    included = dynamic_cast<ConstraintCollection*>(window.Player().GetSystem().constraints.getConstraint(1));
    ASSERT_NE(included, nullptr);
    EXPECT_EQ(included->getConstraintCount(), 2) << "the included file changed";
    EXPECT_TRUE(window.messages.empty());

    // Broken by an edit: the running scene stays, and the message says why.
    replaceText(main, "constraint.Force\r\n\r\n.\r\nconstraint.RemoveAgd\r\n\r\n.\r\n");
    for (int i = 0; i < 100 && window.messages.empty(); ++i)
        QTest::qWait(50);
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_NE(window.messages[0].first.str().find("not loaded"), std::string::npos) << window.messages[0].first.str();
    EXPECT_NE(window.messages[0].first.str().find("did you mean constraint.RemoveAged?"), std::string::npos);
    EXPECT_EQ(
        constraintClasses(window), std::vector<std::string>({ "constraint.Force", "constraint.ConstraintCollection" }));
    EXPECT_TRUE(window.IsTicking());

    // Fixed again, it loads; with Reload on Change unchecked, changes are left alone.
    writeText(main, "constraint.Force\r\n\r\n.\r\n");
    EXPECT_TRUE(waitForClasses(window, kForce));
    window.RunCommand(CPlayerDialog::kReloadOnChange);
    writeText(main, "constraint.Force\r\n\r\n.\r\nconstraint.RemoveAged\r\n\r\n.\r\n");
    EXPECT_FALSE(waitForClasses(window, kForceAndAge, 4 * SceneWatcher::kSettleMs));
}

} // namespace
