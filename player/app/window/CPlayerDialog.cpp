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
#include "player/imaging/AviRecorder.h"
#include "player/imaging/CDibImage.h"
#include "player/imaging/PictureFormats.h"
#include "player/imaging/SafeFileWriter.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QElapsedTimer>
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

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#include <initializer_list>

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

} // namespace

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

    // Created in tab order.
    clear_ = addButton(kClear, "Clear", 7, 163);
    stop_ = addButton(kStop, "Stop", 28, 163);
    step_ = addButton(kStep, "Step", 44, 163);
    play_ = addButton(kPlay, "Play", 60, 163);
    playing_ = addButton(kPlaying, "Playing", 58, 134);
    record_ = addButton(kRecord, "Record", 76, 163);
    recording_ = addButton(kRecording, "Recording", 75, 134);
    quickParts_ = new QCheckBox(QStringLiteral("Quick Parts"), this);
    quickParts_->setGeometry(DialogRect(98, 165, 53, 10));
    quickParts_->hide();
    snapshot_ = addButton(kSnapshot, "Snapshot", 153, 163);
    load_ = addButton(kLoad, "Load", 170, 163);
    exit_ = addButton(kExit, "Exit", 195, 163);
    drawingArea_ = new QWidget(this);
    drawingArea_->setGeometry(DialogRect(7, 7, 219, 149));
    drawingArea_->hide(); // the window itself takes the mouse over the drawing area

    connect(clear_, &QAbstractButton::clicked, this, &CPlayerDialog::OnClear);
    connect(stop_, &QAbstractButton::clicked, this, &CPlayerDialog::OnStop);
    connect(step_, &QAbstractButton::clicked, this, &CPlayerDialog::OnStep);
    connect(play_, &QAbstractButton::clicked, this, &CPlayerDialog::OnPlay);
    connect(playing_, &QAbstractButton::clicked, this, &CPlayerDialog::OnPlay);
    connect(record_, &QAbstractButton::clicked, this, &CPlayerDialog::OnRecord);
    connect(recording_, &QAbstractButton::clicked, this, &CPlayerDialog::OnRecord);
    connect(snapshot_, &QAbstractButton::clicked, this, &CPlayerDialog::OnSnapshot);
    connect(quickParts_, &QCheckBox::clicked, this, &CPlayerDialog::OnQuickParts);
    connect(load_, &QAbstractButton::clicked, this, &CPlayerDialog::OnLoad);
    connect(exit_, &QAbstractButton::clicked, this, &QDialog::accept);

    drawTexture();

    // Each pair shares one place; only one of them is shown at a time.
    recording_->setGeometry(record_->geometry());
    playing_->setGeometry(play_->geometry());

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

    for (QWidget* control : std::initializer_list<QWidget*> {
             clear_, stop_, step_, play_, playing_, record_, recording_, quickParts_, snapshot_, load_, exit_ })
        places_.emplace_back(control, control->geometry());
    addShortcuts();
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
    clear_->TakeFocusQuietly();

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

CBitmapButton* CPlayerDialog::addButton(int id, const char* caption, int x, int y)
{
    static const struct {
        int id;
        ButtonArt::Kind kind;
        const char* key; // as the tooltip names it
    } kinds[] = {
        { kClear, ButtonArt::Kind::Clear, "Del" },
        { kStop, ButtonArt::Kind::Stop, "Space" },
        { kStep, ButtonArt::Kind::Step, "Right" },
        { kPlay, ButtonArt::Kind::Play, "Space" },
        { kPlaying, ButtonArt::Kind::Playing, "Space" },
        { kRecord, ButtonArt::Kind::Record, "R" },
        { kRecording, ButtonArt::Kind::Recording, "R" },
        { kSnapshot, ButtonArt::Kind::Snapshot, "S" },
        { kLoad, ButtonArt::Kind::Load, "O" },
        { kExit, ButtonArt::Kind::Exit, "Esc" },
    };
    const auto found = std::find_if(std::begin(kinds), std::end(kinds), [id](const auto& k) { return k.id == id; });
    auto* button = new CBitmapButton(found->kind, QString::fromLatin1(caption), this);
    button->move(DialogX(x), DialogY(y));
    button->setToolTip(QStringLiteral("%1 (%2)").arg(QString::fromLatin1(caption), QString::fromLatin1(found->key)));
    return button;
}

