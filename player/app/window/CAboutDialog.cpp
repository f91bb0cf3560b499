#include "player/app/window/CAboutDialog.h"

#include "player/app/window/ButtonArt.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>

CAboutDialog::CAboutDialog(QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("About Mirrim"));
    auto* icon = new QLabel(this);
    icon->setPixmap(QPixmap::fromImage(ButtonArt::IconImage(32)));
    auto* name = new QLabel(QStringLiteral("Mirrim Version %1").arg(QStringLiteral(MIRRIM_VERSION)), this);
    auto* about = new QLabel(QStringLiteral("A particle toy: scenes of emitters, forces and pictures, played,\n"
                                            "stepped, steered with the mouse, snapshotted and recorded."),
        this);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* layout = new QGridLayout(this);
    layout->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
    layout->addWidget(name, 0, 1);
    layout->addWidget(about, 1, 1);
    layout->addWidget(buttons, 2, 0, 1, 2);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}
