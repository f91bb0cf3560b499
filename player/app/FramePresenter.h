#pragma once

#include "platform/CString.h"
#include "player/imaging/store/CDib.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

class IConstraint;
class IGlintmote;
class LightBuffer;
class ParticleCollection;
class SceneEngine;

// Draws what the player records at an output size of its own, leaving the simulation alone: after each
// tick it redraws the frame from the engine's state, the particles as anti-aliased streaks as wide as
// their one pixel at the scene's size, the pictures the picture steps made resampled with a smooth filter.
// The scene's area is fitted in the middle, bars in the background colour around it. Every picture the
// simulation reads stays at the scene's size, so particles are the same with or without it.
//
// A frame made of the "RENDER" picture is redrawn by walking the scene's constraints after the tick: the
// steps that draw into "RENDER" are looked up by class name in a table of step drawers. Registering a
// new render class is one line in that table (FramePresenter.cpp) or one RegisterStep call:
//
//     FramePresenter::RegisterStep("render.Light", &drawLightAtScale);
//
// A drawer is handed the constraint, its parameter text and the Pass below; Pass::Target() is the
// output-sized "RENDER" it draws into, Pass::scale the output pixels per scene pixel. A step that draws
// into "RENDER" whose class has no drawer is shown as its result at the scene's size, resampled.
//
// Given a backdrop, everything the scene paints as background (the erase before direct drawing, the
// "BACKGROUND" picture, a picture loaded into "RENDER", a clear's colour and picture, the colour a fade
// moves towards, the bars) is that one colour instead; drawers ask Pass::Backdrop(). Two presenters on black and on
// white give the transparent frame (AlphaFromBackdrops).
class FramePresenter {
public:
    // The engine state the drawers work from.
    class Pass {
    public:
        // "RENDER" at the output scale (the fitted area's size).
        CDib& Target() { return presenter_.render_; }
        // The colour the bars around the scene take; a step that clears or fades to a colour sets it.
        void SetBackground(COLORREF colour) { presenter_.bars_ = presenter_.backdrop_.value_or(colour); }
        // Redraws the scene-sized picture into Target(), resampled.
        void ResampleFrom(const CDib& picture);
        // The colour that stands for every background, when the presenter has one.
        const std::optional<COLORREF>& Backdrop() const { return presenter_.backdrop_; }
        SceneEngine& engine;
        double scale;
        // One particle as render steps saw it during the tick: (x, y) and where it came from (px, py).
        struct Seen {
            float x, y, px, py;
            COLORREF colour;
        };
        // The particles as a step that draws after the factories and before the particles move saw them.
        const std::vector<Seen>& ParticlesAsDrawn();
        // The same as a collection of plain particles of its own (location where each was drawn,
        // previous location where it came from), for drawers that take one.
        ParticleCollection& ParticlesAsDrawnCollection();
        // Light a step gathered at the output size, kept from tick to tick for that step.
        LightBuffer& LightOf(const IConstraint& step);

    private:
        friend class FramePresenter;
        Pass(FramePresenter& presenter, SceneEngine& engine, double scale);
        FramePresenter& presenter_;
        bool seenMade_ = false;
        bool collectionMade_ = false;
        std::vector<Seen> seen_;
    };
    using StepDrawer = std::function<void(Pass& pass, IConstraint& step, const CString& parameters)>;
    static void RegisterStep(const std::string& className, StepDrawer drawer);

    // Named sizes for --size: "720p", "1080p", "4k"; or W x H. False for anything else (or beyond the
    // pixel budget).
    static bool ParseSize(const std::string& text, int& width, int& height);

    FramePresenter(int width, int height, std::optional<COLORREF> backdrop = std::nullopt);
    ~FramePresenter();

    // Draws the particles as they stand, each an anti-aliased streak from where it was to where it is, as
    // wide as its one pixel: scale output pixels per scene pixel, the scene's origin at (left, top).
    static void DrawParticles(CDib& target, ParticleCollection& particles, float scale, float left, float top);

    // Brings the frame up to date with the tick just run.
    void AfterTick(SceneEngine& engine);
    // The frame at the output size (24-bit, rows bottom-up as every frame the recorder takes).
    const CDib& Frame() const { return frame_; }
    int GetWidth() const { return width_; }
    int GetHeight() const { return height_; }

private:
    void fit(int sceneWidth, int sceneHeight);
    void presentDirect(SceneEngine& engine);
    void presentDirectAtSceneScale(SceneEngine& engine);
    void presentRender(SceneEngine& engine);
    void remember(SceneEngine& engine);

    int width_;
    int height_;
    std::optional<COLORREF> backdrop_;
    CDib frame_;
    CDib render_; // "RENDER" at the output scale
    CDib scene_; // the particles drawn directly at the scene's size, when that is the output scale
    const void* renderSeen_ = nullptr; // the picture "RENDER" was last time (a load replaces it)
    COLORREF bars_ = 0;
    int sceneWidth_ = 0;
    int sceneHeight_ = 0;
    double scale_ = 1.0;
    int left_ = 0;
    int top_ = 0;
    int fittedWidth_ = 0;
    int fittedHeight_ = 0;
    bool framed_ = false; // the frame holds a drawing to build on
    // Where each particle ended the last tick, keyed by the bits of its position: a render step during
    // this tick drew it from there to where it was before.
    std::unordered_map<std::uint64_t, std::pair<float, float>> cameFrom_;
    std::unique_ptr<ParticleCollection> drawn_; // Pass::ParticlesAsDrawnCollection
    std::map<const IConstraint*, std::unique_ptr<LightBuffer>> light_;
};
