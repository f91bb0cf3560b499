#pragma once

#include "player/app/Finding.h"
#include "player/app/SceneEditor.h"

#include <QColor>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

class QComboBox;
class QFormLayout;
class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class ConstraintCollection;

// The editor beside the picture: the scene's constraints in order, in their groups, each with a check
// box that switches it on and off, and the tags of the one chosen as typed controls: numbers as spin
// boxes (with a slider where the tag has a natural range), true/false as check boxes, colours with a
// colour chooser, picture names with the pictures beside the scene offered first, other names as text.
// A change acts from the next tick, the particles staying; every change can be undone. What the checker
// finds in the scene is shown beside the constraint and the tag it concerns, and follows every change.
class SceneEditPanel : public QWidget {
    Q_OBJECT
public:
    // What the panel asks of the window.
    struct Hooks {
        // Starts the scene as it now stands from tick 0.
        std::function<void()> restart;
        // Saves the scene to its own file, or, with saveAs or when it has none, to one asked for; true
        // when it was saved.
        std::function<bool(bool saveAs)> save;
        // Around the panel's own dialogs: no tick runs while one is open.
        std::function<void()> pause;
        std::function<void()> resume;
    };
    enum class Unsaved { Save, Discard, Cancel };

    SceneEditPanel(ConstraintCollection& scene, Hooks hooks, QWidget* parent = nullptr);
    ~SceneEditPanel() override;

    SceneEditor& Editor() { return editor_; }
    // The file the scene came from: pictures beside it are offered first, relative names are checked
    // beside it, and Save writes it. Empty for a scene of no file.
    void SetSceneFile(const QString& path);
    const QString& SceneFile() const { return sceneFile_; }
    // Lists the scene anew: after a load, or when the list changed under it.
    void Refresh();
    // Chooses the constraint at the path, as a click in the list does.
    void Choose(const SceneEditor::Path& path);
    // The control showing a tag of the chosen constraint ("Colour" for its colour); null when there is none.
    QWidget* TagControl(const QString& tag) const;
    // What the checker says of the top-level constraint at the path: all of it, or what concerns one tag
    // ("" for what concerns the constraint as a whole).
    QStringList FindingsAt(const SceneEditor::Path& path, const std::optional<std::string>& tag = std::nullopt) const;
    // When the scene has changes not saved, asks whether to save them: false when the user cancels or
    // the save fails. With revert, Discard takes the changes back (the scene stays, as when the panel
    // closes); otherwise they are left to whatever replaces the scene.
    bool MayLeave(bool revert);

    // The panel's questions, replaceable by tests; by default Qt's dialogs.
    std::function<QColor(const QColor& current)> chooseColour;
    std::function<QString(const QString& folder)> choosePicture;
    std::function<Unsaved()> askUnsaved;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void addItems(ConstraintCollection& list, QTreeWidgetItem* parent, SceneEditor::Path path);
    SceneEditor::Path chosenPath() const;
    void showTags();
    QWidget* numberControl(const std::string& tag, const std::string& value, bool whole);
    QWidget* pictureControl(const std::string& tag, const std::string& value);
    QWidget* colourControl(QColor colour);
    // Gives the chosen constraint a tag's value; merge folds it into the change before (a slider's drag).
    void setTag(const std::string& tag, const std::string& value, bool merge = false);
    void setTags(const std::string& params, bool merge = false);
    // After a change of the list: lists it and chooses what stands at path.
    void changed(bool done, const SceneEditor::Path& path);
    void updateButtons();
    // Runs the checker over the scene's text (with one tag of the chosen constraint as being typed).
    void check(const std::string& typedTag = std::string(), const std::string& typedValue = std::string());
    void showFindings();
    // Runs a dialog of the panel's own with the animation stopped.
    template <typename Dialog> auto modal(Dialog dialog);

    SceneEditor editor_;
    Hooks hooks_;
    QString sceneFile_;
    QTreeWidget* list_ = nullptr;
    QWidget* tags_ = nullptr;
    QFormLayout* form_ = nullptr;
    QLabel* notes_ = nullptr; // what the checker says of the chosen constraint as a whole, or elsewhere
    QComboBox* classes_ = nullptr;
    QPushButton* undo_ = nullptr;
    QPushButton* redo_ = nullptr;
    QPushButton* saveButton_ = nullptr;
    bool refreshing_ = false;
    bool dragStarted_ = false;
    // The checker's findings by top-level constraint (index) and tag ("" for the block as a whole).
    std::map<int, std::map<std::string, QStringList>> findings_;
    QStringList elsewhere_; // in included files, or the scene as a whole
    QTimer typing_; // checks text a while after the last key
    std::pair<std::string, std::string> typed_;
};
