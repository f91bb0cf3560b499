#include "player/app/window/SceneEditPanel.h"

#include "particle/core/ClassRegistry.h"
#include "particle/core/ConstraintCollection.h"
#include "particle/core/DefinitionText.h"
#include "particle/core/IConstraint.h"
#include "player/app/DisabledConstraint.h"
#include "player/app/SceneChecker.h"
#include "player/app/TagCheck.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QSlider>
#include <QSpinBox>
#include <QStyle>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <optional>

namespace {

constexpr int kPathRole = Qt::UserRole;
constexpr int kSliderSteps = 1000;
constexpr int kTypingPauseMs = 300;
const char* const kPictureFilter = "Pictures (*.jpg *.jpeg *.gif *.bmp *.png);;All Files (*)";

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

// Where a slider makes sense: fractions, colour channels and angles. Spin boxes still take any value.
std::optional<std::pair<double, double>> naturalRange(const std::string& tag)
{
    static const char* const fractions[] = { "HueMin", "HueMax", "Saturation", "SaturationMin", "SaturationMax",
        "Brightness", "BrightnessMin", "BrightnessMax", "Alpha Current", "Alpha Previous", "Alpha Midpoint", "Factor",
        "Decay", "Opacity", "Glow Strength", "Glow Threshold" };
    for (const char* name : fractions) {
        if (tag == name)
            return std::make_pair(0.0, 1.0);
    }
    if (tag == "Red" || tag == "Green" || tag == "Blue")
        return std::make_pair(0.0, 255.0);
    if (tag == "MinAngle" || tag == "MaxAngle")
        return std::make_pair(0.0, 360.0);
    return std::nullopt;
}

// A tag's control with a helper beside it, the keyboard going to the control.
QWidget* sideBySide(const std::string& tag, QWidget* control, int controlShare, QWidget* helper, int helperShare)
{
    auto* both = new QWidget;
    both->setObjectName(QString::fromStdString(tag + " controls"));
    auto* row = new QHBoxLayout(both);
    row->setContentsMargins(0, 0, 0, 0);
    both->setFocusProxy(control);
    row->addWidget(control, controlShare);
    row->addWidget(helper, helperShare);
    return both;
}

bool isPictureFile(const std::string& tag)
{
    return tag == "Image Filename";
}

std::string numberText(double value, bool whole)
{
    if (whole)
        return std::to_string(static_cast<long long>(std::lround(value)));
    char text[64];
    std::snprintf(text, sizeof text, "%.6f", value);
    return text;
}

QIcon swatch(const QColor& colour)
{
    QPixmap pixmap(24, 14);
    pixmap.fill(colour);
    QPainter(&pixmap).drawRect(0, 0, 23, 13);
    return QIcon(pixmap);
}

// The tag written on a line of definition text ("<Name>value</Name>"); empty for any other line.
std::string tagOnLine(const std::string& text, std::size_t lineStart)
{
    if (lineStart >= text.size() || text[lineStart] != '<')
        return {};
    const std::size_t close = text.find('>', lineStart);
    const std::size_t lineEnd = text.find("\r\n", lineStart);
    if (close == std::string::npos || close > lineEnd)
        return {};
    return text.substr(lineStart + 1, close - lineStart - 1);
}

} // namespace

template <typename Dialog> auto SceneEditPanel::modal(Dialog dialog)
{
    if (hooks_.pause)
        hooks_.pause();
    auto result = dialog();
    if (hooks_.resume)
        hooks_.resume();
    return result;
}

