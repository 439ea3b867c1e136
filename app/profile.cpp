#include "app/profile.h"

#include "app/regularfile.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <optional>
#include <utility>

namespace tessel {
namespace {

// How the file's bytes become the text units the reader works on. The Windows program's
// profiles are UTF-16 with a byte-order mark, or 8-bit text without one: ASCII, UTF-8 or the
// Chinese code page (GBK). An 8-bit file is never decoded: each byte becomes one unit (the
// Latin-1 mapping, exact both ways), and names are matched on their ASCII characters only.
// This keeps GBK comments and section names byte for byte without a GBK codec (the Qt of
// some builds has none), and no ASCII character can be mistaken inside a GBK or UTF-8
// character: '=' never appears in a multi-byte character, and a GBK second byte that looks
// like ']' always follows a first byte above 0x80, which no ASCII name contains. The names
// the program uses are ASCII.
enum class Encoding { Bytes, Utf8Bom, Utf16Le, Utf16Be };

const QByteArray kUtf8Bom("\xEF\xBB\xBF");
const QByteArray kUtf16LeBom("\xFF\xFE");
const QByteArray kUtf16BeBom("\xFE\xFF");

struct Line {
    QString text;  // without its line end
    QString end;   // "\r\n", "\n", or empty for a last line without a line end
};

struct Text {
    Encoding encoding = Encoding::Bytes;
    QList<Line> lines;
    QByteArray oddByte;  // a UTF-16 file of odd length keeps its last byte as it was
};

bool isUtf16(Encoding e) {
    return e == Encoding::Utf16Le || e == Encoding::Utf16Be;
}

QString unitsOf(const QByteArray& data, Encoding e, QByteArray* oddByte) {
    if (!isUtf16(e))
        return QString::fromLatin1(data);
    QString units;
    units.reserve(data.size() / 2);
    const bool le = e == Encoding::Utf16Le;
    for (int i = 0; i + 1 < data.size(); i += 2) {
        const uchar a = static_cast<uchar>(data[i]);
        const uchar b = static_cast<uchar>(data[i + 1]);
        units += QChar(static_cast<char16_t>(le ? a | (b << 8) : (a << 8) | b));
    }
    if (data.size() % 2)
        *oddByte = data.right(1);
    return units;
}

QByteArray bytesOf(const QString& units, Encoding e) {
    if (!isUtf16(e))
        return units.toLatin1();  // every unit came from one byte or from external()
    QByteArray out;
    out.reserve(units.size() * 2);
    const bool le = e == Encoding::Utf16Le;
    for (const QChar c : units) {
        const char lo = static_cast<char>(c.unicode() & 0xFF);
        const char hi = static_cast<char>(c.unicode() >> 8);
        out += le ? lo : hi;
        out += le ? hi : lo;
    }
    return out;
}

// A name or value of the program as units of the file (UTF-8 bytes in an 8-bit file).
QString external(const QString& s, Encoding e) {
    return isUtf16(e) ? s : QString::fromLatin1(s.toUtf8());
}

Text parse(const QByteArray& file) {
    Text t;
    QByteArray data = file;
    if (data.startsWith(kUtf8Bom)) {
        t.encoding = Encoding::Utf8Bom;
        data.remove(0, kUtf8Bom.size());
    } else if (data.startsWith(kUtf16LeBom)) {
        t.encoding = Encoding::Utf16Le;
        data.remove(0, kUtf16LeBom.size());
    } else if (data.startsWith(kUtf16BeBom)) {
        t.encoding = Encoding::Utf16Be;
        data.remove(0, kUtf16BeBom.size());
    }
    const QString units = unitsOf(data, t.encoding, &t.oddByte);
    qsizetype from = 0;
    while (from < units.size()) {
        const qsizetype nl = units.indexOf(QLatin1Char('\n'), from);
        Line line;
        line.text = units.mid(from, nl < 0 ? -1 : nl - from);
        if (nl >= 0) {
            line.end = QStringLiteral("\n");
            if (line.text.endsWith(QLatin1Char('\r'))) {
                line.text.chop(1);
                line.end.prepend(QLatin1Char('\r'));
            }
        }
        t.lines << line;
        from = nl < 0 ? units.size() : nl + 1;
    }
    return t;
}

QByteArray serialise(const Text& t) {
    QString units;
    for (const Line& l : t.lines)
        units += l.text + l.end;
    QByteArray out;
    switch (t.encoding) {
        case Encoding::Bytes:
            break;
        case Encoding::Utf8Bom:
            out = kUtf8Bom;
            break;
        case Encoding::Utf16Le:
            out = kUtf16LeBom;
            break;
        case Encoding::Utf16Be:
            out = kUtf16BeBom;
            break;
    }
    return out + bytesOf(units, t.encoding) + t.oddByte;
}

bool isBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\r') ||
           c == QLatin1Char('\v') || c == QLatin1Char('\f');
}

// Start and end of s without the blanks around it.
std::pair<qsizetype, qsizetype> trimmedSpan(const QString& s, qsizetype from, qsizetype to) {
    while (from < to && isBlank(s[from]))
        ++from;
    while (to > from && isBlank(s[to - 1]))
        --to;
    return {from, to};
}

QString trimmedMid(const QString& s, qsizetype from, qsizetype to) {
    const auto span = trimmedSpan(s, from, to);
    return s.mid(span.first, span.second - span.first);
}

// Names match without regard to the case of ASCII letters; other units must be equal.
bool sameName(const QString& a, const QString& b) {
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        const char16_t x = a[i].unicode();
        const char16_t y = b[i].unicode();
        const auto lower = [](char16_t c) {
            return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
        };
        if (lower(x) != lower(y))
            return false;
    }
    return true;
}

