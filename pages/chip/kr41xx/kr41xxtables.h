#pragma once

// Tables shared by the KR41xx configuration and trim pages: the fields both pages of a chip
// offer (same items, coding, keys and defaults) and the helpers of the page tables.
#include "pages/chip/engine/pagedesc.h"

namespace tessel::chip::kr41xx {

// Words CFG0..CFG<n-1> with the byte keys "m_n_<model>_CFG<n>", their defaults, groups
// "CFG<n>"; only the CFG0 group shows in the restricted view.
QVector<WordDesc> words(const char* model, std::initializer_list<int> defaults);

// The key order: the field keys as listed, then every byte key in word order.
QStringList keyOrder(std::initializer_list<const char*> fieldKeys, const QVector<WordDesc>& words);

// The three ADC entry fields on the last three words.
QVector<FieldDesc> adcFields(int firstWord, const char* first, const char* second,
                             const char* third);

// A trim page's word CFG<number> shown under the group "CFG<shown>" with the label
// "CFG_<shown> = 0x..", its byte key in the configuration section.
WordDesc trimWord(int number, int shown, const char* key, int def);
// A trim page's OSC_REG, "OSC_REG = 0x..", its byte key in the trim section.
WordDesc oscRegWord(const char* key, int def);

// KR4121: "LDO输出电压", "OSC时钟" (CFG0 bits 7..4 and CFG1 bit 6), "读保护0", "写保护",
// "锁相环微调" and "锁相环时钟频率", on CFG0 and CFG1, with the keys of "KR4121CFGS".
QVector<FieldDesc> kr4121Fields();

// KR4111: "BandGap阻值" (CFG1), "OSC时钟" (CFG2), "CSD电阻值" (CFG3, without items: the
// configuration page rebuilds them, the trim page shows the base table) and "测试Rb电阻".
QVector<FieldDesc> kr4111Fields();
// The "CSD电阻值" list for an "Rb阻值" index (0 "5K" .. 3 "20K"): base resistances times
// (index + 1).
QStringList kr4111CsdList(int rb);

// KR4112: "CSD_RB_TEST", "下拉电阻修调" (CFG1, without items), "BandGap" (CFG2),
// "OSC100k" (CFG3), "OSC输出频率" (CFG4).
QVector<FieldDesc> kr4112Fields();
// The "下拉电阻修调" list for a "下拉电阻" index (0 "5K" .. 3 "20K").
const QStringList& kr4112PullDownList(int rb);

// KR4152/KR4161/KR4115W: "CSD_RB_TEST", "ADJ_RB" (CFG1), "ADJ_BG" (CFG2),
// "ADJ_TRIM(KHz)" (CFG3), "ADJ_OSC(MHz)" (CFG4, key holding the code).
QVector<FieldDesc> kr4113Fields();

// KR4115/KR4116: "ADJ_RB", "ADJ_BG", "ADJ_32k(kHz)", "ADJ_OSC(MHz)" on CFG1 to CFG4.
QVector<FieldDesc> kr4116Fields();

}  // namespace tessel::chip::kr41xx