SceneEditPanel::SceneEditPanel(ConstraintCollection& scene, Hooks hooks, QWidget* parent)
    : QWidget(parent)
    , editor_(scene)
    , hooks_(std::move(hooks))
{
    chooseColour
        = [this](const QColor& current) { return QColorDialog::getColor(current, this, QStringLiteral("Colour")); };
    choosePicture = [this](const QString& folder) {
        return QFileDialog::getOpenFileName(
            this, QStringLiteral("Picture"), folder, QString::fromLatin1(kPictureFilter));
    };
    askUnsaved = [this] {
        QMessageBox box(QMessageBox::Question, QStringLiteral("Mirrim"),
            QStringLiteral("The scene has changes that are not saved. Save them first?"),
            QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, this);
        box.setDefaultButton(QMessageBox::Save);
        const int answer = box.exec();
        return answer == QMessageBox::Save   ? Unsaved::Save
            : answer == QMessageBox::Discard ? Unsaved::Discard
                                             : Unsaved::Cancel;
    };

    auto* layout = new QVBoxLayout(this);
    list_ = new QTreeWidget(this);
    list_->setHeaderHidden(true);
    list_->setRootIsDecorated(true);
    list_->setToolTip(QStringLiteral("Clear a constraint's box to switch it off: it stays, but does nothing"));
    layout->addWidget(list_, 2);

    auto* listRow = new QHBoxLayout;
    classes_ = new QComboBox(this);
    ClassRegistry registry;
    for (int i = 0; i < registry.constraintClassCount(); ++i) {
        const CString name = registry.constraintClassName(i);
        classes_->addItem(QString::fromStdString(name.str()));
        // The class's own description of its tags, as 'mirrim-cli describe' shows it.
        if (std::unique_ptr<IConstraint> example = registry.createConstraint(name))
            classes_->setItemData(
                i, QString::fromStdString(example->getParameterExample().str()).trimmed(), Qt::ToolTipRole);
    }
    listRow->addWidget(classes_, 1);
    QPushButton* add = button("&Add", this, listRow);
    layout->addLayout(listRow);
    auto* moveRow = new QHBoxLayout;
    QPushButton* remove = button("Re&move", this, moveRow);
    QPushButton* duplicate = button("D&uplicate", this, moveRow);
    QPushButton* up = button("U&p", this, moveRow);
    QPushButton* down = button("Do&wn", this, moveRow);
    layout->addLayout(moveRow);

    notes_ = new QLabel(this);
    notes_->setWordWrap(true);
    notes_->setTextFormat(Qt::PlainText);
    notes_->hide();
    layout->addWidget(notes_);
    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    tags_ = new QWidget(scroll);
    form_ = new QFormLayout(tags_);
    scroll->setWidget(tags_);
    layout->addWidget(scroll, 3);

    auto* historyRow = new QHBoxLayout;
    undo_ = button("&Undo", this, historyRow);
    redo_ = button("Re&do", this, historyRow);
    QPushButton* restartButton = button("R&estart", this, historyRow);
    saveButton_ = button("&Save", this, historyRow);
    QPushButton* saveAs = button("Save &As...", this, historyRow);
    layout->addLayout(historyRow);

    typing_.setSingleShot(true);
    typing_.setInterval(kTypingPauseMs);
    connect(&typing_, &QTimer::timeout, this, [this] { check(typed_.first, typed_.second); });

    connect(list_, &QTreeWidget::currentItemChanged, this, [this] { showTags(); });
    // Return (or a double click) on a constraint takes the keyboard to its first tag.
    connect(list_, &QTreeWidget::itemActivated, this, [this] {
        if (QLayoutItem* first = form_->itemAt(0, QFormLayout::FieldRole); first && first->widget())
            first->widget()->setFocus(Qt::TabFocusReason);
    });
    connect(list_, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item) {
        if (refreshing_)
            return;
        SceneEditor::Path path;
        for (const QVariant& index : item->data(0, kPathRole).toList())
            path.push_back(index.toInt());
        const bool on = item->checkState(0) == Qt::Checked;
        // The list is made anew afterwards, which must not happen under the item's own signal.
        if (editor_.IsEnabled(path) != on)
            QMetaObject::invokeMethod(
                this, [this, path, on] { changed(editor_.SetEnabled(path, on), path); }, Qt::QueuedConnection);
    });
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
    connect(restartButton, &QPushButton::clicked, this, [this] {
        if (hooks_.restart)
            hooks_.restart();
    });
    connect(saveButton_, &QPushButton::clicked, this, [this] {
        if (hooks_.save && hooks_.save(false))
            updateButtons();
    });
    connect(saveAs, &QPushButton::clicked, this, [this] {
        if (hooks_.save && hooks_.save(true))
            updateButtons();
    });
    Refresh();
}

