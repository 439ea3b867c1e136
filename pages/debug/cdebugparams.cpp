// The debug page's parameter group: the touch parameters of the target, shown in the
// engineering layout for the chips that take them (3 to 13).
#include "pages/debug/cdebug.h"

#include "app/chipcatalogue.h"
#include "pages/chip/engine/wheelguard.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>

namespace tessel {
namespace {

struct ComboSpec {
    Msg label;
    QStringList items;
    uint8_t DebugParameters::*field;
};

QStringList hexItems(int count) {
    QStringList items;
    for (int i = 0; i < count; ++i)
        items << QStringLiteral("0x%1").arg(i, 2, 16, QLatin1Char('0'));
    return items;
}

const std::array<ComboSpec, 10>& comboSpecs() {
    static const std::array<ComboSpec, 10> specs = {{
        {Msg::DebugReso, hexItems(8), &DebugParameters::reso},
        {Msg::DebugAdcReso, hexItems(8), &DebugParameters::adcResolution},
        {Msg::DebugRef, hexItems(8), &DebugParameters::ref},
        {Msg::DebugDs, hexItems(9), &DebugParameters::ds},
        {Msg::DebugPrs, hexItems(11), &DebugParameters::prs},
        {Msg::DebugRb,
         {QStringLiteral("15K"), QStringLiteral("20K"), QStringLiteral("5K"),
          QStringLiteral("10K")},
         &DebugParameters::rb},
        // The two items are captioned in the language of the moment (applyLanguage).
        {Msg::DebugAdaptive, {QString(), QString()}, &DebugParameters::adaptiveEnable},
        {Msg::DebugSync, {QStringLiteral("0"), QStringLiteral("1")}, &DebugParameters::dms},
        {Msg::DebugWork, {QStringLiteral("1"), QStringLiteral("0")}, &DebugParameters::debugWork},
        {Msg::DebugPackage,
         {QStringLiteral("SOP8"), QStringLiteral("SOP16"), QStringLiteral("SOP28")},
         &DebugParameters::chipPackage},
    }};
    return specs;
}

constexpr int kPackageCombo = 9;

// The touch parameters reach the target over the IIC debug link (chips 3 to 13); the
// UART-linked chips take none.
bool takesTouchParameters(int chip) {
    return chipInfo(chip).debugLink == DebugLink::Iic;
}

}  // namespace

void CDebug::buildParameterGroup() {
    parameterGroup_ = new QGroupBox(this);
    setCaption(parameterGroup_, Msg::DebugParameterGroup);
    parameterGroup_->setObjectName(QStringLiteral("parameterGroup"));
    auto* grid = new QGridLayout(parameterGroup_);
    grid->setVerticalSpacing(2);
    const auto& specs = comboSpecs();
    for (int k = 0; k < int(specs.size()); ++k) {
        combos_[k] = new QComboBox(parameterGroup_);
        combos_[k]->addItems(specs[k].items);
        // The parameters go to the board: the wheel changes only a list clicked into.
        chip::WheelGuard::install(combos_[k]);
        auto* label = new QLabel(parameterGroup_);
        setCaption(label, specs[k].label);
        grid->addWidget(label, k / 2, (k % 2) * 2);
        grid->addWidget(combos_[k], k / 2, (k % 2) * 2 + 1);
        connect(combos_[k], qOverload<int>(&QComboBox::activated), this,
                [this, k](int position) { onComboChosen(k, position); });
    }
    const int row = int(specs.size()) / 2;
    adaptiveLineEdit_ = new QLineEdit(parameterGroup_);
    adaptiveLineEdit_->setValidator(new QIntValidator(adaptiveLineEdit_));
    connect(adaptiveLineEdit_, &QLineEdit::editingFinished, this, &CDebug::onAdaptiveLineEdited);
    auto* lineLabel = new QLabel(parameterGroup_);
    setCaption(lineLabel, Msg::DebugAdaptiveLine);
    grid->addWidget(lineLabel, row, 0);
    grid->addWidget(adaptiveLineEdit_, row, 1);

    const QRegularExpression hex(QStringLiteral("[0-9A-Fa-f]*"));
    maskEdit_ = new QLineEdit(parameterGroup_);
    maskEdit_->setMaxLength(8);
    maskEdit_->setValidator(new QRegularExpressionValidator(hex, maskEdit_));
    connect(maskEdit_, &QLineEdit::textEdited, this, &CDebug::onMaskEdited);
    auto* maskLabel = new QLabel(parameterGroup_);
    setCaption(maskLabel, Msg::DebugChannelMask);
    grid->addWidget(maskLabel, row, 2);
    grid->addWidget(maskEdit_, row, 3);

    adcEdit_ = new QLineEdit(parameterGroup_);
    adcEdit_->setMaxLength(2);
    adcEdit_->setValidator(new QRegularExpressionValidator(hex, adcEdit_));
    connect(adcEdit_, &QLineEdit::textEdited, this, &CDebug::onAdcEdited);
    auto* adcLabel = new QLabel(parameterGroup_);
    setCaption(adcLabel, Msg::DebugAdcEnable);
    grid->addWidget(adcLabel, row + 1, 0);
    grid->addWidget(adcEdit_, row + 1, 1);

    modifyButton_ = new QPushButton(parameterGroup_);
    setCaption(modifyButton_, Msg::DebugModify);
    connect(modifyButton_, &QPushButton::clicked, this, &CDebug::onModify);
    grid->addWidget(modifyButton_, row + 1, 2);
    resultPicture_ = new QLabel(parameterGroup_);
    resultPicture_->setVisible(false);
    grid->addWidget(resultPicture_, row + 1, 3);
}

void CDebug::showParameters() {
    const DebugParameters& d = state_.debugParameters;
    const auto& specs = comboSpecs();
    for (int k = 0; k < int(specs.size()); ++k) {
        const int value = d.*specs[k].field;
        combos_[k]->setCurrentIndex(k == kPackageCombo
                                        ? debugitems::packagePosition(uint8_t(value))
                                        : debugitems::positionOf(value, combos_[k]->count()));
    }
    adaptiveLineEdit_->setText(QString::number(d.adaptiveLine));
    maskEdit_->setText(
        QStringLiteral("%1").arg(d.channelOpenMask, 8, 16, QLatin1Char('0')).toUpper());
    adcEdit_->setText(
        QStringLiteral("%1").arg(d.adcEnable & 0xFF, 2, 16, QLatin1Char('0')).toUpper());
}

void CDebug::onComboChosen(int combo, int position) {
    const ComboSpec& spec = comboSpecs()[combo];
    state_.debugParameters.*spec.field =
        combo == kPackageCombo ? debugitems::packageValue(position) : uint8_t(position);
}

void CDebug::onAdaptiveLineEdited() {
    bool ok = false;
    const int v = adaptiveLineEdit_->text().toInt(&ok);
    if (!ok || v < 0 || v > 32768) {
        adaptiveLineEdit_->setText(QString::number(state_.debugParameters.adaptiveLine));
        prompts_.showMessage(state_.text(Msg::DebugLineRange));
        return;
    }
    state_.debugParameters.adaptiveLine = v;
}

void CDebug::onMaskEdited(const QString& text) {
    state_.debugParameters.channelOpenMask = text.isEmpty() ? 0 : text.toUInt(nullptr, 16);
}

void CDebug::onAdcEdited(const QString& text) {
    state_.debugParameters.adcEnable = text.isEmpty() ? 0 : text.toUInt(nullptr, 16);
}

void CDebug::adaptToChip() {
    state_.debugParameters.parameterGroupEnabled = state_.engineeringLayout ? 1 : 0;
    parameterGroup_->setVisible(state_.debugParameters.parameterGroupEnabled != 0 &&
                                takesTouchParameters(int(state_.chipIndex.load())));
}

}  // namespace tessel
