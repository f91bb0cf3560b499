#include "player/app/ScenePlayer.h"

#include "player/imaging/codecs/DibLayout.h"
#include "player/imaging/store/AlphaFromBackdrops.h"
#include "player/imaging/store/CDibImage.h"
#include "player/imaging/store/EnlargePixels.h"
#include "player/imaging/video/VideoFormat.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <utility>

namespace {

// The types the Save dialog offers for a recording.
const struct {
    const char* extension;
    const char* text;
} kRecordTypes[] = {
    { "avi", "AVI files (*.avi)" },
    { "mp4", "MP4 video, H.264 (*.mp4)" },
    { "webm", "WebM video, VP9 (*.webm)" },
    { "gif", "Animated GIF (*.gif)" },
};

} // namespace

ScenePlayer::ScenePlayer(IPlayerUi* ui)
    : SceneEngine(ui)
{
    frameBuffer_.Create(GetHost().getWidth(), GetHost().getHeight());
    recorder_.SetCompressorChooser(
        [this](CompressorSettings& settings) { return ui_ && ui_->ChooseCompressor(settings); });
}

ScenePlayer::~ScenePlayer()
{
    // Closing the player finishes a recording, whatever its format. The window may be half gone by now:
    // nothing is shown.
    ui_ = nullptr;
    videoFinisher_ = nullptr;
    FinishRecording();
}

CString ScenePlayer::RecordFilter() const
{
    CString filter;
    for (int pass = 0; pass < 2; ++pass) {
        for (const auto& type : kRecordTypes) {
            if ((type.extension == lastType_) == (pass == 0))
                filter += CString(type.text) + "|*." + type.extension + "|";
        }
    }
    return filter + "All Files (*.*)|*.*||";
}

void ScenePlayer::StartRecording()
{
    if (recording_)
        return;
    const int width = GetHost().getWidth();
    const int height = GetHost().getHeight();
    if (!frameBuffer_.Create(width, height))
        return; // the host size is beyond what a picture may be
    ResetRenderPicture();
    CString path;
    if (!ui_ || !ui_->AskSaveFile(RecordFilter(), lastType_.c_str(), path))
        return;
    const VideoFormat* format = recordingOptions.forceAvi ? nullptr : FindVideoFormat(path.str());
    frameCount_ = 0;
    scale_ = presenter_ ? 1 : recordingOptions.scale;
    const int frameWidth = presenter_ ? presenter_->GetWidth() : width;
    const int frameHeight = presenter_ ? presenter_->GetHeight() : height;
    if (!format || format == &AviFormat()) {
        if (presenterOnWhite_) {
            if (ui_)
                ui_->ShowMessage(CString("Cannot record '") + path + "': AVI files hold no transparency",
                    IPlayerUi::MessageKind::Error);
            return;
        }
        const long long scaledWidth = static_cast<long long>(frameWidth) * scale_;
        const long long scaledHeight = static_cast<long long>(frameHeight) * scale_;
        if (scale_ < 1 || scaledWidth > INT_MAX || scaledHeight > INT_MAX)
            return;
        enlarged_.clear();
        const bool chosenBefore = recorder_.HasCompressor();
        errno = 0;
        if (recorder_.Open(path, static_cast<int>(scaledWidth), static_cast<int>(scaledHeight), kFramesPerSecond)) {
            recording_ = true;
            lastType_ = "avi";
            return;
        }
        // A cancelled compressor choice is the user's answer; any other failure is told as for the
        // other formats, or a recording the user asked for would silently never start.
        const int error = errno;
        if (ui_ && (chosenBefore || recorder_.HasCompressor()))
            ui_->ShowMessage(CString("Cannot record '") + path
                    + "': " + (error ? std::strerror(error) : "the AVI file could not be started"),
                IPlayerUi::MessageKind::Error);
        return;
    }
    VideoOutput::Request request;
    request.fileName = path.str();
    request.format = format;
    request.codec = recordingOptions.codec;
    request.width = frameWidth;
    request.height = frameHeight;
    request.scale = scale_;
    request.framesPerSecond = recordingOptions.framesPerSecond;
    request.gifPalette = recordingOptions.gifPalette;
    request.alpha = presenterOnWhite_ != nullptr;
    request.progress = recordingOptions.finishProgress;
    std::string error;
    video_ = VideoOutput::Open(request, error);
    if (!video_) {
        if (ui_)
            ui_->ShowMessage(CString("Cannot record '") + path + "': " + error.c_str(), IPlayerUi::MessageKind::Error);
        return;
    }
    videoPath_ = path;
    recording_ = true;
    lastType_ = format->extension;
}

void ScenePlayer::ChooseCompressor()
{
    if (!recording_)
        recorder_.ChooseCompressor();
}

void ScenePlayer::StopRecording()
{
    FinishRecording();
}

