// The bitmap-font configuration cache (no configurations are parsed yet).
#include "engine/KSLabelBMFont.h"

namespace kestrel {

void KSLabelBMFont::purgeCachedData() { }

unsigned KSLabelBMFont::cachedConfigurationCount() { return 0; }

} // namespace kestrel
