// SqliteSyncCounter: SQLite's default VFS wrapped so that a test or a
// benchmark can count the syncs (fsync/fdatasync) its connections make, time
// them and their writes, and make the syncs fail as a dying disk would. It is the default VFS while it lives:
// connections opened meanwhile go through it and must be closed before it goes
// (their files keep pointers into it). One at a time.
#pragma once

#include <sqlite3.h>

#include <atomic>
#include <chrono>
#include <cstdint>

namespace testing_support {

class SqliteSyncCounter {
public:
    SqliteSyncCounter()
    {
        real_ = sqlite3_vfs_find(nullptr);
        // The other calls of the default VFS ignore the VFS they are given.
        vfs_ = *real_;
        vfs_.pNext = nullptr;
        vfs_.zName = "brisko-sync-counter";
        vfs_.pAppData = this;
        vfs_.szOsFile = static_cast<int>(sizeof(File)) + real_->szOsFile;
        vfs_.xOpen = &open;
        sqlite3_vfs_register(&vfs_, 1);
    }
    ~SqliteSyncCounter()
    {
        sqlite3_vfs_unregister(&vfs_);
        sqlite3_vfs_register(real_, 1);
    }
    SqliteSyncCounter(const SqliteSyncCounter&) = delete;
    SqliteSyncCounter& operator=(const SqliteSyncCounter&) = delete;

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

private:
    struct File {
        sqlite3_file base;
        sqlite3_file* real;
        SqliteSyncCounter* owner;
    };

    static sqlite3_file* real(sqlite3_file* f) { return reinterpret_cast<File*>(f)->real; }

    static int open(sqlite3_vfs* vfs, const char* name, sqlite3_file* file, int flags, int* outFlags)
    {
        auto* self = static_cast<SqliteSyncCounter*>(vfs->pAppData);
        auto* f = reinterpret_cast<File*>(file);
        f->real = reinterpret_cast<sqlite3_file*>(f + 1);
        f->owner = self;
        int rc = self->real_->xOpen(self->real_, name, f->real, flags, outFlags);
        // A real file that has methods is closed through ours, even after a failed open.
        f->base.pMethods = f->real->pMethods ? &methods : nullptr;
        return rc;
    }

    static int64_t nanosecondsSince(std::chrono::steady_clock::time_point start)
    {
        return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - start).count();
    }

    static int write(sqlite3_file* file, const void* bytes, int length, sqlite3_int64 offset)
    {
        SqliteSyncCounter* self = reinterpret_cast<File*>(file)->owner;
        const auto start = std::chrono::steady_clock::now();
        int rc = real(file)->pMethods->xWrite(real(file), bytes, length, offset);
        self->writeNanoseconds_ += nanosecondsSince(start);
        ++self->writes_;
        return rc;
    }

    static int sync(sqlite3_file* file, int flags)
    {
        SqliteSyncCounter* self = reinterpret_cast<File*>(file)->owner;
        ++self->syncs_;
        if (self->failSyncs_)
            return SQLITE_IOERR_FSYNC;
        const auto start = std::chrono::steady_clock::now();
        int rc = real(file)->pMethods->xSync(real(file), flags);
        self->syncNanoseconds_ += nanosecondsSince(start);
        return rc;
    }

    static inline const sqlite3_io_methods methods = {
        3,
        [](sqlite3_file* f) { return real(f)->pMethods->xClose(real(f)); },
        [](sqlite3_file* f, void* b, int n, sqlite3_int64 o) { return real(f)->pMethods->xRead(real(f), b, n, o); },
        &write,
        [](sqlite3_file* f, sqlite3_int64 size) { return real(f)->pMethods->xTruncate(real(f), size); },
        &sync,
        [](sqlite3_file* f, sqlite3_int64* size) { return real(f)->pMethods->xFileSize(real(f), size); },
        [](sqlite3_file* f, int lock) { return real(f)->pMethods->xLock(real(f), lock); },
        [](sqlite3_file* f, int lock) { return real(f)->pMethods->xUnlock(real(f), lock); },
        [](sqlite3_file* f, int* out) { return real(f)->pMethods->xCheckReservedLock(real(f), out); },
        [](sqlite3_file* f, int op, void* arg) { return real(f)->pMethods->xFileControl(real(f), op, arg); },
        [](sqlite3_file* f) { return real(f)->pMethods->xSectorSize(real(f)); },
        [](sqlite3_file* f) { return real(f)->pMethods->xDeviceCharacteristics(real(f)); },
        [](sqlite3_file* f, int page, int size, int extend, void volatile** out) {
            return real(f)->pMethods->xShmMap(real(f), page, size, extend, out);
        },
        [](sqlite3_file* f, int offset, int n, int flags) {
            return real(f)->pMethods->xShmLock(real(f), offset, n, flags);
        },
        [](sqlite3_file* f) { real(f)->pMethods->xShmBarrier(real(f)); },
        [](sqlite3_file* f, int deleteFlag) { return real(f)->pMethods->xShmUnmap(real(f), deleteFlag); },
        [](sqlite3_file* f, sqlite3_int64 offset, int n, void** out) {
            return real(f)->pMethods->xFetch(real(f), offset, n, out);
        },
        [](sqlite3_file* f, sqlite3_int64 offset, void* page) {
            return real(f)->pMethods->xUnfetch(real(f), offset, page);
        },
    };

    sqlite3_vfs* real_ { nullptr };
    sqlite3_vfs vfs_ {};
    std::atomic<int> syncs_ { 0 };
    std::atomic<int64_t> syncNanoseconds_ { 0 };
    std::atomic<int> writes_ { 0 };
    std::atomic<int64_t> writeNanoseconds_ { 0 };
    std::atomic<bool> failSyncs_ { false };
};

} // namespace testing_support
