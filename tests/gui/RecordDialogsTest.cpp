// Record's real dialogs in the window: the Save dialog's file types and the compressor choice, each
// answered from a queued check as the dialog opens.
#include "player/app/window/CPlayerDialog.h"
#include "tests/TempDir.h"

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>

namespace {

// Runs answer on the modal dialog that the next command opens; it accepts or rejects the dialog.
void whenModalOpens(std::function<void(QDialog*)> answer)
{
    QTimer::singleShot(0, [answer] { answer(qobject_cast<QDialog*>(QApplication::activeModalWidget())); });
}

// The file types the Save dialog offers when Record is pressed, after which it saves as name (or is
// cancelled, for an empty name).
QStringList recordTypes(CPlayerDialog& window, const QString& name)
{
    QStringList types;
    whenModalOpens([&](QDialog* modal) {
        auto* files = qobject_cast<QFileDialog*>(modal);
        if (!files)
            return;
        types = files->nameFilters();
        if (name.isEmpty()) {
            modal->reject();
        } else {
            files->selectFile(name);
            modal->accept(); // QFileDialog's own, which checks the name as a click on Save would
        }
    });
    window.RunCommand(CPlayerDialog::kRecord);
    return types;
}

// The codec the compressor dialog starts on; the dialog then takes choice (or is cancelled, if empty).
QString compressorStart(CPlayerDialog& window, const QString& choice)
{
    QString start;
    whenModalOpens([&](QDialog* modal) {
        QComboBox* codecs = modal ? modal->findChild<QComboBox*>() : nullptr;
        if (!codecs)
            return;
        start = codecs->currentData().toString();
        if (choice.isEmpty()) {
            modal->reject();
        } else {
            codecs->setCurrentIndex(codecs->findData(choice));
            modal->accept();
        }
    });
    window.RunCommand(CPlayerDialog::kAviCompressor);
    return start;
}

TEST(RecordDialogs, SaveOffersFourTypesAndPutsTheLastOneFirst)
{
    TempDir dir;
    CPlayerDialog window;
    EXPECT_EQ(recordTypes(window, QString()).join(" | ").toStdString(),
        "AVI files (*.avi) | MP4 video, H.264 (*.mp4) | WebM video, VP9 (*.webm) | Animated GIF (*.gif) | "
        "All Files (*.*)");
    EXPECT_FALSE(window.Player().IsRecording());

    recordTypes(window, QString::fromStdString(dir.file("clip.webm")));
    ASSERT_TRUE(window.Player().IsRecording());
    window.Tick();
    window.RunCommand(CPlayerDialog::kRecording);
    ASSERT_FALSE(window.Player().IsRecording());
    EXPECT_EQ(recordTypes(window, QString()).join(" | ").toStdString(),
        "WebM video, VP9 (*.webm) | AVI files (*.avi) | MP4 video, H.264 (*.mp4) | Animated GIF (*.gif) | "
        "All Files (*.*)");
}

TEST(RecordDialogs, CompressorStartsOnMotionJpegAndKeepsTheChoice)
{
    CPlayerDialog window;
    EXPECT_EQ(compressorStart(window, QString()), "mjpeg");
    EXPECT_EQ(compressorStart(window, "ffv1"), "mjpeg");
    EXPECT_EQ(compressorStart(window, QString()), "ffv1");
    // A new window starts from the remembered choice.
    CPlayerDialog other;
    EXPECT_EQ(compressorStart(other, QString()), "ffv1");
}

} // namespace
