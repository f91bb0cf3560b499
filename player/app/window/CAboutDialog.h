#pragma once

#include <QDialog>

// "About Mirrim": the program's name, version and what it is.
class CAboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDialog(QWidget* parent);
};
