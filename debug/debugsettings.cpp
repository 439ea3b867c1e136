#include "debug/debugsettings.h"

#include "app/profile.h"

namespace tessel {
namespace {

const QString kPageSection = QStringLiteral("BebugParameters");
const QString kTouchSection = QStringLiteral("CTKParameters");

struct IntKey {
    const char* key;
    int DebugPageSettings::*field;
};
const IntKey kPageKeys[] = {
    {"m_blmin", &DebugPageSettings::baselineMin}, {"m_blmax", &DebugPageSettings::baselineMax},
    {"m_rdmin", &DebugPageSettings::rawMin},      {"m_rdmax", &DebugPageSettings::rawMax},
    {"m_dmin", &DebugPageSettings::differMin},    {"m_dmax", &DebugPageSettings::differMax},
    {"m_vcc", &DebugPageSettings::vcc},           {"m_data_type", &DebugPageSettings::dataType},
};

// The touch parameters in the order "修改" writes them.
template <typename T>
struct ByteKey {
    const char* key;
    T DebugParameters::*field;
};
const ByteKey<uint8_t> kBytesBeforeLine[] = {
    {"CTK_RESO", &DebugParameters::reso},
    {"CTK_DS", &DebugParameters::ds},
    {"CTK_RV", &DebugParameters::ref},
    {"CTK_PRS", &DebugParameters::prs},
    {"CTK_Adaptive_EN", &DebugParameters::adaptiveEnable},
    {"CTK_Rb", &DebugParameters::rb},
};
const ByteKey<uint8_t> kBytesAfterMask[] = {
    {"CTK_ADC", &DebugParameters::adcResolution},
    {"CTK_DMS", &DebugParameters::dms},
    {"Chip_type", &DebugParameters::chipPackage},
    {"Debug_Work", &DebugParameters::debugWork},
};

QString key(const char* name) {
    return QString::fromLatin1(name);
}
QString thresholdKey(int i) {
    return QStringLiteral("CTK_THRESHOLD[%1]").arg(i);
}

}  // namespace

void DebugPageSettings::load(const Profile& profile) {
    const DebugPageSettings defaults;
    for (const IntKey& k : kPageKeys)
        this->*k.field = profile.readInt(kPageSection, key(k.key), defaults.*k.field);
}

void DebugPageSettings::save(Profile& profile) const {
    for (const IntKey& k : kPageKeys)
        profile.writeInt(kPageSection, key(k.key), this->*k.field);
}

void loadTouchParameters(const Profile& p, DebugParameters* d) {
    auto read = [&](const char* name) { return p.readInt(kTouchSection, key(name), 0); };
    for (const auto& k : kBytesBeforeLine)
        d->*k.field = static_cast<uint8_t>(read(k.key));
    for (const auto& k : kBytesAfterMask)
        d->*k.field = static_cast<uint8_t>(read(k.key));
    const int line = read("Set_Baseline");
    d->adaptiveLine = line >= 0 && line <= 32768 ? line : 0;
    d->channelOpenMask = static_cast<uint32_t>(read("Set_SNopen"));
    d->adcEnable = static_cast<uint32_t>(read("ADC_OPEN")) & 0xFF;
    for (int i = 0; i < 27; ++i)
        d->keyThresholds[i] = p.readInt(kTouchSection, thresholdKey(i), 0);
}

void saveTouchParameters(Profile& p, const DebugParameters& d) {
    auto write = [&](const char* name, int value) { p.writeInt(kTouchSection, key(name), value); };
    for (const auto& k : kBytesBeforeLine)
        write(k.key, d.*k.field);
    write("Set_Baseline", d.adaptiveLine);
    write("Set_SNopen", static_cast<int>(d.channelOpenMask));
    for (const auto& k : kBytesAfterMask)
        write(k.key, d.*k.field);
    write("ADC_OPEN", static_cast<int>(d.adcEnable));
    for (int i = 0; i < 27; ++i)
        p.writeInt(kTouchSection, thresholdKey(i), d.keyThresholds[i]);
}

namespace debugitems {

int packagePosition(uint8_t package) {
    switch (package) {
        case 3:
            return 0;
        case 1:
            return 1;
        case 2:
            return 2;
        default:
            return -1;
    }
}

uint8_t packageValue(int position) {
    static const uint8_t values[] = {3, 1, 2};
    return position >= 0 && position < 3 ? values[position] : 0;
}

int positionOf(int value, int count) {
    return value >= 0 && value < count ? value : -1;
}

}  // namespace debugitems
}  // namespace tessel
