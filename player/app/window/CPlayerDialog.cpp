#include "player/app/window/CPlayerDialog.h"

#include "particle/constraints/SceneSeed.h"
#include "particle/core/CMorvane.h"
#include "particle/core/ParticleSystem.h"
#include "player/app/EditedScene.h"
#include "player/app/window/ButtonArt.h"
#include "player/app/window/CAboutDialog.h"
#include "player/app/window/CBitmapButton.h"
#include "player/app/window/CCompressorDialog.h"
#include "player/app/window/CImageDialog.h"
#include "player/app/window/DialogUnits.h"
#include "player/app/window/FileFilter.h"
#include "player/app/window/SceneEditPanel.h"
#include "player/app/window/WindowZoom.h"
#include "player/imaging/codecs/PictureFormats.h"
#include "player/imaging/codecs/SafeFileWriter.h"
#include "player/imaging/store/CDibImage.h"
#include "player/imaging/video/AviRecorder.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <QWindow>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>

namespace {

constexpr int kAreaWidth = 320;
constexpr int kAreaHeight = 240;
const QSize kWindowSize = DialogSize(233, 183);
// The editor beside the picture: wide enough for a tag name and its control, tall enough for a list.
constexpr int kEditorWidth = 400;
constexpr int kEditorHeight = 560;

QString toQString(const CString& text)
{
    return QString::fromUtf8(text.c_str());
}

// The surface's pixels as a QImage, without copying.
QImage wrap(CDC& dc)
{
    return QImage(reinterpret_cast<const uchar*>(dc.GetBits()), dc.GetWidth(), dc.GetHeight(),
        static_cast<qsizetype>(dc.GetStride()) * 4, QImage::Format_RGB32);
}

// A two-pixel bump around rect: raised outer ring, sunken inner ring.
void paintEdgeBump(QPainter& painter, const QRect& rect)
{
    auto ring = [&painter](const QRect& r, QColor topLeft, QColor bottomRight) {
        painter.fillRect(QRect(r.left(), r.top(), r.width() - 1, 1), topLeft);
        painter.fillRect(QRect(r.left(), r.top(), 1, r.height() - 1), topLeft);
        painter.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), bottomRight);
        painter.fillRect(QRect(r.right(), r.top(), 1, r.height()), bottomRight);
    };
    ring(rect, QColor(255, 255, 255), QColor(64, 64, 64));
    ring(rect.adjusted(1, 1, -1, -1), QColor(128, 128, 128), QColor(255, 255, 255));
}

// Where a command shows besides its keys.
enum : unsigned {
    kButton = 1 << 0, // a picture button
    kCheckBox = 1 << 1, // a check box, hidden: its key and its command carry it
    kPopup = 1 << 2, // an item of the popup menu
    kZoomMenu = 1 << 3, // an item of the popup's Zoom menu, below the sizes
    kSeparated = 1 << 4, // a separator above its item
    kKeyShown = 1 << 5, // the item shows its first key
    kCheckable = 1 << 6,
    kDialogKey = 1 << 7, // its key is the dialog's own (Esc closes it): the tooltip names it, nothing binds it
};

// A control: its caption when the popup item says more, its picture, and its place in pixels. A
// partner takes the place of the control it names, shown while that one is hidden.
struct ControlPlace {
    const char* caption;
    ButtonArt::Kind art;
    QRect place;
    int partner;
};

// At x, y in dialog units, as large as its picture.
ControlPlace button(ButtonArt::Kind art, int x, int y, const char* caption = nullptr)
{
    return { caption, art, QRect(QPoint(DialogX(x), DialogY(y)), ButtonArt::Size(art)), 0 };
}

ControlPlace partnerOf(int partner, ButtonArt::Kind art)
{
    return { nullptr, art, QRect(), partner };
}

ControlPlace checkBox(int x, int y, int width, int height)
{
    return { nullptr, ButtonArt::Kind::Clear, DialogRect(x, y, width, height), 0 };
}

// How a command's state follows the window's; null where it never changes.
struct CommandState {
    bool (*enabled)(const CPlayerDialog&);
    bool (*shown)(const CPlayerDialog&);
    bool (*checked)(const CPlayerDialog&);
};

} // namespace

struct CPlayerDialog::CommandRow {
    int id;
    const char* text; // the popup item's, or else the control's caption
    unsigned where;
    ControlPlace control;
    QList<QKeySequence> keys;
    void (CPlayerDialog::*run)();
    CommandState state;
};

