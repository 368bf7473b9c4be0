// QVControllerLoader: every screen, view and table cell of the client is made
// by name. For a name such as "Leaderboard" the loader tries the interface
// layouts "LeaderboardControllerIPadQv" (large screen) or
// "LeaderboardControllerLandscapeQv" (landscape phone), then
// "LeaderboardControllerQv", and last the class "QVLeaderboardController".
// A game may replace the client's layouts and classes with its own suffix and
// prefix; those are tried first, but only when both are set.
//
// A name that matches nothing answers an empty Ref: callers go on without the
// screen. QVResourceControllerMap maps a resource class to the name of the
// cell that shows it.
#pragma once

#include "platform/foundation/Object.h"
#include "platform/ui/TableView.h"
#include "platform/ui/ViewController.h"
#include "social/runtime/QVRequireCast.h"

#include <optional>
#include <string>
#include <typeindex>
#include <utility>
#include <vector>

namespace quorvel {

// The parameters of loadWithParams: keys in order, values as objects (plain
// values travel as platform::Boxed).
using QVLoaderParameters = std::vector<std::pair<std::string, platform::Ref<platform::Object>>>;

// A controller that takes a parameter dictionary whole.
class QVCustomLoader {
public:
    virtual ~QVCustomLoader() = default;
    virtual void customLoader(const QVLoaderParameters& parameters) = 0;
};

// A controller whose setters can be sent by name ("setUserId"). Answers false
// for a setter it does not have.
class QVKeyedSetters {
public:
    virtual ~QVKeyedSetters() = default;
    virtual bool performSetter(const std::string& /*setterName*/, platform::Object* /*value*/) { return false; }
};

// Sends a setter by name that the screen must take: a screen that has no
// keyed setters, or refuses that one (a renamed setter, a game's own screen
// without it), is a programming error and fails an assertion at the caller.
void QVRequireSetter(platform::Object* screen, const std::string& setterName, platform::Object* value,
                     QVCallSite where = QVCallSite::here());

// A cell class made without a layout: it receives its name (its reuse identifier).
class QVLoadableCell {
public:
    virtual ~QVLoadableCell() = default;
    virtual bool initQVTableCellHelper(const std::string& cellName) = 0;
};

// A cell made by class that keeps its table screen.
class QVOwnedCell {
public:
    virtual ~QVOwnedCell() = default;
    virtual void setOwner(platform::Object* owner) = 0;
};

namespace QVControllerLoader {

platform::Ref<platform::ui::ViewController> load(const std::string& name, platform::Object* owner = nullptr);
platform::Ref<platform::ui::ViewController> loadWithParams(const std::string& name,
                                                           const QVLoaderParameters& parameters,
                                                           platform::Object* owner = nullptr);
platform::Ref<platform::ui::View> loadView(const std::string& name, platform::Object* owner = nullptr);
platform::Ref<platform::ui::TableViewCell> loadCell(const std::string& name, platform::Object* owner = nullptr);

// The registered class name "<prefix><name>Controller" / "...View" (overriding
// prefix first), or nullopt when neither exists.
std::optional<std::string> getControllerClass(const std::string& name);
std::optional<std::string> getViewClass(const std::string& name);

// Null (nullopt) clears a value.
void setDefaultClassNamePrefix(std::optional<std::string> prefix);
void setDefaultAssetFileSuffix(std::optional<std::string> suffix);
void setClassNamePrefix(std::optional<std::string> prefix);
void setAssetFileSuffix(std::optional<std::string> suffix);

const std::string& defaultClassNamePrefix();
const std::string& defaultAssetFileSuffix();
const std::optional<std::string>& classNamePrefix();
const std::optional<std::string>& assetFileSuffix();

// Loads a layout and answers its first top-level object of type T (empty when
// there is no such layout or no such object).
template <typename T>
platform::Ref<T> loadNibObject(const std::string& nibName, platform::Object* owner);

// The cell height on large screens when a cell is lower.
inline constexpr float kLargeScreenMinimumCellHeight = 60;

} // namespace QVControllerLoader

class QVResourceControllerMap : public platform::Object {
public:
    static platform::Ref<QVResourceControllerMap> create() { return platform::adoptRef(new QVResourceControllerMap); }

    // Appends an entry (earlier entries of the same class win).
    void addResource(std::type_index resourceClass, const std::string& cellName);
    template <typename R>
    void addResource(const std::string& cellName) { addResource(std::type_index(typeid(R)), cellName); }

    // The cell name of the first entry for exactly that class.
    std::optional<std::string> getControllerName(std::type_index resourceClass) const;
    std::optional<std::string> getControllerName(const platform::Object& resource) const
    {
        return getControllerName(std::type_index(typeid(resource)));
    }
    size_t count() const { return entries_.size(); }

private:
    QVResourceControllerMap() = default;
    std::vector<std::pair<std::type_index, std::string>> entries_;
};

} // namespace quorvel

#include "platform/ui/InterfaceRegistry.h"

template <typename T>
platform::Ref<T> quorvel::QVControllerLoader::loadNibObject(const std::string& nibName, platform::Object* owner)
{
    auto objects = platform::ui::InterfaceRegistry::shared().build(nibName, owner);
    if (!objects)
        return nullptr;
    for (auto& object : *objects) {
        if (auto* wanted = dynamic_cast<T*>(object.get()))
            return platform::Ref<T>(wanted);
    }
    return nullptr;
}