SceneEditPanel::~SceneEditPanel()
{
    // The controls go only after the editor has: one losing the keyboard as it goes must not reach it.
    for (QObject* child : findChildren<QObject*>())
        child->disconnect(this);
}

void SceneEditPanel::SetSceneFile(const QString& path)
{
    sceneFile_ = path;
    saveButton_->setToolTip(path.isEmpty() ? QStringLiteral("The scene has no file yet: Save asks for one")
                                           : QStringLiteral("Saves to %1").arg(path));
}

void SceneEditPanel::addItems(ConstraintCollection& list, QTreeWidgetItem* parent, SceneEditor::Path path)
{
    for (int i = 0; i < list.getConstraintCount(); ++i) {
        IConstraint* constraint = list.getConstraint(i);
        if (!constraint)
            continue;
        path.push_back(i);
        auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(list_);
        auto* disabled = dynamic_cast<DisabledConstraint*>(constraint);
        IConstraint& shown = disabled ? disabled->Inner() : *constraint;
        item->setText(0, QString::fromStdString(shown.GetClassName().str()));
        item->setData(0, kPathRole, toVariant(path));
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(0, disabled ? Qt::Unchecked : Qt::Checked);
        if (disabled)
            item->setForeground(0, palette().brush(QPalette::Disabled, QPalette::Text));
        if (auto* group = dynamic_cast<ConstraintCollection*>(&shown))
            addItems(*group, item, path);
        path.pop_back();
    }
}