CPlayerDialog::CPlayerDialog(QWidget* parent)
    // A window of its own, listed and minimised by the window manager like any other; fixed in size, so
    // without a maximise button.
    : QDialog(parent,
        Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
            | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint)
    , player_(this)
    , drawCursor_(ButtonArt::DrawCursor())
{
    setWindowTitle(QStringLiteral("Mirrim"));
    setWindowIcon(ButtonArt::Icon());
    setFixedSize(kWindowSize);
    setFocusPolicy(Qt::StrongFocus);
    setAcceptDrops(true);
    // Every pixel is painted here: the texture around the drawing area, the frame inside it.
    setAttribute(Qt::WA_OpaquePaintEvent);

    addCommands();
    drawingArea_ = new QWidget(this);
    drawingArea_->setGeometry(DialogRect(7, 7, 219, 149));
    drawingArea_->hide(); // the window itself takes the mouse over the drawing area

    drawTexture();

    CMorvane& host = player_.GetHost();
    offscreen_ = std::make_unique<CDC>(host.getWidth(), host.getHeight());
    if (!offscreen_->GetBits())
        offscreen_.reset();

    // The drawing area stays 320 x 240 whatever size a scene gives the host.
    origin_ = drawingArea_->pos();
    drawingArea_->resize(kAreaWidth, kAreaHeight);

    connect(&watcher_, &SceneWatcher::Changed, this, &CPlayerDialog::ReloadIfWanted);
    player_.SetVideoFinisher(
        [this](std::unique_ptr<VideoOutput> video, const CString& path) { finishVideo(std::move(video), path); });
    reloadOnChange_ = settings_.ReloadOnChange();
    steadyTicks_ = settings_.SteadyTicks();
    smoothZoom_ = settings_.SmoothZoom();

    int zoom = settings_.Zoom();
    if (zoom < WindowZoom::kSmallest || zoom > WindowZoom::kLargest) {
        const QScreen* shown = screen();
        zoom = shown ? WindowZoom::ForScreen(kWindowSize, shown->availableSize(), shown->physicalDotsPerInch())
                     : WindowZoom::kSmallest;
    }
    // A zoom kept from a larger screen would put Exit and the close box out of reach.
    applyZoom(std::min(zoom, LargestZoom()));
    // Clear shows its focused picture at start, as the first button in tab order; the keys still go to
    // the window's shortcuts until the user moves the keyboard on with Tab.
    static_cast<CBitmapButton*>(Control(kClear))->TakeFocusQuietly();

    UpdateControls();
    if (player_.playing)
        armTimer();
}

CPlayerDialog::~CPlayerDialog()
{
    // A recording still open is completed by the player as it goes, here on this thread, the window
    // being closed; those already ended are waited for, so closing never loses a file.
    player_.SetVideoFinisher(nullptr);
    for (const auto& video : finishing_)
        video->thread->wait();
    // The editor works on the player's scene: it goes before the player does.
    delete editPanel_;
}

void CPlayerDialog::addCommands()
{
    using W = CPlayerDialog;
    using Kind = ButtonArt::Kind;
    using Keys = QList<QKeySequence>;
    const auto playing = [](const W& w) { return w.player_.playing != 0; };
    const auto stopped = [](const W& w) { return w.player_.playing == 0; };
    const auto recording = [](const W& w) { return w.player_.IsRecording(); };
    const auto notRecording = [](const W& w) { return !w.player_.IsRecording(); };
    // In the controls' tab order, then the popup's order. Space and R each belong to two commands of
    // which only one is enabled and shown at a time. Made on first use: standard keys need the
    // application.
    static const CommandRow rows[] = {
        { kClear, "Clear", kButton, button(Kind::Clear, 7, 163), Keys { Qt::Key_Delete }, &W::OnClear, {} },
        { kStop, "Stop", kButton, button(Kind::Stop, 28, 163), Keys { Qt::Key_Space }, &W::OnStop,
            { playing, nullptr, nullptr } },
        { kStep, "Step", kButton, button(Kind::Step, 44, 163), Keys { Qt::Key_Right, Qt::Key_Period }, &W::OnStep,
            { stopped, nullptr, nullptr } },
        { kPlay, "Play", kButton, button(Kind::Play, 60, 163), Keys { Qt::Key_Space }, &W::OnPlay,
            { nullptr, stopped, nullptr } },
        { kPlaying, "Playing", kButton, partnerOf(kPlay, Kind::Playing), Keys {}, &W::OnPlay,
            { nullptr, playing, nullptr } },
        { kRecord, "Record", kButton, button(Kind::Record, 76, 163), Keys { Qt::Key_R }, &W::OnRecord,
            { nullptr, notRecording, nullptr } },
        { kRecording, "Recording", kButton, partnerOf(kRecord, Kind::Recording), Keys { Qt::Key_R }, &W::OnRecord,
            { nullptr, recording, nullptr } },
        { kQuickParts, "Quick Parts", kCheckBox | kCheckable, checkBox(98, 165, 53, 10), Keys { Qt::Key_P },
            &W::OnQuickParts, { nullptr, nullptr, [](const W& w) { return w.player_.drawParticles != 0; } } },
        { kSnapshot, "Snapshot", kButton, button(Kind::Snapshot, 153, 163), Keys { Qt::Key_S }, &W::OnSnapshot, {} },
        { kLoad, "&Load Constraints...", kButton | kPopup, button(Kind::Load, 170, 163, "Load"),
            Keys { Qt::Key_O, QKeySequence::Open }, &W::OnLoad, {} },
        { kExit, "Exit", kButton | kDialogKey, button(Kind::Exit, 195, 163), Keys { Qt::Key_Escape }, &W::accept, {} },
        { kReloadOnChange, "&Reload on Change", kPopup | kCheckable, {}, Keys {}, &W::OnReloadOnChange,
            { nullptr, nullptr, [](const W& w) { return w.reloadOnChange_; } } },
        { kAviCompressor, "&AVI Compressor...", kPopup, {}, Keys {}, &W::OnAviCompressor,
            { notRecording, nullptr, nullptr } },
        { kStatistics, "&Statistics...", kPopup, {}, Keys {}, &W::OnStatistics, {} },
        { kSeed, "See&d...", kPopup, {}, Keys {}, &W::OnSeed, {} },
        { kEdit, "&Edit Scene", kPopup | kCheckable | kKeyShown, {}, Keys { Qt::CTRL | Qt::Key_E }, &W::ToggleEditor,
            { nullptr, nullptr, [](const W& w) { return w.editPanel_ && w.editPanel_->isVisible(); } } },
        { kSteadyTicks, "S&teady 20 Ticks a Second", kPopup | kCheckable, {}, Keys {}, &W::OnSteadyTicks,
            { nullptr, nullptr, [](const W& w) { return w.steadyTicks_; } } },
        { kZoomIn, "Zoom &In", kZoomMenu | kKeyShown, {}, Keys { QKeySequence::ZoomIn, Qt::CTRL | Qt::Key_Equal },
            &W::zoomIn, { [](const W& w) { return w.zoom_ < w.LargestZoom(); }, nullptr, nullptr } },
        { kZoomOut, "Zoom &Out", kZoomMenu | kKeyShown, {}, Keys { QKeySequence::ZoomOut }, &W::zoomOut,
            { [](const W& w) { return w.zoom_ > WindowZoom::kSmallest; }, nullptr, nullptr } },
        { kZoomPixels, "&Pixels", kZoomMenu | kCheckable | kSeparated, {}, Keys {}, &W::zoomPixels,
            { nullptr, nullptr, [](const W& w) { return !w.smoothZoom_; } } },
        { kZoomSmooth, "&Smooth", kZoomMenu | kCheckable, {}, Keys {}, &W::zoomSmooth,
            { nullptr, nullptr, [](const W& w) { return w.smoothZoom_; } } },
        // There is no window system menu to carry the About item, so the popup carries it.
        { kAbout, "&About Mirrim...", kPopup | kSeparated, {}, Keys { Qt::Key_F1 }, &W::OnAbout, {} },
    };

    const auto add = [this](int id, const QString& text, bool checkable, const std::function<void()>& run) {
        auto* action = new QAction(text, this);
        action->setData(id);
        action->setCheckable(checkable);
        // Window-wide, so the keys work whichever control has the keyboard; a button does not claim them.
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
        connect(action, &QAction::triggered, this, [this, run] {
            if (!popupOpen_)
                run();
        });
        return action;
    };
    for (const CommandRow& row : rows) {
        QAction* action
            = add(row.id, QString::fromUtf8(row.text), row.where & kCheckable, [this, &row] { (this->*row.run)(); });
        if (!(row.where & kDialogKey))
            action->setShortcuts(row.keys);
        action->setShortcutVisibleInContextMenu(row.where & kKeyShown);
        if (row.control.caption)
            action->setIconText(QString::fromUtf8(row.control.caption));
        QAbstractButton* control = nullptr;
        if (row.where & kButton) {
            // A partner shares its partner's place and is named by its keys.
            const CommandAction* partner = row.control.partner ? findCommand(row.control.partner) : nullptr;
            const CommandRow& named = partner && row.keys.isEmpty() ? *partner->row : row;
            control = new CBitmapButton(row.control.art, action->iconText(), this);
            control->move(partner ? partner->control->pos() : row.control.place.topLeft());
            control->setToolTip(QStringLiteral("%1 (%2)").arg(action->iconText(), named.keys.value(0).toString()));
        } else if (row.where & kCheckBox) {
            control = new QCheckBox(action->iconText(), this);
            control->setGeometry(row.control.place);
            control->hide();
        }
        if (control) {
            connect(control, &QAbstractButton::clicked, action, &QAction::trigger);
            places_.emplace_back(control, control->geometry());
        }
        commands_.push_back({ row.id, &row, action, control });
    }
    for (int times = WindowZoom::kSmallest; times <= WindowZoom::kLargest; ++times) {
        const int id = kZoom1 + times - 1;
        QAction* action = add(id, QStringLiteral("&%1\u00d7").arg(times), true, [this, times] { SetZoom(times); });
        commands_.push_back({ id, nullptr, action, nullptr });
    }
}

