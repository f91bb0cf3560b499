// The scene checker against broken files of every kind, the shipped scenes and scene files; telling the
// two kinds of file apart; relative names found beside the file that names them.
#include "player/app/SceneChecker.h"
#include "particle/core/ConstraintCollection.h"
#include "platform/CStdioFile.h"
#include "player/app/ScenePlayer.h"
#include "player/imaging/store/CDib.h"
#include "tests/TempDir.h"
#include "tests/player/app/ScriptedUi.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

void writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::vector<std::uint8_t> bytesOf(const std::string& text)
{
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

std::string describe(const std::vector<Finding>& findings)
{
    return findings.empty() ? std::string("(nothing)") : FindingsText(findings);
}

// Runs the test from another directory and goes back afterwards.
class WorkingDirectory {
public:
    explicit WorkingDirectory(const std::string& path)
        : previous_(fs::current_path())
    {
        fs::current_path(path);
    }
    ~WorkingDirectory() { fs::current_path(previous_); }

private:
    fs::path previous_;
};

// One mistake per file: where the checker must find it, what it calls it and the name it suggests.
TEST(SceneChecker, FindsEachKindOfMistakeWithItsLineAndSuggestion)
{
    TempDir dir;
    writeFile(dir.file("junk.jpg"), "not a picture");
    writeFile(dir.file("self.vq"), "constraint.ConstraintCollection\r\n<DefFilename>self.vq</DefFilename>\r\n.\r\n");
    const struct {
        const char* text;
        int line;
        const char* kind;
        const char* suggestion;
        const char* says;
    } cases[] = {
        { "constraint.force\r\n\r\n.\r\n", 1, "unknown-class", "constraint.Force", "letter case counts" },
        { "constraint.Foce\r\n\r\n.\r\n", 1, "unknown-class", "constraint.Force", "did you mean constraint.Force?" },
        { " constraint.Force\r\n\r\n.\r\n", 1, "unknown-class", "constraint.Force", "without the blanks" },
        { "zrk.particle.ParticleBase\r\n\r\n.\r\n", 1, "unknown-class", "", "a particle class" },
        { "constraint.Force\r\n\r\n.\r\nconstraint.RemoveAged\r\n<MaxAge>5</MaxAge>\r\n.\r\n", 5, "unknown-tag",
            "MaximumAge", "did you mean <MaximumAge>?" },
        { "constraint.RemoveAged\r\n<maximumAge>5</maximumAge>\r\n.\r\n", 2, "unknown-tag", "MaximumAge",
            "letter case counts" },
        { "factory.ParticlesSquare\r\n<Amount>5</Amout>\r\n.\r\n", 2, "unclosed-tag", "Amount", "found '</Amout>'" },
        { "factory.ParticlesSquare\r\n<Amount>12abc</Amount>\r\n.\r\n", 2, "bad-value", "", "reads as 12" },
        { "factory.ParticlesSquare\r\n<Amount>99999999999</Amount>\r\n.\r\n", 2, "bad-value", "", "too large" },
        { "constraint.Force\r\n<DeltaX>2,5</DeltaX>\r\n.\r\n", 2, "bad-value", "", "reads as 2.000000" },
        { "constraint.Force\r\n<Resource Only>yes</Resource Only>\r\n.\r\n", 2, "bad-value", "", "reads as false" },
        { "factory.ParticlesSquare\r\n<Amount></Amount>\r\n.\r\n", 2, "empty-value", "", "keeps its current value" },
        { "constraint.RemoveAged\r\n// was <MaximumAge>5</MaximumAge>\r\n.\r\n", 2, "tag-in-comment", "",
            "read all the same" },
        { "factory.ParticlesSquare\r\n<ParticleClass>zrk.particle.particlebase</ParticleClass>\r\n.\r\n", 2,
            "unknown-class", "zrk.particle.ParticleBase", "not a particle class" },
        { "\r\nconstraint.Force\r\n\r\n.\r\n", 1, "blank-first-line", "", "remove the empty line before" },
        { "constraint.RemoveAged\r\n.\r\n", 1, "empty-block", "", "adds nothing" },
        { "constraint.Force\r\n\r\n. \r\nconstraint.RemoveAged\r\n\r\n.\r\n", 3, "separator-blanks", "",
            "does not end a block" },
        { "constraint.Force\r\n\r\n.\r\nconstraint.RemoveAged\r\n\r\n", 4, "unterminated-block", "", "ignored" },
        { " \r\n\r\n", 0, "no-constraints", "", "holds no constraints" },
        { "constraint.ConstraintCollection\r\n<DefFilename>none.vq</DefFilename>\r\n.\r\n", 2, "missing-include", "",
            "cannot find the definition file 'none.vq'" },
        { "image.ImageLoad\r\n<Image Filename>pic%03d.gif</Image Filename><Current Index>7</Current Index>\r\n.\r\n", 2,
            "missing-picture", "", "'pic007.gif' (the first of 'pic%03d.gif')" },
        { "constraint.Cameleon\r\n<Image Filename>junk.jpg</Image Filename>\r\n.\r\n", 2, "unreadable-picture", "",
            "not a picture this program can read" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const std::string path = dir.file("case.vq");
        const SceneCheck check = SceneChecker().CheckBytes(path, bytesOf(c.text));
        ASSERT_EQ(check.findings.size(), 1u) << describe(check.findings);
        const Finding& f = check.findings[0];
        EXPECT_EQ(f.file, path);
        EXPECT_EQ(f.line, c.line);
        EXPECT_EQ(f.kind, c.kind);
        EXPECT_EQ(f.suggestion, c.suggestion);
        EXPECT_NE(f.message.find(c.says), std::string::npos) << f.message;
    }

    // A file that includes itself loads it once more, and is refused there.
    const SceneCheck cycle = SceneChecker().CheckFile(dir.file("self.vq"));
    ASSERT_EQ(cycle.findings.size(), 1u) << describe(cycle.findings);
    EXPECT_EQ(cycle.findings[0].kind, "include-cycle");
    EXPECT_EQ(cycle.findings[0].line, 2);
    EXPECT_EQ(cycle.files.size(), 2u);
}

TEST(SceneChecker, FollowsIncludesAndReportsTheirOwnLines)
{
    TempDir dir;
    fs::create_directories(dir.file("parts"));
    writeFile(
        dir.file("parts/inner.vq"), "constraint.Force\r\n\r\n.\r\nconstraint.OmniForce\r\n<Forse>1</Forse>\r\n.\r\n");
    writeFile(
        dir.file("outer.vq"), "constraint.ConstraintCollection\r\n<DefFilename>parts/inner.vq</DefFilename>\r\n.\r\n");
    const SceneCheck check = SceneChecker().CheckFile(dir.file("outer.vq"));
    ASSERT_EQ(check.findings.size(), 1u) << describe(check.findings);
    EXPECT_EQ(check.findings[0].file, dir.file("parts/inner.vq"));
    EXPECT_EQ(check.findings[0].line, 5);
    EXPECT_EQ(check.findings[0].suggestion, "Force");
    EXPECT_EQ(check.files, (std::vector<std::string> { dir.file("outer.vq"), dir.file("parts/inner.vq") }));
}

TEST(SceneChecker, ReadsScenFilesFieldByField)
{
    TempDir dir;
    const std::string path = dir.file("s.zrk");
    auto check
        = [&](const SceneDescription& scene) { return SceneChecker().CheckBytes(path, EncodeScene(scene)).findings; };
    SceneDescription scene;
    scene.definition = "constraint.Force\r\n<DeltaY>0.2</DeltaY>\r\n.\r\n";
    EXPECT_TRUE(check(scene).empty()) << describe(check(scene));

    SceneDescription odd = scene;
    odd.definition = "constraint.Force\r\n\r\n.\r\nconstraint.Vortex\r\n\r\n.\r\n";
    odd.partFactoryClass = "factory.ParticleSquare";
    odd.width = 0;
    std::vector<Finding> findings = check(odd);
    ASSERT_EQ(findings.size(), 3u) << describe(findings);
    EXPECT_EQ(findings[0].line, 4); // lines count within the definition the file holds
    EXPECT_EQ(findings[0].suggestion, "constraint.VortexForce");
    EXPECT_EQ(findings[1].suggestion, "factory.ParticlesSquare");
    EXPECT_EQ(findings[2].kind, "absurd-size");

    SceneDescription pointer = scene;
    pointer.partFactoryParameters = "<Amuont>3</Amuont>";
    pointer.mapping.yTagName = "CentreY";
    findings = check(pointer);
    ASSERT_EQ(findings.size(), 2u) << describe(findings);
    EXPECT_EQ(findings[0].suggestion, "Amount");
    EXPECT_EQ(findings[1].suggestion, "CenterY");
    EXPECT_NE(findings[1].message.find("pointer's y"), std::string::npos);

    SceneDescription newer = scene;
    newer.version = 1001;
    findings = check(newer);
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].kind, "newer-version");

    std::vector<std::uint8_t> cut = EncodeScene(scene);
    cut.resize(cut.size() - 18); // into the height
    findings = SceneChecker().CheckBytes(path, cut).findings;
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_NE(findings[0].message.find("at the drawing size"), std::string::npos) << findings[0].message;
}

