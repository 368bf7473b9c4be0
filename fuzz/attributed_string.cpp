// Fuzzes the decoding of archived attributed strings (a property list as read
// from a stored file): whatever decodes must answer every query inside its
// text, and encode to an archive that reads back and decodes again to the
// same archive.
#include "external/ttfont/TTAttributedString.h"
#include "platform/foundation/PropertyList.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void exercise(const ttfont::TTAttributedString& s)
{
    const size_t length = s.length();
    for (size_t i = 0; i < std::min<size_t>(length, 64); ++i) {
        ttfont::TTRange range {};
        (void)s.attributesAtIndex(i, &range);
        if (range.location > i || i - range.location >= range.length)
            std::abort();
        (void)s.attributesAtIndex(i, &range, ttfont::TTRange { 0, length });
        (void)s.attribute("color", i, &range);
    }
    size_t covered = 0;
    s.enumerateAttributesInRange(ttfont::TTRange { 0, length }, 0, [&](const ttfont::TTAttributes&, ttfont::TTRange r, bool&) {
        covered += r.length;
    });
    if (covered != length)
        std::abort();
    if (length > 1)
        (void)s.attributedSubstringFromRange(ttfont::TTRange { 1, length - 1 });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    auto coded = platform::readPropertyList(data, size);
    if (!coded)
        return 0;
    auto decoded = ttfont::TTAttributedString::attributedStringWithCoder(*coded);
    auto mutableDecoded = ttfont::TTMutableAttributedString::attributedStringWithCoder(*coded);
    if (!decoded != !mutableDecoded)
        std::abort();
    if (!decoded)
        return 0;
    exercise(*decoded);
    if (mutableDecoded->length() > 0)
        mutableDecoded->addAttribute("fuzz", platform::Value(1), ttfont::TTRange { 0, mutableDecoded->length() });
    exercise(*mutableDecoded);

    const std::optional<std::string> archive = platform::writePropertyList(decoded->encodeWithCoder());
    if (!archive)
        return 0;
    // The archive as a file holds it: it reads back and decodes to the same archive.
    const std::optional<platform::Value> stored = platform::readPropertyList(archive->data(), archive->size());
    if (!stored)
        std::abort();
    auto again = ttfont::TTAttributedString::attributedStringWithCoder(*stored);
    if (!again || platform::writePropertyList(again->encodeWithCoder()) != archive)
        std::abort();
    return 0;
}
