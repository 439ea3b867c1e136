#include "pages/chip/kr41xx/kr41xxtables.h"

namespace tessel::chip::kr41xx {

QVector<WordDesc> words(const char* model, std::initializer_list<int> defaults) {
    QVector<WordDesc> out;
    int n = 0;
    for (int def : defaults) {
        const QByteArray key = QByteArray("m_n_") + model + "_CFG" + QByteArray::number(n);
        const QByteArray group = "CFG" + QByteArray::number(n);
        out << word(n, group.constData(), key.constData(), def,
                    n == 0 ? unsigned(kRestrictedVisible) : 0u);
        ++n;
    }
    return out;
}

QStringList keyOrder(std::initializer_list<const char*> fieldKeys, const QVector<WordDesc>& words) {
    QStringList out = texts(fieldKeys);
    for (const WordDesc& w : words)
        out << w.key;
    return out;
}

QVector<FieldDesc> adcFields(int firstWord, const char* first, const char* second,
                             const char* third) {
    return {hexField(first, firstWord, 7, 0), hexField(second, firstWord + 1, 7, 0),
            hexField(third, firstWord + 2, 7, 0)};
}

}  // namespace tessel::chip::kr41xx
