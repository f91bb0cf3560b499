#include "player/app/window/ImageDialogLayout.h"

#include "player/app/window/DialogUnits.h"

#include <algorithm>

ImageDialogLayout ImageDialogLayout::Template()
{
    ImageDialogLayout layout;
    layout.dialog = DialogSize(130, 47);
    layout.close = DialogRect(73, 7, 50, 14);
    layout.cancel = DialogRect(105, 24, 18, 14);
    layout.frame = DialogRect(7, 7, 60, 33);
    layout.save = DialogRect(73, 26, 50, 14);
    return layout;
}

ImageDialogLayout ImageDialogLayout::AroundPicture(int pictureWidth, int pictureHeight) const
{
    const int dx = pictureWidth - frame.width();
    const int dy = std::max(0, pictureHeight - frame.height());
    ImageDialogLayout layout = *this;
    layout.dialog += QSize(dx, dy);
    layout.close.translate(dx, 0);
    layout.save.translate(dx, 0);
    layout.frame.setSize(frame.size() + QSize(dx, dy));
    return layout;
}