QAbstractButton* CPlayerDialog::Control(int id) const
{
    switch (id) {
    case kClear:
        return clear_;
    case kStop:
        return stop_;
    case kStep:
        return step_;
    case kPlay:
        return play_;
    case kPlaying:
        return playing_;
    case kRecord:
        return record_;
    case kRecording:
        return recording_;
    case kSnapshot:
        return snapshot_;
    case kQuickParts:
        return quickParts_;
    case kLoad:
        return load_;
    case kExit:
        return exit_;
    default:
        return nullptr;
    }
}

void CPlayerDialog::addShortcuts()
{
    const std::pair<QList<QKeySequence>, std::function<void()>> shortcuts[] = {
        { { Qt::Key_Space }, [this] { RunCommand(player_.playing ? kStop : kPlay); } },
        { { Qt::Key_Right, Qt::Key_Period }, [this] { RunCommand(kStep); } },
        { { Qt::Key_Delete }, [this] { RunCommand(kClear); } },
        { { Qt::Key_R }, [this] { RunCommand(player_.IsRecording() ? kRecording : kRecord); } },
        { { Qt::Key_S }, [this] { RunCommand(kSnapshot); } },
        { { Qt::Key_O, QKeySequence::Open }, [this] { RunCommand(kLoad); } },
        { { Qt::Key_P }, [this] { RunCommand(kQuickParts); } },
        { { Qt::Key_F1 }, [this] { RunCommand(kAbout); } },
        { { QKeySequence::ZoomIn, Qt::CTRL | Qt::Key_Equal }, [this] { RunCommand(kZoomIn); } },
        { { QKeySequence::ZoomOut }, [this] { RunCommand(kZoomOut); } },
        { { Qt::CTRL | Qt::Key_E }, [this] { RunCommand(kEdit); } },
    };
    // Window-wide, so they work whichever control has the keyboard; a button does not claim these keys.
    for (const auto& [keys, command] : shortcuts) {
        auto* action = new QAction(this);
        action->setShortcuts(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, command);
        addAction(action);
    }
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
    update();
}

void CPlayerDialog::keepFocusUsable(QWidget* focused)
{
    if (!focused || focused == this || (!focused->isHidden() && focused->isEnabled()))
        return;
    QWidget* partner = nullptr;
    if (focused == play_ || focused == playing_)
        partner = focused == play_ ? playing_ : play_;
    else if (focused == record_ || focused == recording_)
        partner = focused == record_ ? recording_ : record_;
    if (partner && !partner->isHidden() && partner->isEnabled())
        partner->setFocus(Qt::OtherFocusReason);
    else
        setFocus(Qt::OtherFocusReason);
}

void CPlayerDialog::UpdateControls()
{
    QWidget* focused = focusWidget();
    quickParts_->setChecked(player_.drawParticles != 0);
    const bool recording = player_.IsRecording();
    record_->setVisible(!recording);
    recording_->setVisible(recording);
    const bool playing = player_.playing != 0;
    stop_->setEnabled(playing);
    step_->setEnabled(!playing);
    play_->setVisible(!playing);
    playing_->setVisible(playing);
    keepFocusUsable(focused);
}

void CPlayerDialog::rearmIfPlaying()
{
    if (player_.playing)
        armTimer();
}

void CPlayerDialog::invalidateDrawingArea()
{
    update(DrawingArea());
}

void CPlayerDialog::RunCommand(int command)
{
    switch (command) {
    case kLoad:
        OnLoad(); // also a menu item, so not only the button's
        break;
    case kAviCompressor:
        OnAviCompressor();
        break;
    case kStatistics:
        OnStatistics();
        break;
    case kAbout:
        OnAbout();
        break;
    case kReloadOnChange:
        OnReloadOnChange();
        break;
    case kSeed:
        OnSeed();
        break;
    case kSteadyTicks:
        OnSteadyTicks();
        break;
    case kEdit:
        ToggleEditor();
        break;
    case kZoomIn:
        SetZoom(zoom_ + 1);
        break;
    case kZoomOut:
        SetZoom(zoom_ - 1);
        break;
    default:
        if (command >= kZoom1 && command < kZoom1 + WindowZoom::kLargest)
            SetZoom(command - kZoom1 + 1);
        else if (QAbstractButton* control = Control(command))
            control->click();
        break;
    }
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
    QElapsedTimer work;
    work.start();
    stopTimer();
    const CString status = player_.Tick(mouseDown_, mouse_.x() - origin_.x(), mouse_.y() - origin_.y());
    invalidateDrawingArea();
    if (!status.IsEmpty())
        setWindowTitle(QStringLiteral("Dozozudori: ") + toQString(status));
    timer_.start(
        TickDelayAfter(static_cast<int>(work.elapsed())), steadyTicks_ ? Qt::PreciseTimer : Qt::CoarseTimer, this);
}

