#include "player/app/window/ButtonArt.h"

#include <QBitmap>
#include <QPainter>
#include <QPolygon>

namespace {

// The classic 16-colour palette.
const QRgb kBlack = qRgb(0, 0, 0);
const QRgb kMaroon = qRgb(128, 0, 0);
const QRgb kGreen = qRgb(0, 128, 0);
const QRgb kOlive = qRgb(128, 128, 0);
const QRgb kNavy = qRgb(0, 0, 128);
const QRgb kPurple = qRgb(128, 0, 128);
const QRgb kTeal = qRgb(0, 128, 128);
const QRgb kSilver = qRgb(192, 192, 192);
const QRgb kGrey = qRgb(128, 128, 128);
const QRgb kRed = qRgb(255, 0, 0);
const QRgb kLime = qRgb(0, 255, 0);
const QRgb kYellow = qRgb(255, 255, 0);
const QRgb kBlue = qRgb(0, 0, 255);
const QRgb kFuchsia = qRgb(255, 0, 255);
const QRgb kAqua = qRgb(0, 255, 255);
const QRgb kWhite = qRgb(255, 255, 255);

void line(QPainter& p, QRgb colour, int x0, int y0, int x1, int y1, int width = 1)
{
    p.setPen(QPen(QColor(colour), width, Qt::SolidLine, Qt::SquareCap));
    p.drawLine(x0, y0, x1, y1);
}

void fill(QPainter& p, QRgb colour, int x, int y, int w, int h)
{
    p.fillRect(x, y, w, h, QColor(colour));
}

void polygon(QPainter& p, QRgb outline, QRgb inside, const QPolygon& points)
{
    p.setPen(QColor(outline));
    p.setBrush(QColor(inside));
    p.drawPolygon(points);
}

void disc(QPainter& p, QRgb outline, const QBrush& inside, int x, int y, int w, int h)
{
    p.setPen(QColor(outline));
    p.setBrush(inside);
    p.drawEllipse(x, y, w - 1, h - 1);
}

// A 5 x 7 pixel font for the one word the buttons carry.
void drawWord(QImage& image, const char* const* rows, int columns, int x0, int y0, QRgb colour)
{
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < columns; ++x)
            if (rows[y][x] == '#')
                image.setPixel(x0 + x, y0 + y, colour);
}