void SceneEditPanel::Refresh()
{
    const SceneEditor::Path chosen = chosenPath();
    refreshing_ = true;
    list_->clear();
    addItems(editor_.Scene(), nullptr, {});
    list_->expandAll();
    refreshing_ = false;
    Choose(chosen.empty() ? SceneEditor::Path { 0 } : chosen);
    updateButtons();
    check();
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

QWidget* SceneEditPanel::numberControl(const std::string& tag, const std::string& value, bool whole)
{
    QAbstractSpinBox* spin = nullptr;
    std::function<double()> current;
    std::function<void(double)> show;
    if (whole) {
        auto* box = new QSpinBox;
        box->setRange(INT_MIN, INT_MAX);
        box->setValue(QString::fromStdString(value).toInt());
        current = [box] { return box->value(); };
        show = [box](double v) { box->setValue(static_cast<int>(std::lround(v))); };
        spin = box;
    } else {
        auto* box = new QDoubleSpinBox;
        box->setRange(-FLT_MAX, FLT_MAX);
        box->setDecimals(6);
        box->setValue(QString::fromStdString(value).toDouble());
        current = [box] { return box->value(); };
        show = [box](double v) { box->setValue(v); };
        spin = box;
    }
    spin->setObjectName(QString::fromStdString(tag));
    connect(spin, &QAbstractSpinBox::editingFinished, this,
        [this, tag, whole, current] { setTag(tag, numberText(current(), whole)); });
    const std::optional<std::pair<double, double>> range = naturalRange(tag);
    if (!range)
        return spin;

    const auto [low, high] = *range;
    const int steps = whole ? static_cast<int>(high - low) : kSliderSteps;
    auto* slider = new QSlider(Qt::Horizontal);
    slider->setObjectName(QString::fromStdString(tag + " slider"));
    slider->setRange(0, steps);
    const auto place = [slider, low = low, high = high, steps](double v) {
        const QSignalBlocker quiet(slider);
        slider->setValue(static_cast<int>(std::lround(std::clamp((v - low) / (high - low), 0.0, 1.0) * steps)));
    };
    place(current());
    connect(spin, &QAbstractSpinBox::editingFinished, slider, [place, current] { place(current()); });
    connect(slider, &QSlider::sliderPressed, this, [this] { dragStarted_ = true; });
    connect(slider, &QSlider::valueChanged, this,
        [this, slider, spin, show, tag, whole, low = low, high = high, steps](int position) {
            const double v = low + (high - low) * position / steps;
            {
                const QSignalBlocker quiet(spin);
                show(v);
            }
            // A drag is one change, however many values it passes through.
            const bool merge = slider->isSliderDown() && !dragStarted_;
            dragStarted_ = false;
            setTag(tag, numberText(v, whole), merge);
        });
    return sideBySide(tag, spin, 2, slider, 3);
}

QWidget* SceneEditPanel::pictureControl(const std::string& tag, const std::string& value)
{
    auto* names = new QComboBox;
    names->setEditable(true);
    names->setInsertPolicy(QComboBox::NoInsert);
    names->setObjectName(QString::fromStdString(tag));
    // The pictures beside the scene first: a scene names them relative to its own folder.
    const QDir folder = sceneFile_.isEmpty() ? QDir::current() : QFileInfo(sceneFile_).absoluteDir();
    names->addItems(
        folder.entryList({ "*.jpg", "*.jpeg", "*.gif", "*.bmp", "*.png", "*.JPG", "*.JPEG", "*.GIF", "*.BMP", "*.PNG" },
            QDir::Files, QDir::Name));
    names->setEditText(QString::fromStdString(value));
    connect(names->lineEdit(), &QLineEdit::editingFinished, this,
        [this, names, tag] { setTag(tag, names->currentText().toStdString()); });
    connect(names, QOverload<int>::of(&QComboBox::activated), this,
        [this, names, tag] { setTag(tag, names->currentText().toStdString()); });
    connect(names->lineEdit(), &QLineEdit::textEdited, this, [this, tag](const QString& text) {
        typed_ = { tag, text.toStdString() };
        typing_.start();
    });
    auto* browse = new QToolButton;
    browse->setObjectName(QString::fromStdString(tag + " browse"));
    browse->setText(QStringLiteral("..."));
    browse->setToolTip(QStringLiteral("Choose a picture file"));
    connect(browse, &QToolButton::clicked, this, [this, names, tag, folder] {
        const QString chosen = modal([&] { return choosePicture(folder.absolutePath()); });
        if (chosen.isEmpty())
            return;
        const QString relative = folder.relativeFilePath(chosen);
        const QString name = relative.startsWith(QStringLiteral("..")) ? chosen : relative;
        names->setEditText(name);
        setTag(tag, name.toStdString());
    });
    return sideBySide(tag, names, 1, browse, 0);
}

QWidget* SceneEditPanel::colourControl(QColor colour)
{
    auto* choose = new QPushButton(swatch(colour), QStringLiteral("Choose..."));
    choose->setObjectName(QStringLiteral("Colour"));
    choose->setAutoDefault(false);
    connect(choose, &QPushButton::clicked, this, [this, colour] {
        const QColor chosen = modal([&] { return chooseColour(colour); });
        if (!chosen.isValid() || chosen.rgb() == colour.rgb())
            return;
        setTags("<Red>" + std::to_string(chosen.red()) + "</Red><Green>" + std::to_string(chosen.green())
            + "</Green><Blue>" + std::to_string(chosen.blue()) + "</Blue>");
        // Not from inside the button's own click, which the new controls replace.
        QMetaObject::invokeMethod(
            this, [this] { showTags(); }, Qt::QueuedConnection);
    });
    return choose;
}

void SceneEditPanel::showTags()
{
    // The controls going away must not report the loss of the keyboard as an edit.
    for (QWidget* control : tags_->findChildren<QWidget*>())
        control->disconnect(this);
    typing_.stop();
    while (form_->rowCount() > 0)
        form_->removeRow(0);
    IConstraint* constraint = editor_.Find(chosenPath());
    if (constraint) {
        const std::vector<ClassTag> tags = TagsOf(*constraint);
        for (const ClassTag& tag : tags) {
            QWidget* control = nullptr;
            switch (tag.type) {
            case ClassTag::Type::WholeNumber:
            case ClassTag::Type::Number:
                control = numberControl(tag.name, tag.value, tag.type == ClassTag::Type::WholeNumber);
                break;
            case ClassTag::Type::TrueFalse: {
                auto* box = new QCheckBox;
                box->setChecked(tag.value == "true");
                connect(box, &QCheckBox::toggled, this,
                    [this, name = tag.name](bool on) { setTag(name, on ? "true" : "false"); });
                control = box;
                break;
            }
            case ClassTag::Type::Text:
                if (isPictureFile(tag.name)) {
                    control = pictureControl(tag.name, tag.value);
                    break;
                }
                auto* line = new QLineEdit(QString::fromStdString(tag.value));
                connect(line, &QLineEdit::editingFinished, this,
                    [this, line, name = tag.name] { setTag(name, line->text().toStdString()); });
                connect(line, &QLineEdit::textEdited, this, [this, name = tag.name](const QString& text) {
                    typed_ = { name, text.toStdString() };
                    typing_.start();
                });
                control = line;
                break;
            }
            if (control->objectName().isEmpty())
                control->setObjectName(QString::fromStdString(tag.name));
            auto* label = new QLabel(QString::fromStdString(tag.name));
            label->setObjectName(QString::fromStdString(tag.name + " label"));
            form_->addRow(label, control);
            if (tag.name == "Blue" && !TagValue(tags, "Red").empty() && !TagValue(tags, "Green").empty()) {
                const auto channel = [&tags](const char* name) { return std::atoi(TagValue(tags, name).c_str()); };
                form_->addRow(QStringLiteral("Colour"),
                    colourControl(QColor(channel("Red") & 255, channel("Green") & 255, channel("Blue") & 255)));
            }
        }
    }
    for (QWidget* control : tags_->findChildren<QWidget*>())
        control->installEventFilter(this);
    showFindings();
}

bool SceneEditPanel::eventFilter(QObject* watched, QEvent* event)
{
    // Ctrl+E closes the editor from its fields too, which would otherwise take it for "end of line".
    if (event->type() == QEvent::ShortcutOverride) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_E && key->modifiers() == Qt::ControlModifier)
            return true;
    }
    return QWidget::eventFilter(watched, event);
}

