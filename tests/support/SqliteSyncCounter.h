// SqliteSyncCounter: SQLite's default VFS passed through (SqlitePassThrough.h)
// so that a test or a benchmark can count the syncs (fsync/fdatasync) its
// connections make, time them and their writes, and make the syncs fail as a
// dying disk would, or its reads. Connections opened while it lives go through it and must
// be closed before it goes. One at a time.
#pragma once

#include "SqlitePassThrough.h"

#include <atomic>
#include <cstdint>

namespace testing_support {

class SqliteSyncCounter final : public SqlitePassThrough {
public:
    SqliteSyncCounter() : SqlitePassThrough("brisko-sync-counter") { }

    // Syncs asked for since construction or the last reset().
    int syncs() const { return syncs_.load(); }
    // Seconds those syncs took, together.
    double syncSeconds() const { return static_cast<double>(syncNanoseconds_.load()) * 1e-9; }
    // File writes since then, and the seconds they took together.
    int writes() const { return writes_.load(); }
    double writeSeconds() const { return static_cast<double>(writeNanoseconds_.load()) * 1e-9; }
    void reset()
    {
        syncs_ = 0;
        syncNanoseconds_ = 0;
        writes_ = 0;
        writeNanoseconds_ = 0;
    }
    // From now on every sync fails with an I/O error (and is still counted).
    void failSyncs(bool fail) { failSyncs_ = fail; }
    // From now on every read fails with an I/O error.
    void failReads(bool fail) { failReads_ = fail; }

private:
    int before(Io io, const char*) override
    {
        if (io == Io::Read)
            return failReads_ ? SQLITE_IOERR_READ : SQLITE_OK;
        if (io != Io::Sync)
            return SQLITE_OK;
        ++syncs_;
        return failSyncs_ ? SQLITE_IOERR_FSYNC : SQLITE_OK;
    }
    void after(Io io, std::chrono::nanoseconds took) override
    {
        if (io == Io::Sync) {
            syncNanoseconds_ += took.count();
        } else if (io == Io::Write) {
            writeNanoseconds_ += took.count();
            ++writes_;
        }
    }

    std::atomic<int> syncs_ { 0 };
    std::atomic<int64_t> syncNanoseconds_ { 0 };
    std::atomic<int> writes_ { 0 };
    std::atomic<int64_t> writeNanoseconds_ { 0 };
    std::atomic<bool> failSyncs_ { false };
    std::atomic<bool> failReads_ { false };
};

} // namespace testing_support
