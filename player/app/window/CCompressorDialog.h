#pragma once

#include "player/imaging/video/CompressorSettings.h"

#include <QDialog>

#include <vector>

class QComboBox;
class QSpinBox;

// "Choose Compressor": the codecs this build can write, with key-frame interval, data rate and quality.
class CCompressorDialog : public QDialog {
    Q_OBJECT
public:
    // Opens on settings; a codec not in the list starts on the first one.
    CCompressorDialog(const std::vector<CompressorInfo>& codecs, const CompressorSettings& settings, QWidget* parent);

    CompressorSettings Settings() const;

    QComboBox* codecBox() const { return codec_; }
    QSpinBox* keyFrameBox() const { return keyFrames_; }
    QSpinBox* dataRateBox() const { return dataRate_; }
    QSpinBox* qualityBox() const { return quality_; }

private:
    QComboBox* codec_;
    QSpinBox* keyFrames_;
    QSpinBox* dataRate_;
    QSpinBox* quality_;
};
