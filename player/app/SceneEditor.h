#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

class ConstraintCollection;
class IConstraint;

// Changes the running scene's constraints between ticks, every change undoable: what an editor asks of
// the engine. The particles stay; a changed constraint keeps its state and reads the new tags as it
// would from a definition block (tags not given keep their values). The definition text read back is
// the scene's as it now stands, and undoing a change gives the text there was before it, exactly.
//
// A constraint is named by its path: its index in the scene's list, then its index in each group
// (constraint.ConstraintCollection) on the way down. Every call returns false, and changes nothing,
// when the path names no constraint (or, for Insert, no place in a list) or the class is unknown.
class SceneEditor {
public:
    using Path = std::vector<int>;

    explicit SceneEditor(ConstraintCollection& scene);
    ~SceneEditor();
    SceneEditor(const SceneEditor&) = delete;
    SceneEditor& operator=(const SceneEditor&) = delete;

    // With merge, folds the tags into the change just made when that gave tags to the same constraint,
    // so that a drag through many values is undone in one step.
    bool SetTags(const Path& path, const std::string& params, bool merge = false);
    // A new constraint of a registered class at the path (an index one past the end appends).
    bool Insert(const Path& path, const std::string& classId, const std::string& params);
    bool Remove(const Path& path);
    // A constraint of the same class and tags, right after it.
    bool Duplicate(const Path& path);
    // Within its own list, to index to.
    bool Move(const Path& path, int to);
    // Switches a constraint off (kept in its place with its state, but neither applied nor drawn) or on.
    bool SetEnabled(const Path& path, bool enabled);
    bool IsEnabled(const Path& path);

    bool Undo();
    bool Redo();
    bool CanUndo() const { return done_ > 0; }
    bool CanRedo() const { return done_ < changes_.size(); }
    // Drops the history, for when the scene has been replaced by another.
    void Forget();
    // Whether the scene differs from the one last saved (or loaded): undoing back to it counts as no change.
    bool IsModified() const { return done_ != savedAt_; }
    void MarkSaved() { savedAt_ = done_; }
    // Undoes or redoes back to the scene as last saved; when that cannot be reached, to the one loaded.
    void RevertToSaved();

    // The definition text of the scene's list, or of the group at the path (its own file's text).
    std::string DefinitionText(const Path& group = {});
    // The scene's text to save or check: DefinitionText, but with the index of a picture sequence
    // ("Current Index"), which moves on as the scene plays, as the scene was given it (loaded, added or
    // set in the editor), so that the saved scene starts as this one did.
    std::string TextToSave();
    IConstraint* Find(const Path& path);
    ConstraintCollection& Scene() { return scene_; }

private:
    enum class ChangeKind { Tags, Insert, Remove, Move, Switch };
    struct Change;
    // A change of the given kind to the constraint at a path (not empty).
    static std::unique_ptr<Change> changeAt(ChangeKind kind, const Path& path);
    ConstraintCollection* listOf(const Path& path);
    bool record(std::unique_ptr<Change> change);
    bool insert(const Path& path, std::unique_ptr<IConstraint> constraint);
    // Remembers the starting index of each picture sequence in the scene's own list (or of one).
    void rememberStarts();
    void rememberStart(IConstraint* constraint);
    bool apply(Change& change, bool forward);

    ConstraintCollection& scene_;
    std::vector<std::unique_ptr<Change>> changes_;
    std::size_t done_ = 0; // changes_[0, done_) are in effect; the rest can be redone
    // The value done_ had when the scene was saved; npos once that state cannot be reached again.
    std::size_t savedAt_ = 0;
    std::map<const IConstraint*, std::string> starts_; // "Current Index" as given, by constraint
};
