#include "player/app/SceneEditor.h"

#include "particle/core/ClassRegistry.h"
#include "particle/core/ConstraintCollection.h"
#include "particle/core/DefinitionText.h"
#include "particle/core/IConstraint.h"
#include "player/app/DisabledConstraint.h"
#include "player/app/TagCheck.h"

#include <algorithm>

struct SceneEditor::Change {
    using Kind = ChangeKind;
    Kind kind = Kind::Tags;
    Path list; // the path of the list the constraint stands in: empty for the scene's own
    int index = 0;
    int to = 0;
    std::string before; // Tags: every tag as it was; after: the tags given
    std::string after;
    // While out of the list (inserted and undone, or removed): the constraint, state and all.
    std::unique_ptr<IConstraint> held;
};

namespace {

const char kSequenceIndex[] = "Current Index";

// What a switched-off constraint holds, or the constraint itself.
IConstraint* underlying(IConstraint* constraint)
{
    auto* disabled = dynamic_cast<DisabledConstraint*>(constraint);
    return disabled ? &disabled->Inner() : constraint;
}

} // namespace

std::unique_ptr<SceneEditor::Change> SceneEditor::changeAt(Change::Kind kind, const Path& path)
{
    auto change = std::make_unique<Change>();
    change->kind = kind;
    change->list.assign(path.begin(), path.end() - 1);
    change->index = path.back();
    return change;
}

SceneEditor::SceneEditor(ConstraintCollection& scene)
    : scene_(scene)
{
    rememberStarts();
}

void SceneEditor::rememberStarts()
{
    starts_.clear();
    for (int i = 0; i < scene_.getConstraintCount(); ++i)
        rememberStart(scene_.getConstraint(i));
}

void SceneEditor::rememberStart(IConstraint* constraint)
{
    if (!constraint)
        return;
    constraint = underlying(constraint);
    const std::vector<ClassTag> tags = TagsOf(*constraint);
    const std::string index = TagValue(tags, kSequenceIndex);
    if (!index.empty())
        starts_[constraint] = index;
}

std::string SceneEditor::TextToSave()
{
    std::string text = DefinitionText();
    const std::vector<DefinitionBlock> blocks = SplitDefinitionText(text);
    const std::string open = std::string("<") + kSequenceIndex + ">";
    const std::string close = std::string("</") + kSequenceIndex + ">";
    // From the last block back, so that the offsets of the ones before stay.
    for (int i = std::min<int>(scene_.getConstraintCount(), static_cast<int>(blocks.size())) - 1; i >= 0; --i) {
        const auto start = starts_.find(underlying(scene_.getConstraint(i)));
        if (start == starts_.end() || !blocks[i].HasIdentifierLine())
            continue;
        const std::size_t at = text.find(open, blocks[i].lineEnd);
        const std::size_t end = at == std::string::npos ? at : text.find(close, at);
        if (end != std::string::npos && end < blocks[i].end)
            text.replace(at + open.size(), end - at - open.size(), start->second);
    }
    return text;
}

SceneEditor::~SceneEditor() = default;

ConstraintCollection* SceneEditor::listOf(const Path& path)
{
    ConstraintCollection* list = &scene_;
    for (int index : path) {
        // A group switched off still holds its list, which can be edited meanwhile.
        list = dynamic_cast<ConstraintCollection*>(underlying(list->getConstraint(index)));
        if (!list)
            return nullptr;
    }
    return list;
}

IConstraint* SceneEditor::Find(const Path& path)
{
    if (path.empty())
        return nullptr;
    ConstraintCollection* list = listOf(Path(path.begin(), path.end() - 1));
    return list ? list->getConstraint(path.back()) : nullptr;
}

bool SceneEditor::apply(Change& change, bool forward)
{
    ConstraintCollection* list = listOf(change.list);
    if (!list)
        return false;
    const bool putting = (change.kind == Change::Kind::Insert) == forward;
    switch (change.kind) {
    case Change::Kind::Tags: {
        IConstraint* constraint = list->getConstraint(change.index);
        if (!constraint)
            return false;
        constraint->setParametersFromString((forward ? change.after : change.before).c_str());
        if (forward || constraint->getParameterExample().str() == change.before)
            return true;
        // A value the class takes as "keep what you have" (an empty name) cannot be handed back: a
        // constraint made afresh from the tags there were takes its place.
        std::unique_ptr<IConstraint> fresh = constraint->Create();
        if (!fresh)
            return false;
        fresh->setParametersFromString(change.before.c_str());
        return list->detachConstraint(change.index) && list->insertConstraint(change.index, std::move(fresh));
    }
    case Change::Kind::Insert:
    case Change::Kind::Remove:
        if (putting)
            return change.held && list->insertConstraint(change.index, std::move(change.held));
        change.held = list->detachConstraint(change.index);
        return change.held != nullptr;
    case Change::Kind::Move:
        return forward ? list->moveConstraint(change.index, change.to) : list->moveConstraint(change.to, change.index);
    case Change::Kind::Switch: {
        // Its own undoing: off goes on, on goes off.
        std::unique_ptr<IConstraint> constraint = list->detachConstraint(change.index);
        if (!constraint)
            return false;
        if (auto* disabled = dynamic_cast<DisabledConstraint*>(constraint.get()))
            constraint = disabled->Release();
        else
            constraint = std::make_unique<DisabledConstraint>(std::move(constraint));
        return list->insertConstraint(change.index, std::move(constraint));
    }
    }
    return false;
}

