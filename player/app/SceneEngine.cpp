#include "player/app/SceneEngine.h"

#include "particle/core/DefaultScene.h"
#include "particle/core/DefinitionSource.h"
#include "particle/core/DefinitionText.h"
#include "particle/core/JGeometryUtilities.h"
#include "particle/core/StringParameters.h"
#include "platform/CStdioFile.h"
#include "player/app/DisabledConstraint.h"
#include "player/app/SceneChecker.h"
#include "player/imaging/codecs/PictureFormats.h"
#include "player/imaging/store/CDibImage.h"

SceneEngine::SceneEngine(IPlayerUi* ui)
    : ui_(ui)
{
    host_.setWidth(320);
    host_.setHeight(240);
    host_.SetImageProvider(&store_);
    AddDefaultScene(GetSystem().constraints);
}

SceneEngine::~SceneEngine()
{
    // The engine forgets the store before the store and its pictures go.
    host_.SetImageProvider(nullptr);
}

IImage* SceneEngine::picture(const char* name)
{
    return store_.GetImage(name);
}

CDib* SceneEngine::pictureDib(const char* name)
{
    auto* image = dynamic_cast<CDibImage*>(picture(name));
    return image ? &image->GetDib() : nullptr;
}

void SceneEngine::detachAllButRender(std::vector<std::unique_ptr<IImage>>& detached)
{
    while (store_.GetImageCount() > 0) {
        CString name = store_.GetImageName(0);
        if (name == kRender) {
            if (store_.GetImageCount() == 1)
                break;
            name = store_.GetImageName(1);
        }
        std::unique_ptr<IImage> image = store_.DetachImage(name);
        if (!image)
            break; // cannot happen: the name was just read from the store
        detached.push_back(std::move(image));
    }
}

void SceneEngine::replaceConstraints(const CString& definition)
{
    ConstraintCollection& constraints = GetSystem().constraints;
    constraints.removeAllConstraints();
    constraints.populateFromDefinitionString(definition);
    RestoreDisabledConstraints(constraints, definition.str());
}

SceneEngine::SceneRead SceneEngine::ReadScene(CArchiveReader& archive)
{
    CString header;
    if (!archive.ReadString(header))
        return SceneRead::Truncated;
    if (header.Find(kSceneHeader) != 0) {
        replaceConstraints(header);
        return SceneRead::Complete;
    }
    std::int32_t version;
    if (!archive.ReadInt(version))
        return SceneRead::Truncated;
    if (version > kNewestSceneVersion) {
        if (ui_)
            ui_->ShowMessage("Unable to read file - it is a more recent format than this version of this program "
                             "can read.",
                IPlayerUi::MessageKind::Plain);
        return SceneRead::NewerVersion;
    }
    CString definition;
    if (!archive.ReadString(definition))
        return SceneRead::Truncated;

    // Pictures of the old scene leave the store, but live until the old constraints are gone.
    std::vector<std::unique_ptr<IImage>> detached;
    detachAllButRender(detached);
    replaceConstraints(definition);
    detached.clear();

    std::int32_t i;
    float f;
    CString s;
    if (!archive.ReadInt(i))
        return SceneRead::Truncated;
    mapping.integerA = i;
    if (!archive.ReadInt(i))
        return SceneRead::Truncated;
    mapping.integerB = i;
    if (!archive.ReadString(s))
        return SceneRead::Truncated;
    mapping.xTagName = s;
    if (!archive.ReadString(s))
        return SceneRead::Truncated;
    mapping.yTagName = s;
    if (!archive.ReadInt(i))
        return SceneRead::Truncated;
    mapping.flag = i != 0;
    float* floats[] = { &mapping.offsetX, &mapping.offsetY, &mapping.scaleX, &mapping.scaleY };
    for (float* field : floats) {
        if (!archive.ReadFloat(f))
            return SceneRead::Truncated;
        *field = f;
    }

    ParticleSystem& system = GetSystem();
    if (!archive.ReadString(s))
        return SceneRead::Truncated;
    system.setPartFactoryClass(s);
    if (!archive.ReadString(s))
        return SceneRead::Truncated;
    system.getPartFactoryClass()->setParametersFromString(s);

    if (!archive.ReadString(s))
        return SceneRead::Truncated;
    host_.SetBackgroundImageStr(s);
    if (!archive.ReadString(s))
        return SceneRead::Truncated;
    host_.SetForegroundImageStr(s);
    if (!archive.ReadInt(i))
        return SceneRead::Truncated;
    host_.setWidth(i);
    if (!archive.ReadInt(i))
        return SceneRead::Truncated;
    host_.setHeight(i);
    if (!archive.ReadInt(i))
        return SceneRead::Truncated;
    host_.erase(i == 1 ? 1 : 0);
    int* flags[] = { &drawConstraints, &drawParticles, &directFrame };
    for (int* flag : flags) {
        if (!archive.ReadInt(i))
            return SceneRead::Truncated;
        *flag = i == 1 ? 1 : 0;
    }
    return SceneRead::Complete;
}

