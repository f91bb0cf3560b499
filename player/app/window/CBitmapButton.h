#pragma once

#include "player/app/window/ButtonArt.h"

#include <QAbstractButton>

// A push button that shows one of its four pictures (up, pressed, focused, disabled) and takes their size.
// It takes the focus from the keyboard only, so a click leaves the keyboard where it was.
class CBitmapButton : public QAbstractButton {
    Q_OBJECT
public:
    CBitmapButton(ButtonArt::Kind kind, const QString& caption, QWidget* parent);

    ButtonArt::Kind kind() const { return kind_; }
    // The picture for the button's present state.
    ButtonArt::State CurrentState() const;
    QSize sizeHint() const override;
    // Shows the pictures enlarged zoom times, pixel for pixel.
    void SetZoom(int zoom);
    // Takes the focus to show the focused picture, but leaves every key to the window until the focus
    // has moved elsewhere: a key meant for a shortcut never presses the button by accident.
    void TakeFocusQuietly();
    bool IsQuiet() const { return quiet_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    ButtonArt::Kind kind_;
    QImage pictures_[4];
    int zoom_ = 1;
    bool quiet_ = false;
};