TEST(SceneChecker, ShippedScenesHaveNothingToReport)
{
    // Run where the guide's commands run: the top of the source tree.
    WorkingDirectory top(MIRRIM_SOURCE_DIR);
    int checked = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator("scenes")) {
        const std::string ext = entry.path().extension().string();
        if (ext != ".vq" && ext != ".zrk")
            continue;
        const SceneCheck check = SceneChecker().CheckFile(entry.path().string());
        EXPECT_TRUE(check.findings.empty()) << describe(check.findings);
        EXPECT_EQ(check.kind, ext == ".zrk" ? SceneFileKind::Scene : SceneFileKind::Definition) << entry.path();
        ++checked;
    }
    EXPECT_GE(checked, 15);
}

TEST(SceneChecker, EachShippedSceneFileHoldsItsDefinitionFile)
{
    for (const fs::directory_entry& entry : fs::directory_iterator(fs::path(MIRRIM_SOURCE_DIR) / "scenes")) {
        if (entry.path().extension() != ".zrk")
            continue;
        std::vector<std::uint8_t> scene;
        std::vector<std::uint8_t> definition;
        fs::path vq = entry.path();
        vq.replace_extension(".vq");
        ASSERT_TRUE(platform::ReadWholeFile(entry.path().string(), kMaxSceneBytes, scene));
        ASSERT_TRUE(platform::ReadWholeFile(vq.string(), kMaxSceneBytes, definition)) << vq;
        EXPECT_EQ(DefinitionOfFile(scene), DefinitionTextOf(definition)) << entry.path() << ": run scripts/scenes";
    }
}

