#include "link/debugparams.h"

#include "link/commandcode.h"

namespace tessel {

Report debugParametersFrame(const DebugParameters& p, uint8_t chip) {
    Report r = makeReport(codeByte(CommandCode::WriteDebugParameters));
    r[2] = chip;
    for (int i = 0; i < 32; ++i)
        r[3 + i] = static_cast<uint8_t>(p.keyThresholds[i] & 0xFF);
    r[35] = p.reso;
    r[36] = p.ref;
    r[37] = p.rb;
    r[38] = p.ds;
    r[39] = p.prs;
    r[40] = p.adaptiveEnable;
    for (int i = 41; i <= 44; ++i)
        r[i] = 0xFF;
    r[45] = static_cast<uint8_t>((p.adaptiveLine >> 8) & 0xFF);
    r[46] = static_cast<uint8_t>(p.adaptiveLine & 0xFF);
    r[47] = p.dms;
    r[48] = p.debugWork;
    r[49] = static_cast<uint8_t>(p.channelOpenMask >> 24);
    r[50] = static_cast<uint8_t>(p.channelOpenMask >> 16);
    r[51] = static_cast<uint8_t>(p.channelOpenMask >> 8);
    r[52] = static_cast<uint8_t>(p.channelOpenMask);
    r[53] = static_cast<uint8_t>(p.adcEnable & 0xFF);
    r[54] = p.adcResolution;
    r[60] = p.chipPackage;
    return r;
}

DebugParameters parseDebugParametersFrame(const Report& r, uint8_t* chip) {
    DebugParameters p;
    if (chip)
        *chip = r[2];
    for (int i = 0; i < 32; ++i)
        p.keyThresholds[i] = r[3 + i];
    p.reso = r[35];
    p.ref = r[36];
    p.rb = r[37];
    p.ds = r[38];
    p.prs = r[39];
    p.adaptiveEnable = r[40];
    p.adaptiveLine = r[45] << 8 | r[46];
    p.dms = r[47];
    p.debugWork = r[48];
    p.channelOpenMask = static_cast<uint32_t>(r[49]) << 24 | static_cast<uint32_t>(r[50]) << 16 |
                        static_cast<uint32_t>(r[51]) << 8 | r[52];
    p.adcEnable = r[53];
    p.adcResolution = r[54];
    p.chipPackage = r[60];
    return p;
}

}  // namespace tessel
