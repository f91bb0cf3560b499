#include "player/app/window/CPlayerDialog.h"

#include "particle/core/CMorvane.h"
#include "particle/core/ParticleSystem.h"
#include "player/app/window/ButtonArt.h"
#include "player/app/window/CAboutDialog.h"
#include "player/app/window/CBitmapButton.h"
#include "player/app/window/CCompressorDialog.h"
#include "player/app/window/CImageDialog.h"
#include "player/app/window/DialogUnits.h"
#include "player/app/window/FileFilter.h"
#include "player/imaging/AviRecorder.h"
#include "player/imaging/CDibImage.h"

#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QFile>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QTimer>

#include <algorithm>

namespace {

constexpr int kAreaWidth = 320;
constexpr int kAreaHeight = 240;

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
    : QDialog(parent)
    , player_(this)
    , drawCursor_(ButtonArt::DrawCursor())
{
    setWindowTitle(QStringLiteral("Mirrim"));
    setWindowIcon(ButtonArt::Icon());
    setFixedSize(DialogSize(233, 183));
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

    MakeBackgroundTexture(texture_);
    if (CDC* bits = texture_.GetBitmap(); bits && bits->GetBits())
        texturePixmap_ = QPixmap::fromImage(wrap(*bits));

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

    UpdateControls();
    if (player_.playing)
        armTimer();
}

CPlayerDialog::~CPlayerDialog() = default;

CBitmapButton* CPlayerDialog::addButton(int id, const char* caption, int x, int y)
{
    static const struct {
        int id;
        ButtonArt::Kind kind;
    } kinds[] = {
        { kClear, ButtonArt::Kind::Clear },
        { kStop, ButtonArt::Kind::Stop },
        { kStep, ButtonArt::Kind::Step },
        { kPlay, ButtonArt::Kind::Play },
        { kPlaying, ButtonArt::Kind::Playing },
        { kRecord, ButtonArt::Kind::Record },
        { kRecording, ButtonArt::Kind::Recording },
        { kSnapshot, ButtonArt::Kind::Snapshot },
        { kLoad, ButtonArt::Kind::Load },
        { kExit, ButtonArt::Kind::Exit },
    };
    const auto found = std::find_if(std::begin(kinds), std::end(kinds), [id](const auto& k) { return k.id == id; });
    auto* button = new CBitmapButton(found->kind, QString::fromLatin1(caption), this);
    button->move(DialogX(x), DialogY(y));
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

QRect CPlayerDialog::DrawingArea() const
{
    return QRect(origin_, QSize(kAreaWidth, kAreaHeight));
}

void CPlayerDialog::UpdateControls()
{
    quickParts_->setChecked(player_.drawParticles != 0);
    const bool recording = player_.IsRecording();
    record_->setVisible(!recording);
    recording_->setVisible(recording);
    const bool playing = player_.playing != 0;
    stop_->setEnabled(playing);
    step_->setEnabled(!playing);
    play_->setVisible(!playing);
    playing_->setVisible(playing);
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
    default:
        if (QAbstractButton* control = Control(command))
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
    stopTimer();
    const CString status = player_.Tick(mouseDown_, mouse_.x() - origin_.x(), mouse_.y() - origin_.y());
    invalidateDrawingArea();
    if (!status.IsEmpty())
        setWindowTitle(QStringLiteral("Dozozudori: ") + toQString(status));
    armTimer();
}

void CPlayerDialog::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
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

    painter.setClipRegion(event->region().subtracted(QRegion(copied)));
    painter.drawTiledPixmap(rect(), texturePixmap_);
    painter.setClipRegion(event->region());
    const QRect edge = frame.adjusted(-2, -2, 2, 2);
    if (!offscreen_ || !event->region().intersects(edge))
        return;

    player_.ComposeFrame(*offscreen_, CSize(this->width(), this->height()));
    painter.drawImage(origin_, wrap(*offscreen_), QRect(QPoint(0, 0), copied.size()));
    paintEdgeBump(painter, edge);
}

void CPlayerDialog::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QDialog::mousePressEvent(event);
        return;
    }
    mouse_ = event->position().toPoint();
    mouseDown_ = true;
    grabMouse(drawCursor_);
}

void CPlayerDialog::mouseMoveEvent(QMouseEvent* event)
{
    // While stopped the pointer is not followed, so playing again resumes where the button went down.
    if (mouseDown_ && player_.playing)
        mouse_ = event->position().toPoint();
    QDialog::mouseMoveEvent(event);
}

void CPlayerDialog::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QDialog::mouseReleaseEvent(event);
        return;
    }
    mouse_ = event->position().toPoint();
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
    if (event->key() == Qt::Key_F1) {
        OnAbout();
        return;
    }
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
    setWindowTitle(QStringLiteral("Dozozudori"));
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
    if (std::optional<ScenePlayer::LoadReport> report = player_.LoadScene())
        watch(*report);
    afterLoad();
}

void CPlayerDialog::OpenFile(const CString& path)
{
    stopTimer();
    const ScenePlayer::LoadReport report = player_.LoadFile(path);
    player_.ShowFindings(report);
    watch(report);
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
    // A file caught half-written, or broken by an edit, leaves the running scene as it is.
    const ScenePlayer::LoadReport report
        = player_.LoadFile(watcher_.Files().front().c_str(), std::nullopt, ScenePlayer::LoadMode::KeepOnErrors);
    watch(report);
    player_.ShowFindings(report);
    afterLoad();
}

void CPlayerDialog::watch(const ScenePlayer::LoadReport& report)
{
    if (report.read != ScenePlayer::SceneRead::Unopenable && report.read != ScenePlayer::SceneRead::NewerVersion)
        watcher_.Watch(report.files);
}

void CPlayerDialog::afterLoad()
{
    UpdateControls();
    rearmIfPlaying();
    invalidateDrawingArea();
}

void CPlayerDialog::OnReloadOnChange()
{
    reloadOnChange_ = !reloadOnChange_;
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
    // A name typed without an extension takes the one of the file type chosen in the dialog.
    connect(&dialog, &QFileDialog::filterSelected, &dialog,
        [&dialog](const QString& chosen) { dialog.setDefaultSuffix(FilterSuffix(chosen)); });
    // Qt asks before an existing file is replaced unless told otherwise.
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    path = CString(QFile::encodeName(dialog.selectedFiles().constFirst()).toStdString());
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
    CCompressorDialog dialog(AviRecorder::AvailableCodecs(), settings, this);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    settings = dialog.Settings();
    return true;
}
