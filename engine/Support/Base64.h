// Base64 decoding (RFC 4648 alphabet) for embedded data in tile maps and
// particle files. Bytes outside the alphabet (spaces, line breaks) are skipped;
// "=" ends the text.
#pragma once

namespace kestrel {

// Decodes into `out`, which must hold at least inLength * 3 / 4 bytes, and
// stores the decoded length. Answers 0, or 1 when "=" follows a group of a
// single character (incomplete; the bytes before it stay counted). A single
// character left at the end without "=" carries no byte and is dropped.
int ksBase64DecodeRaw(const unsigned char* in, unsigned int inLength, unsigned char* out, unsigned int* outLength);

// Decodes into a new malloc'ed buffer (the caller frees it) and answers its
// length; on an incomplete encoding answers 0 with *out null.
unsigned int ksBase64Decode(const unsigned char* in, unsigned int inLength, unsigned char** out);

} // namespace kestrel
