#include "player/app/window/SceneEditPanel.h"

#include "particle/core/ClassRegistry.h"
#include "particle/core/ConstraintCollection.h"
#include "particle/core/IConstraint.h"
#include "player/app/TagCheck.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <cfloat>
#include <climits>
#include <cstdio>

namespace {

constexpr int kPathRole = Qt::UserRole;

QVariantList toVariant(const SceneEditor::Path& path)
{
    QVariantList list;
    for (int index : path)
        list << index;
    return list;
}

QPushButton* button(const char* caption, QWidget* parent, QHBoxLayout* row)
{
    auto* made = new QPushButton(QString::fromLatin1(caption), parent);
    made->setAutoDefault(false);
    row->addWidget(made);
    return made;
}

} // namespace

SceneEditPanel::SceneEditPanel(
    ConstraintCollection& scene, std::function<void()> restart, std::function<void()> save, QWidget* parent)
    : QWidget(parent)
    , editor_(scene)
    , restart_(std::move(restart))
    , save_(std::move(save))
{
    auto* layout = new QVBoxLayout(this);
    list_ = new QTreeWidget(this);
    list_->setHeaderHidden(true);
    list_->setRootIsDecorated(true);
    layout->addWidget(list_, 2);

    auto* listRow = new QHBoxLayout;
    classes_ = new QComboBox(this);
    ClassRegistry registry;
    for (int i = 0; i < registry.constraintClassCount(); ++i)
        classes_->addItem(QString::fromStdString(registry.constraintClassName(i).str()));
    listRow->addWidget(classes_, 1);
    QPushButton* add = button("&Add", this, listRow);
    layout->addLayout(listRow);
    auto* moveRow = new QHBoxLayout;
    QPushButton* remove = button("Re&move", this, moveRow);
    QPushButton* duplicate = button("D&uplicate", this, moveRow);
    QPushButton* up = button("U&p", this, moveRow);
    QPushButton* down = button("Do&wn", this, moveRow);
    layout->addLayout(moveRow);

    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    tags_ = new QWidget(scroll);
    form_ = new QFormLayout(tags_);
    scroll->setWidget(tags_);
    layout->addWidget(scroll, 3);

    auto* historyRow = new QHBoxLayout;
    undo_ = button("&Undo", this, historyRow);
    redo_ = button("Re&do", this, historyRow);
    QPushButton* restartButton = button("Re&start", this, historyRow);
    QPushButton* saveButton = button("Save &As...", this, historyRow);
    layout->addLayout(historyRow);

    connect(list_, &QTreeWidget::currentItemChanged, this, [this] { showTags(); });
    connect(add, &QPushButton::clicked, this, [this] {
        SceneEditor::Path at = chosenPath();
        if (at.empty())
            at = { 0 };
        else
            ++at.back();
        changed(editor_.Insert(at, classes_->currentText().toStdString(), ""), at);
    });
    connect(remove, &QPushButton::clicked, this, [this] {
        SceneEditor::Path at = chosenPath();
        const bool done = editor_.Remove(at);
        if (!at.empty() && at.back() > 0 && !editor_.Find(at))
            --at.back();
        changed(done, at);
    });
    connect(duplicate, &QPushButton::clicked, this, [this] {
        SceneEditor::Path at = chosenPath();
        const bool done = editor_.Duplicate(at);
        if (!at.empty())
            ++at.back();
        changed(done, at);
    });
    const auto move = [this](int by) {
        SceneEditor::Path at = chosenPath();
        if (at.empty())
            return;
        const bool done = editor_.Move(at, at.back() + by);
        at.back() += done ? by : 0;
        changed(done, at);
    };
    connect(up, &QPushButton::clicked, this, [move] { move(-1); });
    connect(down, &QPushButton::clicked, this, [move] { move(1); });
    connect(undo_, &QPushButton::clicked, this, [this] { changed(editor_.Undo(), chosenPath()); });
    connect(redo_, &QPushButton::clicked, this, [this] { changed(editor_.Redo(), chosenPath()); });
    connect(restartButton, &QPushButton::clicked, this, [this] { restart_(); });
    connect(saveButton, &QPushButton::clicked, this, [this] { save_(); });
    Refresh();
}

SceneEditPanel::~SceneEditPanel() = default;

