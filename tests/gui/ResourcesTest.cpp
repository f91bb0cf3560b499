// Pure pieces of the window: pictures, filters, the image dialog's layout and the snapshot format rule.
#include "FakeImage.h"
#include "player/app/window/ButtonArt.h"
#include "player/app/window/DialogUnits.h"
#include "player/app/window/FileFilter.h"
#include "player/app/window/ImageDialogLayout.h"
#include "player/imaging/codecs/SnapshotFile.h"

#include <QBitmap>
#include <QImage>
#include <gtest/gtest.h>

namespace {

using Kind = ButtonArt::Kind;
using State = ButtonArt::State;
const Kind kAllKinds[] = { Kind::Clear, Kind::Stop, Kind::Step, Kind::Play, Kind::Playing, Kind::Record,
    Kind::Recording, Kind::Snapshot, Kind::Load, Kind::Exit };

bool onlyPaletteColours(const QImage& image)
{
    const QVector<QRgb>& palette = ButtonArt::Palette();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (qAlpha(pixel) == 255 && !palette.contains(pixel | 0xFF000000u))
                return false;
        }
    return true;
}

// The browser page draws its buttons from web/buttons.png; it must hold the window's pictures. After
// changing them, MIRRIM_WRITE_BUTTON_SHEET=1 gui_tests --gtest_filter='ButtonArt.*' writes it anew.
TEST(ButtonArt, ThePagesButtonSheetHoldsTheWindowsPictures)
{
    const QImage sheet = ButtonArt::Sheet();
    const QString path = QStringLiteral(MIRRIM_SOURCE_DIR "/web/buttons.png");
    if (qEnvironmentVariableIsSet("MIRRIM_WRITE_BUTTON_SHEET")) {
        ASSERT_TRUE(sheet.save(path));
    }
    const QImage stored(path);
    ASSERT_FALSE(stored.isNull()) << path.toStdString();
    EXPECT_EQ(stored.convertToFormat(QImage::Format_ARGB32), sheet);
    // Every cell: the picture of its kind and state.
    const QImage playFocused = sheet.copy(2 * 40, static_cast<int>(Kind::Play) * 19, 20, 19);
    EXPECT_EQ(playFocused, ButtonArt::Picture(Kind::Play, State::Focused).convertToFormat(QImage::Format_ARGB32));
}

TEST(ButtonArt, EveryPictureHasItsSizeUsesTheSixteenColoursAndShowsItsState)
{
    for (Kind kind : kAllKinds) {
        SCOPED_TRACE(static_cast<int>(kind));
        const QSize size = kind == Kind::Exit ? QSize(40, 19) : QSize(20, 19);
        const QImage up = ButtonArt::Picture(kind, State::Up);
        const QImage down = ButtonArt::Picture(kind, State::Down);
        const QImage focused = ButtonArt::Picture(kind, State::Focused);
        const QImage disabled = ButtonArt::Picture(kind, State::Disabled);
        for (const QImage* picture : { &up, &down, &focused }) {
            EXPECT_EQ(picture->size(), size);
            EXPECT_TRUE(onlyPaletteColours(*picture));
        }
        EXPECT_NE(up, down);
        EXPECT_NE(up, focused);
        const bool hasDisabled = kind != Kind::Recording && kind != Kind::Exit;
        EXPECT_EQ(ButtonArt::HasDisabled(kind), hasDisabled);
        EXPECT_EQ(disabled.isNull(), !hasDisabled);
        if (hasDisabled) {
            EXPECT_EQ(disabled.size(), size);
            EXPECT_NE(disabled, up);
            EXPECT_TRUE(onlyPaletteColours(disabled));
        }
    }
    // Each button is recognisable: no two kinds share an up picture.
    for (Kind a : kAllKinds)
        for (Kind b : kAllKinds)
            if (a != b) {
                EXPECT_NE(ButtonArt::Picture(a, State::Up), ButtonArt::Picture(b, State::Up));
            }
}

TEST(ButtonArt, IconAndCursorMatchTheirResources)
{
    for (int size : { 32, 16 }) {
        const QImage icon = ButtonArt::IconImage(size);
        EXPECT_EQ(icon.size(), QSize(size, size));
        EXPECT_TRUE(onlyPaletteColours(icon));
        // The installed PNG is this very picture.
        const QImage installed(QStringLiteral(MIRRIM_SOURCE_DIR "/player/app/res/mirrim-%1.png").arg(size));
        ASSERT_FALSE(installed.isNull()) << "missing res/mirrim-" << size << ".png";
        EXPECT_EQ(installed.convertToFormat(QImage::Format_ARGB32), icon);
    }
    const QCursor cursor = ButtonArt::DrawCursor();
    EXPECT_EQ(cursor.hotSpot(), QPoint(6, 6));
    EXPECT_EQ(cursor.bitmap().size(), QSize(32, 32));
    EXPECT_EQ(cursor.mask().size(), QSize(32, 32));
}