// The symbol of each button on a transparent picture of the button's size, centred on (10, 9).
QImage glyph(ButtonArt::Kind kind)
{
    using Kind = ButtonArt::Kind;
    QImage image(ButtonArt::Size(kind), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    switch (kind) {
    case Kind::Clear: // a red cross: wipe the particles away
        line(p, kMaroon, 6, 5, 13, 12, 2);
        line(p, kMaroon, 13, 5, 6, 12, 2);
        line(p, kRed, 6, 5, 13, 12);
        line(p, kRed, 13, 5, 6, 12);
        break;
    case Kind::Stop:
        fill(p, kBlack, 6, 5, 8, 8);
        fill(p, kNavy, 7, 6, 6, 6);
        break;
    case Kind::Step: // play one frame: a small triangle against a bar
        polygon(p, kBlack, kGreen, QPolygon({ QPoint(6, 4), QPoint(11, 9), QPoint(6, 14) }));
        fill(p, kBlack, 12, 4, 2, 11);
        break;
    case Kind::Play:
        polygon(p, kBlack, kGreen, QPolygon({ QPoint(7, 4), QPoint(13, 9), QPoint(7, 14) }));
        break;
    case Kind::Playing: // the play triangle lit up
        polygon(p, kGreen, kLime, QPolygon({ QPoint(7, 4), QPoint(13, 9), QPoint(7, 14) }));
        image.setPixel(8, 7, kWhite);
        image.setPixel(8, 8, kWhite);
        line(p, kYellow, 15, 5, 15, 6);
        line(p, kYellow, 15, 12, 15, 13);
        break;
    case Kind::Record:
        disc(p, kMaroon, QColor(kRed), 6, 5, 8, 8);
        break;
    case Kind::Recording: // a brighter dot inside a ring
        disc(p, kRed, Qt::NoBrush, 4, 3, 12, 12);
        disc(p, kMaroon, QColor(kRed), 7, 6, 6, 6);
        image.setPixel(8, 7, kWhite);
        break;
    case Kind::Snapshot: // a camera
        fill(p, kBlack, 5, 6, 10, 1);
        fill(p, kBlack, 7, 5, 3, 1);
        fill(p, kBlack, 4, 7, 12, 7);
        fill(p, kGrey, 5, 8, 10, 5);
        disc(p, kBlack, QColor(kTeal), 8, 8, 5, 5);
        image.setPixel(10, 10, kAqua);
        image.setPixel(13, 8, kWhite);
        break;
    case Kind::Load: // a folder
        fill(p, kOlive, 4, 5, 5, 2);
        fill(p, kOlive, 4, 6, 12, 9);
        fill(p, kYellow, 5, 7, 10, 7);
        line(p, kOlive, 5, 9, 14, 9);
        break;
    case Kind::Exit: {
        static const char* const E[7] = { "#####", "#....", "#....", "####.", "#....", "#....", "#####" };
        static const char* const x[7] = { ".....", ".....", "#...#", ".#.#.", "..#..", ".#.#.", "#...#" };
        static const char* const i[7] = { ".#.", "...", "##.", ".#.", ".#.", ".#.", "###" };
        static const char* const t[7] = { ".#...", ".#...", "####.", ".#...", ".#...", ".#..#", "..##." };
        p.end();
        drawWord(image, E, 5, 10, 6, kBlack);
        drawWord(image, x, 5, 16, 6, kBlack);
        drawWord(image, i, 3, 22, 6, kBlack);
        drawWord(image, t, 5, 26, 6, kBlack);
        return image;
    }
    }
    p.end();
    return image;
}

// Greys a symbol out the classic way: a white copy one pixel down and right under a grey one.
QImage etched(const QImage& symbol)
{
    QImage out(symbol.size(), QImage::Format_ARGB32);
    out.fill(Qt::transparent);
    for (int y = 0; y < symbol.height(); ++y)
        for (int x = 0; x < symbol.width(); ++x)
            if (qAlpha(symbol.pixel(x, y)) && x + 1 < out.width() && y + 1 < out.height())
                out.setPixel(x + 1, y + 1, kWhite);
    for (int y = 0; y < symbol.height(); ++y)
        for (int x = 0; x < symbol.width(); ++x)
            if (qAlpha(symbol.pixel(x, y)))
                out.setPixel(x, y, kGrey);
    return out;
}

// The button face with its bevel: raised when up, sunken when pressed.
void bevel(QImage& image, bool pressed)
{
    const int w = image.width();
    const int h = image.height();
    QPainter p(&image);
    fill(p, kSilver, 0, 0, w, h);
    const QRgb outerLight = pressed ? kBlack : kWhite;
    const QRgb outerDark = pressed ? kWhite : kBlack;
    const QRgb innerDark = pressed ? kSilver : kGrey;
    const QRgb innerLight = pressed ? kGrey : kSilver;
    line(p, outerLight, 0, 0, w - 2, 0);
    line(p, outerLight, 0, 0, 0, h - 2);
    line(p, outerDark, 0, h - 1, w - 1, h - 1);
    line(p, outerDark, w - 1, 0, w - 1, h - 1);
    line(p, innerLight, 1, 1, w - 3, 1);
    line(p, innerLight, 1, 1, 1, h - 3);
    line(p, innerDark, 1, h - 2, w - 2, h - 2);
    line(p, innerDark, w - 2, 1, w - 2, h - 2);
}

} // namespace

QSize ButtonArt::Size(Kind kind)
{
    return kind == Kind::Exit ? QSize(40, 19) : QSize(20, 19);
}

bool ButtonArt::HasDisabled(Kind kind)
{
    return kind != Kind::Recording && kind != Kind::Exit;
}

QImage ButtonArt::Picture(Kind kind, State state)
{
    if (state == State::Disabled && !HasDisabled(kind))
        return QImage();
    QImage image(Size(kind), QImage::Format_RGB32);
    const bool pressed = state == State::Down;
    bevel(image, pressed);
    const QImage symbol = state == State::Disabled ? etched(glyph(kind)) : glyph(kind);
    QPainter p(&image);
    p.drawImage(pressed ? QPoint(1, 1) : QPoint(0, 0), symbol);
    if (state == State::Focused) {
        // Dotted focus rectangle inside the bevel.
        for (int x = 3; x < image.width() - 3; x += 2) {
            image.setPixel(x, 3, kBlack);
            image.setPixel(x, image.height() - 4, kBlack);
        }
        for (int y = 3; y < image.height() - 3; y += 2) {
            image.setPixel(3, y, kBlack);
            image.setPixel(image.width() - 4, y, kBlack);
        }
    }
    return image;
}

