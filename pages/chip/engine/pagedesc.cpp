#include "pages/chip/engine/pagedesc.h"

#include <QtGlobal>

namespace tessel::chip {

FieldDesc listField(const char* caption, int word, int hi, int lo, QStringList items,
                    const char* key, int def) {
    FieldDesc f;
    f.caption = QString::fromUtf8(caption);
    f.kind = ControlKind::List;
    f.word = word;
    f.shift = lo;
    f.width = hi - lo + 1;
    f.items = std::move(items);
    if (key)
        f.key = QString::fromUtf8(key);
    f.defaultValue = def;
    return f;
}

FieldDesc checkField(const char* caption, int word, int bit, const char* key, int def) {
    FieldDesc f = listField(caption, word, bit, bit, {}, key, def);
    f.kind = ControlKind::Check;
    return f;
}

FieldDesc hexField(const char* caption, int word, int hi, int lo, const char* key, int def) {
    FieldDesc f = listField(caption, word, hi, lo, {}, key, def);
    f.kind = ControlKind::HexEdit;
    return f;
}

FieldDesc infoField(const char* caption, int word, QStringList items) {
    FieldDesc f = listField(caption, word, 0, 0, std::move(items));
    f.kind = ControlKind::Info;
    f.width = 0;
    f.flags |= kDisabled;
    return f;
}

WordDesc word(int number, const char* group, const char* key, int def, unsigned flags) {
    WordDesc w;
    w.number = number;
    w.group = QString::fromUtf8(group);
    if (key)
        w.key = QString::fromUtf8(key);
    w.defaultValue = def;
    w.loadLabel = QStringLiteral("CFG_%1 = 0x").arg(number) + QStringLiteral("%1");
    w.changeLabel = w.loadLabel;
    w.flags = flags;
    return w;
}

QStringList texts(std::initializer_list<const char*> items) {
    QStringList l;
    for (const char* t : items)
        l << QString::fromUtf8(t);
    return l;
}

QStringList numbers(int first, int last) {
    QStringList l;
    for (int i = first; i <= last; ++i)
        l << QString::number(i);
    return l;
}

QStringList sparseList(int count, std::initializer_list<QPair<int, const char*>> known,
                       const Codec& codec, int width) {
    QStringList l;
    for (int i = 0; i < count; ++i) {
        l << QLatin1Char('#') + QString::number(encodeIndex(codec, width, i));
    }
    for (const auto& [index, text] : known) {
        if (index >= 0 && index < count)
            l[index] = QString::fromUtf8(text);
    }
    return l;
}

FieldDesc& fieldNamed(QVector<FieldDesc>& fields, const char* caption) {
    const QString c = QString::fromUtf8(caption);
    for (FieldDesc& f : fields) {
        if (f.caption == c)
            return f;
    }
    qWarning("no field %s", caption);
    return fields.first();
}

void asTrimPage(PageDesc& desc) {
    desc.restrictedAtStart = false;
    desc.saveCaption = message(Msg::PageSaveToConfig, Language::Chinese);
}

QStringList checkDescription(const PageDesc& desc) {
    QStringList problems;
    QStringList owned;
    for (const WordDesc& w : desc.words) {
        if (!w.key.isEmpty())
            owned << w.key;
    }
    for (const FieldDesc& f : desc.fields) {
        if (!f.key.isEmpty())
            owned << f.key;
    }
    for (const QString& key : owned) {
        if (owned.count(key) > 1 && !problems.contains(QStringLiteral("held twice: ") + key))
            problems << QStringLiteral("held twice: ") + key;
        if (!desc.keyOrder.contains(key))
            problems << QStringLiteral("not in the key order: ") + key;
    }
    for (const QString& key : desc.keyOrder) {
        if (!owned.contains(key))
            problems << QStringLiteral("no control or word: ") + key;
        if (desc.keyOrder.count(key) > 1 && !problems.contains(QStringLiteral("twice: ") + key))
            problems << QStringLiteral("twice: ") + key;
    }
    return problems;
}

}  // namespace tessel::chip