TEST(SceneFileKind, ToldApartByContent)
{
    const auto plainScene = [](const char* definition, const std::string& after) {
        CArchiveWriter out;
        out.WriteString(definition);
        std::vector<std::uint8_t> bytes = out.Bytes();
        bytes.insert(bytes.end(), after.begin(), after.end());
        return bytes;
    };
    SceneDescription scene;
    scene.definition = "constraint.Force\r\n\r\n.\r\n";
    CArchiveWriter plain;
    plain.WriteString(scene.definition);
    // A definition file whose first byte, read as a length, covers exactly the rest of the file.
    std::string exact = "c" + std::string("onstraint.Force\r\n<DeltaY>1</DeltaY>\r\n.\r\n");
    exact += std::string(100 - exact.size(), ' ');
    const struct {
        std::vector<std::uint8_t> bytes;
        SceneFileKind kind;
    } cases[] = {
        { EncodeScene(scene), SceneFileKind::Scene },
        { plain.Bytes(), SceneFileKind::Scene },
        { bytesOf("constraint.Force\r\n\r\n.\r\n"), SceneFileKind::Definition },
        { bytesOf("constraint.Force\n\n.\n"), SceneFileKind::Definition },
        { bytesOf(exact), SceneFileKind::Definition },
        { bytesOf(""), SceneFileKind::Definition },
        { bytesOf(std::string("\xff\xfe\xff"
                              "abc",
              6)),
            SceneFileKind::Scene }, // damaged: nothing loads
        // A plain-definition scene file stays one with LF line ends in its string or bytes after it.
        { plainScene("constraint.Force\n\n.\n", ""), SceneFileKind::Scene },
        { plainScene("constraint.Force\r\n\r\n.\r\n", "constraint.Force\r\n\r\n.\r\n"), SceneFileKind::Scene },
    };
    for (const auto& c : cases)
        EXPECT_EQ(DetectSceneFileKind(c.bytes), c.kind) << std::string(c.bytes.begin(), c.bytes.end());
}

