#include "player/app/window/CBitmapButton.h"

#include <QKeyEvent>
#include <QPainter>

CBitmapButton::CBitmapButton(ButtonArt::Kind kind, const QString& caption, QWidget* parent)
    : QAbstractButton(parent)
    , kind_(kind)
{
    setText(caption); // not drawn; names the button for accessibility and tests
    setAccessibleName(caption);
    setFocusPolicy(Qt::TabFocus);
    for (int state = 0; state < 4; ++state)
        pictures_[state] = ButtonArt::Picture(kind, static_cast<ButtonArt::State>(state));
    setFixedSize(ButtonArt::Size(kind));
}

ButtonArt::State CBitmapButton::CurrentState() const
{
    if (!isEnabled())
        return ButtonArt::State::Disabled;
    if (isDown())
        return ButtonArt::State::Down;
    if (hasFocus())
        return ButtonArt::State::Focused;
    return ButtonArt::State::Up;
}

QSize CBitmapButton::sizeHint() const
{
    return ButtonArt::Size(kind_) * zoom_;
}

void CBitmapButton::SetZoom(int zoom)
{
    zoom_ = zoom;
    setFixedSize(ButtonArt::Size(kind_) * zoom);
    update();
}

void CBitmapButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.scale(zoom_, zoom_); // without smoothing: crisp pixels
    const ButtonArt::State state = CurrentState();
    const QImage& picture = pictures_[static_cast<int>(state)];
    if (!picture.isNull()) {
        painter.drawImage(0, 0, picture);
        return;
    }
    // No disabled picture: the up picture, greyed.
    painter.drawImage(0, 0, pictures_[static_cast<int>(ButtonArt::State::Up)]);
    painter.fillRect(QRect(QPoint(0, 0), ButtonArt::Size(kind_)), QColor(192, 192, 192, 128));
}

void CBitmapButton::TakeFocusQuietly()
{
    quiet_ = true;
    setFocus(Qt::OtherFocusReason);
}

void CBitmapButton::focusOutEvent(QFocusEvent* event)
{
    // The window losing and regaining activity does not move the focus.
    if (event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason)
        quiet_ = false;
    QAbstractButton::focusOutEvent(event);
}

void CBitmapButton::keyReleaseEvent(QKeyEvent* event)
{
    if (quiet_) {
        event->ignore();
        return;
    }
    QAbstractButton::keyReleaseEvent(event);
}

void CBitmapButton::keyPressEvent(QKeyEvent* event)
{
    if (quiet_) {
        event->ignore(); // on to the window
        return;
    }
    // Return and Enter press the focused button, as on the classic push buttons.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        animateClick();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}