bool SceneEditor::record(std::unique_ptr<Change> change)
{
    if (!apply(*change, true))
        return false;
    if (savedAt_ != std::string::npos && savedAt_ > done_)
        savedAt_ = std::string::npos;
    changes_.resize(done_);
    changes_.push_back(std::move(change));
    ++done_;
    return true;
}

bool SceneEditor::SetTags(const Path& path, const std::string& params, bool merge)
{
    IConstraint* constraint = Find(path);
    if (!constraint)
        return false;
    Change* last = done_ > 0 && done_ == changes_.size() && savedAt_ != done_ ? changes_.back().get() : nullptr;
    if (merge && last && last->kind == Change::Kind::Tags && last->index == path.back()
        && last->list == Path(path.begin(), path.end() - 1)) {
        constraint->setParametersFromString(params.c_str());
        last->after = params + last->after; // the first of a tag is the one read
    } else {
        std::unique_ptr<Change> change = changeAt(Change::Kind::Tags, path);
        change->before = constraint->getParameterExample().str();
        change->after = params;
        if (!record(std::move(change)))
            return false;
    }
    if (params.find(std::string("<") + kSequenceIndex + ">") != std::string::npos)
        rememberStart(Find(path));
    return true;
}

bool SceneEditor::Insert(const Path& path, const std::string& classId, const std::string& params)
{
    if (path.empty())
        return false;
    std::unique_ptr<IConstraint> constraint = ClassRegistry().createConstraint(classId.c_str());
    if (!constraint)
        return false;
    constraint->setParametersFromString(params.c_str());
    return insert(path, std::move(constraint));
}

bool SceneEditor::insert(const Path& path, std::unique_ptr<IConstraint> constraint)
{
    rememberStart(constraint.get());
    std::unique_ptr<Change> change = changeAt(Change::Kind::Insert, path);
    change->held = std::move(constraint);
    return record(std::move(change));
}

bool SceneEditor::Remove(const Path& path)
{
    if (!Find(path))
        return false;
    return record(changeAt(Change::Kind::Remove, path));
}

bool SceneEditor::Duplicate(const Path& path)
{
    IConstraint* constraint = Find(path);
    if (!constraint)
        return false;
    // Made as the class makes a new one, so that a switched-off constraint is copied switched off.
    std::unique_ptr<IConstraint> copy = constraint->Create();
    if (!copy)
        return false;
    copy->setParametersFromString(constraint->getParameterExample());
    Path after = path;
    ++after.back();
    return insert(after, std::move(copy));
}

bool SceneEditor::Move(const Path& path, int to)
{
    if (!Find(path))
        return false;
    std::unique_ptr<Change> change = changeAt(Change::Kind::Move, path);
    change->to = to;
    return record(std::move(change));
}

bool SceneEditor::SetEnabled(const Path& path, bool enabled)
{
    if (!Find(path))
        return false;
    if (IsEnabled(path) == enabled)
        return true;
    return record(changeAt(Change::Kind::Switch, path));
}

bool SceneEditor::IsEnabled(const Path& path)
{
    IConstraint* constraint = Find(path);
    return constraint && !dynamic_cast<DisabledConstraint*>(constraint);
}

bool SceneEditor::Undo()
{
    if (!CanUndo() || !apply(*changes_[done_ - 1], false))
        return false;
    --done_;
    return true;
}

bool SceneEditor::Redo()
{
    if (!CanRedo() || !apply(*changes_[done_], true))
        return false;
    ++done_;
    return true;
}

void SceneEditor::RevertToSaved()
{
    const std::size_t target = savedAt_ == std::string::npos ? 0 : savedAt_;
    while (done_ > target && Undo()) { }
    while (done_ < target && Redo()) { }
}

void SceneEditor::Forget()
{
    changes_.clear();
    done_ = 0;
    savedAt_ = 0;
    rememberStarts();
}

std::string SceneEditor::DefinitionText(const Path& group)
{
    ConstraintCollection* list = listOf(group);
    return list ? list->getConstraintDefinition().str() : std::string();
}
