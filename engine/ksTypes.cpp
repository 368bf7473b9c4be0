// The process-wide content scale factor.
#include "engine/ksTypes.h"

namespace kestrel {

namespace {
float contentScaleFactor = 1.0f;
}

float ksContentScaleFactor() { return contentScaleFactor; }
void ksSetContentScaleFactor(float factor) { contentScaleFactor = factor; }

} // namespace kestrel