const CPlayerDialog::CommandAction* CPlayerDialog::findCommand(int id) const
{
    const auto found = std::find_if(
        commands_.begin(), commands_.end(), [id](const CommandAction& command) { return command.id == id; });
    return found == commands_.end() ? nullptr : &*found;
}

QAbstractButton* CPlayerDialog::Control(int id) const
{
    const CommandAction* command = findCommand(id);
    return command ? command->control : nullptr;
}

QCheckBox* CPlayerDialog::QuickParts() const
{
    return qobject_cast<QCheckBox*>(Control(kQuickParts));
}

void CPlayerDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // The sizes that fit change with the frame, known once shown, and with the screen.
    UpdateControls();
    if (QWindow* window = windowHandle())
        connect(window, &QWindow::screenChanged, this, &CPlayerDialog::UpdateControls, Qt::UniqueConnection);
}

QRect CPlayerDialog::DrawingArea() const
{
    return QRect(origin_ * zoom_, QSize(kAreaWidth, kAreaHeight) * zoom_);
}

void CPlayerDialog::SetZoom(int zoom)
{
    applyZoom(std::clamp(zoom, WindowZoom::kSmallest, LargestZoom()));
    settings_.SetZoom(zoom_);
}

int CPlayerDialog::LargestZoom() const
{
    const QScreen* shown = screen();
    if (!shown)
        return WindowZoom::kLargest;
    // The window manager's frame, as far as it is known yet.
    const QSize frame = isVisible() ? frameGeometry().size() - geometry().size() : QSize();
    return WindowZoom::LargestFitting(kWindowSize, shown->availableGeometry().size() - frame);
}

void CPlayerDialog::applyZoom(int zoom)
{
    zoom_ = zoom;
    const QSize frame = frameGeometry().size() - geometry().size();
    setFixedSize(sizeAt(zoom));
    if (editPanel_)
        editPanel_->setGeometry(QRect(QPoint(kWindowSize.width() * zoom, 0), QSize(kEditorWidth, height())));
    // Grown past the screen's edge, the window moves back onto it.
    if (const QScreen* shown = screen(); shown && isVisible()) {
        const QRect area = shown->availableGeometry();
        QRect placed(pos(), size() + frame);
        placed.moveRight(std::min(placed.right(), area.right()));
        placed.moveBottom(std::min(placed.bottom(), area.bottom()));
        placed.moveLeft(std::max(placed.left(), area.left()));
        placed.moveTop(std::max(placed.top(), area.top()));
        if (placed.topLeft() != pos())
            move(placed.topLeft());
    }
    for (const auto& [control, place] : places_) {
        if (auto* button = qobject_cast<CBitmapButton*>(control))
            button->SetZoom(zoom);
        else
            control->resize(place.size() * zoom);
        control->move(place.topLeft() * zoom);
    }
    restartSmooth();
    UpdateControls(); // the zoom's commands and sizes
    update();
}

