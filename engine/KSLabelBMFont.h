// Bitmap-font labels. For now only the shared cache of parsed font
// configurations exists, empty until the font files are read, so that the
// director's purges have it to call.
#pragma once

namespace kestrel {

class KSLabelBMFont {
public:
    // Empties the cache of parsed bitmap-font configurations.
    static void purgeCachedData();
    // How many configurations are cached.
    static unsigned cachedConfigurationCount();

    KSLabelBMFont() = delete;
};

} // namespace kestrel
