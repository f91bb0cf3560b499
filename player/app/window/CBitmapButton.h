#pragma once

#include "player/app/window/ButtonArt.h"

#include <QAbstractButton>

// A push button that shows one of its four pictures (up, pressed, focused, disabled) and takes their size.
class CBitmapButton : public QAbstractButton {
    Q_OBJECT
public:
    CBitmapButton(ButtonArt::Kind kind, const QString& caption, QWidget* parent);

    ButtonArt::Kind kind() const { return kind_; }
    // The picture for the button's present state.
    ButtonArt::State CurrentState() const;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    ButtonArt::Kind kind_;
    QImage pictures_[4];
};