void CPlayerDialog::SetSmoothZoom(bool on)
{
    smoothZoom_ = on;
    settings_.SetSmoothZoom(on);
    restartSmooth();
    UpdateControls();
    update();
}

void CPlayerDialog::presentSmooth()
{
    CMorvane& host = player_.GetHost();
    const int width = host.getWidth();
    const int height = host.getHeight();
    // At 1x there is nothing to draw anew. Of a scene larger than the drawing area the window shows the
    // top-left part: that stays enlarged pixel for pixel rather than the whole scene being drawn at the
    // zoomed size every tick.
    if (!smoothZoom_ || zoom_ == WindowZoom::kSmallest || !offscreen_ || width <= 0 || height <= 0
        || width > offscreen_->GetWidth() || height > offscreen_->GetHeight()) {
        smooth_.reset();
        return;
    }
    if (!smooth_ || smooth_->GetWidth() != width * zoom_ || smooth_->GetHeight() != height * zoom_)
        smooth_ = std::make_unique<FramePresenter>(width * zoom_, height * zoom_);
    smooth_->AfterTick(player_);
}

void CPlayerDialog::restartSmooth()
{
    smooth_.reset();
    // A scene drawn directly is the particles as they stand: drawn again at once. A picture the scene
    // builds up over ticks is taken up from the next one.
    if (player_.directFrame)
        presentSmooth();
}

void CPlayerDialog::clearedSmooth()
{
    // Drawn directly, the particles go from the picture as they do at 1x; a picture the scene draws
    // keeps what it holds.
    if (smooth_ && player_.directFrame)
        presentSmooth();
}

bool CPlayerDialog::showsSmooth()
{
    CMorvane& host = player_.GetHost();
    // The constraints' outlines, and a scene drawn directly with its particles hidden, are left to the
    // enlarged picture.
    return smooth_ && smooth_->GetWidth() == host.getWidth() * zoom_ && smooth_->GetHeight() == host.getHeight() * zoom_
        && !player_.drawConstraints && (!player_.directFrame || player_.drawParticles);
}

void CPlayerDialog::paintSmooth(QPainter& painter)
{
    const CDib* shown = &smooth_->Frame();
    // Over a picture the scene draws, the particles are drawn where they stand, as at 1x.
    if (!player_.directFrame && player_.drawParticles) {
        shown->CopyTo(smoothShown_);
        FramePresenter::DrawParticles(smoothShown_, player_.GetSystem().particles, static_cast<float>(zoom_), 0, 0);
        shown = &smoothShown_;
    }
    if (!shown->GetRows())
        return;
    // The rows run bottom-up.
    const QImage picture(shown->GetRows(), shown->GetWidth(), shown->GetHeight(),
        static_cast<qsizetype>(shown->GetRowLength()), QImage::Format_BGR888);
    painter.drawImage(DrawingArea().topLeft(), picture.mirrored());
}

void CPlayerDialog::keepFocusUsable(QWidget* focused)
{
    if (!focused || focused == this || (!focused->isHidden() && focused->isEnabled()))
        return;
    QWidget* partner = nullptr;
    for (const CommandAction& command : commands_) {
        if (!command.control || !command.row->control.partner)
            continue;
        QWidget* other = Control(command.row->control.partner);
        if (focused == command.control || focused == other)
            partner = focused == other ? command.control : other;
    }
    if (partner && !partner->isHidden() && partner->isEnabled())
        partner->setFocus(Qt::OtherFocusReason);
    else
        setFocus(Qt::OtherFocusReason);
}

void CPlayerDialog::UpdateControls()
{
    QWidget* focused = focusWidget();
    for (const CommandAction& command : commands_) {
        if (!command.row) {
            command.action->setChecked(command.id - kZoom1 + 1 == zoom_);
            continue;
        }
        // Each state goes to the action and its control alike. A hidden action's keys are off, yet it
        // still runs when triggered, as a hidden button does when clicked.
        const auto follow = [this, &command](bool (*state)(const CPlayerDialog&), auto setOnAction, auto setOnControl) {
            if (!state)
                return;
            const bool on = state(*this);
            (command.action->*setOnAction)(on);
            if (command.control)
                (command.control->*setOnControl)(on);
        };
        const CommandState& state = command.row->state;
        follow(state.enabled, &QAction::setEnabled, &QWidget::setEnabled);
        follow(state.shown, &QAction::setVisible, &QWidget::setVisible);
        follow(state.checked, &QAction::setChecked, &QAbstractButton::setChecked);
    }
    keepFocusUsable(focused);
}

void CPlayerDialog::invalidateDrawingArea()
{
    update(DrawingArea());
}

void CPlayerDialog::RunCommand(int command)
{
    if (const CommandAction* found = findCommand(command))
        found->action->trigger();
}

void CPlayerDialog::timerEvent(QTimerEvent* event)
{
    // Someone else's timer: not ours to stop or re-arm.
    if (event->timerId() != timer_.timerId()) {
        QDialog::timerEvent(event);
        return;
    }
    Tick();
}