bool ScenePlayer::FinishRecording()
{
    if (!recording_)
        return true;
    recording_ = false;
    if (!video_)
        return recorder_.Close() == 1;
    if (videoFinisher_) {
        videoFinisher_(std::move(video_), videoPath_);
        return true;
    }
    std::string error;
    const bool finished = video_->Finish(error);
    video_.reset();
    if (!finished && ui_)
        ui_->ShowMessage(
            CString("Cannot finish '") + videoPath_ + "': " + error.c_str(), IPlayerUi::MessageKind::Error);
    return finished;
}

void ScenePlayer::AbandonRecording()
{
    if (!recording_)
        return;
    recording_ = false;
    if (!video_) {
        recorder_.Discard();
        return;
    }
    video_->Abort();
    std::string error;
    video_->Finish(error);
    video_.reset();
}

void ScenePlayer::ToggleRecord()
{
    if (recording_)
        StopRecording();
    else
        StartRecording();
}

void ScenePlayer::Step()
{
    SceneEngine::Step();
    present();
    RenderFrame();
}

void ScenePlayer::SetOutputSize(int width, int height, bool transparent)
{
    presenterOnWhite_.reset();
    transparentFrame_.clear();
    if (width <= 0 || height <= 0) {
        presenter_.reset();
        return;
    }
    if (!transparent) {
        presenter_ = std::make_unique<FramePresenter>(width, height);
        return;
    }
    presenter_ = std::make_unique<FramePresenter>(width, height, RGB(0, 0, 0));
    presenterOnWhite_ = std::make_unique<FramePresenter>(width, height, RGB(255, 255, 255));
}

void ScenePlayer::present()
{
    if (presenter_)
        presenter_->AfterTick(*this);
    if (presenterOnWhite_) {
        presenterOnWhite_->AfterTick(*this);
        AlphaFromBackdrops(presenter_->Frame(), presenterOnWhite_->Frame(), transparentFrame_);
    }
}

CString ScenePlayer::RenderFrame()
{
    if (!recording_)
        return CString();
    const CDib& written = presenter_ ? presenter_->Frame() : frameBuffer_;
    if (presenter_) {
        // Drawn after the tick already.
    } else if (directFrame) {
        CDC* frame = frameBuffer_.GetBitmap();
        if (!frame)
            return CString();
        if (GetHost().shouldErase()) {
            if (CDib* background = pictureDib(kBackground))
                background->Tile(frame, 0, 0, GetHost().getWidth(), GetHost().getHeight());
            else
                frame->FillSolidRect(0, 0, frame->GetWidth(), frame->GetHeight(), RGB(0, 0, 0));
        }
        GetSystem().draw(frame);
        frameBuffer_.UpdateFromBitmap();
    } else {
        CDib* render = pictureDib(kRender);
        if (!render || render->GetWidth() != frameBuffer_.GetWidth() || render->GetHeight() != frameBuffer_.GetHeight())
            return CString();
        render->CopyTo(frameBuffer_);
    }
    const std::uint8_t* rows = presenterOnWhite_ ? transparentFrame_.data() : written.GetRows();
    if (recordingOptions.frameFilter && rows) {
        const std::vector<const std::uint8_t*> frames
            = recordingOptions.frameFilter(rows, presenterOnWhite_ ? transparentFrame_.size() : written.GetImageSize());
        if (frames.empty())
            return CString("Rendering - Frame held");
        for (const std::uint8_t* held : frames) {
            if (!writeFrame(held))
                return CString();
            ++frameCount_;
        }
    } else {
        if (!writeFrame(rows))
            return CString();
        ++frameCount_;
    }
    CString status;
    status.Format("Rendering - Frame %d", frameCount_);
    return status;
}

bool ScenePlayer::writeFrame(const std::uint8_t* rows)
{
    const std::size_t size = presenterOnWhite_ ? transparentFrame_.size()
        : presenter_                           ? presenter_->Frame().GetImageSize()
                                               : frameBuffer_.GetImageSize();
    if (video_)
        return video_->WriteFrame(rows, size);
    if (scale_ == 1 || !rows)
        return recorder_.WriteFrame(rows, size);
    // AVI takes the enlarged frame as DIB rows, still bottom-up.
    const int width = frameBuffer_.GetWidth();
    const std::size_t rowLength = dib::RowLength(static_cast<long long>(width) * scale_, 24);
    enlarged_.resize(rowLength * static_cast<std::size_t>(frameBuffer_.GetHeight()) * scale_);
    EnlargePixels(rows, frameBuffer_.GetRowLength(), width, frameBuffer_.GetHeight(), 3, scale_, false,
        enlarged_.data(), rowLength);
    return recorder_.WriteFrame(enlarged_.data(), enlarged_.size());
}

CString ScenePlayer::Tick(bool pointerDown, int dx, int dy)
{
    Advance(pointerDown, dx, dy);
    present();
    return RenderFrame();
}
