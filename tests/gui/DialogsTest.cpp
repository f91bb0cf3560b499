// The "Image" and "Choose Compressor" dialogs, driven without running them modally.
#include "FakeImage.h"
#include "player/app/PlayerUi.h"
#include "player/app/window/CCompressorDialog.h"
#include "player/app/window/CImageDialog.h"
#include "player/imaging/store/CDibImage.h"
#include "tests/TempDir.h"

#include <QComboBox>
#include <QPushButton>
#include <QSpinBox>
#include <gtest/gtest.h>

namespace {

class SaveAnswer : public IPlayerUi {
public:
    explicit SaveAnswer(CString answer)
        : answer_(std::move(answer))
    {
    }
    bool AskOpenFile(const CString&, const CString&, CString&) override { return false; }
    bool AskSaveFile(const CString& filter, const CString& extension, CString& path) override
    {
        filter_ = filter;
        extension_ = extension;
        if (answer_.IsEmpty())
            return false;
        path = answer_;
        return true;
    }
    void ShowMessage(const CString& text, MessageKind) override { messages_.push_back(text); }
    bool ChooseCompressor(CompressorSettings&) override { return false; }

    CString filter_;
    CString extension_;
    std::vector<CString> messages_;

private:
    CString answer_;
};

TEST(ImageDialog, LaysItselfOutAroundThePictureAndShowsIt)
{
    FakeImage picture(190, 40, RGB(255, 0, 0));
    SaveAnswer ui("");
    CImageDialog dialog(&ui, nullptr);
    dialog.SetImage(&picture);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Image"));
    EXPECT_EQ(dialog.size(), QSize(195 + 100, 76)); // 100 wider than the frame, never shorter
    const QRect frame = dialog.Layout().frame;
    EXPECT_EQ(frame, QRect(10, 11, 190, 54));
    auto* close = dialog.findChild<QPushButton*>();
    ASSERT_NE(close, nullptr);
    EXPECT_EQ(close->text(), QStringLiteral("Close"));
    EXPECT_TRUE(close->isDefault());
    EXPECT_EQ(close->geometry().left(), 109 + 100);

    const QImage shot = dialog.grab().toImage();
    EXPECT_EQ(shot.pixel(frame.left(), frame.top()) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(shot.pixel(frame.left() + 189, frame.top() + 39) & 0xFFFFFF, 0xFF0000u);
    EXPECT_NE(shot.pixel(frame.left() + 100, frame.top() + 45) & 0xFFFFFF, 0xFF0000u); // below the picture
}

TEST(ImageDialog, SavesAsTheExtensionSaysAndStaysOpen)
{
    FakeImage picture(8, 8, RGB(0, 0, 255));
    SaveAnswer jpeg("/tmp/x/snap.jpeg");
    CImageDialog dialog(&jpeg, nullptr);
    dialog.SetImage(&picture);
    dialog.show();
    dialog.OnSave();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(jpeg.filter_, "JPEG (*.jpg)|*.jpg|Windows Bitmap (*.bmp)|*.bmp|PNG (*.png)|*.png|All Files (*.*)|*.*||");
    EXPECT_EQ(jpeg.extension_, "jpg");
    ASSERT_EQ(picture.saves.size(), 1u);
    EXPECT_EQ(picture.saves[0].format, "jpeg");
    EXPECT_EQ(picture.saves[0].quality, 100);
    EXPECT_EQ(picture.saves[0].fileName, "/tmp/x/snap.jpeg");

    SaveAnswer cancelled("");
    CImageDialog other(&cancelled, nullptr);
    other.SetImage(&picture);
    other.OnSave();
    EXPECT_EQ(picture.saves.size(), 1u);
    EXPECT_TRUE(jpeg.messages_.empty());

    // A PNG holds the colours the picture shows.
    TempDir dir;
    SaveAnswer png(dir.file("snap.png").c_str());
    CImageDialog third(&png, nullptr);
    third.SetImage(&picture);
    third.OnSave();
    CDib back;
    ASSERT_EQ(back.Load(dir.file("snap.png").c_str()), 1);
    EXPECT_EQ(back.GetPixel(7, 7), RGB(0, 0, 255));
}

TEST(ImageDialog, AFailedSaveSaysWhy)
{
    CDibImage picture;
    SaveAnswer missing("/nonexistent-mirrim-dir/snap.bmp");
    CImageDialog dialog(&missing, nullptr);
    dialog.SetImage(&picture);
    dialog.OnSave();
    ASSERT_EQ(missing.messages_.size(), 1u);
    EXPECT_EQ(missing.messages_[0],
        "Cannot save the picture as \"/nonexistent-mirrim-dir/snap.bmp\": No such file or directory");
}

TEST(CompressorDialog, OpensOnThePreviousChoiceAndReturnsTheEdits)
{
    const std::vector<CompressorInfo> codecs
        = { { "none", "Full Frames (Uncompressed)" }, { "mjpeg", "Motion JPEG" }, { "ffv1", "FFV1 lossless" } };
    CompressorSettings previous;
    previous.codec = "ffv1";
    previous.keyFrameInterval = 30;
    previous.dataRate = 900;
    previous.quality = 75;
    CCompressorDialog dialog(codecs, previous, nullptr);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Choose Compressor"));
    EXPECT_EQ(dialog.codecBox()->count(), 3);
    EXPECT_EQ(dialog.codecBox()->currentText(), QStringLiteral("FFV1 lossless"));
    CompressorSettings same = dialog.Settings();
    EXPECT_EQ(same.codec, "ffv1");
    EXPECT_EQ(same.keyFrameInterval, 30);
    EXPECT_EQ(same.dataRate, 900);
    EXPECT_EQ(same.quality, 75);

    dialog.codecBox()->setCurrentIndex(1);
    dialog.qualityBox()->setValue(-1);
    EXPECT_EQ(dialog.Settings().codec, "mjpeg");
    EXPECT_EQ(dialog.Settings().quality, -1);

    previous.codec = "nonesuch";
    CCompressorDialog unknown(codecs, previous, nullptr);
    EXPECT_EQ(unknown.Settings().codec, "none");
}

} // namespace