// Pictures and includes named by relative paths are found beside the naming file from any working
// directory, while a file of that name in the working directory keeps priority.
TEST(ScenePaths, RelativeNamesAreFoundBesideTheFileThatNamesThem)
{
    TempDir scenes;
    TempDir elsewhere;
    fs::create_directories(scenes.file("parts"));
    CDib red;
    red.Create(8, 8);
    red.Fill(RGB(255, 0, 0));
    ASSERT_TRUE(red.SaveBmp(scenes.file("parts/red0.bmp").c_str()));
    writeFile(scenes.file("parts/inner.vq"),
        "image.ImageLoad\r\n<Image>SRC</Image><Image Filename>red%d.bmp</Image Filename>\r\n.\r\n");
    writeFile(scenes.file("main.vq"),
        "constraint.ConstraintCollection\r\n<DefFilename>parts/inner.vq</DefFilename>\r\n.\r\n"
        "constraint.Cameleon\r\n<Image Name>CAM</Image Name><Image Filename>parts/red0.bmp</Image Filename>\r\n.\r\n");
    SceneDescription scene;
    scene.definition = "constraint.ConstraintCollection\r\n<DefFilename>main.vq</DefFilename>\r\n.\r\n";
    const std::vector<std::uint8_t> zrk = EncodeScene(scene);
    writeFile(scenes.file("main.zrk"), std::string(zrk.begin(), zrk.end()));

    WorkingDirectory away(elsewhere.path());
    for (const char* name : { "main.vq", "main.zrk" }) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(SceneChecker().CheckFile(scenes.file(name)).findings.empty());
        ScenePlayer player;
        ASSERT_EQ(player.LoadFile(scenes.file(name).c_str()).read, ScenePlayer::SceneRead::Complete);
        player.Tick(false, 0, 0);
        IImage* loaded = player.GetImageStore().GetImage("SRC");
        ASSERT_NE(loaded, nullptr);
        EXPECT_EQ(loaded->GetPixel(1, 1), RGB(255, 0, 0));
        ASSERT_NE(player.GetImageStore().GetImage("CAM"), nullptr);
        EXPECT_EQ(player.GetImageStore().GetImage("CAM")->GetWidth(), 8);
    }

    // The working directory comes first: a picture of the same name there wins.
    fs::create_directories(elsewhere.file("parts"));
    CDib blue;
    blue.Create(8, 8);
    blue.Fill(RGB(0, 0, 255));
    ASSERT_TRUE(blue.SaveBmp(elsewhere.file("red0.bmp").c_str()));
    ScenePlayer player;
    ASSERT_EQ(player.LoadFile(scenes.file("main.vq").c_str()).read, ScenePlayer::SceneRead::Complete);
    player.Tick(false, 0, 0);
    EXPECT_EQ(player.GetImageStore().GetImage("SRC")->GetPixel(1, 1), RGB(0, 0, 255));
}

TEST(ScenePlayerLoad, EitherKindLoadsAndTheOtherKindIsNamed)
{
    TempDir dir;
    const std::string definition = "constraint.Force\r\n<DeltaY>0.5</DeltaY>\r\n.\r\n";
    writeFile(dir.file("d.zrk"), definition);
    SceneDescription scene;
    scene.definition = definition.c_str();
    scene.height = 100;
    const std::vector<std::uint8_t> bytes = EncodeScene(scene);
    writeFile(dir.file("s.vq"), std::string(bytes.begin(), bytes.end()));

    ScenePlayer player;
    ScenePlayer::LoadReport asScene = player.LoadFile(dir.file("d.zrk").c_str(), SceneFileKind::Scene);
    EXPECT_EQ(asScene.read, ScenePlayer::SceneRead::Complete);
    EXPECT_EQ(asScene.kind, SceneFileKind::Definition);
    ASSERT_EQ(asScene.findings.size(), 1u);
    EXPECT_EQ(asScene.findings[0].kind, "other-kind");
    EXPECT_EQ(player.GetSystem().constraints.getConstraintCount(), 1);

    ScenePlayer::LoadReport asDefinition = player.LoadFile(dir.file("s.vq").c_str(), SceneFileKind::Definition);
    EXPECT_EQ(asDefinition.kind, SceneFileKind::Scene);
    EXPECT_EQ(asDefinition.findings.size(), 1u);
    EXPECT_EQ(player.GetHost().getHeight(), 100);
    EXPECT_TRUE(player.LoadFile(dir.file("s.vq").c_str()).findings.empty());
}