// The section name of a "[name]" line, or a null string for any other line.
QString sectionName(const QString& line) {
    const auto span = trimmedSpan(line, 0, line.size());
    if (span.first >= span.second || line[span.first] != QLatin1Char('['))
        return QString();
    const qsizetype close = line.indexOf(QLatin1Char(']'), span.first);
    const QString name =
        trimmedMid(line, span.first + 1, close < 0 || close > span.second ? span.second : close);
    return name.isNull() ? QStringLiteral("") : name;
}

bool isKeyLine(const QString& line, const QString& key) {
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    return eq >= 0 && sameName(trimmedMid(line, 0, eq), key);
}

struct Location {
    int sectionLine = -1;  // index of the "[section]" line
    int keyLine = -1;      // index of the key's line
    int lastEntry = -1;    // last non-blank line of the section
};

Location locate(const QList<Line>& lines, const QString& section, const QString& key) {
    Location loc;
    for (int i = 0; i < lines.size(); ++i) {
        const QString name = sectionName(lines[i].text);
        if (!name.isNull()) {
            if (loc.sectionLine >= 0)
                break;  // left the section
            if (sameName(name, section)) {
                loc.sectionLine = i;
                loc.lastEntry = i;
            }
            continue;
        }
        if (loc.sectionLine < 0)
            continue;
        const auto span = trimmedSpan(lines[i].text, 0, lines[i].text.size());
        if (span.first < span.second)
            loc.lastEntry = i;
        if (loc.keyLine < 0 && isKeyLine(lines[i].text, key))
            loc.keyLine = i;
    }
    return loc;
}

// Where the value of a key line starts and ends (an empty value sits right after the '=').
std::pair<qsizetype, qsizetype> valueSpan(const QString& line) {
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    const auto span = trimmedSpan(line, eq + 1, line.size());
    return span.first < span.second ? span : std::make_pair(eq + 1, eq + 1);
}

// Inserts a line before index. New lines end like the file's first line (CR LF in a file
// without line ends); after a last line without a line end, that line gets one and the new
// line becomes the last line without one.
void insertLine(QList<Line>& lines, int index, const QString& text) {
    QString eol = QStringLiteral("\r\n");
    for (const Line& l : lines) {
        if (!l.end.isEmpty()) {
            eol = l.end;
            break;
        }
    }
    Line line{text, eol};
    if (index > 0 && lines[index - 1].end.isEmpty()) {
        lines[index - 1].end = eol;
        line.end.clear();
    }
    lines.insert(index, line);
}

}  // namespace