void SceneEditPanel::setTag(const std::string& tag, const std::string& value, bool merge)
{
    IConstraint* constraint = editor_.Find(chosenPath());
    // A control that lost the keyboard without a change says nothing, but what was typed is checked no more.
    if (!constraint || TagValue(TagsOf(*constraint), tag) == value) {
        if (!typed_.first.empty()) {
            typing_.stop();
            typed_ = {};
            check();
        }
        return;
    }
    setTags("<" + tag + ">" + value + "</" + tag + ">", merge);
}

void SceneEditPanel::setTags(const std::string& params, bool merge)
{
    if (!editor_.SetTags(chosenPath(), params, merge))
        return;
    updateButtons();
    // While a slider is dragged the checker waits for a pause.
    typed_ = {};
    if (merge)
        typing_.start();
    else
        check();
}

void SceneEditPanel::changed(bool done, const SceneEditor::Path& path)
{
    if (!done)
        return;
    Refresh();
    Choose(path);
}

void SceneEditPanel::updateButtons()
{
    undo_->setEnabled(editor_.CanUndo());
    redo_->setEnabled(editor_.CanRedo());
    saveButton_->setText(editor_.IsModified() ? QStringLiteral("&Save*") : QStringLiteral("&Save"));
}

bool SceneEditPanel::MayLeave(bool revert)
{
    if (!editor_.IsModified())
        return true;
    switch (modal([this] { return askUnsaved(); })) {
    case Unsaved::Save:
        if (!hooks_.save || !hooks_.save(false))
            return false;
        updateButtons();
        return true;
    case Unsaved::Discard:
        if (revert) {
            editor_.RevertToSaved();
            Refresh();
        }
        return true;
    case Unsaved::Cancel:
        break;
    }
    return false;
}

