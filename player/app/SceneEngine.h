#pragma once

#include "particle/core/CMorvane.h"
#include "platform/CArchive.h"
#include "platform/CDC.h"
#include "player/app/Finding.h"
#include "player/app/PlayerUi.h"
#include "player/app/PointerMapping.h"
#include "player/app/SceneFile.h"
#include "player/imaging/store/CDib.h"
#include "player/imaging/store/CImageStore.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

class CDibImage;

// The player's engine half: the engine host, the picture store it draws into, the view flags and the
// pointer mapping, scene files, the step of a tick and the composition of a frame. Recording video is
// the other half (ScenePlayer); the browser build has only this one. No window code lives here; the
// player reaches the user only through IPlayerUi (which may be null: then nothing is asked or shown).
//
// The host is handed the picture store at construction and takes it back first thing on destruction,
// before the store and its pictures go.
class SceneEngine {
public:
    // Rejected: nothing was loaded, because the file holds nothing or (when asked) has errors.
    enum class SceneRead { Complete, NewerVersion, Truncated, Unopenable, Rejected };
    enum class LoadMode {
        Replace, // load what can be loaded, as the Load button does
        KeepOnErrors, // keep the running scene when the checker finds errors, as a reload does
    };
    // What loading a file did, what the checker found in it, and the files it read.
    struct LoadReport {
        SceneRead read = SceneRead::Unopenable;
        SceneFileKind kind = SceneFileKind::Definition;
        std::vector<Finding> findings;
        // The file and every definition file it includes, for whoever wants to watch them.
        std::vector<std::string> files;
        // When the file could not be read: why, for a message.
        std::string unreadable;
    };

    static constexpr const char* kSceneFilter = "Glintmote File (*.zrk)|*.zrk|All Files (*.*)|*.*||";

    explicit SceneEngine(IPlayerUi* ui = nullptr);
    virtual ~SceneEngine();
    SceneEngine(const SceneEngine&) = delete;
    SceneEngine& operator=(const SceneEngine&) = delete;

    // Replaces the running scene by the one in the archive; fields read before a truncation stay
    // applied. A scene of a newer format is refused with a message and changes nothing.
    virtual SceneRead ReadScene(CArchiveReader& archive);
    virtual void Stop();
    virtual void ToggleDrawParticles();
    virtual void TogglePlay();
    virtual void Clear();
    // One step of the engine, as the Step button runs it.
    virtual void Step();

    // The engine half of one tick: with the pointer down, fire the part factory at the pointer (dx, dy
    // relative to the drawing origin) through the mapping; then step.
    void Advance(bool pointerDown, int dx, int dy);
    // Composes what the screen shows onto dc: "BACKGROUND" tiled (or black) when the host erases,
    // "RENDER" unless frames are direct, the particles, and the constraints' own drawings.
    void ComposeFrame(CDC& dc, CSize constraintArea);
    // A picture of the host's size holding the pixels of a composed frame, for the snapshot.
    std::unique_ptr<CDibImage> Snapshot(const CDC* composed);
    // A recording starts from a black "RENDER" of the host's size: the one there is made anew (and stays
    // registered), or one is added.
    void ResetRenderPicture();

    // The Load command's body: asks for a file, loads it and shows what the checker found. Nothing when
    // the user cancels.
    std::optional<LoadReport> LoadScene();
    // Loads a scene file or a definition file, told apart by content, after checking it. A relative
    // file name inside is looked for beside the file when the working directory does not have it. When
    // the caller expected the other kind, a finding says so and the file loads as what it is. Shows no
    // message itself, except the refusal of a newer scene file.
    LoadReport LoadFile(
        const CString& path, std::optional<SceneFileKind> expected = std::nullopt, LoadMode mode = LoadMode::Replace);
    // Shows the report's findings to the user in one message, if there are any to tell.
    void ShowFindings(const LoadReport& report);

    CMorvane& GetHost() { return host_; }
    ParticleSystem& GetSystem() { return *host_.getParticleSystem(); }
    CImageStore& GetImageStore() { return store_; }

    PointerMapping mapping;
    int drawConstraints = 0;
    int drawParticles = 1;
    int playing = 1;
    int directFrame = 1;

protected:
    // The pictures the player itself draws from.
    static constexpr const char* kRender = "RENDER";
    static constexpr const char* kBackground = "BACKGROUND";

    IImage* picture(const char* name);
    CDib* pictureDib(const char* name);

    IPlayerUi* ui_;

private:
    void detachAllButRender(std::vector<std::unique_ptr<IImage>>& detached);
    void replaceConstraints(const CString& definition);

    CMorvane host_;
    CImageStore store_;
};

// The grey texture behind the window's controls: 128 x 128, each pixel a grey drawn between 180 and 204.
// The window and the headless renderer both make it before the first step, so both draw the same
// random sequence.
void MakeBackgroundTexture(CDib& texture);
