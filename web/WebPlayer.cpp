#include "web/WebPlayer.h"

#include "particle/constraints/SceneSeed.h"
#include "particle/core/ClassRegistry.h"
#include "particle/core/DefinitionSource.h"
#include "particle/core/DefinitionText.h"
#include "particle/core/ParticleSystem.h"
#include "platform/CArchive.h"
#include "platform/CStdioFile.h"
#include "player/app/SceneChecker.h"
#include "player/app/SceneFile.h"

#include <cstdio>
#include <new>
#include <optional>
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

// A scene file's bytes with another definition text and every other field as it was; nothing when the
// bytes hold no scene file whose definition can be read.
std::optional<std::vector<std::uint8_t>> withDefinition(
    const std::vector<std::uint8_t>& bytes, const CString& definition)
{
    CArchiveReader archive(bytes.data(), bytes.size());
    CArchiveWriter out;
    CString first;
    if (!archive.ReadString(first))
        return std::nullopt;
    if (first.Find(kSceneHeader) == 0) {
        std::int32_t version = 0;
        CString old;
        if (!archive.ReadInt(version) || !archive.ReadString(old))
            return std::nullopt;
        out.WriteString(first);
        out.WriteInt(version);
    }
    // Otherwise a plain-definition scene, whose first string is its definition.
    out.WriteString(definition);
    std::vector<std::uint8_t> result = out.Bytes();
    result.insert(result.end(), bytes.begin() + static_cast<std::ptrdiff_t>(archive.Position()), bytes.end());
    return result;
}

// Through stdio: iostreams would take a tenth of the page's module.
bool writeBytes(const std::string& path, const std::uint8_t* bytes, std::size_t size)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    const bool written = std::fwrite(bytes, 1, size, file) == size;
    return std::fclose(file) == 0 && written;
}

std::string className(IConstraint* constraint)
{
    return constraint ? constraint->GetClassName().str() : std::string();
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

std::string WebPlayer::DefinitionText(const CString& path)
{
    std::vector<std::uint8_t> bytes;
    if (!path.IsEmpty() && platform::ReadWholeFile(path.str(), kMaxSceneBytes, bytes)) {
        if (const std::optional<CString> text = DefinitionOfFile(bytes))
            return text->str();
    }
    return engine_.GetSystem().constraints.getConstraintDefinition().str();
}

bool WebPlayer::Edit(const CString& path, const std::string& text)
{
    const std::string& name = path.str();
    auto refuse = [&](const std::string& why) {
        Finding finding;
        finding.file = name;
        finding.severity = Finding::Severity::Error;
        finding.kind = "not-applied";
        finding.message = why + "; the scene plays on as it was";
        findings_ = finding.Text() + "\n";
        return false;
    };
    // As much as loading reads of a definition file, and no more: the check below reads all of it.
    if (text.size() > CStdioFile::kDefaultMaxBytes) {
        return refuse("the text is " + std::to_string(text.size()) + " bytes long, more than the "
            + std::to_string(CStdioFile::kDefaultMaxBytes) + " a definition file may hold");
    }
    const std::vector<std::uint8_t> bytes(text.begin(), text.end());
    if (DetectSceneFileKind(bytes) != SceneFileKind::Definition || !HoldsScene(bytes, SceneFileKind::Definition))
        return refuse("the text names no constraint class, so it would leave no scene");
    const SceneCheck check = SceneChecker().CheckBytes(name, bytes);
    findings_ = FindingsText(check.findings);
    if (HasErrors(check.findings))
        return false;

    const CString definition = DefinitionTextOf(bytes);
    {
        const DefinitionSource source(name);
        replaceInPlace(definition.str());
    }
    // Starting afresh reads the file: it must hold what now plays.
    std::vector<std::uint8_t> file;
    std::optional<std::vector<std::uint8_t>> scene;
    if (platform::ReadWholeFile(name, kMaxSceneBytes, file) && DetectSceneFileKind(file) == SceneFileKind::Scene)
        scene = withDefinition(file, definition);
    const bool written
        = scene ? writeBytes(name, scene->data(), scene->size()) : writeBytes(name, bytes.data(), bytes.size());
    if (!written) {
        Finding finding;
        finding.file = name;
        finding.kind = "not-kept";
        finding.message = "the edited scene plays, but cannot be kept for Restart and Share";
        findings_ += finding.Text() + "\n";
    }
    return true;
}

void WebPlayer::replaceInPlace(const std::string& definition)
{
    ConstraintCollection& live = engine_.GetSystem().constraints;
    ConstraintCollection fresh;
    fresh.populateFromDefinitionString(CString(definition));
    // The parameter text of each constraint made, as written: retagging from a constraint's own example
    // alone would round its numbers to the example's few decimals.
    std::vector<std::string> written;
    ClassRegistry registry;
    for (const DefinitionBlock& block : SplitDefinitionText(definition)) {
        if (block.HasIdentifierLine()
            && registry.createConstraint(CString(definition.substr(block.begin, block.lineEnd - block.begin))))
            written.push_back(definition.substr(block.lineEnd + 2, block.end - block.lineEnd - 2));
    }
    const int had = live.getConstraintCount();
    const int wanted = fresh.getConstraintCount();
    if (written.size() != static_cast<std::size_t>(wanted))
        written.assign(static_cast<std::size_t>(wanted), std::string());

    // The constraints that stand at the same places at both ends keep their state.
    int head = 0;
    while (head < had && head < wanted && className(live.getConstraint(head)) == className(fresh.getConstraint(head)))
        ++head;
    int tail = 0;
    while (tail < had - head && tail < wanted - head
        && className(live.getConstraint(had - 1 - tail)) == className(fresh.getConstraint(wanted - 1 - tail)))
        ++tail;
    auto retag = [&](int at, int from) {
        IConstraint* now = live.getConstraint(at);
        IConstraint* edited = fresh.getConstraint(from);
        if (!now || !edited)
            return;
        const CString example = edited->getParameterExample();
        // Unchanged: a group would read its file again, a picture constraint its picture.
        if (now->getParameterExample() == example)
            return;
        now->setParametersFromString(example); // tags no longer written return to their defaults
        now->setParametersFromString(CString(written[static_cast<std::size_t>(from)]));
    };
    for (int i = 0; i < head; ++i)
        retag(i, i);
    for (int i = 1; i <= tail; ++i)
        retag(had - i, wanted - i);
    // Between them, the edited text's constraints replace the running ones.
    for (int i = had - tail - 1; i >= head; --i)
        live.detachConstraint(i);
    for (int i = head; i < wanted - tail; ++i)
        live.insertConstraint(i, fresh.detachConstraint(head));
}