void CPlayerDialog::Tick()
{
    if (!paceClock_.isValid())
        paceClock_.start();
    pace_.Begin(paceClock_.nsecsElapsed(), onPace_);
    stopTimer();
    const CString status = player_.Tick(mouseDown_, mouse_.x() - origin_.x(), mouse_.y() - origin_.y());
    presentSmooth();
    invalidateDrawingArea();
    if (!status.IsEmpty())
        setWindowTitle(QStringLiteral("Dozozudori: ") + toQString(status));
    // The usual ticks start 50 ms after this one's work ended, whatever it took.
    onPace_ = steadyTicks_;
    if (steadyTicks_)
        timer_.start(pace_.Delay(paceClock_.nsecsElapsed()), Qt::PreciseTimer, this);
    else
        timer_.start(kTickMs, Qt::CoarseTimer, this);
}

void CPlayerDialog::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    // With the editor open the window is taller than the picture's part: the texture goes on below it.
    const QSize picture = kWindowSize * zoom_;
    if (height() > picture.height())
        painter.drawTiledPixmap(
            QRect(0, picture.height(), picture.width(), height() - picture.height()), texturePixmap_);
    if (zoom_ == 1) {
        paintUnzoomed(painter, event->region());
        return;
    }
    // Enlarged: the 1x window, every pixel made a square of them.
    QImage unzoomed(kWindowSize, QImage::Format_RGB32);
    QPainter unzoomedPainter(&unzoomed);
    paintUnzoomed(unzoomedPainter, QRegion(unzoomed.rect()));
    unzoomedPainter.end();
    painter.drawImage(0, 0, unzoomed.scaled(kWindowSize * zoom_, Qt::IgnoreAspectRatio, Qt::FastTransformation));
    if (showsSmooth())
        paintSmooth(painter);
}

void CPlayerDialog::paintUnzoomed(QPainter& painter, const QRegion& region)
{
    CMorvane& host = player_.GetHost();
    // A scene may give the host any size; no window is bigger than this, and the edge's arithmetic
    // must not overflow.
    constexpr int kLargestFrame = 1 << 16;
    const int width = std::clamp(host.getWidth(), 0, kLargestFrame);
    const int height = std::clamp(host.getHeight(), 0, kLargestFrame);
    const QRect frame(origin_, QSize(width, height));
    // The part of the frame that the off-screen surface can fill.
    const QRect copied = offscreen_
        ? frame.intersected(QRect(origin_, QSize(offscreen_->GetWidth(), offscreen_->GetHeight())))
        : QRect();

    painter.setClipRegion(region.subtracted(QRegion(copied)));
    painter.drawTiledPixmap(QRect(QPoint(0, 0), kWindowSize), texturePixmap_);
    painter.setClipRegion(region);
    const QRect edge = frame.adjusted(-2, -2, 2, 2);
    if (!offscreen_ || !region.intersects(edge))
        return;

    player_.ComposeFrame(*offscreen_, CSize(kWindowSize.width(), kWindowSize.height()));
    painter.drawImage(origin_, wrap(*offscreen_), QRect(QPoint(0, 0), copied.size()));
    paintEdgeBump(painter, edge);
}

void CPlayerDialog::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QDialog::mousePressEvent(event);
        return;
    }
    mouse_ = WindowZoom::ToUnzoomed(event->position(), zoom_);
    mouseDown_ = true;
    grabMouse(drawCursor_);
}

void CPlayerDialog::mouseMoveEvent(QMouseEvent* event)
{
    // While stopped the pointer is not followed, so playing again resumes where the button went down.
    if (mouseDown_ && player_.playing)
        mouse_ = WindowZoom::ToUnzoomed(event->position(), zoom_);
    QDialog::mouseMoveEvent(event);
}

void CPlayerDialog::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QDialog::mouseReleaseEvent(event);
        return;
    }
    mouse_ = WindowZoom::ToUnzoomed(event->position(), zoom_);
    mouseDown_ = false;
    releaseMouse();
}

std::unique_ptr<QMenu> CPlayerDialog::BuildPopupMenu()
{
    UpdateControls(); // the items as the window stands now
    auto menu = std::make_unique<QMenu>(this);
    QMenu* zoom = nullptr;
    for (const CommandAction& command : commands_) {
        if (!command.row || !(command.row->where & (kPopup | kZoomMenu)))
            continue;
        QMenu* into = menu.get();
        if (command.row->where & kZoomMenu) {
            if (!zoom) {
                zoom = menu->addMenu(QStringLiteral("&Zoom"));
                // Only the sizes that fit on the screen.
                for (int times = WindowZoom::kSmallest; times <= LargestZoom(); ++times)
                    zoom->addAction(findCommand(kZoom1 + times - 1)->action);
                zoom->addSeparator();
            }
            into = zoom;
        }
        if (command.row->where & kSeparated)
            into->addSeparator();
        into->addAction(command.action);
    }
    return menu;
}

QPoint CPlayerDialog::PopupPoint(const QContextMenuEvent& event) const
{
    if (event.reason() == QContextMenuEvent::Keyboard)
        return mapToGlobal(QPoint(5, 5));
    return event.globalPos();
}

void CPlayerDialog::contextMenuEvent(QContextMenuEvent* event)
{
    int command = 0;
    {
        const PausedTicks paused(*this);
        const std::unique_ptr<QMenu> menu = BuildPopupMenu();
        popupOpen_ = true;
        const QAction* chosen = menu->exec(PopupPoint(*event));
        popupOpen_ = false;
        command = chosen ? chosen->data().toInt() : 0;
    }
    // The chosen item arrives as a command after the menu has gone and the tick is re-armed, as a
    // control's would.
    if (command)
        RunCommand(command);
}