SceneEngine::LoadReport SceneEngine::LoadFile(const CString& path, std::optional<SceneFileKind> expected, LoadMode mode)
{
    LoadReport report;
    std::vector<std::uint8_t> bytes;
    if (!platform::ReadWholeFile(path.str(), kMaxSceneBytes, bytes)) {
        report.files.push_back(path.str());
        report.unreadable = platform::WhyUnreadable(path.str(), kMaxSceneBytes);
        return report;
    }
    // A picture, a program, random bytes or an empty (half-written) file would only leave the scene with
    // nothing: the running scene goes on instead. What the checker would say of them is noise; of text
    // with blocks (all of unknown classes), it is the reason.
    if (!HoldsScene(bytes, DetectSceneFileKind(bytes))) {
        report.read = SceneRead::Rejected;
        report.files.push_back(path.str());
        if (!SplitDefinitionText(DefinitionTextOf(bytes).str()).empty())
            report.findings = SceneChecker().CheckBytes(path.str(), bytes).findings;
        const PictureFormat* picture = FormatOfContent(bytes.data(), bytes.size());
        report.unreadable = picture
            ? std::string("it is a ") + picture->name + " picture, not a scene file or a definition file"
            : "it holds no scene (neither a scene file nor definition text naming a constraint class)";
        return report;
    }
    SceneCheck check = SceneChecker().CheckBytes(path.str(), bytes);
    report.kind = check.kind;
    report.findings = std::move(check.findings);
    report.files = std::move(check.files);
    if (expected && *expected != report.kind)
        report.findings.insert(report.findings.begin(), OtherKindFinding(path.str(), report.kind));
    // Definition files are read up to the size the engine reads them to.
    if (report.kind == SceneFileKind::Definition && bytes.size() > CStdioFile::kDefaultMaxBytes) {
        report.read = SceneRead::Unopenable;
        report.unreadable = "a definition file larger than " + std::to_string(CStdioFile::kDefaultMaxBytes) + " bytes";
        return report;
    }
    if (mode == LoadMode::KeepOnErrors && HasErrors(report.findings)) {
        report.read = SceneRead::Rejected;
        report.unreadable = "it has errors";
        return report;
    }
    const CString definition = report.kind == SceneFileKind::Definition ? DefinitionTextOf(bytes) : CString();

    // Pictures and includes that the working directory lacks are looked for beside the file.
    DefinitionSource source(path.str());
    if (report.kind == SceneFileKind::Scene) {
        CArchiveReader archive(bytes.data(), bytes.size());
        report.read = ReadScene(archive);
    } else {
        replaceConstraints(definition);
        report.read = SceneRead::Complete;
    }
    return report;
}

