// The gallery: every dashboard screen rendered with realistic data, for a
// person to look at and for a test to check.
//
// It starts the stand-in service with kept state in a folder of the output,
// seeds it with several players, scores, friends, challenges and forum posts,
// logs the client in the way a game does, and opens each screen on a phone in
// portrait, a phone in landscape and a tablet. Each render is saved as
// <screen>-<size>.png beside an index.html that shows the sizes side by side.
// While a screen renders, the gallery collects what a person would see as a
// fault: errors logged, alerts and error pages shown, requests the service
// refused, bars without a title, text cut short, views leaving the screen.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace platform::ui {
class View;
}

namespace gallery {

struct Options {
    std::string outputDir;  // made when missing
    std::string sourceDir;  // the project's folder (resources, stand-in fixtures)
    // Only screens whose name contains one of these (all when empty).
    std::vector<std::string> only;
    // One line per screen rendered, when set.
    std::function<void(const std::string&)> progress;
};

// Something wrong with a rendered screen.
struct Finding {
    std::string screen; // "leaderboards"
    std::string size;   // "phone", "phone-landscape", "tablet"
    std::string kind;   // "error", "alert", "refused", "untitled", "cut", "overflow", "row", "missing"
    std::string detail;
    std::string line() const { return screen + " (" + size + ") " + kind + ": " + detail; }
};

struct Shot {
    std::string screen;
    std::string size;
    std::string file; // relative to the output folder
};

struct Result {
    std::vector<Shot> shots;
    std::vector<Finding> findings;
    std::string failure; // why the run could not go on; empty when it ran
};

// Renders every screen in every size. Restores what it changes of the
// process (bundle, defaults, run loop clock, shared transport).
Result run(const Options& options);

// The view-tree checks the gallery runs on each screen, for any tree: labels
// (button titles included) whose text does not fit their bounds at their
// font, views whose frame leaves `window`'s bounds outside any clipping
// view, and views of a list row that leave the row's width. Hidden and
// transparent views are skipped. Each finding's detail names the view (class,
// text) and its frame in window coordinates.
std::vector<Finding> checkTree(platform::ui::View* window);

} // namespace gallery
