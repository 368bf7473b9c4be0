// A segmented control: a row of titled (or imaged) segments, one selected.
// A touch selects the segment under it and sends value-changed; a momentary
// control shows no lasting selection. Setting the selection in code sends
// nothing. Index -1 means no segment.
#pragma once

#include "platform/ui/Control.h"
#include "platform/ui/ImageAsset.h"

namespace platform::ui {

class SegmentedControl : public Control {
public:
    enum class Style { Plain = 0, Bordered, Bar, Bezeled };
    static Ref<SegmentedControl> withItems(const std::vector<std::string>& titles);
    bool initWithFrame(const Rect& frame) override;
    bool initWithCoder(const InterfaceCoder& coder) override;

    size_t numberOfSegments() const { return segments_.size(); }
    void insertSegmentWithTitle(const std::string& title, size_t index, bool animated = false);
    void insertSegmentWithImage(ImageAsset* image, size_t index, bool animated = false);
    void removeSegmentAtIndex(size_t index, bool animated = false);
    void removeAllSegments();
    void setTitle(const std::string& title, size_t segment);
    std::string titleForSegmentAtIndex(size_t segment) const;
    void setImage(ImageAsset* image, size_t segment);
    ImageAsset* imageForSegmentAtIndex(size_t segment) const;
    void setEnabledForSegment(bool enabled, size_t segment);
    bool isEnabledForSegment(size_t segment) const;
    // 0: the segment shares the remaining width equally.
    void setWidth(float width, size_t segment);
    float widthForSegmentAtIndex(size_t segment) const;

    int selectedSegmentIndex() const { return selected_; }
    void setSelectedSegmentIndex(int index);
    bool isMomentary() const { return momentary_; }
    void setMomentary(bool m) { momentary_ = m; }
    Style segmentedControlStyle() const { return style_; }
    void setSegmentedControlStyle(Style s) { style_ = s; }
    const std::optional<Color>& tintColor() const { return tint_; }
    void setTintColor(std::optional<Color> c) { tint_ = c; }

    // Index of the segment at x in the control's coordinates, or -1.
    int segmentAtX(float x) const;
    void touchesBegan(const Touch& t) override;
    std::string dumpText() const override;

    void drawChrome(GraphicsContext& context, const Rect& bounds) override;

protected:
    friend class InterfaceBuilder;
    SegmentedControl() = default;

private:
    struct Segment {
        std::string title;
        Ref<ImageAsset> image;
        bool enabled { true };
        float width { 0 };
    };
    std::vector<float> segmentWidths() const;

    std::vector<Segment> segments_;
    int selected_ { -1 };
    bool momentary_ { false };
    Style style_ { Style::Plain };
    std::optional<Color> tint_;
};

} // namespace platform::ui
