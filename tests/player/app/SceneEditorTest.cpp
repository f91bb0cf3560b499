// Editing a running scene: every tag of every class, the list's order, undo and redo, held against the
// definition text read back and against a scene that was written that way from the start.
#include "player/app/SceneEditor.h"

#include "particle/core/ClassRegistry.h"
#include "particle/core/ConstraintCollection.h"
#include "particle/core/IConstraint.h"
#include "particle/core/ParticleSystem.h"
#include "platform/Random.h"
#include "player/app/EditedScene.h"
#include "player/app/ParticleDump.h"
#include "player/app/SceneChecker.h"
#include "player/app/ScenePlayer.h"
#include "player/app/TagCheck.h"
#include "tests/FileText.h"
#include "tests/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

namespace {

// Another value of the tag's kind, written as the classes write it.
std::string otherValue(const ClassTag& tag)
{
    switch (tag.type) {
    case ClassTag::Type::WholeNumber: {
        const long long value = std::stoll(tag.value); // away from the ends of 0-255 and the like
        return std::to_string(value >= 2 ? value - 2 : value + 2);
    }
    case ClassTag::Type::Number: {
        char text[64];
        std::snprintf(text, sizeof text, "%.6f", std::stod(tag.value) + 0.5);
        return text;
    }
    case ClassTag::Type::TrueFalse:
        return tag.value == "true" ? "false" : "true";
    case ClassTag::Type::Text:
        break;
    }
    // Names from a fixed set take another of the set.
    if (tag.name == "ParticleClass")
        return tag.value.empty() ? "zrk.particle.ParticleBase" : "";
    if (tag.name == "By")
        return tag.value == "age" ? "speed" : "age";
    return tag.value + "x";
}

TEST(SceneEditor, EveryTagOfEveryClassChangesInPlaceAndUndoes)
{
    ClassRegistry registry;
    int changed = 0;
    for (int c = 0; c < registry.constraintClassCount(); ++c) {
        const std::string classId = registry.constraintClassName(c).str();
        ConstraintCollection scene;
        scene.addConstraint("constraint.Force", "<DeltaY>0.25</DeltaY>");
        SceneEditor editor(scene);
        ASSERT_TRUE(editor.Insert({ 1 }, classId, "")) << classId;
        const std::string original = editor.DefinitionText();
        for (const ClassTag& tag : TagsOf(*editor.Find({ 1 }))) {
            SCOPED_TRACE(classId + " " + tag.name);
            const std::string wanted = "<" + tag.name + ">" + otherValue(tag) + "</" + tag.name + ">";
            std::string expected = original;
            const std::size_t block = expected.find(classId, original.find("\r\n.\r\n") + 5);
            expected.replace(
                expected.find("<" + tag.name + ">", block), tag.name.size() * 2 + 5 + tag.value.size(), wanted);
            ASSERT_TRUE(editor.SetTags({ 1 }, wanted));
            EXPECT_EQ(editor.DefinitionText(), expected);
            ASSERT_TRUE(editor.Undo());
            EXPECT_EQ(editor.DefinitionText(), original);
            ++changed;
        }
        // Undo takes the insertion back too; redo puts the same constraint back.
        ASSERT_TRUE(editor.Undo());
        EXPECT_EQ(scene.getConstraintCount(), 1);
        ASSERT_TRUE(editor.Redo());
        EXPECT_EQ(editor.DefinitionText(), original);
    }
    EXPECT_GT(changed, 60);
}

TEST(SceneEditor, ListChangesUndoToTheTextThereWasAndRefuseWhatIsNotThere)
{
    ConstraintCollection scene;
    scene.populateFromDefinitionString("constraint.Force\r\n<DeltaY>1</DeltaY>\r\n.\r\n"
                                       "constraint.RemoveAged\r\n<MaxAge>30</MaxAge>\r\n.\r\n"
                                       "constraint.VortexForce\r\n<Force>0.5</Force>\r\n.\r\n");
    SceneEditor editor(scene);
    std::vector<std::string> texts { editor.DefinitionText() };
    const IConstraint* vortex = scene.getConstraint(2);
    ASSERT_TRUE(editor.Move({ 2 }, 0));
    EXPECT_EQ(scene.getConstraint(0), vortex);
    texts.push_back(editor.DefinitionText());
    ASSERT_TRUE(editor.Duplicate({ 1 }));
    EXPECT_EQ(scene.getConstraint(2)->getParameterExample(), scene.getConstraint(1)->getParameterExample());
    texts.push_back(editor.DefinitionText());
    ASSERT_TRUE(editor.Remove({ 0 }));
    texts.push_back(editor.DefinitionText());
    ASSERT_TRUE(editor.Insert({ 3 }, "constraint.OmniForce", "<Force>2</Force>"));
    texts.push_back(editor.DefinitionText());

    EXPECT_FALSE(editor.Remove({ 9 }));
    EXPECT_FALSE(editor.Remove({}));
    EXPECT_FALSE(editor.SetTags({ 0, 0 }, "<DeltaY>2</DeltaY>")); // a force holds no list
    EXPECT_FALSE(editor.Insert({ 9 }, "constraint.Force", ""));
    EXPECT_FALSE(editor.Insert({ 0 }, "constraint.NoSuchThing", ""));
    EXPECT_FALSE(editor.Move({ 0 }, 7));

    for (std::size_t i = texts.size() - 1; i > 0; --i) {
        ASSERT_TRUE(editor.Undo());
        EXPECT_EQ(editor.DefinitionText(), texts[i - 1]) << i;
    }
    EXPECT_EQ(scene.getConstraint(2), vortex); // the very constraint, not a copy
    EXPECT_FALSE(editor.Undo());
    for (std::size_t i = 1; i < texts.size(); ++i) {
        ASSERT_TRUE(editor.Redo());
        EXPECT_EQ(editor.DefinitionText(), texts[i]) << i;
    }
    // A new change drops what could have been redone.
    editor.Undo();
    ASSERT_TRUE(editor.SetTags({ 0 }, "<DeltaY>3</DeltaY>"));
    EXPECT_FALSE(editor.CanRedo());
}

// A force made stronger between ticks moves the particles on the next tick exactly as a scene written
// with that strength from the start would from the same state.
TEST(SceneEditor, AChangeBetweenTicksActsAsAFreshSceneWouldFromThere)
{
    const std::string before = "factory.ParticleFactoryUniform\r\n<Amount>5</Amount>\r\n.\r\n"
                               "constraint.Force\r\n<DeltaX>0.1</DeltaX><DeltaY>0.75</DeltaY>\r\n.\r\n";
    std::string after = before;
    after.replace(after.find("0.75"), 4, "2.5");
    TempDir dir;
    const auto played = [&](bool edit) {
        platform::SeedRand(3);
        ParticleSystem system;
        system.constraints.populateFromDefinitionString(before.c_str());
        for (int i = 0; i < 20; ++i)
            system.step();
        if (edit) {
            SceneEditor editor(system.constraints);
            EXPECT_TRUE(editor.SetTags({ 1 }, "<DeltaY>2.5</DeltaY>"));
        } else {
            system.constraints.populateFromDefinitionString(after.c_str());
        }
        system.step();
        EXPECT_TRUE(WriteParticleDump(dir.file("p.csv"), system.particles));
        return FileText(dir.file("p.csv"));
    };
    const std::string edited = played(true);
    EXPECT_GT(edited.size(), 1000u);
    EXPECT_EQ(edited, played(false));
}

// A constraint switched off stays in its place with its state but acts no more; its text is its block
// with "// " before the class, which a reader without the editor skips and the player's loader puts back
// switched off, and which the checker checks as its class.
TEST(SceneEditor, ASwitchedOffConstraintIsSkippedSavedAndReadBackSwitchedOff)
{
    const std::string text = "factory.ParticleFactoryUniform\r\n<Amount>5</Amount>\r\n.\r\n"
                             "constraint.Force\r\n<DeltaY>2</DeltaY><DeltaZ>1</DeltaZ>\r\n.\r\n"
                             "constraint.RemoveAged\r\n<MaximumAge>30</MaximumAge>\r\n.\r\n";
    ScenePlayer player;
    ConstraintCollection& scene = player.GetSystem().constraints;
    scene.populateFromDefinitionString(text.c_str());
    SceneEditor editor(scene);
    const std::string on = editor.DefinitionText();
    const IConstraint* force = scene.getConstraint(1);
    ASSERT_TRUE(editor.SetEnabled({ 1 }, false));
    EXPECT_FALSE(editor.IsEnabled({ 1 }));
    const std::string off = editor.DefinitionText();
    EXPECT_EQ(off.find("constraint.Force"), on.find("constraint.Force") + 3);
    EXPECT_EQ(off.substr(off.find("constraint.Force") - 3, 3), "// ");
    TempDir dir;
    const auto stepped = [&](ParticleSystem& system) {
        platform::SeedRand(9);
        system.step();
        EXPECT_TRUE(WriteParticleDump(dir.file("p.csv"), system.particles));
        return FileText(dir.file("p.csv"));
    };
    ParticleSystem without;
    std::string withoutText = text;
    withoutText.erase(withoutText.find("constraint.Force"),
        withoutText.find("constraint.RemoveAged") - withoutText.find("constraint.Force"));
    without.constraints.populateFromDefinitionString(withoutText.c_str());
    EXPECT_EQ(stepped(player.GetSystem()), stepped(without));

    // Tags still change, a copy is switched off too, and undo gives the very constraint back switched on.
    ASSERT_TRUE(editor.Duplicate({ 1 }));
    EXPECT_FALSE(editor.IsEnabled({ 2 }));
    ASSERT_TRUE(editor.Undo());
    ASSERT_TRUE(editor.Undo());
    EXPECT_EQ(editor.DefinitionText(), on);
    EXPECT_EQ(scene.getConstraint(1), force);
    ASSERT_TRUE(editor.Redo());
    // A group switched off can still be edited inside.
    ASSERT_TRUE(editor.Insert({ 3 }, "constraint.ConstraintCollection", ""));
    ASSERT_TRUE(editor.SetEnabled({ 3 }, false));
    EXPECT_TRUE(editor.Insert({ 3, 0 }, "constraint.Force", ""));
    ASSERT_TRUE(editor.Undo());
    ASSERT_TRUE(editor.Undo());
    ASSERT_TRUE(editor.Undo());

    ConstraintCollection older;
    older.populateFromDefinitionString(off.c_str());
    EXPECT_EQ(older.getConstraintCount(), 2);
    std::string error;
    ASSERT_TRUE(SaveEditedScene(player, off, dir.file("off.vq"), error)) << error;
    ScenePlayer reader;
    reader.LoadFile(dir.file("off.vq").c_str());
    SceneEditor readBack(reader.GetSystem().constraints);
    EXPECT_EQ(readBack.DefinitionText(), off);
    EXPECT_FALSE(readBack.IsEnabled({ 1 }));

    const std::vector<Finding> findings = SceneChecker().CheckFile(dir.file("off.vq")).findings;
    ASSERT_EQ(findings.size(), 0u) << FindingsText(findings);
    std::ofstream(dir.file("typo.vq"), std::ios::binary) << "// constraint.Force\r\n<DeltaZ>1</DeltaZ>\r\n.\r\n";
    EXPECT_NE(FindingsText(SceneChecker().CheckFile(dir.file("typo.vq")).findings).find("no tag '<DeltaZ>'"),
        std::string::npos);
}

// Saved as definition text (.vq) or as a scene file (.zrk, with the player's settings), an edited scene
// loads back into a fresh player with the same frames; the editor knows whether it has been saved since.
TEST(SceneEditor, SavedEditsLoadBackWithTheSameFrames)
{
    TempDir dir;
    const auto frames = [&](ScenePlayer& player) {
        platform::SeedRand(5);
        player.Clear();
        for (int i = 0; i < 25; ++i)
            player.Tick(i > 10, 40, 60);
        EXPECT_TRUE(WriteParticleDump(dir.file("p.csv"), player.GetSystem().particles));
        return FileText(dir.file("p.csv"));
    };
    ScenePlayer player;
    const std::string vortex = std::string(MIRRIM_SOURCE_DIR) + "/scenes/vortex.zrk";
    player.LoadFile(vortex.c_str());
    SceneEditor editor(player.GetSystem().constraints);
    EXPECT_FALSE(editor.IsModified());
    ASSERT_TRUE(editor.Insert({ 0 }, "constraint.Force", "<DeltaX>0.5</DeltaX>"));
    ASSERT_TRUE(editor.SetEnabled({ 1 }, false));
    EXPECT_TRUE(editor.IsModified());
    const std::string expected = frames(player);
    EXPECT_GT(expected.size(), 1000u);
    for (const char* name : { "edited.vq", "edited.ZRK" }) {
        std::string error;
        ASSERT_TRUE(SaveEditedScene(player, editor.DefinitionText(), dir.file(name), error)) << error;
        // Definition text carries no settings: it is loaded over the scene that gave them.
        const bool definition = name[7] == 'v';
        ScenePlayer reader;
        if (definition)
            reader.LoadFile(vortex.c_str());
        EXPECT_EQ(reader.LoadFile(dir.file(name).c_str()).kind,
            definition ? SceneFileKind::Definition : SceneFileKind::Scene);
        EXPECT_EQ(frames(reader), expected) << name;
    }
    editor.MarkSaved();
    EXPECT_FALSE(editor.IsModified());
    EXPECT_EQ(editor.TextToSave(), editor.DefinitionText());
    const std::string saved = editor.DefinitionText();
    ASSERT_TRUE(editor.Undo());
    EXPECT_TRUE(editor.IsModified());
    editor.RevertToSaved();
    EXPECT_FALSE(editor.IsModified());
    EXPECT_EQ(editor.DefinitionText(), saved);
    // Undone past the save and changed otherwise, the saved state is gone for good.
    ASSERT_TRUE(editor.Undo());
    ASSERT_TRUE(editor.Remove({ 0 }));
    ASSERT_TRUE(editor.Undo());
    EXPECT_TRUE(editor.IsModified());
}

// A picture sequence's index moves on as the scene plays; what is saved starts where the scene was told
// to start, whether by its file, by an added constraint or by the editor.
TEST(SceneEditor, WhatIsSavedStartsPictureSequencesWhereTheSceneStarted)
{
    ScenePlayer player;
    ConstraintCollection& scene = player.GetSystem().constraints;
    scene.populateFromDefinitionString(
        "image.ImageLoad\r\n<Image Filename>none%d.gif</Image Filename><Current Index>3</Current Index>\r\n.\r\n");
    SceneEditor editor(scene);
    ASSERT_TRUE(editor.Insert({ 1 }, "image.ImageLoad", "<Image Filename>other%d.gif</Image Filename>"));
    ASSERT_TRUE(editor.SetEnabled({ 1 }, false));
    for (int i = 0; i < 5; ++i)
        player.Step();
    const auto indexes = [](const std::string& text) {
        std::string found;
        for (std::size_t at = text.find("<Current Index>"); at != std::string::npos;
             at = text.find("<Current Index>", at + 1))
            found += text.substr(at + 15, text.find('<', at + 15) - at - 15) + " ";
        return found;
    };
    EXPECT_EQ(indexes(editor.DefinitionText()), "8 0 ");
    EXPECT_EQ(indexes(editor.TextToSave()), "3 0 ");
    ASSERT_TRUE(editor.SetTags({ 0 }, "<Current Index>1</Current Index>"));
    player.Step();
    EXPECT_EQ(indexes(editor.TextToSave()), "1 0 ");
}

} // namespace
