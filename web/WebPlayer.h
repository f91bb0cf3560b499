#pragma once

#include "platform/CDC.h"
#include "player/app/SceneEngine.h"
#include "player/imaging/store/CDib.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The player as the page drives it. It starts as mirrim-cli render does (the random sequence from its
// beginning, the player's default scene, then the window's background texture) and composes a frame
// after every tick onto a surface that persists from tick to tick, so the browser shows, tick for tick,
// the very pixels of `mirrim-cli render --snapshot`.
//
// The page owns the clock, the pointer and the files: it writes chosen files into the module's file
// system and names them here. The player asks nothing; its messages wait for the page to fetch them.
class WebPlayer : public IPlayerUi {
public:
    // Frames larger than this a side are not composed (a scene may give the host any size).
    static constexpr int kMaxFrameSide = 4096;

    WebPlayer();

    // The Load command with a file already chosen: a scene file or a definition file, read into the
    // running player as the window reads it. A file that yields no constraint, or a scene whose size
    // cannot be shown, is refused with a message (Rejected) and the running scene goes on.
    SceneEngine::SceneRead Load(const CString& path);
    // Why the page refuses a file of these bytes; empty when it does not.
    static std::string Refusal(const std::vector<std::uint8_t>& bytes);
    // Starts the random sequence from seed, or from the seed the loaded scene carries when seed is
    // negative, as mirrim-cli render does once the scene is loaded: the background texture is drawn
    // again from the new sequence. False, and nothing changed, when there is no seed to start from.
    bool StartSeed(int seed);
    // One tick as the window's timer runs it, then the frame.
    void Tick(bool pointerDown, int dx, int dy);
    // The Step and Clear buttons; both compose the frame again, as the window repaints after them.
    void Step();
    void Clear();
    void Compose();

    SceneEngine& Engine() { return engine_; }
    // The composed frame, null when the host's size cannot be shown.
    const CDC* Frame() const { return frame_.get(); }
    // The frame as canvas pixels: red, green, blue, opaque alpha, rows top first.
    const std::uint8_t* FrameRgba();
    // The background texture as canvas pixels (128 x 128).
    const std::uint8_t* TextureRgba();
    // Messages the player gave since the last call, one per line.
    std::string TakeMessages();

    // The definition text an editor starts from: the one the scene or definition file at path holds, or
    // the running scene's as it stands when there is no such file (the player's own scene).
    std::string DefinitionText(const CString& path);
    // The editor's text, checked as the definition of the file at path (names in it looked up as loading
    // that file would) and, unless the checker finds an error, made the running scene's without starting
    // it over: the particles stay; a constraint whose class keeps its place keeps its state and takes the
    // tags written (those not written go back to their defaults); the others are replaced. The file at
    // path then holds the edited scene (a scene file keeps its other fields), so that starting it afresh
    // plays the text. Text longer than a definition file may be, or naming no constraint class, is
    // refused. False when the running scene was left as it was; Findings() says why or what was found.
    bool Edit(const CString& path, const std::string& text);
    // What the last Edit found, one finding a line as mirrim-cli check writes them.
    const std::string& Findings() const { return findings_; }
    // Writes width x height canvas pixels (red, green, blue, alpha; alpha ignored) as a 24-bit BMP file,
    // which the picture readers then take for the picture of that name whatever its extension: how
    // pictures the browser decoded (JPEG, PNG) reach the engine. False when the size is beyond what a
    // picture may be or the file cannot be written.
    static bool StorePicture(const CString& path, const std::uint8_t* rgba, int width, int height);

    bool AskOpenFile(const CString& filter, const CString& defaultExtension, CString& path) override;
    bool AskSaveFile(const CString& filter, const CString& defaultExtension, CString& path) override;
    void ShowMessage(const CString& text, MessageKind kind) override;
    bool ChooseCompressor(CompressorSettings& settings) override;

private:
    // The surface follows the host's size; a new size starts black, as a new window would.
    void fitFrame();
    // Makes the running scene's constraints those of definition text (lines ended by CR LF), keeping
    // those whose class stands at the same place.
    void replaceInPlace(const std::string& definition);

    SceneEngine engine_;
    CDib texture_;
    std::unique_ptr<CDC> frame_;
    std::vector<std::uint8_t> rgba_;
    std::vector<std::uint8_t> textureRgba_;
    std::string messages_;
    std::string findings_;
};
