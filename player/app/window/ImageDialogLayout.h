#pragma once

#include <QRect>

// Where the "Image" dialog's controls go: the template's layout, and the same stretched so that the
// picture frame takes the picture's size. The dialog narrows for a narrow picture but never gets
// shorter than the template.
struct ImageDialogLayout {
    QSize dialog;
    QRect close;
    QRect cancel;
    QRect frame;
    QRect save;

    static ImageDialogLayout Template();
    ImageDialogLayout AroundPicture(int pictureWidth, int pictureHeight) const;
};