int CPlayerDialog::TickDelayAfter(int workMs) const
{
    return steadyTicks_ ? std::max(0, kTickMs - workMs) : kTickMs;
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
    auto menu = std::make_unique<QMenu>(this);
    menu->addAction(QStringLiteral("&Load Constraints..."))->setData(int(kLoad));
    QAction* reload = menu->addAction(QStringLiteral("&Reload on Change"));
    reload->setData(int(kReloadOnChange));
    reload->setCheckable(true);
    reload->setChecked(reloadOnChange_);
    QAction* compressor = menu->addAction(QStringLiteral("&AVI Compressor..."));
    compressor->setData(int(kAviCompressor));
    compressor->setEnabled(!player_.IsRecording());
    menu->addAction(QStringLiteral("&Statistics..."))->setData(int(kStatistics));
    menu->addAction(QStringLiteral("See&d..."))->setData(int(kSeed));
    QAction* edit = menu->addAction(QStringLiteral("&Edit Scene"));
    edit->setData(int(kEdit));
    edit->setCheckable(true);
    edit->setChecked(editPanel_ && editPanel_->isVisible());
    edit->setShortcut(Qt::CTRL | Qt::Key_E);
    QAction* steady = menu->addAction(QStringLiteral("S&teady 20 Ticks a Second"));
    steady->setData(int(kSteadyTicks));
    steady->setCheckable(true);
    steady->setChecked(steadyTicks_);
    QMenu* zoom = menu->addMenu(QStringLiteral("&Zoom"));
    // Only the sizes that fit on the screen.
    const int largest = LargestZoom();
    for (int times = WindowZoom::kSmallest; times <= largest; ++times) {
        QAction* item = zoom->addAction(QStringLiteral("&%1\u00d7").arg(times));
        item->setData(kZoom1 + times - 1);
        item->setCheckable(true);
        item->setChecked(times == zoom_);
    }
    zoom->addSeparator();
    QAction* in = zoom->addAction(QStringLiteral("Zoom &In"));
    in->setData(int(kZoomIn));
    in->setShortcut(QKeySequence::ZoomIn);
    in->setEnabled(zoom_ < largest);
    QAction* out = zoom->addAction(QStringLiteral("Zoom &Out"));
    out->setData(int(kZoomOut));
    out->setShortcut(QKeySequence::ZoomOut);
    out->setEnabled(zoom_ > WindowZoom::kSmallest);
    // There is no window system menu to carry the About item, so the popup carries it.
    menu->addSeparator();
    menu->addAction(QStringLiteral("&About Mirrim..."))->setData(int(kAbout));
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
    stopTimer();
    std::unique_ptr<QMenu> menu = BuildPopupMenu();
    const QAction* chosen = menu->exec(PopupPoint(*event));
    const int command = chosen ? chosen->data().toInt() : 0;
    menu.reset();
    rearmIfPlaying();
    // The chosen item arrives as a command after the menu has gone, as a control's would.
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
    stopTimer();
    player_.Clear();
    UpdateControls();
    if (player_.playing)
        armTimer();
    else
        invalidateDrawingArea();
}

void CPlayerDialog::OnPlay()
{
    stopTimer();
    player_.TogglePlay();
    UpdateControls();
    rearmIfPlaying();
}

void CPlayerDialog::OnStop()
{
    stopTimer();
    player_.Stop();
    UpdateControls();
    rearmIfPlaying();
    restCaption();
    invalidateDrawingArea();
}

void CPlayerDialog::OnStep()
{
    // The button is enabled only while stopped, so there is no timer to stop.
    player_.Step();
    UpdateControls();
    invalidateDrawingArea();
}

