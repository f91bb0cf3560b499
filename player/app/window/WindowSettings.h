#pragma once

#include "player/imaging/video/CompressorSettings.h"

#include <QSettings>
#include <QString>

#include <optional>

// What the window remembers from one run to the next, in the user's settings file
// (~/.config/Mirrim/Mirrim.conf): the folders last used to open and to save, the compressor choice, the
// zoom and how it draws, and Reload on Change. Each value is written when it changes, so nothing waits for a clean
// exit.
class WindowSettings {
public:
    WindowSettings();

    // Empty until a file has been chosen.
    QString Folder(bool save) const;
    void SetFolderOf(bool save, const QString& file);

    std::optional<CompressorSettings> Compressor() const;
    void SetCompressor(const CompressorSettings& settings);

    // 0 until a zoom has been chosen.
    int Zoom() const;
    void SetZoom(int zoom);

    // Off until chosen: the zoom repeats pixels rather than drawing the picture anew at its size.
    bool SmoothZoom() const;
    void SetSmoothZoom(bool on);

    bool ReloadOnChange() const;
    void SetReloadOnChange(bool on);

    // Off until chosen: ticks follow one another 50 ms apart from the end of the last.
    bool SteadyTicks() const;
    void SetSteadyTicks(bool on);

private:
    mutable QSettings settings_;
};
