#pragma once

// Helpers shared by the chip page tests: a profile file in a temporary directory, written
// as an independent tool would write it, and byte lists as hex text.
#include "app/profile.h"
#include "pages/chip/engine/pagemodel.h"

#include <QFile>
#include <QTemporaryDir>

#include <vector>

namespace chiptest {

class ProfileFile {
public:
    ProfileFile() : path_(dir_.filePath(QStringLiteral("Parameters.ini"))) {}
    tessel::Profile profile() const { return tessel::Profile(path_); }
    const QString& path() const { return path_; }
    void write(const QByteArray& text) {
        QFile f(path_);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(text);
    }
    QByteArray text() const {
        QFile f(path_);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return f.readAll();
    }
    // The keys of a section in file order.
    QStringList keys(const QString& section) const {
        QStringList out;
        bool in = false;
        for (const QByteArray& raw : text().split('\n')) {
            const QString line = QString::fromUtf8(raw).trimmed();
            if (line.startsWith(QLatin1Char('['))) {
                in = line == QLatin1Char('[') + section + QLatin1Char(']');
            } else if (in && line.contains(QLatin1Char('='))) {
                out << line.left(line.indexOf(QLatin1Char('=')));
            }
        }
        return out;
    }
    int value(const QString& section, const char* key, int def = -999) const {
        return tessel::Profile(path_).readInt(section, QString::fromUtf8(key), def);
    }

private:
    QTemporaryDir dir_;
    QString path_;
};

inline QString hex(const std::vector<uint8_t>& bytes) {
    QStringList l;
    for (uint8_t b : bytes)
        l << QString::asprintf("%02x", b);
    return l.join(QLatin1Char(' '));
}

inline int fieldOf(const tessel::chip::PageModel& m, const char* caption) {
    return m.fieldIndex(QString::fromUtf8(caption));
}

inline bool choose(tessel::chip::PageModel& m, const char* caption, int index) {
    return m.choose(fieldOf(m, caption), index);
}

// The shown item text of a list (empty when nothing is selected).
inline QString shown(const tessel::chip::PageModel& m, const char* caption) {
    const int f = fieldOf(m, caption);
    const int sel = m.selection(f);
    const QStringList items = m.items(f);
    return sel >= 0 && sel < items.size() ? items[sel] : QString();
}

}  // namespace chiptest
