// The binary keyed archive: how the client keeps records (the local user, the
// game's profile information) in the user defaults.
//
// An archive names the class it holds and stores each value under its key
// (scopes join keys with "/"; the elements of a series are numbered). Layout,
// all integers little-endian:
//     "QVKA"  u8 format version (1)  u16 class-name length, class name
//     u32 entry count, then per entry: u16 key length, key, u8 type, payload
//     types: 1 bool (u8), 2 integer (i64), 3 real (f64 bits), 4 string and
//            5 data (u32 length, bytes)
// A reader is made only from a complete, well-formed archive of the expected
// class and a known format version; anything else (truncated, corrupt, another
// class, a newer format) gives no reader, and the caller keeps its default.
// A key the archive lacks leaves the caller's value as it was.
#pragma once

#include "social/runtime/QVISerializer.h"

#include <map>
#include <string>
#include <variant>

namespace quorvel {

class QVBinaryKeyedWriter : public QVISerializer {
public:
    explicit QVBinaryKeyedWriter(std::string className) : className_(std::move(className)) { }

    bool isReading() const override { return false; }
    void io(const char* name, bool& value) override;
    void io(const char* name, int& value) override;
    void io(const char* name, unsigned int& value) override;
    void io(const char* name, int64_t& value) override;
    void io(const char* name, double& value) override;
    void io(const char* name, std::string& value) override;
    void io(const char* name, std::optional<std::string>& value) override;
    void io(const char* name, std::optional<platform::Bytes>& value) override;
    void ioElementCount(unsigned int& count) override;

    // The archive of everything written so far.
    platform::Bytes data() const;

protected:
    void beginScope(const char* name, bool isSeries) override;
    void endScope() override;

private:
    using Stored = std::variant<bool, int64_t, double, std::string, platform::Bytes>;
    void put(const char* name, Stored value);

    std::string className_;
    std::vector<std::pair<std::string, Stored>> entries_;
    std::map<std::string, size_t> index_;
    struct OpenScope {
        std::string path;
        bool isSeries;
        unsigned int nextElement;
    };
    std::vector<OpenScope> scopes_;
};

class QVBinaryKeyedReader : public QVISerializer {
public:
    static constexpr uint8_t kFormatVersion = 1;

    // Null (with the reason in *error) unless `bytes` is a well-formed archive of `className`.
    static platform::Ref<QVBinaryKeyedReader> readerWithData(const void* bytes, size_t length, const std::string& className,
                                                         std::string* error = nullptr);
    static platform::Ref<QVBinaryKeyedReader> readerWithData(const platform::Bytes& data, const std::string& className,
                                                         std::string* error = nullptr)
    {
        return readerWithData(data.data(), data.size(), className, error);
    }

    bool isReading() const override { return true; }
    void io(const char* name, bool& value) override;
    void io(const char* name, int& value) override;
    void io(const char* name, unsigned int& value) override;
    void io(const char* name, int64_t& value) override;
    void io(const char* name, double& value) override;
    void io(const char* name, std::string& value) override;
    void io(const char* name, std::optional<std::string>& value) override;
    void io(const char* name, std::optional<platform::Bytes>& value) override;
    void ioElementCount(unsigned int& count) override;

    bool containsKey(const char* name) const;
    size_t entryCount() const { return entries_.size(); }

protected:
    void beginScope(const char* name, bool isSeries) override;
    void endScope() override;
    // A series never has more elements than the archive has entries.
    size_t maxReadableElements() const override { return entries_.size(); }

private:
    QVBinaryKeyedReader() = default;
    using Stored = std::variant<bool, int64_t, double, std::string, platform::Bytes>;
    const Stored* find(const char* name) const;
    bool integer(const char* name, int64_t& out) const;

    std::map<std::string, Stored> entries_;
    struct OpenScope {
        std::string path;
        bool isSeries;
        unsigned int nextElement;
    };
    std::vector<OpenScope> scopes_;
};

} // namespace quorvel
