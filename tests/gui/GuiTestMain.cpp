#include "tests/TempDir.h"

#include <QApplication>
#include <QSettings>
#include <gtest/gtest.h>

#include <fstream>
#include <string>

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
    const TempDir settings;
    // A screen of 1280 x 1024, the smallest the window is meant for at 3x: what fits on it is tested.
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (platform.isEmpty() || platform == "offscreen") {
        const std::string screens = settings.file("screens.json");
        std::ofstream(screens) << R"({"screens": [{"name": "Test", "x": 0, "y": 0, "width": 1280, "height": 1024,)"
                                  R"( "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})";
        qputenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + screens).c_str());
    }
    qputenv("XDG_CONFIG_HOME", settings.path().c_str());
    QApplication app(argc, argv);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromStdString(settings.path()));
    ::testing::UnitTest::GetInstance()->listeners().Append(new ForgetSettings);
    return RUN_ALL_TESTS();
}
