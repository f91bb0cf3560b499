#include "player/app/window/CImageDialog.h"

#include "particle/core/IImage.h"
#include "platform/CDC.h"
#include "player/app/PlayerUi.h"
#include "player/imaging/codecs/PictureFormats.h"
#include "player/imaging/codecs/SnapshotFile.h"

#include <QPainter>
#include <QPushButton>
#include <cerrno>

CImageDialog::CImageDialog(IPlayerUi* ui, QWidget* parent)
    : QDialog(parent)
    , ui_(ui)
    , layout_(ImageDialogLayout::Template())
{
    setWindowTitle(QStringLiteral("Image"));
    close_ = new QPushButton(QStringLiteral("Close"), this);
    close_->setDefault(true);
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancel_->hide(); // Esc still ends the dialog through QDialog's own reject
    save_ = new QPushButton(QStringLiteral("Save"), this);
    connect(close_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    connect(save_, &QPushButton::clicked, this, &CImageDialog::OnSave);
    applyLayout();
}

void CImageDialog::SetImage(IImage* picture)
{
    picture_ = picture;
    layout_ = ImageDialogLayout::Template();
    if (picture_)
        layout_ = layout_.AroundPicture(picture_->GetWidth(), picture_->GetHeight());
    applyLayout();
}

void CImageDialog::applyLayout()
{
    setFixedSize(layout_.dialog.expandedTo(QSize(1, 1)));
    close_->setGeometry(layout_.close);
    cancel_->setGeometry(layout_.cancel);
    save_->setGeometry(layout_.save);
    update();
}

void CImageDialog::OnSave()
{
    if (!picture_ || !ui_)
        return;
    CString path;
    if (!ui_->AskSaveFile(
            "JPEG (*.jpg)|*.jpg|Windows Bitmap (*.bmp)|*.bmp|PNG (*.png)|*.png|All Files (*.*)|*.*||", "jpg", path))
        return;
    // The dialog stays open either way, for another try or another format.
    if (!SavePictureAs(*picture_, path))
        ui_->ShowMessage("Cannot save the picture as \"" + path + "\": " + DescribeSaveFailure(errno).c_str(),
            IPlayerUi::MessageKind::Error);
}

void CImageDialog::paintEvent(QPaintEvent* event)
{
    QDialog::paintEvent(event);
    CDC* bitmap = picture_ ? picture_->GetBitmap() : nullptr;
    if (!bitmap || !bitmap->GetBits())
        return;
    const QImage shown(reinterpret_cast<const uchar*>(bitmap->GetBits()), bitmap->GetWidth(), bitmap->GetHeight(),
        static_cast<qsizetype>(bitmap->GetStride()) * 4, QImage::Format_RGB32);
    QPainter painter(this);
    const QRect area = layout_.frame;
    painter.drawImage(area.topLeft(), shown, QRect(QPoint(0, 0), area.size()));
}