QImage ButtonArt::Sheet()
{
    constexpr int kCellWidth = 40;
    constexpr int kCellHeight = 19;
    constexpr int kKinds = static_cast<int>(Kind::Exit) + 1;
    constexpr int kStates = static_cast<int>(State::Disabled) + 1;
    QImage sheet(kCellWidth * kStates, kCellHeight * kKinds, QImage::Format_ARGB32);
    sheet.fill(Qt::transparent);
    QPainter p(&sheet);
    for (int kind = 0; kind < kKinds; ++kind) {
        for (int state = 0; state < kStates; ++state)
            p.drawImage(
                state * kCellWidth, kind * kCellHeight, Picture(static_cast<Kind>(kind), static_cast<State>(state)));
    }
    return sheet;
}

QImage ButtonArt::IconImage(int size)
{
    // A burst of particles on black: streaks from the centre in the default hues (cyan to blue).
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    const int s = size;
    fill(p, kBlack, 1, 1, s - 2, s - 2);
    line(p, kGrey, 0, 1, 0, s - 2);
    line(p, kGrey, s - 1, 1, s - 1, s - 2);
    line(p, kGrey, 1, 0, s - 2, 0);
    line(p, kGrey, 1, s - 1, s - 2, s - 1);
    const int c = s / 2;
    const QRgb colours[] = { kAqua, kBlue, kTeal, kPurple, kAqua, kNavy, kFuchsia, kBlue };
    const QPoint tips[] = { { 0, -7 }, { 5, -5 }, { 7, 0 }, { 5, 5 }, { 0, 7 }, { -5, 5 }, { -7, 0 }, { -5, -5 } };
    const int scale = s >= 32 ? 2 : 1;
    for (int k = 0; k < 8; ++k) {
        const QPoint tip = tips[k] * scale;
        const QPoint inner = tip / 3;
        line(p, colours[k], c + inner.x(), c + inner.y(), c + tip.x(), c + tip.y());
        image.setPixel(c + tip.x(), c + tip.y(), kWhite);
    }
    fill(p, kWhite, c - scale / 2, c - scale / 2, scale + 1, scale + 1);
    return image;
}

QIcon ButtonArt::Icon()
{
    QIcon icon;
    icon.addPixmap(QPixmap::fromImage(IconImage(32)));
    icon.addPixmap(QPixmap::fromImage(IconImage(16)));
    return icon;
}

QCursor ButtonArt::DrawCursor()
{
    // Black shape, white border one pixel around it, transparent elsewhere.
    QImage shape(32, 32, QImage::Format_Mono);
    shape.fill(0);
    auto set = [&shape](int x, int y) {
        if (x >= 0 && y >= 0 && x < 32 && y < 32)
            shape.setPixel(x, y, 1);
    };
    for (int d = 0; d <= 13; ++d) {
        if (d >= 4 && d <= 8)
            continue; // a gap at the hot spot keeps the point itself visible
        set(d, 6);
        set(6, d);
    }
    set(6, 6);
    // The sparkle, down and right of the crosshair.
    for (int d = -3; d <= 3; ++d) {
        set(17 + d, 17);
        set(17, 17 + d);
    }
    set(15, 15), set(19, 19), set(15, 19), set(19, 15);
    QImage mask = shape.copy();
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            if (shape.pixelIndex(x, y))
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx)
                        if (x + dx >= 0 && y + dy >= 0 && x + dx < 32 && y + dy < 32)
                            mask.setPixel(x + dx, y + dy, 1);
    return QCursor(QBitmap::fromImage(shape), QBitmap::fromImage(mask), 6, 6);
}

const QVector<QRgb>& ButtonArt::Palette()
{
    static const QVector<QRgb> palette = { kBlack, kMaroon, kGreen, kOlive, kNavy, kPurple, kTeal, kSilver, kGrey, kRed,
        kLime, kYellow, kBlue, kFuchsia, kAqua, kWhite };
    return palette;
}
