#pragma once

#include "player/app/window/ImageDialogLayout.h"

#include <QDialog>

class IImage;
class IPlayerUi;
class QPushButton;

// The "Image" dialog: shows a snapshot at its own size and saves it as JPEG or BMP on request.
class CImageDialog : public QDialog {
    Q_OBJECT
public:
    // ui asks for the file name when saving; it and the picture stay the caller's.
    CImageDialog(IPlayerUi* ui, QWidget* parent);

    // Set before the dialog is shown; null keeps the template's layout.
    void SetImage(IImage* picture);
    const ImageDialogLayout& Layout() const { return layout_; }

public slots:
    // Asks for a file and saves the picture there; the dialog stays open.
    void OnSave();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void applyLayout();

    IPlayerUi* ui_;
    IImage* picture_ = nullptr;
    ImageDialogLayout layout_;
    QPushButton* close_;
    QPushButton* cancel_;
    QPushButton* save_;
};
