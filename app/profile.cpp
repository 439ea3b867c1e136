#include "app/profile.h"

#include "app/regularfile.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace tessel {
namespace {

const QByteArray kBom("\xEF\xBB\xBF");

// The section name of a "[name]" line, or a null string for any other line.
QString sectionName(const QString& line) {
    const QString t = line.trimmed();
    if (!t.startsWith(QLatin1Char('[')))
        return QString();
    const int close = t.indexOf(QLatin1Char(']'));
    return (close < 0 ? t.mid(1) : t.mid(1, close - 1)).trimmed();
}

bool isKeyLine(const QString& line, const QString& key, QString* value) {
    const int eq = line.indexOf(QLatin1Char('='));
    if (eq < 0)
        return false;
    if (line.left(eq).trimmed().compare(key, Qt::CaseInsensitive) != 0)
        return false;
    if (value)
        *value = line.mid(eq + 1).trimmed();
    return true;
}

struct Location {
    int sectionLine = -1;  // index of the "[section]" line
    int keyLine = -1;      // index of the key's line
    int lastEntry = -1;    // last non-blank line of the section
};

Location locate(const QStringList& lines, const QString& section, const QString& key,
                QString* value) {
    Location loc;
    for (int i = 0; i < lines.size(); ++i) {
        const QString name = sectionName(lines[i]);
        if (!name.isNull()) {
            if (loc.sectionLine >= 0)
                break;  // left the section
            if (name.compare(section, Qt::CaseInsensitive) == 0) {
                loc.sectionLine = i;
                loc.lastEntry = i;
            }
            continue;
        }
        if (loc.sectionLine < 0)
            continue;
        if (!lines[i].trimmed().isEmpty())
            loc.lastEntry = i;
        if (loc.keyLine < 0 && isKeyLine(lines[i], key, value))
            loc.keyLine = i;
    }
    return loc;
}

}  // namespace

bool Profile::exists() const {
    return !path_.isEmpty() && QFileInfo::exists(path_);
}

QStringList Profile::readLines(bool* hadBom, bool* ok) const {
    *ok = true;
    if (path_.isEmpty())
        return {};
    const FileReadResult file = readRegularFile(path_, kLargestFile);
    if (file.status != FileReadStatus::Ok) {
        // A missing file is an empty profile; anything else there (a device, a pipe, a file
        // too large or unreadable) is not ours to read, nor to overwrite.
        *ok = file.status == FileReadStatus::OpenError && !QFileInfo(path_).exists() &&
              !QFileInfo(path_).isSymLink();
        return {};
    }
    QByteArray data = file.data;
    if (data.startsWith(kBom)) {
        data.remove(0, kBom.size());
        if (hadBom)
            *hadBom = true;
    }
    QStringList lines = QString::fromUtf8(data).split(QLatin1Char('\n'));
    for (QString& l : lines) {
        if (l.endsWith(QLatin1Char('\r')))
            l.chop(1);
    }
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

int Profile::readInt(const QString& section, const QString& key, int defaultValue) const {
    bool ok = true;
    const QStringList lines = readLines(nullptr, &ok);
    QString value;
    const Location loc = locate(lines, section, key, &value);
    if (loc.keyLine < 0 || value.isEmpty())
        return defaultValue;
    int i = 0;
    bool negative = false;
    if (value[0] == QLatin1Char('-') || value[0] == QLatin1Char('+')) {
        negative = value[0] == QLatin1Char('-');
        i = 1;
    }
    long long n = 0;
    for (; i < value.size() && value[i].isDigit() && value[i].unicode() < 128; ++i) {
        n = n * 10 + (value[i].unicode() - '0');
        if (n > 0xFFFFFFFFLL)
            break;
    }
    // Values wrap like the 32-bit result of the Windows call ("4294967295" reads as -1).
    return static_cast<int>(static_cast<uint32_t>(negative ? -n : n));
}

bool Profile::writeInt(const QString& section, const QString& key, int value) {
    if (path_.isEmpty())
        return false;
    bool hadBom = false;
    bool ok = true;
    QStringList lines = readLines(&hadBom, &ok);
    if (!ok)
        return false;
    const Location loc = locate(lines, section, key, nullptr);
    const QString entry = key + QLatin1Char('=') + QString::number(value);
    if (loc.keyLine >= 0) {
        const QString oldKey =
            lines[loc.keyLine].left(lines[loc.keyLine].indexOf(QLatin1Char('=')));
        lines[loc.keyLine] = oldKey.trimmed() + QLatin1Char('=') + QString::number(value);
    } else if (loc.sectionLine >= 0) {
        lines.insert(loc.lastEntry + 1, entry);
    } else {
        lines << QLatin1Char('[') + section + QLatin1Char(']') << entry;
    }

    QDir().mkpath(QFileInfo(path_).absolutePath());
    QSaveFile out(path_);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    QByteArray data = hadBom ? kBom : QByteArray();
    for (const QString& l : lines) {
        data += l.toUtf8();
        data += "\r\n";
    }
    out.write(data);
    return out.commit();
}

QString Profile::chooseLocation(const QString& moduleDir) {
    const QFileInfo dir(moduleDir);
    // An installed program (in a "bin" directory: /usr/bin, /usr/local/bin, ~/.local/bin) keeps
    // its settings with the user's even where that directory is writable; the window program
    // and tessel-cli share one file there.
    const bool installed = QDir(moduleDir).dirName() == QLatin1String("bin");
    if (!moduleDir.isEmpty() && dir.isDir() && dir.isWritable() && !installed) {
        return QDir(moduleDir).filePath(QString::fromLatin1(kFileName));
    }
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                           QStringLiteral("/Tessel");
    return QDir(config).filePath(QString::fromLatin1(kFileName));
}

}  // namespace tessel
