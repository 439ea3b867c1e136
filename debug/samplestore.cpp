#include "debug/samplestore.h"

#include <QDir>
#include <QTemporaryFile>

#include <mutex>
#include <type_traits>

namespace tessel {

static_assert(std::is_trivially_copyable<SampleRecord>::value, "records are stored as bytes");

// The temporary file that holds spilled chunks. Appends come from the window thread, reads
// from a writer thread; one mutex keeps the file position of each call its own. The file is
// removed when the last chunk that uses it goes.
class SampleStore::SpillFile {
public:
    explicit SpillFile(const QString& dir)
        : file_(QDir(dir.isEmpty() ? QDir::tempPath() : dir)
                    .filePath(QStringLiteral("tessel-samples-XXXXXX.tmp"))) {}

    bool open() { return file_.open(); }

    // Appends the records; returns their offset, or -1 when the write failed.
    qint64 append(const std::vector<SampleRecord>& records) {
        std::lock_guard<std::mutex> lock(mutex_);
        const qint64 offset = end_;
        const qint64 bytes = qint64(records.size() * sizeof(SampleRecord));
        if (!file_.seek(offset) ||
            file_.write(reinterpret_cast<const char*>(records.data()), bytes) != bytes ||
            !file_.flush()) {
            return -1;
        }
        end_ += bytes;
        return offset;
    }

    bool read(qint64 offset, std::size_t count, std::vector<SampleRecord>* out) {
        std::lock_guard<std::mutex> lock(mutex_);
        out->resize(count);
        const qint64 bytes = qint64(count * sizeof(SampleRecord));
        return file_.seek(offset) &&
               file_.read(reinterpret_cast<char*>(out->data()), bytes) == bytes;
    }

private:
    std::mutex mutex_;
    QTemporaryFile file_;
    qint64 end_ = 0;
};

bool SampleStore::Snapshot::readChunk(std::size_t index, std::vector<SampleRecord>* out) const {
    const Chunk& c = *chunks_[index];
    return c.file->read(c.offset, c.count, out);
}

SampleStore::SampleStore() = default;
SampleStore::~SampleStore() = default;

void SampleStore::append(const SampleRecord& record) {
    if (!open_) {
        open_ = std::make_shared<Chunk>();
        open_->records.reserve(kChunkRecords);
    }
    open_->records.push_back(record);
    ++size_;
    if (open_->records.size() < kChunkRecords)
        return;
    open_->count = open_->records.size();
    full_.push_back(std::move(open_));
    open_.reset();
    ++inMemoryFull_;
    while (memoryBytes() > memoryLimit_ && inMemoryFull_ > 0 && spillOk_)
        spillOldest();
}

void SampleStore::spillOldest() {
    if (!spill_) {
        spill_ = std::make_shared<SpillFile>(spillDir_);
        if (!spill_->open()) {
            spill_.reset();
            spillOk_ = false;
            return;
        }
    }
    for (auto& slot : full_) {
        if (slot->file)
            continue;
        const qint64 offset = spill_->append(slot->records);
        if (offset < 0) {
            spillOk_ = false;
            return;
        }
        auto spilled = std::make_shared<Chunk>();
        spilled->file = spill_;
        spilled->offset = offset;
        spilled->count = slot->records.size();
        spilled_ += spilled->count;
        slot = std::move(spilled);  // a snapshot holding the old chunk keeps it
        --inMemoryFull_;
        return;
    }
}

void SampleStore::clear() {
    full_.clear();
    open_.reset();
    spill_.reset();
    size_ = 0;
    inMemoryFull_ = 0;
    spilled_ = 0;
    spillOk_ = true;
}

std::size_t SampleStore::memoryBytes() const {
    std::size_t records = inMemoryFull_ * kChunkRecords;
    if (open_)
        records += open_->records.size();
    return records * sizeof(SampleRecord);
}

SampleStore::Snapshot SampleStore::snapshot() const {
    Snapshot s;
    s.chunks_ = full_;
    if (open_ && !open_->records.empty()) {
        auto copy = std::make_shared<Chunk>(*open_);  // the open chunk keeps growing
        copy->count = copy->records.size();
        s.chunks_.push_back(std::move(copy));
    }
    s.size_ = size_;
    return s;
}

}  // namespace tessel