void SceneEngine::ShowFindings(const LoadReport& report)
{
    if (ui_ && report.read == SceneRead::Unopenable) {
        const std::string file = report.files.empty() ? std::string() : report.files.front();
        ui_->ShowMessage(CString("Cannot load '") + file.c_str() + "': " + report.unreadable.c_str() + ".",
            IPlayerUi::MessageKind::Error);
        return;
    }
    // A newer scene file has had its own message, and there is nothing else to say about it.
    const bool rejected = report.read == SceneRead::Rejected;
    if (!ui_ || (report.findings.empty() && !rejected) || report.read == SceneRead::NewerVersion)
        return;
    constexpr std::size_t kListed = 12;
    CString text = "The scene was loaded, but not quite as written:\n\n";
    if (rejected) {
        const std::string file = report.files.empty() ? std::string() : report.files.front();
        text = CString("'") + file.c_str() + "' was not loaded: " + report.unreadable.c_str()
            + ". The scene goes on as it was.\n\n";
    }
    for (std::size_t i = 0; i < report.findings.size() && i < kListed; ++i)
        text += report.findings[i].Text() + "\n";
    if (report.findings.size() > kListed) {
        CString more;
        more.Format("... and %zu more ('mirrim-cli check FILE' lists them all).\n", report.findings.size() - kListed);
        text += more;
    }
    ui_->ShowMessage(text,
        rejected || HasErrors(report.findings) ? IPlayerUi::MessageKind::Error : IPlayerUi::MessageKind::Information);
}

std::optional<SceneEngine::LoadReport> SceneEngine::LoadScene()
{
    CString path;
    if (!ui_ || !ui_->AskOpenFile(kSceneFilter, "zrk", path))
        return std::nullopt;
    LoadReport report = LoadFile(path);
    ShowFindings(report);
    return report;
}

void SceneEngine::Stop()
{
    playing = 0;
}

void SceneEngine::ToggleDrawParticles()
{
    drawParticles = !drawParticles;
}

void SceneEngine::TogglePlay()
{
    playing = !playing;
}

void SceneEngine::Clear()
{
    GetSystem().particles.removeAllParticles();
}

void SceneEngine::Step()
{
    GetSystem().step();
}

void SceneEngine::Advance(bool pointerDown, int dx, int dy)
{
    ParticleSystem& system = GetSystem();
    if (pointerDown) {
        const float fx = (static_cast<float>(dx) + mapping.offsetX) * mapping.scaleX;
        const float fy = (static_cast<float>(dy) + mapping.offsetY) * mapping.scaleY;
        StringParameters sp;
        system.applyPartFactory(sp.toString(mapping.xTagName, fx) + sp.toString(mapping.yTagName, fy));
    }
    system.step();
}

void SceneEngine::ComposeFrame(CDC& dc, CSize constraintArea)
{
    const int width = host_.getWidth();
    const int height = host_.getHeight();
    if (host_.shouldErase()) {
        if (IImage* background = picture(kBackground)) {
            if (auto* dib = dynamic_cast<CDibImage*>(background))
                dib->GetDib().Tile(&dc, 0, 0, width, height);
        } else {
            dc.FillSolidRect(0, 0, width, height, RGB(0, 0, 0));
        }
    }
    if (!directFrame) {
        if (CDib* render = pictureDib(kRender))
            render->Draw(&dc, 0, 0, render->GetWidth(), render->GetHeight());
    }
    if (drawParticles)
        GetSystem().draw(&dc);
    if (drawConstraints)
        GetSystem().constraints.draw(&dc, constraintArea);
}

std::unique_ptr<CDibImage> SceneEngine::Snapshot(const CDC* composed)
{
    auto snapshot = std::make_unique<CDibImage>();
    CDib& dib = snapshot->GetDib();
    dib.Create(host_.getWidth(), host_.getHeight());
    if (composed && dib.GetBitmap()) {
        dib.GetBitmap()->BitBlt(0, 0, dib.GetWidth(), dib.GetHeight(), composed, 0, 0);
        dib.UpdateFromBitmap();
    }
    return snapshot;
}

void SceneEngine::ResetRenderPicture()
{
    const int width = host_.getWidth();
    const int height = host_.getHeight();
    if (CDib* render = pictureDib(kRender)) {
        render->Create(width, height);
    } else if (std::unique_ptr<IImage> made = store_.CreateImage(width, height)) {
        store_.AddImage(kRender, std::move(made));
    }
}

void MakeBackgroundTexture(CDib& texture)
{
    JGeometryUtilities geometry;
    texture.Create(128, 128);
    texture.Lock();
    for (int y = 0; y < 128; ++y) {
        for (int x = 0; x < 128; ++x) {
            const int g = static_cast<int>(geometry.GetRandomFloat(180.0f, 204.0f));
            texture.SetPixel(x, y, RGB(g, g, g));
        }
    }
    texture.Unlock();
}