void CPlayerDialog::keyPressEvent(QKeyEvent* event)
{
    // Shift+F10 opens the popup as the menu key does.
    if (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier) {
        QContextMenuEvent menu(QContextMenuEvent::Keyboard, QPoint(5, 5), mapToGlobal(QPoint(5, 5)));
        contextMenuEvent(&menu);
        return;
    }
    QDialog::keyPressEvent(event);
}

void CPlayerDialog::OnClear()
{
    const PausedTicks paused(*this);
    player_.Clear();
    clearedSmooth();
    UpdateControls();
    if (!player_.playing)
        invalidateDrawingArea();
}

void CPlayerDialog::OnPlay()
{
    const PausedTicks paused(*this);
    player_.TogglePlay();
    UpdateControls();
}

void CPlayerDialog::OnStop()
{
    const PausedTicks paused(*this);
    player_.Stop();
    UpdateControls();
    restCaption();
    invalidateDrawingArea();
}

void CPlayerDialog::OnStep()
{
    // The button is enabled only while stopped, so there is no timer to stop.
    player_.Step();
    presentSmooth();
    UpdateControls();
    invalidateDrawingArea();
}

void CPlayerDialog::OnRecord()
{
    const PausedTicks paused(*this);
    const bool starting = !player_.IsRecording();
    player_.ToggleRecord();
    // Starting blanks the scene's picture, even when the user cancels.
    if (starting)
        restartSmooth();
    UpdateControls();
}

void CPlayerDialog::OnSnapshot()
{
    const PausedTicks paused(*this);
    // The last frame composed for the screen; without an off-screen surface, a black picture.
    const std::unique_ptr<CDibImage> picture = player_.Snapshot(offscreen_.get());
    CImageDialog dialog(this, this);
    dialog.SetImage(picture.get());
    dialog.exec();
    UpdateControls();
}

void CPlayerDialog::OnQuickParts()
{
    const PausedTicks paused(*this);
    // The action has taken the box's new state, whether the box was clicked or its key pressed.
    player_.drawParticles = findCommand(kQuickParts)->action->isChecked() ? 1 : 0;
    UpdateControls();
}

void CPlayerDialog::OnLoad()
{
    const PausedTicks paused(*this);
    if (!mayReplaceScene())
        return;
    if (std::optional<ScenePlayer::LoadReport> report = player_.LoadScene()) {
        watch(*report);
        sceneLoaded(*report);
    }
    afterLoad();
}

void CPlayerDialog::dragEnterEvent(QDragEnterEvent* event)
{
    // Taken whatever it is, so that a drop of the wrong thing can be told why it was refused.
    if (event->mimeData()->hasUrls() || event->mimeData()->hasText())
        event->acceptProposedAction();
}

void CPlayerDialog::dropEvent(QDropEvent* event)
{
    event->acceptProposedAction();
    // The dragging program waits until the drop is answered: load, or say why not, only after that, so
    // that a message box does not hold it up.
    auto dropped = std::make_shared<QMimeData>();
    if (event->mimeData()->hasUrls())
        dropped->setUrls(event->mimeData()->urls());
    if (event->mimeData()->hasText())
        dropped->setText(event->mimeData()->text());
    QMetaObject::invokeMethod(
        this, [this, dropped] { OpenDropped(*dropped); }, Qt::QueuedConnection);
}

void CPlayerDialog::OpenDropped(const QMimeData& dropped)
{
    const QList<QUrl> urls = dropped.urls();
    QString refusal;
    if (urls.size() != 1) {
        refusal = urls.isEmpty() ? QStringLiteral("Only a file can be dropped here: a scene file or a definition file.")
                                 : QStringLiteral("Drop one file at a time: a scene file or a definition file.");
    } else if (!urls.front().isLocalFile()) {
        refusal = QStringLiteral("'%1' is not a file on this computer.").arg(urls.front().toString());
    } else {
        const QString path = urls.front().toLocalFile();
        QFile file(path);
        const QByteArray start = file.open(QIODevice::ReadOnly) ? file.read(64) : QByteArray();
        const PictureFormat* picture = FormatOfContent(
            reinterpret_cast<const std::uint8_t*>(start.constData()), static_cast<std::size_t>(start.size()));
        if (QFileInfo(path).isDir())
            refusal = QStringLiteral("'%1' is a folder, not a scene file or a definition file.").arg(path);
        else if (picture)
            refusal = QStringLiteral("'%1' is a %2 picture, not a scene file or a definition file.")
                          .arg(path, QString::fromLatin1(picture->name));
        else
            OpenFile(CString(QFile::encodeName(path).toStdString()));
    }
    if (!refusal.isEmpty()) {
        const PausedTicks paused(*this);
        ShowMessage(CString(refusal.toStdString()), MessageKind::Information);
    }
}

void CPlayerDialog::OpenFile(const CString& path)
{
    const PausedTicks paused(*this);
    if (!mayReplaceScene())
        return;
    const ScenePlayer::LoadReport report = player_.LoadFile(path);
    player_.ShowFindings(report);
    watch(report);
    sceneLoaded(report);
    afterLoad();
}

void CPlayerDialog::ReloadIfWanted()
{
    if (!reloadOnChange_ || watcher_.Files().empty())
        return;
    // Not under a dialog or menu of a command: try again once it has gone.
    const QWidget* modal = QApplication::activeModalWidget();
    if ((modal && modal != this) || QApplication::activePopupWidget()) {
        QTimer::singleShot(SceneWatcher::kSettleMs, this, &CPlayerDialog::ReloadIfWanted);
        return;
    }
    const PausedTicks paused(*this);
    if (!mayReplaceScene())
        return;
    // A file caught half-written, or broken by an edit, leaves the running scene as it is.
    const ScenePlayer::LoadReport report
        = player_.LoadFile(watcher_.Files().front().c_str(), std::nullopt, ScenePlayer::LoadMode::KeepOnErrors);
    watch(report);
    // Gone for a moment while an editor replaces it: the next change brings it back.
    if (report.read != ScenePlayer::SceneRead::Unopenable)
        player_.ShowFindings(report);
    sceneLoaded(report);
    afterLoad();
}

