#pragma once

#include "player/app/SceneEngine.h"
#include "player/imaging/AviRecorder.h"
#include "player/imaging/CDib.h"

// The whole player: the engine half, and recording frames into a video with the recorder and its frame
// buffer.
class ScenePlayer : public SceneEngine {
public:
    static constexpr const char* kAviFilter = "AVI files (*.avi)|*.avi|All Files (*.*)|*.*||";
    static constexpr int kFramesPerSecond = 30;

    explicit ScenePlayer(IPlayerUi* ui = nullptr);

    // Asks for an AVI file and opens a recording of frames of the host's size.
    virtual void StartRecording();
    // Lets the user choose the video compressor, unless a recording is open.
    virtual void ChooseCompressor();
    virtual void StopRecording();
    virtual void ToggleRecord();
    // Steps, and writes a frame while recording.
    void Step() override;

    // While recording, writes one frame and returns "Rendering - Frame N"; otherwise (or when no frame
    // could be written) the empty string.
    CString RenderFrame();
    // One tick: Advance, then RenderFrame; returns RenderFrame's status.
    CString Tick(bool pointerDown, int dx, int dy);

    AviRecorder& GetRecorder() { return recorder_; }
    CDib& GetFrameBuffer() { return frameBuffer_; }
    bool IsRecording() const { return recording_; }
    int GetFrameCount() const { return frameCount_; }

private:
    AviRecorder recorder_;
    CDib frameBuffer_;
    bool recording_ = false;
    int frameCount_ = 0;
};
