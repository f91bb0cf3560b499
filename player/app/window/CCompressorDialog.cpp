#include "player/app/window/CCompressorDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QSpinBox>
#include <QVBoxLayout>

#include <limits>

CCompressorDialog::CCompressorDialog(
    const std::vector<CompressorInfo>& codecs, const CompressorSettings& settings, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Choose Compressor"));
    codec_ = new QComboBox(this);
    for (const CompressorInfo& info : codecs)
        codec_->addItem(QString::fromStdString(info.description), QString::fromStdString(info.codec));
    const int chosen = codec_->findData(QString::fromStdString(settings.codec));
    codec_->setCurrentIndex(chosen >= 0 ? chosen : 0);

    // Zero leaves the choice to the codec; -1 for quality is a high quality chosen for each codec.
    keyFrames_ = new QSpinBox(this);
    keyFrames_->setRange(0, 100000);
    keyFrames_->setSpecialValueText(QStringLiteral("Codec default"));
    keyFrames_->setSuffix(QStringLiteral(" frames"));
    keyFrames_->setValue(settings.keyFrameInterval);
    dataRate_ = new QSpinBox(this);
    dataRate_->setRange(0, std::numeric_limits<int>::max());
    dataRate_->setSpecialValueText(QStringLiteral("Codec default"));
    dataRate_->setSuffix(QStringLiteral(" kbit/s"));
    dataRate_->setValue(settings.dataRate);
    quality_ = new QSpinBox(this);
    quality_->setRange(-1, 100);
    quality_->setSpecialValueText(QStringLiteral("High (default)"));
    quality_->setValue(settings.quality);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Compressor:"), codec_);
    form->addRow(QStringLiteral("&Key frame every:"), keyFrames_);
    form->addRow(QStringLiteral("&Data rate:"), dataRate_);
    form->addRow(QStringLiteral("&Quality:"), quality_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

CompressorSettings CCompressorDialog::Settings() const
{
    CompressorSettings settings;
    settings.codec = codec_->currentData().toString().toStdString();
    settings.keyFrameInterval = keyFrames_->value();
    settings.dataRate = dataRate_->value();
    settings.quality = quality_->value();
    return settings;
}
