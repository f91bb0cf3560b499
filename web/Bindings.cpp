// What the page's script calls: one player, driven through plain C functions (no binding library, to
// keep the module small). Strings and pixels cross as pointers into the module's memory.
#include "web/WebPlayer.h"

#include "particle/core/ParticleSystem.h"
#include "platform/Random.h"

#include <emscripten/emscripten.h>

#include <memory>
#include <string>

namespace {

std::unique_ptr<WebPlayer> player;
std::string messages;
std::string definition;

} // namespace

extern "C" {

// Starts afresh, as a new window (or a new mirrim-cli render) would: the random sequence from its
// beginning, the default scene.
EMSCRIPTEN_KEEPALIVE void mirrim_start()
{
    player.reset();
    platform::SeedRand();
    player = std::make_unique<WebPlayer>();
}

// Reads the scene or definition file at path into the running player: 0 read, 1 a newer format,
// 2 cut short or damaged (what was read stays), 3 unreadable, 4 refused (the scene goes on as it was).
EMSCRIPTEN_KEEPALIVE int mirrim_load(const char* path)
{
    return static_cast<int>(player->Load(path));
}

// Once the scene is loaded: the random sequence from seed, or (seed negative) from the scene's own seed
// block. 1 when it seeded; the background texture is then new.
EMSCRIPTEN_KEEPALIVE int mirrim_seed(int seed)
{
    return player->StartSeed(seed) ? 1 : 0;
}

EMSCRIPTEN_KEEPALIVE void mirrim_tick(int pointerDown, int dx, int dy)
{
    player->Tick(pointerDown != 0, dx, dy);
}

EMSCRIPTEN_KEEPALIVE void mirrim_step()
{
    player->Step();
}

EMSCRIPTEN_KEEPALIVE void mirrim_clear()
{
    player->Clear();
}

// Composes the frame again, as the window repaints after a command.
EMSCRIPTEN_KEEPALIVE void mirrim_compose()
{
    player->Compose();
}

// The page starts recording the picture: from a black "RENDER", as the window's recordings start.
EMSCRIPTEN_KEEPALIVE void mirrim_start_recording()
{
    player->Engine().ResetRenderPicture();
}

EMSCRIPTEN_KEEPALIVE void mirrim_stop()
{
    player->Engine().Stop();
}

EMSCRIPTEN_KEEPALIVE void mirrim_toggle_play()
{
    player->Engine().TogglePlay();
}

// Quick Parts: the particles drawn or not, from the next frame on.
EMSCRIPTEN_KEEPALIVE void mirrim_toggle_draw_particles()
{
    player->Engine().ToggleDrawParticles();
}

EMSCRIPTEN_KEEPALIVE int mirrim_playing()
{
    return player->Engine().playing != 0;
}

EMSCRIPTEN_KEEPALIVE int mirrim_particle_count()
{
    return player->Engine().GetSystem().particles.getParticleCount();
}

// The frame's size; 0 x 0 when the scene's size cannot be shown.
EMSCRIPTEN_KEEPALIVE int mirrim_frame_width()
{
    return player->Frame() ? player->Frame()->GetWidth() : 0;
}

EMSCRIPTEN_KEEPALIVE int mirrim_frame_height()
{
    return player->Frame() ? player->Frame()->GetHeight() : 0;
}

EMSCRIPTEN_KEEPALIVE const std::uint8_t* mirrim_frame()
{
    return player->FrameRgba();
}

EMSCRIPTEN_KEEPALIVE const std::uint8_t* mirrim_texture()
{
    return player->TextureRgba();
}

// What the player wanted to tell the user since the last call, one message a line.
EMSCRIPTEN_KEEPALIVE const char* mirrim_messages()
{
    messages = player->TakeMessages();
    return messages.c_str();
}

// The editor's text to start from: the definition the file at path holds, or (path empty) the running
// scene's.
EMSCRIPTEN_KEEPALIVE const char* mirrim_definition(const char* path)
{
    definition = player->DefinitionText(path);
    return definition.c_str();
}

// The editor's text (length bytes of UTF-8, not ended by a zero) made the running scene's without
// starting it over, and kept in the file at path: 1 when it was, 0 when the scene plays on as it was.
// The text goes through the module's memory rather than the stack, which a long one would overflow.
EMSCRIPTEN_KEEPALIVE int mirrim_edit(const char* path, const char* text, int length)
{
    if (!text || length < 0)
        return 0;
    return player->Edit(path, std::string(text, static_cast<std::size_t>(length))) ? 1 : 0;
}

// What the checker found in the last edit's text, as mirrim-cli check writes it.
EMSCRIPTEN_KEEPALIVE const char* mirrim_findings()
{
    return player->Findings().c_str();
}

EMSCRIPTEN_KEEPALIVE int mirrim_store_picture(const char* path, const std::uint8_t* rgba, int width, int height)
{
    return WebPlayer::StorePicture(path, rgba, width, height) ? 1 : 0;
}

EMSCRIPTEN_KEEPALIVE const char* mirrim_version()
{
    return MIRRIM_VERSION;
}

} // extern "C"