void CPlayerDialog::OnRecord()
{
    stopTimer();
    player_.ToggleRecord();
    UpdateControls();
    rearmIfPlaying();
}

void CPlayerDialog::OnSnapshot()
{
    stopTimer();
    // The last frame composed for the screen; without an off-screen surface, a black picture.
    const std::unique_ptr<CDibImage> picture = player_.Snapshot(offscreen_.get());
    CImageDialog dialog(this, this);
    dialog.SetImage(picture.get());
    dialog.exec();
    UpdateControls();
    rearmIfPlaying();
}

void CPlayerDialog::OnQuickParts(bool checked)
{
    stopTimer();
    player_.drawParticles = checked ? 1 : 0;
    UpdateControls();
    rearmIfPlaying();
}

void CPlayerDialog::OnLoad()
{
    stopTimer();
    if (!mayReplaceScene()) {
        rearmIfPlaying();
        return;
    }
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

void CPlayerDialog::OpenDropped(const QMimeData& data)
{
    const QList<QUrl> urls = data.urls();
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
        stopTimer();
        ShowMessage(CString(refusal.toStdString()), MessageKind::Information);
        rearmIfPlaying();
    }
}

void CPlayerDialog::OpenFile(const CString& path)
{
    stopTimer();
    if (!mayReplaceScene()) {
        rearmIfPlaying();
        return;
    }
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
    stopTimer();
    if (!mayReplaceScene()) {
        rearmIfPlaying();
        return;
    }
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
    stopTimer();
    if (!mayReplaceScene()) {
        rearmIfPlaying();
        return;
    }
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
        QStringLiteral("Start the random sequence from (0 to 2147483647),\n"
                       "or leave it empty for the scene's own seed:"),
        QLineEdit::Normal, text, &accepted);
    return accepted;
}

void CPlayerDialog::OnSeed()
{
    stopTimer();
    QString text = seed_ ? QString::number(*seed_) : QString();
    if (!AskSeed(text)) {
        rearmIfPlaying();
        return;
    }
    text = text.trimmed();
    bool number = true;
    const qlonglong value = text.isEmpty() ? 0 : text.toLongLong(&number);
    if (!number || value < 0 || value > 2147483647) {
        ShowMessage(
            CString("'") + text.toStdString().c_str() + "' is no seed: give a whole number from 0 to 2147483647.",
            MessageKind::Error);
        rearmIfPlaying();
        return;
    }
    SetSeed(text.isEmpty() ? std::nullopt : std::optional<unsigned int>(static_cast<unsigned int>(value)));
}

void CPlayerDialog::afterLoad()
{
    UpdateControls();
    rearmIfPlaying();
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
        stopTimer();
        ShowMessage(CString("Cannot finish '") + done->path + "': " + done->error.c_str(), MessageKind::Error);
        rearmIfPlaying();
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
    hooks.pause = [this] { stopTimer(); };
    hooks.resume = [this] { rearmIfPlaying(); };
    editPanel_ = new SceneEditPanel(player_.GetSystem().constraints, std::move(hooks), this);
    editPanel_->SetSceneFile(toQString(sceneFile_));
    editPanel_->hide();
}

void CPlayerDialog::ToggleEditor()
{
    stopTimer();
    makeEditPanel();
    // Closing it asks about edits not saved; Discard takes them back.
    if (editPanel_->isHidden() || editPanel_->MayLeave(true))
        editPanel_->setVisible(editPanel_->isHidden());
    if (editPanel_->isVisible())
        editPanel_->Refresh();
    applyZoom(zoom_);
    rearmIfPlaying();
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
    stopTimer();
    player_.Clear();
    startSeed();
    invalidateDrawingArea();
    rearmIfPlaying();
}

bool CPlayerDialog::saveEdited(bool saveAs)
{
    stopTimer();
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
    rearmIfPlaying();
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
    stopTimer();
    CString text;
    text.Format("%d particles", player_.GetHost().getParticleSystem()->particles.getParticleCount());
    ShowMessage(text, MessageKind::Information);
    rearmIfPlaying();
}

void CPlayerDialog::OnAbout()
{
    stopTimer();
    CAboutDialog about(this);
    about.exec();
    rearmIfPlaying();
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