bool Profile::exists() const {
    return !path_.isEmpty() && QFileInfo::exists(path_);
}

QByteArray Profile::readBytes(bool* ok) const {
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
    return file.data;
}

std::optional<QString> Profile::rawValue(const QString& section, const QString& key,
                                         bool* utf16) const {
    bool ok = true;
    const Text text = parse(readBytes(&ok));
    const Location loc =
        locate(text.lines, external(section, text.encoding), external(key, text.encoding));
    if (loc.keyLine < 0)
        return std::nullopt;
    const QString& line = text.lines[loc.keyLine].text;
    const auto span = valueSpan(line);
    if (utf16)
        *utf16 = isUtf16(text.encoding);
    return line.mid(span.first, span.second - span.first);
}

int Profile::readInt(const QString& section, const QString& key, int defaultValue) const {
    const std::optional<QString> raw = rawValue(section, key, nullptr);
    if (!raw || raw->isEmpty())
        return defaultValue;
    const QString& value = *raw;
    int i = 0;
    bool negative = false;
    if (value[0] == QLatin1Char('-') || value[0] == QLatin1Char('+')) {
        negative = value[0] == QLatin1Char('-');
        i = 1;
    }
    long long n = 0;
    for (; i < value.size() && value[i] >= QLatin1Char('0') && value[i] <= QLatin1Char('9'); ++i) {
        n = n * 10 + (value[i].unicode() - '0');
        if (n > 0xFFFFFFFFLL)
            break;
    }
    // Values wrap like the 32-bit result of the Windows call ("4294967295" reads as -1).
    return static_cast<int>(static_cast<uint32_t>(negative ? -n : n));
}

bool Profile::writeInt(const QString& section, const QString& key, int value) {
    return writeValue(section, key, QString::number(value));  // ASCII in every encoding
}

QString Profile::readString(const QString& section, const QString& key,
                            const QString& defaultValue) const {
    bool utf16 = false;
    const std::optional<QString> units = rawValue(section, key, &utf16);
    if (!units)
        return defaultValue;
    // An 8-bit file holds the program's own texts as UTF-8.
    return utf16 ? *units : QString::fromUtf8(units->toLatin1());
}

bool Profile::writeString(const QString& section, const QString& key, const QString& value) {
    // One line per key: a value that would break the line, or lose its blanks, is not kept.
    if (value.contains(QLatin1Char('\n')) || value.contains(QLatin1Char('\r')) ||
        value != value.trimmed()) {
        return false;
    }
    return writeValue(section, key, value);
}

bool Profile::writeValue(const QString& section, const QString& key, const QString& value) {
    if (path_.isEmpty())
        return false;
    bool ok = true;
    Text text = parse(readBytes(&ok));
    if (!ok)
        return false;
    const QString sectionUnits = external(section, text.encoding);
    const QString keyUnits = external(key, text.encoding);
    const QString valueUnits = external(value, text.encoding);
    const Location loc = locate(text.lines, sectionUnits, keyUnits);
    if (loc.keyLine >= 0) {
        QString& line = text.lines[loc.keyLine].text;
        const auto span = valueSpan(line);
        line.replace(span.first, span.second - span.first, valueUnits);
    } else if (loc.sectionLine >= 0) {
        insertLine(text.lines, loc.lastEntry + 1, keyUnits + QLatin1Char('=') + valueUnits);
    } else {
        insertLine(text.lines, text.lines.size(),
                   QLatin1Char('[') + sectionUnits + QLatin1Char(']'));
        insertLine(text.lines, text.lines.size(), keyUnits + QLatin1Char('=') + valueUnits);
    }

    QDir().mkpath(QFileInfo(path_).absolutePath());
    // The new file replaces the old one by a rename, with the old file's permissions.
    QSaveFile out(path_);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    const QByteArray data = serialise(text);
    if (out.write(data) != data.size())
        return false;
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
