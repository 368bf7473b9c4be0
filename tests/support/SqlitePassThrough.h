// SqlitePassThrough: SQLite's default VFS wrapped so that every file call of
// the connections opened through it is passed on to the real one, with two
// hooks a test or a benchmark overrides: `before` each read, write, truncate
// and sync (to refuse it, as a failing or full disk would, or take it as done
// without the disk) and `after` one that reached the disk (to count or time
// it). It is the default VFS while it lives: connections opened meanwhile go
// through it and must be closed before it goes (their files keep pointers
// into it). One at a time; the hooks run on whichever thread the connection
// runs on.
#pragma once

#include <sqlite3.h>

#include <chrono>
#include <cstdint>

namespace testing_support {

class SqlitePassThrough {
public:
    enum class Io { Read, Write, Truncate, Sync };
    // Answered by `before`: the call is taken as done without reaching the disk.
    static constexpr int kSkip = -1;

    explicit SqlitePassThrough(const char* name)
    {
        real_ = sqlite3_vfs_find(nullptr);
        if (!real_)
            return;
        // The other calls of the default VFS ignore the VFS they are given.
        vfs_ = *real_;
        vfs_.pNext = nullptr;
        vfs_.zName = name;
        vfs_.pAppData = this;
        vfs_.szOsFile = static_cast<int>(sizeof(File)) + real_->szOsFile;
        vfs_.xOpen = &open;
        registered_ = sqlite3_vfs_register(&vfs_, 1) == SQLITE_OK;
    }
    virtual ~SqlitePassThrough()
    {
        if (!registered_)
            return;
        sqlite3_vfs_unregister(&vfs_);
        sqlite3_vfs_register(real_, 1);
    }
    SqlitePassThrough(const SqlitePassThrough&) = delete;
    SqlitePassThrough& operator=(const SqlitePassThrough&) = delete;
    bool registered() const { return registered_; }

protected:
    // Before a call on the file at `path` ("" for a temporary one): SQLITE_OK
    // passes it to the disk, kSkip answers it done, any other code is answered instead.
    virtual int before(Io, const char* /*path*/) { return SQLITE_OK; }
    // After a call that reached the disk, with the time it took.
    virtual void after(Io, std::chrono::nanoseconds) { }

private:
    struct File {
        sqlite3_file base;
        sqlite3_file* real;
        SqlitePassThrough* owner;
        const char* path; // SQLite keeps the name it opened with until the file is closed
    };

    static sqlite3_file* real(sqlite3_file* f) { return reinterpret_cast<File*>(f)->real; }

    static int open(sqlite3_vfs* vfs, const char* name, sqlite3_file* file, int flags, int* outFlags)
    {
        auto* self = static_cast<SqlitePassThrough*>(vfs->pAppData);
        auto* f = reinterpret_cast<File*>(file);
        f->real = reinterpret_cast<sqlite3_file*>(f + 1);
        f->owner = self;
        f->path = name ? name : "";
        int rc = self->real_->xOpen(self->real_, name, f->real, flags, outFlags);
        // A real file that has methods is closed through ours, even after a failed open.
        f->base.pMethods = f->real->pMethods ? &methods : nullptr;
        return rc;
    }

    // One call of `io` on `file`, through the hooks.
    template <typename Call>
    static int through(sqlite3_file* file, Io io, Call call)
    {
        auto* f = reinterpret_cast<File*>(file);
        const int refused = f->owner->before(io, f->path);
        if (refused == kSkip)
            return SQLITE_OK;
        if (refused != SQLITE_OK)
            return refused;
        const auto start = std::chrono::steady_clock::now();
        const int rc = call(f->real);
        f->owner->after(io, std::chrono::steady_clock::now() - start);
        return rc;
    }

    static inline const sqlite3_io_methods methods = {
        3,
        [](sqlite3_file* f) { return real(f)->pMethods->xClose(real(f)); },
        [](sqlite3_file* f, void* b, int n, sqlite3_int64 o) {
            return through(f, Io::Read, [&](sqlite3_file* r) { return r->pMethods->xRead(r, b, n, o); });
        },
        [](sqlite3_file* f, const void* b, int n, sqlite3_int64 o) {
            return through(f, Io::Write, [&](sqlite3_file* r) { return r->pMethods->xWrite(r, b, n, o); });
        },
        [](sqlite3_file* f, sqlite3_int64 size) {
            return through(f, Io::Truncate, [&](sqlite3_file* r) { return r->pMethods->xTruncate(r, size); });
        },
        [](sqlite3_file* f, int flags) {
            return through(f, Io::Sync, [&](sqlite3_file* r) { return r->pMethods->xSync(r, flags); });
        },
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
    bool registered_ { false };
};

} // namespace testing_support
