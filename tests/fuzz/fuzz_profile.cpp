// The profile reader and writer: after writing one key, reading it gives the value back and
// every other key of the file reads as before.
#include "app/profile.h"
#include "fuzzcheck.h"

#include <QDir>
#include <QFile>
#include <QList>
#include <QPair>

#include <unistd.h>
#include <cstring>
#include <limits>

using namespace tessel;

namespace {

QString scratchPath() {
    static const QString path =
        QDir::tempPath() + QStringLiteral("/tessel-fuzz-profile-%1.ini").arg(::getpid());
    return path;
}

// A name the program could use: no line breaks, no '=', no brackets, no outer blanks.
bool usableName(const QString& name) {
    if (name.isEmpty() || name != name.trimmed() || name.size() > 40)
        return false;
    for (QChar c : name) {
        if (c == QLatin1Char('=') || c == QLatin1Char('[') || c == QLatin1Char(']') ||
            c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QLatin1Char(';') ||
            c.unicode() < 0x20 || c == QChar(0xFFFD))
            return false;
    }
    return true;
}

// Every section/key pair written in the text, found the simple way.
QList<QPair<QString, QString>> namesIn(const QString& text) {
    QList<QPair<QString, QString>> names;
    QString section;
    for (const QString& raw : text.split(QLatin1Char('\n'))) {
        const QString line = raw.trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            const int close = line.indexOf(QLatin1Char(']'));
            section = (close < 0 ? line.mid(1) : line.mid(1, close - 1)).trimmed();
            continue;
        }
        const int eq = raw.indexOf(QLatin1Char('='));
        if (eq > 0 && !section.isEmpty())
            names.append({section, raw.left(eq).trimmed()});
    }
    return names;
}

}  // namespace

// Input: section, key (each up to a NUL byte), four value bytes, then the file.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* p = reinterpret_cast<const char*>(data);
    const char* end = p + size;
    const char* s0 = static_cast<const char*>(std::memchr(p, 0, size_t(end - p)));
    if (!s0)
        return 0;
    const char* k0 = static_cast<const char*>(std::memchr(s0 + 1, 0, size_t(end - s0 - 1)));
    if (!k0 || end - k0 - 1 < 4)
        return 0;
    const QString section = QString::fromUtf8(p, int(s0 - p));
    const QString key = QString::fromUtf8(s0 + 1, int(k0 - s0 - 1));
    if (!usableName(section) || !usableName(key))
        return 0;
    int value = 0;
    std::memcpy(&value, k0 + 1, 4);
    const QByteArray file(k0 + 5, int(end - k0 - 5));

    const QString path = scratchPath();
    {
        QFile f(path);
        FUZZ_CHECK(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        FUZZ_CHECK(f.write(file) == file.size());
    }
    Profile profile(path);
    const auto names = namesIn(QString::fromUtf8(file));
    QList<int> before;
    for (const auto& n : names)
        before << profile.readInt(n.first, n.second, -77777);

    FUZZ_CHECK(profile.writeInt(section, key, value));
    // A default other than the value written (without overflowing at the top of int).
    const int otherValue = value == std::numeric_limits<int>::max() ? value - 1 : value + 1;
    FUZZ_CHECK(profile.readInt(section, key, otherValue) == value);
    for (int i = 0; i < names.size(); ++i) {
        const bool same = names[i].first.compare(section, Qt::CaseInsensitive) == 0 &&
                          names[i].second.compare(key, Qt::CaseInsensitive) == 0;
        if (!same)
            FUZZ_CHECK(profile.readInt(names[i].first, names[i].second, -77777) == before[i]);
    }
    return 0;
}