TEST(DialogUnits, ConvertWithTheDialogFontsBaseUnits)
{
    EXPECT_EQ(DialogSize(233, 183), QSize(349, 297));
    EXPECT_EQ(DialogRect(7, 7, 219, 149), QRect(10, 11, 339 - 10, 253 - 11));
    EXPECT_EQ(DialogRect(195, 163, 31, 13).topLeft(), QPoint(292, 264));
}

TEST(FileFilter, WindowsFiltersBecomeQtFiltersWithTheSameTexts)
{
    EXPECT_EQ(ToQtFileFilter("Glintmote File (*.zrk)|*.zrk|All Files (*.*)|*.*||"),
        QStringLiteral("Glintmote File (*.zrk);;All Files (*.*)"));
    EXPECT_EQ(ToQtFileFilter("JPEG (*.jpg)|*.jpg|Windows Bitmap (*.bmp)|*.bmp|All Files (*.*)|*.*||"),
        QStringLiteral("JPEG (*.jpg);;Windows Bitmap (*.bmp);;All Files (*.*)"));
    // A text that does not show its patterns gets them, since Qt reads them from the text.
    EXPECT_EQ(ToQtFileFilter("Pictures|*.jpg;*.gif||"), QStringLiteral("Pictures (*.jpg *.gif)"));
    // Without the closing "||", and with a dangling text, nothing is invented.
    EXPECT_EQ(ToQtFileFilter("AVI files (*.avi)|*.avi"), QStringLiteral("AVI files (*.avi)"));
    EXPECT_EQ(ToQtFileFilter("AVI files (*.avi)|*.avi|Broken"), QStringLiteral("AVI files (*.avi)"));
    EXPECT_EQ(ToQtFileFilter(""), QString());
}

TEST(ImageDialogLayout, TheFrameTakesThePictureSizeAndTheButtonsFollow)
{
    const ImageDialogLayout base = ImageDialogLayout::Template();
    EXPECT_EQ(base.dialog, QSize(195, 76));
    EXPECT_EQ(base.frame, QRect(10, 11, 90, 54));
    EXPECT_EQ(base.close.topLeft(), QPoint(109, 11));
    EXPECT_EQ(base.save.topLeft(), QPoint(109, 42));

    // 100 pixels wider and taller than the frame.
    ImageDialogLayout wide = base.AroundPicture(base.frame.width() + 100, base.frame.height() + 30);
    EXPECT_EQ(wide.dialog, base.dialog + QSize(100, 30));
    EXPECT_EQ(wide.frame, QRect(base.frame.topLeft(), base.frame.size() + QSize(100, 30)));
    EXPECT_EQ(wide.close, base.close.translated(100, 0));
    EXPECT_EQ(wide.save, base.save.translated(100, 0));
    EXPECT_EQ(wide.cancel, base.cancel);

    // 20 narrower and shorter: narrower, but never shorter.
    ImageDialogLayout narrow = base.AroundPicture(base.frame.width() - 20, base.frame.height() - 20);
    EXPECT_EQ(narrow.dialog, base.dialog - QSize(20, 0));
    EXPECT_EQ(narrow.frame.size(), QSize(base.frame.width() - 20, base.frame.height()));
    EXPECT_EQ(narrow.close, base.close.translated(-20, 0));

    // The drawing area's snapshot.
    EXPECT_EQ(base.AroundPicture(320, 240).frame.size(), QSize(320, 240));
}

TEST(SnapshotFile, OnlyExactlyJpgOrJpegMakesAJpeg)
{
    EXPECT_TRUE(WantsJpeg("/tmp/shot.jpg"));
    EXPECT_TRUE(WantsJpeg("shot.jpeg"));
    EXPECT_TRUE(WantsJpeg("a.b.jpg"));
    EXPECT_FALSE(WantsJpeg("/tmp/shot.JPG"));
    EXPECT_FALSE(WantsJpeg("shot.Jpeg"));
    EXPECT_FALSE(WantsJpeg("shot.bmp"));
    EXPECT_FALSE(WantsJpeg("shot"));
    EXPECT_FALSE(WantsJpeg("shot.jpg.bmp"));
    EXPECT_FALSE(WantsJpeg("/tmp/pics.jpg/shot")); // the dot belongs to a directory
    EXPECT_FALSE(WantsJpeg("shot."));

    FakeImage picture(4, 4, RGB(1, 2, 3));
    SavePictureAs(picture, "a.jpeg");
    SavePictureAs(picture, "a.JPG");
    ASSERT_EQ(picture.saves.size(), 2u);
    EXPECT_EQ(picture.saves[0].format, "jpeg");
    EXPECT_EQ(picture.saves[0].quality, 100);
    EXPECT_EQ(picture.saves[1].format, "bmp");
    EXPECT_EQ(picture.saves[1].fileName, "a.JPG");
}

} // namespace
