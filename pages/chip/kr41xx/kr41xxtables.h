#pragma once

// Helpers shared by the tables of the KR41xx configuration pages.
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

}  // namespace tessel::chip::kr41xx
