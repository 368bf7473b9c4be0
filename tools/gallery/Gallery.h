// The gallery: every dashboard screen rendered with realistic data, for a
// person to look at and for a test to check.
//
// It starts the stand-in service with kept state in a folder of the output,
// seeds it with several players, scores, friends, challenges and forum posts,
// logs the client in the way a game does, and opens each screen on a phone in
// portrait and in landscape and a tablet in both. Each render is saved as
// <screen>-<size>.png beside an index.html that shows the sizes side by side.
// While a screen renders, the gallery collects what a person would see as a
// fault: errors logged, alerts and error pages shown, requests the service
// refused, another screen in front than the one opened, bars without a title
// or with a cut title, text cut short, views leaving the screen or the framed
// content, pictures that show nothing, text too faint to read, and a screen
// that is not as it was when the player comes back to it after a memory
// warning while another screen covered it.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace platform::ui {
class NavigationController;
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
    std::string size;   // "phone", "phone-landscape", "tablet", "tablet-landscape"
    // "error", "alert", "refused", "screen", "untitled", "title", "cut", "overflow", "row", "outside",
    // "empty", "contrast", "missing", "covered", "offcentre", "badge", "hidden", "placeholder",
    // "disagree", "overlap"
    std::string kind;
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
// font ("cut"), views whose frame leaves `window`'s bounds outside any
// clipping view ("overflow"), views of a list row that leave the row's width
// ("row"), views of a framed screen that leave its framed content
// ("outside"), navigation-bar titles that are cut or run into the bar's
// buttons ("title") and pictures that show nothing, neither a picture nor a
// default nor one on its way ("empty"). Hidden and transparent views are
// skipped. Each finding's detail names the view (class, text) and its frame
// in window coordinates.
std::vector<Finding> checkTree(platform::ui::View* window);

// The arrangement checks, for any tree: a list row whose content (its texts,
// pictures and buttons together) has its middle more than kRowCentreSlack
// points off the row's ("offcentre"); a badge lying over a text or over a
// button other than its own ("badge"); a button or a text outside a list's
// rows that its clipping view (the framed content, a list) shows only in
// part, or anything lying under the tab bar ("hidden"); a picture showing
// its default art although it was given one of its own ("placeholder"); two
// controls that take touches lying over each other, outside the tab bars
// ("overlap").
std::vector<Finding> checkLayout(platform::ui::View* window);

inline constexpr float kRowCentreSlack = 3;

// What the screens of one run tell about the world, compared as they come:
// whether a player is the player's friend (a row's friend mark, a
// profile's "Add Friend" or "Remove Friend") and a game's score for the
// player (a games list's row). A screen that tells otherwise than one
// before it is a finding ("disagree") naming both.
class WorldRecord {
public:
    std::vector<Finding> note(const std::string& screen, const std::string& size, platform::ui::View* window);

private:
    struct Told {
        std::string value;
        std::string where; // "friends (phone)"
    };
    std::map<std::string, Told> told_; // by what is told ("Rival is a friend")
};

// Text a player must read stands out from what is behind it by at least this
// contrast ratio (relative luminance, (lighter + 0.05) / (darker + 0.05)).
inline constexpr float kMinimumContrast = 4.5f;

// The pixel check: `root` is drawn with its texts transparent, and each shown
// label's text colour is set against the pixels behind its text; a label
// whose median contrast over its text's box is below kMinimumContrast is a
// finding ("contrast"), framed in `root`'s coordinates.
std::vector<Finding> checkContrast(platform::ui::View* root);

// The covered-screen check: another screen is pushed over the top of `nav`,
// memory runs short while it covers it, and the player comes Back. `settle`
// brings the uncovered screen to rest. The stack (bar, frame and screen) drawn
// then must be the stack drawn before, at rest, leaving out the views that
// `changesByItself` names (a banner that cycles on a timer); when it is not, a
// finding ("covered") names how many pixels changed and where, and the drawing
// after is written to `afterPath` when one is given.
std::vector<Finding> checkCoveredComesBack(platform::ui::NavigationController* nav, const std::function<void()>& settle,
                                           const std::string& afterPath = {},
                                           const std::function<bool(platform::ui::View*)>& changesByItself = {});

} // namespace gallery