void SceneEditPanel::addItems(ConstraintCollection& list, QTreeWidgetItem* parent, SceneEditor::Path path)
{
    for (int i = 0; i < list.getConstraintCount(); ++i) {
        IConstraint* constraint = list.getConstraint(i);
        if (!constraint)
            continue;
        path.push_back(i);
        auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(list_);
        item->setText(0, QString::fromStdString(constraint->GetClassName().str()));
        item->setData(0, kPathRole, toVariant(path));
        if (auto* group = dynamic_cast<ConstraintCollection*>(constraint))
            addItems(*group, item, path);
        path.pop_back();
    }
}

void SceneEditPanel::Refresh()
{
    const SceneEditor::Path chosen = chosenPath();
    list_->clear();
    addItems(editor_.Scene(), nullptr, {});
    list_->expandAll();
    Choose(chosen.empty() ? SceneEditor::Path { 0 } : chosen);
    undo_->setEnabled(editor_.CanUndo());
    redo_->setEnabled(editor_.CanRedo());
}

void SceneEditPanel::Choose(const SceneEditor::Path& path)
{
    const QVariant wanted = toVariant(path);
    for (QTreeWidgetItemIterator it(list_); *it; ++it) {
        if ((*it)->data(0, kPathRole) == wanted) {
            list_->setCurrentItem(*it);
            return;
        }
    }
    showTags();
}

SceneEditor::Path SceneEditPanel::chosenPath() const
{
    SceneEditor::Path path;
    if (const QTreeWidgetItem* item = list_->currentItem()) {
        for (const QVariant& index : item->data(0, kPathRole).toList())
            path.push_back(index.toInt());
    }
    return path;
}

QWidget* SceneEditPanel::TagControl(const QString& tag) const
{
    return tags_->findChild<QWidget*>(tag);
}

void SceneEditPanel::showTags()
{
    // The controls going away must not report the loss of the keyboard as an edit.
    for (QWidget* control : tags_->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        control->disconnect(this);
    while (form_->rowCount() > 0)
        form_->removeRow(0);
    IConstraint* constraint = editor_.Find(chosenPath());
    if (!constraint)
        return;
    for (const ClassTag& tag : TagsOf(*constraint)) {
        const QString name = QString::fromStdString(tag.name);
        QWidget* control = nullptr;
        switch (tag.type) {
        case ClassTag::Type::WholeNumber: {
            auto* box = new QSpinBox(tags_);
            box->setRange(INT_MIN, INT_MAX);
            box->setValue(QString::fromStdString(tag.value).toInt());
            connect(box, &QSpinBox::editingFinished, this,
                [this, box, tag] { setTag(tag.name, std::to_string(box->value())); });
            control = box;
            break;
        }
        case ClassTag::Type::Number: {
            auto* box = new QDoubleSpinBox(tags_);
            box->setRange(-FLT_MAX, FLT_MAX);
            box->setDecimals(6);
            box->setValue(QString::fromStdString(tag.value).toDouble());
            connect(box, &QDoubleSpinBox::editingFinished, this, [this, box, tag] {
                char text[64];
                std::snprintf(text, sizeof text, "%.6f", box->value());
                setTag(tag.name, text);
            });
            control = box;
            break;
        }
        case ClassTag::Type::TrueFalse: {
            auto* box = new QCheckBox(tags_);
            box->setChecked(tag.value == "true");
            connect(box, &QCheckBox::toggled, this, [this, tag](bool on) { setTag(tag.name, on ? "true" : "false"); });
            control = box;
            break;
        }
        case ClassTag::Type::Text: {
            auto* line = new QLineEdit(QString::fromStdString(tag.value), tags_);
            connect(line, &QLineEdit::editingFinished, this,
                [this, line, tag] { setTag(tag.name, line->text().toStdString()); });
            control = line;
            break;
        }
        }
        control->setObjectName(name);
        form_->addRow(name, control);
    }
}

void SceneEditPanel::setTag(const std::string& tag, const std::string& value)
{
    IConstraint* constraint = editor_.Find(chosenPath());
    // A control that lost the keyboard without a change says nothing.
    if (!constraint || TagValue(TagsOf(*constraint), tag) == value)
        return;
    editor_.SetTags(chosenPath(), "<" + tag + ">" + value + "</" + tag + ">");
    undo_->setEnabled(editor_.CanUndo());
    redo_->setEnabled(editor_.CanRedo());
}

void SceneEditPanel::changed(bool done, const SceneEditor::Path& path)
{
    if (!done)
        return;
    Refresh();
    Choose(path);
}
