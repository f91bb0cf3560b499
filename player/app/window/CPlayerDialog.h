#pragma once

#include "player/app/PlayerUi.h"
#include "player/app/ScenePlayer.h"
#include "player/app/window/SceneWatcher.h"
#include "player/app/window/SteadyPace.h"
#include "player/app/window/WindowSettings.h"
#include "player/imaging/store/CDib.h"

#include <QBasicTimer>
#include <QDialog>
#include <QElapsedTimer>
#include <QPixmap>

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class QAbstractButton;
class QAction;
class QCheckBox;
class QContextMenuEvent;
class QMenu;
class QMimeData;
class QThread;
class SceneEditPanel;

// The main window: the 320 x 240 drawing area above a row of picture buttons. It owns the ScenePlayer,
// drives it with a 50 ms tick, composes each frame off screen and answers the player's questions with
// Qt dialogs. It is an ordinary top-level window (not a dialog to the window manager), shown 1 to 4
// times enlarged pixel for pixel, with keyboard shortcuts for the commands of its buttons.
//
// Keyboard focus stays on the window itself unless the user moves it to a button with Tab: a click does
// not take it, and when a command hides or disables the focused button, its partner (Play and Playing,
// Record and Recording) takes it over, or else the window.
//
// Every command is one QAction, made from one table in CPlayerDialog.cpp: its button or check box, its
// popup item and its keys all trigger it, and its enabled, shown and checked states follow the player.
//
// The tick timer runs only while the player plays. Every command pauses it (PausedTicks) and re-arms it
// only if the player still plays afterwards, so no tick runs while a modal dialog of a command is up; the
// one exception is the compressor choice, during which the animation goes on.
class CPlayerDialog : public QDialog, public IPlayerUi {
    Q_OBJECT
public:
    // Control and command identifiers.
    enum Command {
        kExit = 1,
        kClear = 1001,
        kStop = 1002,
        kStep = 1004,
        kPlay = 1005,
        kRecord = 1006,
        kSnapshot = 1007,
        kQuickParts = 1008,
        kRecording = 1009,
        kPlaying = 1010,
        kLoad = 32771,
        kAviCompressor = 32773,
        kStatistics = 32774,
        kReloadOnChange = 32775,
        kZoomIn = 32776,
        kZoomOut = 32777,
        kZoomPixels = 32778, // the zoom repeats pixels
        kZoomSmooth = 32779, // the zoom draws the picture anew at its size
        kZoom1 = 32780, // kZoom1 + n - 1 shows the window n times enlarged
        kSeed = 32790,
        kSteadyTicks = 32791,
        kEdit = 32792,
        kAbout = 0x0010,
    };
    static constexpr int kTickMs = 50;

    explicit CPlayerDialog(QWidget* parent = nullptr);
    ~CPlayerDialog() override;

    bool AskOpenFile(const CString& filter, const CString& defaultExtension, CString& path) override;
    bool AskSaveFile(const CString& filter, const CString& defaultExtension, CString& path) override;
    void ShowMessage(const CString& text, MessageKind kind) override;
    bool ChooseCompressor(CompressorSettings& settings) override;

    // Sets the commands' controls, popup items and keys from the player's state.
    void UpdateControls();
    // Runs a command as its control or menu item would, so a disabled one does nothing; a hidden button's
    // command still runs, as a click on it would.
    void RunCommand(int command);
    // One tick of the animation, as the timer runs it.
    void Tick();
    // Loads a scene file or a definition file as Load does, without asking which: for the command line.
    void OpenFile(const CString& path);
    // Reloads the file last loaded, when it or a file it includes has changed on disk.
    void ReloadIfWanted();
    // The seed the random sequence starts from whenever a scene is loaded, instead of the scene's own
    // constraint.Seed or, without one, the sequence as it runs on. Setting it restarts the scene.
    void SetSeed(std::optional<unsigned int> seed);
    std::optional<unsigned int> Seed() const { return seed_; }
    // Steady ticks start 50 ms after the previous tick started, or at once when it took longer; the
    // window's usual ticks start 50 ms after the previous one ended. For this run only: the popup
    // menu's item also remembers the choice.
    void SetSteadyTicks(bool on) { steadyTicks_ = on; }
    bool SteadyTicks() const { return steadyTicks_; }
    // Opens the scene editor beside the picture, the window growing to hold it, or closes it and gives
    // the window its usual size back.
    void ToggleEditor();
    SceneEditPanel* EditPanel() const { return editPanel_; }
    // Every way of closing the window: first asks about edits not saved.
    void done(int result) override;
    // The Seed command's question: the seed as text, empty for none. False when the user cancels.
    virtual bool AskSeed(QString& text);
    // Loads what was dropped if it is one scene or definition file; otherwise says why not.
    void OpenDropped(const QMimeData& dropped);

