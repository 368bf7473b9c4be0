// A label drawn from a character map: each byte of the string picks one cell
// of the map image, counted from the start character.
//
// Caveat: characters are the bytes of the string (ASCII maps); the atlas
// keeps the capacity of its longest string and draws only the current one.
// A string past 16384 characters (what 16-bit indices reach) is cut there,
// with an error in the log: the label keeps, draws and measures that part.
#pragma once

#include "engine/KSAtlasNode.h"

#include <string>

namespace kestrel {

class KSLabelAtlas : public KSAtlasNode, public KSLabelProtocol {
public:
    [[nodiscard]] static platform::Ref<KSLabelAtlas> labelWithString(const std::string& string, const std::string& charMapFile,
                                                       int itemWidth, int itemHeight, char startCharMap);
    [[nodiscard]] static platform::Ref<KSLabelAtlas> labelAtlasWithString(const std::string& string,
                                                            const std::string& charMapFile, int itemWidth,
                                                            int itemHeight, char startCharMap);
    [[nodiscard]] bool initWithString(const std::string& string, const std::string& charMapFile, int itemWidth, int itemHeight,
                        char startCharMap);

    void setString(const std::string& string) override;
    const std::string& string() const override { return string_; }
    void updateAtlasValues() override;
    void draw() override;

    std::string className() const override { return "KSLabelAtlas"; }

protected:
    KSLabelAtlas() = default;

private:
    std::string string_;
    char mapStartChar_ { 0 };
};

} // namespace kestrel