// A reload keeps the running scene when the file lost part of itself; an empty file never replaces it.
TEST(ScenePlayerLoad, KeepsTheSceneWhenTheFileHasErrorsOrIsEmpty)
{
    TempDir dir;
    const std::string path = dir.file("live.vq");
    writeFile(path, "constraint.Force\r\n\r\n.\r\nconstraint.OmniForce\r\n\r\n.\r\n");
    ScenePlayer player;
    ASSERT_EQ(player.LoadFile(path.c_str()).read, ScenePlayer::SceneRead::Complete);
    ConstraintCollection& constraints = player.GetSystem().constraints;

    writeFile(path, "constraint.Force\r\n\r\n.\r\nconstraint.OmniFroce\r\n\r\n.\r\n");
    EXPECT_EQ(player.LoadFile(path.c_str(), std::nullopt, ScenePlayer::LoadMode::KeepOnErrors).read,
        ScenePlayer::SceneRead::Rejected);
    EXPECT_EQ(constraints.getConstraintCount(), 2);
    writeFile(path, "");
    EXPECT_EQ(player.LoadFile(path.c_str()).read, ScenePlayer::SceneRead::Rejected);
    EXPECT_EQ(constraints.getConstraintCount(), 2);
    writeFile(path, "constraint.Force\r\n<Dx>1</Dx>\r\n.\r\n"); // a warning only: it loads
    EXPECT_EQ(player.LoadFile(path.c_str(), std::nullopt, ScenePlayer::LoadMode::KeepOnErrors).read,
        ScenePlayer::SceneRead::Complete);
    EXPECT_EQ(constraints.getConstraintCount(), 1);
}

// A file that holds no scene (a picture, a program, random bytes) is refused with a message and the
// running scene goes on; a byte-order mark before definition text is no part of it.
TEST(ScenePlayerLoad, FilesHoldingNoSceneAreRefused)
{
    TempDir dir;
    std::string random(4096, '\0');
    unsigned seed = 7;
    for (char& c : random)
        c = static_cast<char>((seed = seed * 1103515245u + 12345u) >> 16);
    const std::string files[] = { std::string("GIF89a\x01\x00\x01\x00\x80\x00\x00", 13) + std::string(200, '\0'),
        std::string("\x7f"
                    "ELF\x02\x01\x01",
            7)
            + std::string(300, '\x01'),
        random };
    ScriptedUi ui;
    ScenePlayer player(&ui);
    for (const std::string& bytes : files) {
        writeFile(dir.file("f"), bytes);
        const ScenePlayer::LoadReport report = player.LoadFile(dir.file("f").c_str());
        EXPECT_EQ(report.read, ScenePlayer::SceneRead::Rejected) << bytes.substr(0, 4);
        player.ShowFindings(report);
        EXPECT_EQ(player.GetSystem().constraints.getConstraintCount(), 4);
    }
    ASSERT_EQ(ui.messages.size(), 3u);
    EXPECT_NE(ui.messages[0].find("is a GIF picture"), std::string::npos) << ui.messages[0];
    EXPECT_NE(ui.messages[2].find("goes on as it was"), std::string::npos) << ui.messages[2];

    writeFile(dir.file("bom.vq"),
        "\xEF\xBB\xBF"
        "constraint.Force\r\n\r\n.\r\nconstraint.OmniForce\r\n\r\n.\r\n");
    const ScenePlayer::LoadReport bom = player.LoadFile(dir.file("bom.vq").c_str());
    EXPECT_EQ(bom.read, ScenePlayer::SceneRead::Complete);
    EXPECT_TRUE(bom.findings.empty()) << describe(bom.findings);
    EXPECT_EQ(player.GetSystem().constraints.getConstraintCount(), 2);
}

// The checker's work grows with the file, not with the square of its findings or of a block's tags.
TEST(SceneChecker, LargeFilesAreCheckedInLinearTime)
{
    std::string many;
    for (int i = 0; i < 40000; ++i)
        many += "constraint.Force\r\n<Strenght>1</Strenght><Foo" + std::to_string(i) + ">1</Foo" + std::to_string(i)
            + ">\r\n.\r\n";
    std::string oneBlock = "constraint.Force\r\n";
    for (int i = 0; i < 40000; ++i)
        oneBlock += "<T" + std::to_string(i) + ">1</T" + std::to_string(i) + ">";
    oneBlock += "\r\n.\r\n";
    for (const std::string* text : { &many, &oneBlock }) {
        const auto start = std::chrono::steady_clock::now();
        const SceneCheck check = SceneChecker().CheckBytes("big.vq", bytesOf(*text));
        const std::chrono::duration<double> taken = std::chrono::steady_clock::now() - start;
        EXPECT_GE(check.findings.size(), 40000u);
        EXPECT_LT(taken.count(), 8.0);
    }
}

} // namespace
