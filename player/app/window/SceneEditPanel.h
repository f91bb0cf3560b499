#pragma once

#include "player/app/SceneEditor.h"

#include <QWidget>

#include <functional>

class QComboBox;
class QFormLayout;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class ConstraintCollection;

// The editor beside the picture: the scene's constraints in order, in their groups, and the tags of the
// one chosen as typed controls (whole numbers and numbers as spin boxes, true/false as check boxes,
// names as text). A change acts from the next tick, the particles staying; every change can be undone.
// Add, Remove, Duplicate, Up and Down change the list; Restart starts the edited scene from no
// particles; Save As writes its definition text.
class SceneEditPanel : public QWidget {
    Q_OBJECT
public:
    // restart: start the scene as it now stands from tick 0; save: ask for a file and write the text.
    SceneEditPanel(ConstraintCollection& scene, std::function<void()> restart, std::function<void()> save,
        QWidget* parent = nullptr);
    ~SceneEditPanel() override;

    SceneEditor& Editor() { return editor_; }
    // Lists the scene anew: after a load, or when the list changed under it.
    void Refresh();
    // Chooses the constraint at the path, as a click in the list does.
    void Choose(const SceneEditor::Path& path);
    // The control showing a tag of the chosen constraint; null when it has no such tag.
    QWidget* TagControl(const QString& tag) const;

private:
    void addItems(ConstraintCollection& list, QTreeWidgetItem* parent, SceneEditor::Path path);
    SceneEditor::Path chosenPath() const;
    void showTags();
    void setTag(const std::string& tag, const std::string& value);
    // After a change of the list: lists it and chooses what stands at path.
    void changed(bool done, const SceneEditor::Path& path);

    SceneEditor editor_;
    std::function<void()> restart_;
    std::function<void()> save_;
    QTreeWidget* list_ = nullptr;
    QWidget* tags_ = nullptr;
    QFormLayout* form_ = nullptr;
    QComboBox* classes_ = nullptr;
    QPushButton* undo_ = nullptr;
    QPushButton* redo_ = nullptr;
};
