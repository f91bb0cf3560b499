#include "player/app/window/WindowSettings.h"

#include <QFileInfo>

namespace {

QString folderKey(bool save)
{
    return save ? QStringLiteral("folders/save") : QStringLiteral("folders/open");
}

} // namespace

WindowSettings::WindowSettings()
    : settings_(QStringLiteral("Mirrim"), QStringLiteral("Mirrim"))
{
}

QString WindowSettings::Folder(bool save) const
{
    return settings_.value(folderKey(save)).toString();
}

void WindowSettings::SetFolderOf(bool save, const QString& file)
{
    settings_.setValue(folderKey(save), QFileInfo(file).absolutePath());
}

std::optional<CompressorSettings> WindowSettings::Compressor() const
{
    const QString codec = settings_.value(QStringLiteral("compressor/codec")).toString();
    if (codec.isEmpty())
        return std::nullopt;
    CompressorSettings settings;
    settings.codec = codec.toStdString();
    settings.keyFrameInterval = settings_.value(QStringLiteral("compressor/keyFrameInterval"), 15).toInt();
    settings.dataRate = settings_.value(QStringLiteral("compressor/dataRate"), 0).toInt();
    settings.quality = settings_.value(QStringLiteral("compressor/quality"), -1).toInt();
    return settings;
}

void WindowSettings::SetCompressor(const CompressorSettings& settings)
{
    settings_.setValue(QStringLiteral("compressor/codec"), QString::fromStdString(settings.codec));
    settings_.setValue(QStringLiteral("compressor/keyFrameInterval"), settings.keyFrameInterval);
    settings_.setValue(QStringLiteral("compressor/dataRate"), settings.dataRate);
    settings_.setValue(QStringLiteral("compressor/quality"), settings.quality);
}

int WindowSettings::Zoom() const
{
    return settings_.value(QStringLiteral("window/zoom"), 0).toInt();
}

void WindowSettings::SetZoom(int zoom)
{
    settings_.setValue(QStringLiteral("window/zoom"), zoom);
}

bool WindowSettings::SmoothZoom() const
{
    return settings_.value(QStringLiteral("window/smoothZoom"), false).toBool();
}

void WindowSettings::SetSmoothZoom(bool on)
{
    settings_.setValue(QStringLiteral("window/smoothZoom"), on);
}

bool WindowSettings::ReloadOnChange() const
{
    return settings_.value(QStringLiteral("window/reloadOnChange"), true).toBool();
}

void WindowSettings::SetReloadOnChange(bool on)
{
    settings_.setValue(QStringLiteral("window/reloadOnChange"), on);
}

bool WindowSettings::SteadyTicks() const
{
    return settings_.value(QStringLiteral("window/steadyTicks"), false).toBool();
}

void WindowSettings::SetSteadyTicks(bool on)
{
    settings_.setValue(QStringLiteral("window/steadyTicks"), on);
}