void SceneEditPanel::check(const std::string& typedTag, const std::string& typedValue)
{
    std::string text = editor_.TextToSave();
    std::vector<DefinitionBlock> blocks = SplitDefinitionText(text);
    const SceneEditor::Path chosen = chosenPath();
    // The value being typed stands in the chosen block in place of the one the constraint has.
    if (!typedTag.empty() && chosen.size() == 1 && chosen[0] >= 0
        && static_cast<std::size_t>(chosen[0]) < blocks.size()) {
        const DefinitionBlock& block = blocks[chosen[0]];
        const std::string open = "<" + typedTag + ">";
        const std::size_t at = text.find(open, block.lineEnd);
        const std::size_t close = at == std::string::npos ? at : text.find("</" + typedTag + ">", at);
        if (close != std::string::npos && close < block.end) {
            text.replace(at + open.size(), close - at - open.size(), typedValue);
            blocks = SplitDefinitionText(text);
        }
    }
    const std::string path = sceneFile_.isEmpty() ? std::string("scene.vq") : sceneFile_.toStdString();
    const SceneCheck result = SceneChecker().CheckBytes(path, std::vector<std::uint8_t>(text.begin(), text.end()));

    // The line each block starts on, to place a finding in its block and on its tag's line.
    std::vector<int> firstLines;
    std::vector<std::size_t> lineStarts { 0 };
    for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2))
        lineStarts.push_back(at + 2);
    for (const DefinitionBlock& block : blocks)
        firstLines.push_back(
            static_cast<int>(std::upper_bound(lineStarts.begin(), lineStarts.end(), block.begin) - lineStarts.begin()));

    findings_.clear();
    elsewhere_.clear();
    for (const Finding& finding : result.findings) {
        const QString said = QString::fromStdString(
            (finding.severity == Finding::Severity::Error ? "error: " : "warning: ") + finding.message);
        const auto block = std::upper_bound(firstLines.begin(), firstLines.end(), finding.line);
        if (finding.file != path || finding.line <= 0 || block == firstLines.begin()) {
            elsewhere_ << (finding.file == path ? said : QString::fromStdString(finding.Text()));
            continue;
        }
        const int index = static_cast<int>(block - firstLines.begin()) - 1;
        const std::size_t line = static_cast<std::size_t>(finding.line) - 1;
        const std::string tag
            = finding.line == firstLines[index] || line >= lineStarts.size() ? "" : tagOnLine(text, lineStarts[line]);
        findings_[index][tag] << said;
    }
    showFindings();
}

QStringList SceneEditPanel::FindingsAt(const SceneEditor::Path& path, const std::optional<std::string>& tag) const
{
    QStringList said;
    if (path.size() != 1)
        return said;
    const auto block = findings_.find(path[0]);
    if (block == findings_.end())
        return said;
    for (const auto& [name, messages] : block->second) {
        if (!tag || name == *tag)
            said << messages;
    }
    return said;
}

void SceneEditPanel::showFindings()
{
    // Beside each top-level constraint in the list: a sign and the findings as its tip.
    for (int i = 0; i < list_->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = list_->topLevelItem(i);
        const QStringList said = FindingsAt({ i });
        const bool errors = said.filter(QStringLiteral("error: ")).size() > 0;
        const QSignalBlocker quiet(list_);
        item->setIcon(0,
            said.isEmpty()
                ? QIcon()
                : style()->standardIcon(errors ? QStyle::SP_MessageBoxCritical : QStyle::SP_MessageBoxWarning));
        item->setToolTip(0, said.join('\n'));
    }
    // Beside each tag of the chosen constraint: its label marked and the finding under its control.
    const SceneEditor::Path chosen = chosenPath();
    for (QLabel* note : tags_->findChildren<QLabel*>(QStringLiteral("finding")))
        form_->removeRow(note);
    for (QLabel* label : tags_->findChildren<QLabel*>()) {
        if (!label->objectName().endsWith(QStringLiteral(" label")))
            continue;
        const std::string tag = label->objectName().chopped(6).toStdString();
        const QStringList said = FindingsAt(chosen, tag);
        label->setStyleSheet(said.isEmpty() ? QString() : QStringLiteral("color: #b00000; font-weight: bold"));
        label->setToolTip(said.join('\n'));
        if (said.isEmpty())
            continue;
        int row = -1;
        QFormLayout::ItemRole role;
        form_->getWidgetPosition(label, &row, &role);
        auto* note = new QLabel(said.join('\n'));
        note->setObjectName(QStringLiteral("finding"));
        note->setWordWrap(true);
        note->setStyleSheet(QStringLiteral("color: #b00000"));
        form_->insertRow(row + 1, QString(), note);
    }
    QStringList general = FindingsAt(chosen, std::string());
    general << elsewhere_;
    notes_->setText(general.join('\n'));
    notes_->setStyleSheet(QStringLiteral("color: #b00000"));
    notes_->setVisible(!general.isEmpty());
}
