#pragma once

#include "player/app/FramePresenter.h"
#include "player/app/SceneEngine.h"
#include "player/imaging/store/CDib.h"
#include "player/imaging/video/AviRecorder.h"
#include "player/imaging/video/VideoOutput.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

// How recordings are made beyond the user's choice of file and AVI compressor. The window keeps the
// defaults; the command-line tool sets them from its options.
struct RecordingOptions {
    bool forceAvi = false; // AVI whatever the file is called
    int scale = 1; // every frame enlarged this many times, nearest neighbour
    int framesPerSecond = 30; // for every format but AVI, which always plays 30
    VideoOutput::GifPalette gifPalette = VideoOutput::GifPalette::Clip;
    CompressorSettings codec { "", 15, 0, -1 }; // beyond AVI; no codec name: the format's default
    VideoOutput::Progress finishProgress; // told how finishing a video beyond AVI goes (a GIF takes a while)
    // Takes each composed frame (the frame buffer's rows, row length x height bytes) in place of writing
    // it, and gives the frames of that size to write now, in order; none holds the frame back (a clip made
    // to loop is written once its last frame is known).
    std::function<std::vector<const std::uint8_t*>(const std::uint8_t* rows, std::size_t size)> frameFilter;
};

// The whole player: the engine half, and recording frames into a video with the recorder and its frame
// buffer.
//
// The file's extension picks the format: AVI goes through the AVI recorder and its compressor choice;
// MP4, QuickTime, Matroska, WebM and animated GIF through a VideoOutput with the format's own codec. A
// name of no known kind is recorded as AVI, as it always was.
class ScenePlayer : public SceneEngine {
public:
    static constexpr int kFramesPerSecond = 30;

    explicit ScenePlayer(IPlayerUi* ui = nullptr);
    ~ScenePlayer() override;

    // Asks for a video file (AVI, MP4, WebM or GIF by its type) and opens a recording of frames of the
    // host's size. Any trouble is told to the user, but for a cancelled compressor choice.
    virtual void StartRecording();
    // Lets the user choose the video compressor, unless a recording is open.
    virtual void ChooseCompressor();
    virtual void StopRecording();
    virtual void ToggleRecord();
    // Steps, and writes a frame while recording.
    void Step() override;

    // Ends the recording as StopRecording does; false when the file could not be completed (the user
    // has been told why, unless it is an AVI file).
    bool FinishRecording();
    // Ends the recording leaving no video: what was at its name stays.
    void AbandonRecording();
    // Takes over completing a video beyond AVI when its recording ends (a GIF's colours are chosen only
    // then, which takes seconds): the window does it off its own thread. Without one, the player
    // completes the file itself before FinishRecording returns.
    using VideoFinisher = std::function<void(std::unique_ptr<VideoOutput> video, const CString& path)>;
    void SetVideoFinisher(VideoFinisher finisher) { videoFinisher_ = std::move(finisher); }

    // While recording, writes one frame and returns "Rendering - Frame N"; otherwise (or when no frame
    // could be written) the empty string.
    CString RenderFrame();
    // One tick: Advance, then RenderFrame; returns RenderFrame's status.
    CString Tick(bool pointerDown, int dx, int dy);

    // Draws every frame from now on at width x height, smoothly, the scene fitted in the middle, instead
    // of at the scene's own size (0 x 0: back to that). Recordings and snapshots take that size; the
    // simulation does not change. Set it before the first tick, so that what builds up over ticks
    // (trails) is there from the start.
    // Transparent: what the background painted is left transparent (see AlphaFromBackdrops); recordings
    // then take 32-bit frames and need a format with alpha.
    void SetOutputSize(int width, int height, bool transparent = false);
    // The frame drawn at the output size after the last tick; null without an output size. A
    // transparent one is drawn on black.
    const CDib* PresentedFrame() const { return presenter_ ? &presenter_->Frame() : nullptr; }
    // The transparent frame after the last tick, 32-bit DIB rows (bottom-up, blue, green, red, alpha);
    // null unless transparent.
    const std::vector<std::uint8_t>* TransparentFrame() const
    {
        return presenterOnWhite_ ? &transparentFrame_ : nullptr;
    }

    // The Save dialog's filter for a recording, the last type recorded first.
    CString RecordFilter() const;

    AviRecorder& GetRecorder() { return recorder_; }
    CDib& GetFrameBuffer() { return frameBuffer_; }
    bool IsRecording() const { return recording_; }
    int GetFrameCount() const { return frameCount_; }

    RecordingOptions recordingOptions;

private:
    bool writeFrame(const std::uint8_t* rows);
    void present();

    AviRecorder recorder_;
    CDib frameBuffer_;
    bool recording_ = false;
    int frameCount_ = 0;
    std::unique_ptr<FramePresenter> presenter_;
    std::unique_ptr<FramePresenter> presenterOnWhite_; // when transparent, beside presenter_ on black
    std::vector<std::uint8_t> transparentFrame_;
    std::unique_ptr<VideoOutput> video_; // the recording, when it is not AVI
    CString videoPath_;
    VideoFinisher videoFinisher_;
    int scale_ = 1; // of the recording open
    std::vector<std::uint8_t> enlarged_; // an enlarged AVI frame
    std::string lastType_ = "avi"; // extension of the type last recorded, offered first next time
};
