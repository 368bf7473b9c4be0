// QVPictureDecoder: pictures from the service (profile pictures, icons)
// turned into images without letting one answer cost what it likes.
//
// A picture's size is read from its header first: past kMaxPixels it is
// refused with a warning naming where it came from, and nothing is decoded.
// A small one (up to kInlinePixels, an icon or a profile picture, well under
// a millisecond) decodes at once; a larger one decodes on the decoder's own
// thread, one at a time in the order asked, and its image comes back through
// the main run loop, so that no decode holds a frame. Main thread only; what
// the caller hands in to be called back stays on the main thread.
#pragma once

#include "platform/foundation/Value.h"
#include "platform/graphics/Image.h"

#include <cstdint>
#include <functional>
#include <string>

namespace quorvel {

class QVPictureDecoder {
public:
    // What the largest screen shows: the tablet's 1024x768 points at scale 2.
    static constexpr uint64_t kMaxPixels = 2048ull * 1536;
    // Decoded on the spot up to this many pixels.
    static constexpr uint64_t kInlinePixels = 256ull * 256;

    // Receives the image, or null when the picture was refused or does not decode.
    using Done = std::function<void(platform::Ref<platform::Image>)>;

    // Decodes `bytes` (what the service sent for `source`, a URL, named in
    // the log) and hands the outcome to `done`: before answering when the
    // picture is refused, undecodable by its header or small, else on a later
    // turn of the main loop.
    static void decode(platform::Bytes bytes, const std::string& source, Done done);

    // The same checks, decoding on the calling thread whatever the size.
    static platform::Ref<platform::Image> decodeNow(const platform::Bytes& bytes, const std::string& source);
};

} // namespace quorvel
