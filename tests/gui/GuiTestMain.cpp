#include "tests/TempDir.h"

#include <QApplication>
#include <QSettings>
#include <gtest/gtest.h>

namespace {

// Each test starts from a window that remembers nothing.
class ForgetSettings : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override
    {
        QSettings(QStringLiteral("Mirrim"), QStringLiteral("Mirrim")).clear();
    }
};

} // namespace

// Widget tests run without a screen unless the caller chose a platform, and keep what the window
// remembers in a directory of their own, never in the user's settings.
int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const TempDir settings;
    qputenv("XDG_CONFIG_HOME", settings.path().c_str());
    QApplication app(argc, argv);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromStdString(settings.path()));
    ::testing::UnitTest::GetInstance()->listeners().Append(new ForgetSettings);
    return RUN_ALL_TESTS();
}
