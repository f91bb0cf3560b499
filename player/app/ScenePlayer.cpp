#include "player/app/ScenePlayer.h"

#include "player/imaging/CDibImage.h"

ScenePlayer::ScenePlayer(IPlayerUi* ui)
    : SceneEngine(ui)
{
    frameBuffer_.Create(GetHost().getWidth(), GetHost().getHeight());
    recorder_.SetCompressorChooser(
        [this](CompressorSettings& settings) { return ui_ && ui_->ChooseCompressor(settings); });
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
    if (!ui_ || !ui_->AskSaveFile(kAviFilter, "avi", path))
        return;
    frameCount_ = 0;
    if (recorder_.Open(path, width, height, kFramesPerSecond))
        recording_ = true;
}

void ScenePlayer::ChooseCompressor()
{
    if (!recording_)
        recorder_.ChooseCompressor();
}

void ScenePlayer::StopRecording()
{
    if (!recording_)
        return;
    recording_ = false;
    recorder_.Close();
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
    RenderFrame();
}

CString ScenePlayer::RenderFrame()
{
    if (!recording_)
        return CString();
    if (directFrame) {
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
    if (!recorder_.WriteFrame(frameBuffer_.GetRows(), frameBuffer_.GetImageSize()))
        return CString();
    ++frameCount_;
    CString status;
    status.Format("Rendering - Frame %d", frameCount_);
    return status;
}

CString ScenePlayer::Tick(bool pointerDown, int dx, int dy)
{
    Advance(pointerDown, dx, dy);
    return RenderFrame();
}
