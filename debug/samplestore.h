#pragma once

#include "debug/samplerecord.h"

#include <QString>
#include <QtGlobal>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace tessel {

// The samples of a debug run, in arrival order. Records are kept in chunks; when the chunks
// held in memory would pass the memory limit, the oldest full chunk moves to a temporary
// file in the spill directory. A snapshot shares the chunks (none is ever changed once full),
// so a writer thread can read a snapshot while the run goes on or the store is cleared.
class SampleStore {
public:
    static constexpr std::size_t kChunkRecords = 4096;
    static constexpr std::size_t kDefaultMemoryLimit = 64u << 20;  // 64 MiB

    struct Chunk;
    class SpillFile;

    // An immutable view of the records at the moment it was taken.
    class Snapshot {
    public:
        std::size_t size() const { return size_; }
        bool empty() const { return size_ == 0; }
        // Calls f(record) for every record, oldest first. Stops and returns false when a
        // spilled chunk cannot be read back, or when f returns false.
        template <typename F>
        bool forEach(F&& f) const;

    private:
        friend class SampleStore;
        bool readChunk(std::size_t index, std::vector<SampleRecord>* out) const;
        std::vector<std::shared_ptr<const Chunk>> chunks_;
        std::size_t size_ = 0;
    };

    SampleStore();
    ~SampleStore();
    SampleStore(const SampleStore&) = delete;
    SampleStore& operator=(const SampleStore&) = delete;

    void setSpillDirectory(const QString& dir) { spillDir_ = dir; }
    void setMemoryLimit(std::size_t bytes) { memoryLimit_ = bytes; }

    void append(const SampleRecord& record);
    void clear();
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    // Bytes of records held in memory; records in the spill file are not counted.
    std::size_t memoryBytes() const;
    std::size_t spilledRecords() const { return spilled_; }
    // False once a spill failed (the chunk then stays in memory).
    bool spillOk() const { return spillOk_; }

    Snapshot snapshot() const;

private:
    void spillOldest();

    QString spillDir_;
    std::size_t memoryLimit_ = kDefaultMemoryLimit;
    std::vector<std::shared_ptr<const Chunk>> full_;  // full chunks, oldest first
    std::shared_ptr<Chunk> open_;                     // the chunk being filled
    std::shared_ptr<SpillFile> spill_;
    std::size_t size_ = 0;
    std::size_t inMemoryFull_ = 0;  // full chunks still in memory
    std::size_t spilled_ = 0;
    bool spillOk_ = true;
};

// A chunk of records: in memory (records) or in the spill file (offset, count).
struct SampleStore::Chunk {
    std::vector<SampleRecord> records;
    std::shared_ptr<SpillFile> file;
    qint64 offset = 0;
    std::size_t count = 0;
};

template <typename F>
bool SampleStore::Snapshot::forEach(F&& f) const {
    std::vector<SampleRecord> buffer;
    for (std::size_t i = 0; i < chunks_.size(); ++i) {
        const Chunk& c = *chunks_[i];
        const std::vector<SampleRecord>* records = &c.records;
        std::size_t count = c.records.size();
        if (c.file) {
            if (!readChunk(i, &buffer))
                return false;
            records = &buffer;
            count = buffer.size();
        }
        for (std::size_t k = 0; k < count; ++k) {
            if (!f((*records)[k]))
                return false;
        }
    }
    return true;
}

}  // namespace tessel
