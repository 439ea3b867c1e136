#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace tessel {

// The profile file "Parameters.ini" with the semantics of the Windows private-profile
// functions the program grew up with: integers read with a default and written at once as
// decimal text, sections and keys matched without regard to case, lines it does not know
// kept in place. Section and key names are plain text ("KR4113/4161CFGS" and
// "CTK_THRESHOLD[0]" are ordinary names). A file written by the Windows program is UTF-16LE
// with a byte-order mark or 8-bit text in the Chinese code page (GBK); both are read, and a
// write changes only the bytes of the value it writes (or adds the new line), keeping the
// encoding, the byte-order mark, the line ends and every other byte. Writes replace the file
// atomically and keep its permissions; a new file is UTF-8 without a mark, with CR LF ends.
class Profile {
public:
    static constexpr const char* kFileName = "Parameters.ini";
    // Every section of every page fits many times over.
    static constexpr qint64 kLargestFile = 1 << 20;

    Profile() = default;
    explicit Profile(QString filePath) : path_(std::move(filePath)) {}

    const QString& path() const { return path_; }
    bool exists() const;

    // The integer stored under section/key, or defaultValue when the file, the section or
    // the key is missing or the value is empty. Leading blanks and a sign are allowed;
    // reading stops at the first character that is not a digit ("12abc" gives 12, "abc" 0).
    int readInt(const QString& section, const QString& key, int defaultValue) const;

    // Writes value as decimal text. A new key goes at the end of its section, a new section
    // at the end of the file. Returns false when the file could not be written.
    bool writeInt(const QString& section, const QString& key, int value);

    // A text value (a file path, a list entry): stored as UTF-8 in an 8-bit file, as UTF-16
    // in a UTF-16 one. The value read is the text between '=' and the line end without the
    // blanks around it; a value with a line break or with blanks at either end is refused
    // (false), since it would not read back as written.
    QString readString(const QString& section, const QString& key,
                       const QString& defaultValue = QString()) const;
    bool writeString(const QString& section, const QString& key, const QString& value);

    // Where the profile lives: in moduleDir when that directory is writable (portable use),
    // otherwise, and always for a program installed in a "bin" directory, in ~/.config/Tessel/.
    static QString chooseLocation(const QString& moduleDir);

private:
    // The file's bytes; *ok is false when something other than a readable regular file of
    // at most kLargestFile bytes is in the way (a missing file is an empty profile).
    QByteArray readBytes(bool* ok) const;
    bool writeValue(const QString& section, const QString& key, const QString& value);
    // The text between '=' and the line end of section/key, without the blanks around it, as
    // the file's units (8-bit files: one unit per byte); nothing when the key is missing.
    // *utf16 tells a UTF-16 file.
    std::optional<QString> rawValue(const QString& section, const QString& key, bool* utf16) const;

    QString path_;
};

}  // namespace tessel