void CPlayerDialog::watch(const ScenePlayer::LoadReport& report)
{
    if (report.read != ScenePlayer::SceneRead::Unopenable && report.read != ScenePlayer::SceneRead::NewerVersion)
        watcher_.Watch(report.files);
}

void CPlayerDialog::sceneLoaded(const ScenePlayer::LoadReport& report)
{
    if (report.read != ScenePlayer::SceneRead::Complete && report.read != ScenePlayer::SceneRead::Truncated)
        return;
    if (!report.files.empty())
        sceneFile_ = report.files.front().c_str();
    // Made now if not before, so that the editor knows how the scene starts (a picture sequence's
    // index moves on as it plays).
    makeEditPanel();
    editPanel_->Editor().Forget();
    editPanel_->SetSceneFile(toQString(sceneFile_));
    if (editPanel_->isVisible())
        editPanel_->Refresh();
    startSeed();
}

void CPlayerDialog::startSeed()
{
    if (!SceneSeed::Start(player_.GetSystem().constraints, seed_))
        return;
    drawTexture();
    update();
}

void CPlayerDialog::drawTexture()
{
    MakeBackgroundTexture(texture_);
    if (CDC* bits = texture_.GetBitmap(); bits && bits->GetBits())
        texturePixmap_ = QPixmap::fromImage(wrap(*bits));
}

void CPlayerDialog::SetSeed(std::optional<unsigned int> seed)
{
    const PausedTicks paused(*this);
    if (!mayReplaceScene())
        return;
    seed_ = seed;
    // The scene starts over, as it does from the command line: no particles, its file read again.
    player_.Clear();
    ScenePlayer::LoadReport report;
    if (sceneFile_.IsEmpty()) {
        report.read = ScenePlayer::SceneRead::Complete;
    } else {
        report = player_.LoadFile(sceneFile_);
        player_.ShowFindings(report);
        watch(report);
    }
    sceneLoaded(report);
    afterLoad();
}

bool CPlayerDialog::AskSeed(QString& text)
{
    bool accepted = false;
    text = QInputDialog::getText(this, QStringLiteral("Seed"),
        QStringLiteral("Seed to start the random sequence from (0 to 2147483647),\n"
                       "or leave it empty for the scene's own:"),
        QLineEdit::Normal, text, &accepted);
    return accepted;
}

void CPlayerDialog::OnSeed()
{
    const PausedTicks paused(*this);
    QString text = seed_ ? QString::number(*seed_) : QString();
    if (!AskSeed(text))
        return;
    text = text.trimmed();
    bool number = true;
    const qlonglong value = text.isEmpty() ? 0 : text.toLongLong(&number);
    if (!number || value < 0 || value > 2147483647) {
        ShowMessage(
            CString("'") + text.toStdString().c_str() + "' is no seed: give a whole number from 0 to 2147483647.",
            MessageKind::Error);
        return;
    }
    SetSeed(text.isEmpty() ? std::nullopt : std::optional<unsigned int>(static_cast<unsigned int>(value)));
}

void CPlayerDialog::afterLoad()
{
    restartSmooth();
    UpdateControls();
    invalidateDrawingArea();
}

void CPlayerDialog::finishVideo(std::unique_ptr<VideoOutput> video, const CString& path)
{
    auto job = std::make_unique<FinishingVideo>();
    job->video = std::move(video);
    job->path = path;
    job->id = ++lastVideoId_;
    FinishingVideo* running = job.get();
    job->thread.reset(QThread::create([running] { running->finished = running->video->Finish(running->error); }));
    QThread* thread = job->thread.get();
    connect(thread, &QThread::finished, this, [this, id = job->id] { videoFinished(id); });
    finishing_.push_back(std::move(job));
    thread->start(QThread::LowPriority);
    restCaption();
}

void CPlayerDialog::videoFinished(int id)
{
    const auto found
        = std::find_if(finishing_.begin(), finishing_.end(), [id](const auto& video) { return video->id == id; });
    if (found == finishing_.end())
        return;
    const std::unique_ptr<FinishingVideo> done = std::move(*found);
    finishing_.erase(found);
    done->thread->wait();
    restCaption();
    if (!done->finished) {
        const PausedTicks paused(*this);
        ShowMessage(CString("Cannot finish '") + done->path + "': " + done->error.c_str(), MessageKind::Error);
    }
}

void CPlayerDialog::restCaption()
{
    if (finishing_.empty()) {
        unsetCursor();
        setWindowTitle(QStringLiteral("Dozozudori"));
        return;
    }
    // The window goes on as usual meanwhile; the pointer and the caption say that work is going on.
    setCursor(Qt::BusyCursor);
    const QString what = finishing_.size() == 1
        ? QStringLiteral("'%1'").arg(QFileInfo(toQString(finishing_.front()->path)).fileName())
        : QStringLiteral("%1 videos").arg(finishing_.size());
    setWindowTitle(QStringLiteral("Dozozudori: Finishing %1...").arg(what));
}

QSize CPlayerDialog::sizeAt(int zoom) const
{
    const QSize picture = kWindowSize * zoom;
    if (!editPanel_ || editPanel_->isHidden())
        return picture;
    return QSize(picture.width() + kEditorWidth, std::max(picture.height(), kEditorHeight));
}

