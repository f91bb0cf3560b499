#include "web/WebPlayer.h"

#include "particle/constraints/SceneSeed.h"
#include "particle/core/ParticleSystem.h"
#include "platform/CStdioFile.h"
#include "player/app/SceneFile.h"

#include <new>
#include <string>
#include <sys/stat.h>

namespace {

// 0xFFRRGGBB surface pixels to canvas bytes.
void toRgba(const CDC& dc, std::vector<std::uint8_t>& out)
{
    const int width = dc.GetWidth();
    const int height = dc.GetHeight();
    out.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
    std::uint8_t* p = out.data();
    for (int y = 0; y < height; ++y) {
        const std::uint32_t* row
            = dc.GetBits() + static_cast<std::size_t>(y) * static_cast<std::size_t>(dc.GetStride());
        for (int x = 0; x < width; ++x, p += 4) {
            p[0] = static_cast<std::uint8_t>(row[x] >> 16);
            p[1] = static_cast<std::uint8_t>(row[x] >> 8);
            p[2] = static_cast<std::uint8_t>(row[x]);
            p[3] = 0xFF;
        }
    }
}

// The drawing size a versioned scene file gives, when it gets that far.
bool sceneSize(const std::vector<std::uint8_t>& bytes, std::int32_t& width, std::int32_t& height)
{
    CArchiveReader archive(bytes.data(), bytes.size());
    CString s;
    std::int32_t i = 0;
    float f = 0;
    if (!archive.ReadString(s) || s.Find(kSceneHeader) != 0)
        return false;
    // Version, definition, pointer mapping, part factory, pictures: then the size.
    for (const char field : std::string("isiissiffffssss")) {
        if (!(field == 'i' ? archive.ReadInt(i) : field == 'f' ? archive.ReadFloat(f) : archive.ReadString(s)))
            return false;
    }
    return archive.ReadInt(width) && archive.ReadInt(height);
}

} // namespace

WebPlayer::WebPlayer()
    : engine_(this)
{
#ifdef __EMSCRIPTEN__
    // Emscripten's C library starts with a umask of 0777, which leaves every file we make without any
    // permission: a picture the page stores could not be read back, nor a snapshot written under Node.
    ::umask(022);
#endif
    MakeBackgroundTexture(texture_);
    fitFrame();
}

void WebPlayer::fitFrame()
{
    const int width = engine_.GetHost().getWidth();
    const int height = engine_.GetHost().getHeight();
    if (frame_ && frame_->GetWidth() == width && frame_->GetHeight() == height)
        return;
    frame_.reset();
    if (width <= 0 || height <= 0 || width > kMaxFrameSide || height > kMaxFrameSide)
        return;
    try {
        frame_ = std::make_unique<CDC>(width, height);
    } catch (const std::bad_alloc&) {
        return;
    }
    if (!frame_->GetBits())
        frame_.reset();
}

std::string WebPlayer::Refusal(const std::vector<std::uint8_t>& bytes)
{
    // A damaged or newer scene file is the loader's to report.
    const std::optional<CString> definition = DefinitionOfFile(bytes);
    if (definition && ConstraintBlockCount(definition->str()) == 0)
        return "it holds no scene (nothing in it names a constraint class)";
    std::int32_t width = 0;
    std::int32_t height = 0;
    if (sceneSize(bytes, width, height)
        && (width <= 0 || height <= 0 || width > kMaxFrameSide || height > kMaxFrameSide)) {
        return "its drawing area is " + std::to_string(width) + " x " + std::to_string(height)
            + " pixels, and the page shows 1 to " + std::to_string(kMaxFrameSide) + " a side";
    }
    return {};
}

SceneEngine::SceneRead WebPlayer::Load(const CString& path)
{
    // Refused before anything changes, so that the running scene goes on.
    std::vector<std::uint8_t> bytes;
    if (platform::ReadWholeFile(path.str(), kMaxSceneBytes, bytes)) {
        const std::string why = Refusal(bytes);
        if (!why.empty()) {
            ShowMessage(CString("'") + path + "' was not loaded: " + why.c_str() + ". The scene goes on as it was.",
                MessageKind::Error);
            return SceneEngine::SceneRead::Rejected;
        }
    }
    // Either file kind, told apart by content; what the checker finds reaches the page as the window's
    // message does.
    const SceneEngine::LoadReport report = engine_.LoadFile(path);
    engine_.ShowFindings(report);
    fitFrame();
    return report.read;
}

bool WebPlayer::StartSeed(int seed)
{
    if (!SceneSeed::Start(engine_.GetSystem().constraints,
            seed >= 0 ? std::optional<unsigned int>(static_cast<unsigned int>(seed)) : std::nullopt))
        return false;
    MakeBackgroundTexture(texture_);
    return true;
}

void WebPlayer::Compose()
{
    if (frame_)
        engine_.ComposeFrame(*frame_, CSize(frame_->GetWidth(), frame_->GetHeight()));
}

void WebPlayer::Tick(bool pointerDown, int dx, int dy)
{
    engine_.Advance(pointerDown, dx, dy);
    Compose();
}

void WebPlayer::Step()
{
    engine_.Step();
    Compose();
}

void WebPlayer::Clear()
{
    engine_.Clear();
    Compose();
}

const std::uint8_t* WebPlayer::FrameRgba()
{
    if (!frame_)
        return nullptr;
    toRgba(*frame_, rgba_);
    return rgba_.data();
}

const std::uint8_t* WebPlayer::TextureRgba()
{
    const CDC* bits = texture_.GetBitmap();
    if (!bits)
        return nullptr;
    toRgba(*bits, textureRgba_);
    return textureRgba_.data();
}

std::string WebPlayer::TakeMessages()
{
    std::string taken;
    taken.swap(messages_);
    return taken;
}

bool WebPlayer::StorePicture(const CString& path, const std::uint8_t* rgba, int width, int height)
{
    CDib picture;
    if (!rgba || !picture.Create(width, height))
        return false;
    picture.Lock();
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x, rgba += 4)
            picture.SetPixel(x, y, RGB(rgba[0], rgba[1], rgba[2]));
    }
    picture.Unlock();
    return picture.SaveBmp(path) != 0;
}

bool WebPlayer::AskOpenFile(const CString&, const CString&, CString&)
{
    return false; // the page chooses files before it calls Load
}

bool WebPlayer::AskSaveFile(const CString&, const CString&, CString&)
{
    return false; // recordings are the browser's
}

void WebPlayer::ShowMessage(const CString& text, MessageKind)
{
    messages_ += text.str();
    messages_ += '\n';
}

bool WebPlayer::ChooseCompressor(CompressorSettings&)
{
    return false;
}
