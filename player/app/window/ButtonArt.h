#pragma once

#include <QCursor>
#include <QIcon>
#include <QImage>

// The window's pictures, drawn in code in the 16-colour palette: the ten media buttons in their four
// states, the program icon and the pointer cursor shown while the mouse drives the particle factory.
class ButtonArt {
public:
    enum class Kind { Clear, Stop, Step, Play, Playing, Record, Recording, Snapshot, Load, Exit };
    enum class State { Up, Down, Focused, Disabled };

    // 20 x 19, Exit 40 x 19.
    static QSize Size(Kind kind);
    // Recording and Exit have no disabled picture.
    static bool HasDisabled(Kind kind);
    // A null image for a disabled picture that the kind does not have.
    static QImage Picture(Kind kind, State state);

    // Every picture on one sheet, for the browser page: a row of 19 pixels per kind, in Kind's order, and
    // a column of 40 per state, in State's order, each picture at its cell's top-left; the cells of
    // pictures a kind does not have stay transparent.
    static QImage Sheet();

    // The program icon at 32 x 32 or 16 x 16.
    static QImage IconImage(int size);
    static QIcon Icon();
    // 32 x 32, two colours, hot spot (6, 6): a crosshair with a sparkle.
    static QCursor DrawCursor();

    // Every colour a picture here may use.
    static const QVector<QRgb>& Palette();
};