    int Zoom() const { return zoom_; }
    // Enlarges the window and its controls zoom times (clamped to 1..LargestZoom()), and remembers the
    // choice.
    void SetZoom(int zoom);
    // The largest zoom at which the window fits in the available area of its screen.
    int LargestZoom() const;
    // Whether an enlarged picture is drawn anew at the zoomed size, smooth edges and all, rather than
    // with every pixel repeated. Remembered like the zoom.
    bool SmoothZoom() const { return smoothZoom_; }
    void SetSmoothZoom(bool on);

    // The popup menu; each action's data is its command.
    std::unique_ptr<QMenu> BuildPopupMenu();
    // Where the popup opens: at the pointer, or near the top-left corner when opened from the keyboard.
    QPoint PopupPoint(const QContextMenuEvent& event) const;

    ScenePlayer& Player() { return player_; }
    QAbstractButton* Control(int id) const;
    QCheckBox* QuickParts() const;
    QRect DrawingArea() const;
    bool IsTicking() const { return timer_.isActive(); }
    bool HasOffscreen() const { return offscreen_ != nullptr; }
    bool ReloadsOnChange() const { return reloadOnChange_; }
    const SceneWatcher& Watcher() const { return watcher_; }
    WindowSettings& Settings() { return settings_; }
    // Videos whose recording has ended but whose file is still being completed off the window's thread.
    int VideosBeingFinished() const { return static_cast<int>(finishing_.size()); }

protected:
    void timerEvent(QTimerEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // Stops the tick for as long as it lives and re-arms it afterwards if the player still plays. Nested,
    // only the outermost re-arms: a message shown under a command's dialog must not start the animation
    // behind it.
    class PausedTicks {
    public:
        explicit PausedTicks(CPlayerDialog& window)
            : window_(window)
        {
            ++window_.pauses_;
            window_.stopTimer();
        }
        ~PausedTicks()
        {
            if (--window_.pauses_ == 0 && window_.player_.playing)
                window_.armTimer();
        }
        PausedTicks(const PausedTicks&) = delete;
        PausedTicks& operator=(const PausedTicks&) = delete;

    private:
        CPlayerDialog& window_;
    };
    struct CommandRow;
    // A command as made from its row (none for a zoom size): the action, and its control if it has one.
    struct CommandAction {
        int id;
        const CommandRow* row;
        QAction* action;
        QAbstractButton* control;
    };
    void addCommands();
    const CommandAction* findCommand(int id) const;

    void OnClear();
    void OnPlay();
    void OnStop();
    void OnStep();
    void OnRecord();
    void OnSnapshot();
    void OnQuickParts();
    void OnLoad();
    void OnAviCompressor();
    void OnStatistics();
    void OnAbout();
    void OnReloadOnChange();
    void OnSeed();
    void OnSteadyTicks();
    void zoomIn() { SetZoom(zoom_ + 1); }
    void zoomOut() { SetZoom(zoom_ - 1); }
    void zoomPixels() { SetSmoothZoom(false); }
    void zoomSmooth() { SetSmoothZoom(true); }
    // Focus on a hidden or disabled control goes to its partner or the window.
    void keepFocusUsable(QWidget* focused);
    void applyZoom(int zoom);
    // The smooth picture: brought up to date after a tick, dropped when what it holds is out of date
    // (made again from the next tick, at once for a scene drawn directly), redrawn when the particles
    // are cleared, and painted over the enlarged one when it is there and shows what that shows.
    void presentSmooth();
    void restartSmooth();
    void clearedSmooth();
    bool showsSmooth();
    void paintSmooth(QPainter& painter);
    // The window at 1x: the texture, and the frame inside its edge, within region.
    void paintUnzoomed(QPainter& painter, const QRegion& region);
    void stopTimer() { timer_.stop(); }
    void armTimer()
    {
        onPace_ = false;
        timer_.start(kTickMs, this);
    }
    void invalidateDrawingArea();
    bool askFile(bool save, const CString& filter, const CString& defaultExtension, CString& path);
    // Watches the files a load read, unless it read none.
    void watch(const ScenePlayer::LoadReport& report);
    // After a load that replaced the scene: the editor lists the new one, and the random sequence starts
    // from the seed, if there is one, with the texture drawn from it, as mirrim-cli does, so that the
    // frames are the same.
    void sceneLoaded(const ScenePlayer::LoadReport& report);
    // The grey texture around the drawing area, from the random sequence as it stands.
    void drawTexture();
    void startSeed();
    // The editor's Restart, and Save (to the scene's file) or Save As; true when saved.
    void restartEdited();
    bool saveEdited(bool saveAs);
    void makeEditPanel(); // hidden until asked for
    // False when the user keeps edits not saved rather than let the scene be replaced.
    bool mayReplaceScene();
    // The window's size at a zoom, with the editor beside it when open.
    QSize sizeAt(int zoom) const;
    // After a load: the controls and the drawing area follow the new scene.
    void afterLoad();
    // Completes an ended recording on a thread of its own; the caption says so meanwhile.
    void finishVideo(std::unique_ptr<VideoOutput> video, const CString& path);
    // A video completed: tells a failure and drops it.
    void videoFinished(int id);
    // The caption between frames: the plain title, or the videos still being completed.
    void restCaption();

    // Constructed first: the texture below draws its random grey levels after the player's own draws.
    ScenePlayer player_;
    // In the table's order: the controls' tab order and the popup's order; then the zoom sizes.
    std::vector<CommandAction> commands_;
    // While the popup is open its chosen item waits: it runs once the popup has gone.
    bool popupOpen_ = false;
    int pauses_ = 0; // PausedTicks alive
    QWidget* drawingArea_ = nullptr; // hidden marker: its top-left is the drawing origin
    CDib texture_;
    QPixmap texturePixmap_;
    // The frame as last composed for the screen, at the host's size when the window was made.
    std::unique_ptr<CDC> offscreen_;
    bool mouseDown_ = false;
    QPoint mouse_; // in the 1x window
    QBasicTimer timer_;
    QPoint origin_;
    QCursor drawCursor_;
    WindowSettings settings_;
    int zoom_ = 1;
    bool smoothZoom_ = false;
    // The picture at the zoomed size, only while it is shown: zoomed, Smooth chosen, the scene within
    // the drawing area.
    std::unique_ptr<FramePresenter> smooth_;
    CDib smoothShown_; // the smooth picture with the particles over it, as the picture shows them
    // Every control with its place in the 1x window.
    std::vector<std::pair<QWidget*, QRect>> places_;
    // The files of the scene loaded last, and whether their changes reload it.
    SceneWatcher watcher_;
    bool reloadOnChange_ = true;
    std::optional<unsigned int> seed_;
    bool steadyTicks_ = false;
    SteadyPace pace_;
    QElapsedTimer paceClock_;
    bool onPace_ = false; // the running timer was set by pace_
    SceneEditPanel* editPanel_ = nullptr; // hidden while the editor is closed
    std::unique_ptr<PausedTicks> editorPause_; // while a dialog of the editor is open
    // The file the scene came from, empty for the default scene: the seed restarts it.
    CString sceneFile_;
    struct FinishingVideo {
        std::unique_ptr<VideoOutput> video;
        CString path;
        std::unique_ptr<QThread> thread;
        bool finished = false;
        std::string error;
        int id = 0; // names it to the report that it is done
    };
    std::vector<std::unique_ptr<FinishingVideo>> finishing_;
    int lastVideoId_ = 0;
};
