#include "debug/csvreader.h"

#include "app/chipcatalogue.h"
#include "app/messages.h"
#include "app/regularfile.h"
#include "debug/debugcsv.h"

#include <QList>
#include <QRegularExpression>

#include <utility>

namespace tessel::csv {
namespace {

// Reads line by line; each line either fits what the writer puts there or ends the reading
// with the line's number.
class Reader {
public:
    Reader(int chip, uint8_t language, ReadResult* out)
        : chip_(chip), language_(language), flags_(chipInfo(chip).csvKeyFlags), out_(out) {}

    bool line(const QByteArray& text, int number);
    bool finish(int lines);

private:
    enum class Expect { Header, Names, Record };

    bool header(const QByteArray& text);
    bool record(const QByteArray& text);
    bool integer(const QByteArray& field, int column, int32_t* value);
    template <typename... Args>
    bool fail(Msg id, Args... args) {
        out_->error = message(id, language_, number_, args...);
        out_->errorLine = number_;
        return false;
    }

    int chip_;
    uint8_t language_;
    bool flags_;
    ReadResult* out_;
    Expect expect_ = Expect::Header;
    int number_ = 0;  // the line being read
    int channels_ = 0;
    int next_ = 0;  // the record number expected next within the block
    QByteArray names_;
};

bool Reader::line(const QByteArray& text, int number) {
    number_ = number;
    if (text.isEmpty())
        return true;
    if (text.startsWith(",Baseline,"))
        return header(text);
    switch (expect_) {
        case Expect::Header:
            return fail(Msg::CsvHeader);
        case Expect::Names:
            if (text != names_)
                return fail(Msg::CsvHeader);
            expect_ = Expect::Record;
            next_ = 0;
            out_->blocks.push_back(out_->records.size());
            return true;
        case Expect::Record:
            return record(text);
    }
    return false;
}

bool Reader::header(const QByteArray& text) {
    static const QRegularExpression re(
        QStringLiteral("^,Baseline(,+),Rawdata(,+),Differ(?:(,+)KeyFlagSN)?$"));
    const QRegularExpressionMatch m = re.match(QString::fromLatin1(text));
    if (expect_ == Expect::Names || !m.hasMatch())
        return fail(Msg::CsvHeader);
    const qsizetype n = m.capturedLength(1);
    const bool hasFlags = m.capturedLength(3) > 0;
    if (m.capturedLength(2) != n || (hasFlags && m.capturedLength(3) != n) ||
        n > SampleRecord::kChannels || (channels_ != 0 && n != channels_))
        return fail(Msg::CsvHeader);
    if (hasFlags != flags_)
        return fail(flags_ ? Msg::CsvFlagsMissing : Msg::CsvFlagsUnexpected);
    channels_ = static_cast<int>(n);
    const QList<QByteArray> lines = csv::header(channels_, chip_).split('\n');
    names_ = lines.value(1);
    names_.chop(1);  // CR
    expect_ = Expect::Names;
    return true;
}

bool Reader::integer(const QByteArray& field, int column, int32_t* value) {
    bool ok = false;
    const int v = field.toInt(&ok, 10);
    if (!ok)
        return fail(Msg::CsvNotNumber, column, field.left(40).constData());
    *value = v;
    return true;
}

bool Reader::record(const QByteArray& text) {
    const int n = channels_;
    const QList<QByteArray> f = text.split(',');
    const int expected = 3 * n + 4 + (flags_ ? 1 : 0);
    if (f.size() != expected)
        return fail(Msg::CsvFieldCount, int(f.size()), expected);
    for (int column : {n + 1, 2 * n + 2, expected - 1}) {
        if (!f[column].isEmpty())
            return fail(Msg::CsvNotEmpty, column + 1, f[column].left(40).constData());
    }
    int32_t no = 0;
    if (!integer(f[0], 1, &no))
        return false;
    if (no != next_)
        return fail(Msg::CsvRecordNumber, no, next_);
    SampleRecord r;
    // Field by field from the left, so that the message names the first one that is wrong.
    for (auto [first, values] :
         {std::pair{1, &r.baseline}, {n + 2, &r.raw}, {2 * n + 3, &r.differ}}) {
        for (int i = 0; i < n; ++i) {
            if (!integer(f[first + i], first + i + 1, &(*values)[i]))
                return false;
        }
    }
    for (int i = 0; i < n; ++i) {
        const bool zeroed = r.baseline[i] == 0 && r.raw[i] == 0 && r.differ[i] == 0;
        if (!zeroed && r.differ[i] != differOf(chipInfo(chip_).differ, r.raw[i], r.baseline[i]))
            return fail(Msg::CsvDiffer, i);
    }
    if (flags_) {
        static const QRegularExpression hex(QStringLiteral("^0x[0-9a-fA-F]{8}$"));
        const QByteArray& field = f[3 * n + 3];
        if (!hex.match(QString::fromLatin1(field)).hasMatch())
            return fail(Msg::CsvNotNumber, 3 * n + 4, field.left(40).constData());
        r.keyFlags = field.mid(2).toUInt(nullptr, 16);
    }
    out_->records.push_back(r);
    ++next_;
    return true;
}

bool Reader::finish(int lines) {
    number_ = lines + 1;
    if (lines == 0)
        return fail(Msg::CsvEmpty);
    if (expect_ != Expect::Record)
        return fail(Msg::CsvHeader);
    if (out_->records.empty())
        return fail(Msg::CsvNoSamples);
    out_->channels = channels_;
    out_->ok = true;
    return true;
}

}  // namespace

std::vector<SampleRecord> ReadResult::lastBlock() const {
    if (blocks.empty())
        return records;
    return std::vector<SampleRecord>(records.begin() + static_cast<std::ptrdiff_t>(blocks.back()),
                                     records.end());
}

ReadResult read(const QByteArray& text, int chipIndex, uint8_t language) {
    ReadResult out;
    Reader reader(chipIndex, language, &out);
    qsizetype at = text.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    int number = 0;
    int lastText = 0;  // the last line that holds anything
    while (at < text.size()) {
        qsizetype end = text.indexOf('\n', at);
        if (end < 0)
            end = text.size();
        QByteArray line = text.mid(at, end - at);
        if (line.endsWith('\r'))
            line.chop(1);
        ++number;
        if (!line.trimmed().isEmpty())
            lastText = number;
        if (!reader.line(line.trimmed().isEmpty() ? QByteArray() : line, number))
            return out;
        at = end + 1;
    }
    if (lastText == 0) {
        reader.finish(0);
        return out;
    }
    reader.finish(number);
    return out;
}

ReadResult readFile(const QString& path, int chipIndex, uint8_t language) {
    const FileReadResult file = readRegularFile(path, kLargestFile);
    if (file.status != FileReadStatus::Ok) {
        ReadResult out;
        const Msg why =
            file.status == FileReadStatus::TooLarge ? Msg::CsvTooLarge : Msg::CsvUnreadable;
        out.error = message(why, language, path.toUtf8().constData());
        return out;
    }
    return read(file.data, chipIndex, language);
}

}  // namespace tessel::csv