void CPlayerDialog::makeEditPanel()
{
    if (editPanel_)
        return;
    SceneEditPanel::Hooks hooks;
    hooks.restart = [this] { restartEdited(); };
    hooks.save = [this](bool saveAs) { return saveEdited(saveAs); };
    hooks.pause = [this] {
        if (!editorPause_)
            editorPause_ = std::make_unique<PausedTicks>(*this);
    };
    hooks.resume = [this] { editorPause_.reset(); };
    editPanel_ = new SceneEditPanel(player_.GetSystem().constraints, std::move(hooks), this);
    editPanel_->SetSceneFile(toQString(sceneFile_));
    editPanel_->hide();
}

void CPlayerDialog::ToggleEditor()
{
    const PausedTicks paused(*this);
    makeEditPanel();
    // Closing it asks about edits not saved; Discard takes them back.
    if (editPanel_->isHidden() || editPanel_->MayLeave(true))
        editPanel_->setVisible(editPanel_->isHidden());
    if (editPanel_->isVisible())
        editPanel_->Refresh();
    applyZoom(zoom_);
    // Closed, the window is as it was at start, Clear holding the keyboard quietly.
    if (editPanel_->isHidden())
        static_cast<CBitmapButton*>(Control(kClear))->TakeFocusQuietly();
}

bool CPlayerDialog::mayReplaceScene()
{
    return !editPanel_ || editPanel_->MayLeave(false);
}

void CPlayerDialog::done(int result)
{
    if (editPanel_ && !editPanel_->MayLeave(false))
        return;
    QDialog::done(result);
}

void CPlayerDialog::restartEdited()
{
    const PausedTicks paused(*this);
    player_.Clear();
    startSeed();
    clearedSmooth();
    invalidateDrawingArea();
}

bool CPlayerDialog::saveEdited(bool saveAs)
{
    const PausedTicks paused(*this);
    CString path = sceneFile_;
    bool saved = false;
    if ((!saveAs && !path.IsEmpty())
        || AskSaveFile("Definition File (*.vq)|*.vq|Glintmote File (*.zrk)|*.zrk|All Files (*.*)|*.*||", "vq", path)) {
        std::string error;
        saved = SaveEditedScene(player_, editPanel_->Editor().TextToSave(), path.str(), error);
        if (saved) {
            editPanel_->Editor().MarkSaved();
            // The scene is that file's from now on; its own save is no change to reload.
            std::vector<std::string> files = watcher_.Files();
            if (files.empty())
                files.push_back(path.str());
            else
                files.front() = path.str();
            sceneFile_ = path;
            editPanel_->SetSceneFile(toQString(path));
            watcher_.Watch(files);
        } else {
            ShowMessage(CString("Cannot save '") + path + "': " + error.c_str(), MessageKind::Error);
        }
    }
    return saved;
}

void CPlayerDialog::OnSteadyTicks()
{
    steadyTicks_ = !steadyTicks_;
    settings_.SetSteadyTicks(steadyTicks_);
}

void CPlayerDialog::OnReloadOnChange()
{
    reloadOnChange_ = !reloadOnChange_;
    settings_.SetReloadOnChange(reloadOnChange_);
}

void CPlayerDialog::OnAviCompressor()
{
    // The animation keeps running while the compressor is chosen.
    player_.ChooseCompressor();
}

void CPlayerDialog::OnStatistics()
{
    const PausedTicks paused(*this);
    CString text;
    text.Format("%d particles", player_.GetHost().getParticleSystem()->particles.getParticleCount());
    ShowMessage(text, MessageKind::Information);
}

void CPlayerDialog::OnAbout()
{
    const PausedTicks paused(*this);
    CAboutDialog about(this);
    about.exec();
}

bool CPlayerDialog::askFile(bool save, const CString& filter, const CString& defaultExtension, CString& path)
{
    QFileDialog dialog(this);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilter(ToQtFileFilter(filter));
    dialog.setDefaultSuffix(toQString(defaultExtension));
    const QString folder = settings_.Folder(save);
    if (!folder.isEmpty())
        dialog.setDirectory(folder);
    // A name typed without an extension takes the one of the file type chosen in the dialog.
    connect(&dialog, &QFileDialog::filterSelected, &dialog,
        [&dialog](const QString& chosen) { dialog.setDefaultSuffix(FilterSuffix(chosen)); });
    // Qt asks before an existing file is replaced unless told otherwise.
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    const QString chosen = dialog.selectedFiles().constFirst();
    settings_.SetFolderOf(save, chosen);
    path = CString(QFile::encodeName(chosen).toStdString());
    return true;
}

bool CPlayerDialog::AskOpenFile(const CString& filter, const CString& defaultExtension, CString& path)
{
    return askFile(false, filter, defaultExtension, path);
}

bool CPlayerDialog::AskSaveFile(const CString& filter, const CString& defaultExtension, CString& path)
{
    return askFile(true, filter, defaultExtension, path);
}

void CPlayerDialog::ShowMessage(const CString& text, MessageKind kind)
{
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    if (kind == MessageKind::Information)
        icon = QMessageBox::Information;
    else if (kind == MessageKind::Error)
        icon = QMessageBox::Critical;
    QMessageBox box(icon, QStringLiteral("Mirrim"), toQString(text), QMessageBox::Ok, this);
    box.exec();
}

bool CPlayerDialog::ChooseCompressor(CompressorSettings& settings)
{
    // The first choice of a run starts from the one the last run made.
    const std::optional<CompressorSettings> remembered = settings_.Compressor();
    CCompressorDialog dialog(AviRecorder::AvailableCodecs(),
        remembered && !player_.GetRecorder().HasCompressor() ? *remembered : settings, this);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    settings = dialog.Settings();
    settings_.SetCompressor(settings);
    return true;
}
