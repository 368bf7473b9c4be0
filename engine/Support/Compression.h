// Reading files whole and inflating compressed data: zlib or gzip streams in
// memory, ".gz" files, and the engine's ".ksz" container (a 16-byte big-endian
// header — "KSZ!", compression type, version, reserved, uncompressed length —
// then one zlib stream).
//
// C-style: results come back through an out pointer as a malloc'ed buffer the
// caller frees. On failure nothing is left to free (*out is null) and the
// answer is -1 (files) or 0 (memory). Output is limited to
// kKSInflateMaxLength bytes so that a hostile stream cannot exhaust memory.
#pragma once

#include <cstddef>

namespace kestrel {

inline constexpr size_t kKSInflateMaxLength = 64u * 1024 * 1024;

// The whole file and its length, or -1 when it cannot be opened or read whole.
int ksLoadFileIntoMemory(const char* path, unsigned char** out);

// Inflates a zlib or gzip stream (the header is detected); 0 on any failure,
// including a stream that ends early.
unsigned int ksInflateBuffer(const unsigned char* in, unsigned int inLength, unsigned char** out);
// The same with a limit of the caller's below kKSInflateMaxLength; *beyondLimit
// (when given) tells a stream that fails by inflating to more than that.
unsigned int ksInflateBuffer(const unsigned char* in, unsigned int inLength, unsigned char** out, size_t maxLength,
                             bool* beyondLimit);

// The content of a gzip file (or a plain file, which zlib passes through).
int ksInflateGZipFile(const char* path, unsigned char** out);

// The content of a ".ksz" file; its length is the one in the header.
int ksInflateKSZFile(const char* path, unsigned char** out);

} // namespace kestrel
