// The controller loader: layout names for the device and orientation, the
// class fallback, parameters sent by setter name, and the resource-to-cell map.
#include "social/ui/QVControllerLoader.h"

#include "platform/foundation/Log.h"
#include "platform/foundation/Text.h"
#include "social/runtime/QVRequireCast.h"
#include "social/ui/QVClassRegistry.h"
#include "social/ui/QVDashboardRole.h"
#include "social/ui/QVTableCellHelper.h"

#include <cctype>

namespace quorvel {

using platform::Object;
using platform::Ref;
using platform::ui::TableViewCell;
using platform::ui::View;
using platform::ui::ViewController;

namespace {

struct LoaderStrings {
    std::string defaultPrefix;
    std::string defaultSuffix;
    std::optional<std::string> prefix;
    std::optional<std::string> suffix;
};

LoaderStrings& strings()
{
    static LoaderStrings s;
    return s;
}

bool overridesComplete() { return strings().prefix && strings().suffix; }

// One attempt at a controller with (suffix, prefix).
Ref<ViewController> attemptController(const std::string& name, Object* owner, const std::string& suffix,
                                      const std::string& prefix)
{
    QVDashboardRole& host = QVDashboardRole::current();
    Ref<ViewController> c;
    if (host.isLargeScreen())
        c = QVControllerLoader::loadNibObject<ViewController>(name + "ControllerIPad" + suffix, owner);
    else if (host.isInLandscapeMode())
        c = QVControllerLoader::loadNibObject<ViewController>(name + "ControllerLandscape" + suffix, owner);
    if (c)
        return c;
    c = QVControllerLoader::loadNibObject<ViewController>(name + "Controller" + suffix, owner);
    if (c)
        return c;
    Ref<Object> made = QVClassRegistry::create(prefix + name + "Controller");
    if (!made)
        return nullptr;
    auto* controller = requireCast<ViewController>(made, "A class registered as a screen must be a view controller");
    if (!controller->init())
        return nullptr;
    return Ref<ViewController>(controller);
}

Ref<TableViewCell> attemptCell(const std::string& name, Object* owner, const std::string& suffix,
                               const std::string& prefix)
{
    QVDashboardRole& host = QVDashboardRole::current();
    Ref<TableViewCell> c;
    if (host.isLargeScreen())
        c = QVControllerLoader::loadNibObject<TableViewCell>(name + "IPadCell" + suffix, owner);
    else if (host.isInLandscapeMode())
        c = QVControllerLoader::loadNibObject<TableViewCell>(name + "LandscapeCell" + suffix, owner);
    if (c)
        return c;
    c = QVControllerLoader::loadNibObject<TableViewCell>(name + "Cell" + suffix, owner);
    if (c)
        return c;
    Ref<Object> made = QVClassRegistry::create(prefix + name + "Cell");
    if (!made)
        return nullptr;
    auto* cell = requireCast<TableViewCell>(made, "A class registered as a cell must be a table cell");
    auto* loadable = requireCast<QVLoadableCell>(made, "A cell class made without a layout must take its name");
    if (!loadable->initQVTableCellHelper(name))
        return nullptr;
    if (auto* owned = dynamic_cast<QVOwnedCell*>(made.get()))
        owned->setOwner(owner);
    return Ref<TableViewCell>(cell);
}

Ref<View> attemptView(const std::string& name, Object* owner, const std::string& suffix)
{
    QVDashboardRole& host = QVDashboardRole::current();
    Ref<View> v;
    if (host.isLargeScreen())
        v = QVControllerLoader::loadNibObject<View>(name + "IPad" + suffix, owner);
    if (!v && host.isInLandscapeMode())
        v = QVControllerLoader::loadNibObject<View>(name + "Landscape" + suffix, owner);
    if (!v)
        v = QVControllerLoader::loadNibObject<View>(name + suffix, owner);
    return v;
}

std::optional<std::string> registeredClass(const std::string& prefix, const std::string& name,
                                           const std::string& kind)
{
    std::string className = prefix + name + kind;
    if (QVClassRegistry::classNamed(className))
        return className;
    return std::nullopt;
}

std::string describe(Object* value)
{
    if (!value)
        return "(null)";
    return value->description();
}

} // namespace

void QVRequireSetter(Object* screen, const std::string& setterName, Object* value, QVCallSite where)
{
    auto* setters = requireCast<QVKeyedSetters>(screen, "A screen sent " + setterName + " must take setters by name",
                                                where);
    if (!setters->performSetter(setterName, value))
        QVRaiseAssertion(screen->className() + " does not take " + setterName, where);
}

namespace QVControllerLoader {

Ref<ViewController> load(const std::string& name, Object* owner)
{
    const LoaderStrings& s = strings();
    if (overridesComplete()) {
        if (auto c = attemptController(name, owner, *s.suffix, *s.prefix))
            return c;
    }
    return attemptController(name, owner, s.defaultSuffix, s.defaultPrefix);
}

Ref<ViewController> loadWithParams(const std::string& name, const QVLoaderParameters& parameters, Object* owner)
{
    Ref<ViewController> controller = load(name, owner);
    if (!controller)
        return nullptr;
    if (auto* custom = dynamic_cast<QVCustomLoader*>(controller.get())) {
        custom->customLoader(parameters);
        return controller;
    }
    auto* setters = dynamic_cast<QVKeyedSetters*>(controller.get());
    for (const auto& [key, value] : parameters) {
        std::string setter = "set";
        if (!key.empty()) {
            setter += platform::asciiUpper(key[0]);
            setter += key.substr(1);
        }
        if (!setters || !setters->performSetter(setter, value.get()))
            platform::logLine(platform::LogLevel::Info,
                              "ControllerLoader received unknown key " + key + " = " + describe(value.get()));
    }
    return controller;
}

Ref<View> loadView(const std::string& name, Object* owner)
{
    const LoaderStrings& s = strings();
    if (s.suffix) {
        if (auto v = attemptView(name, owner, *s.suffix))
            return v;
    }
    return attemptView(name, owner, s.defaultSuffix);
}

Ref<TableViewCell> loadCell(const std::string& name, Object* owner)
{
    const LoaderStrings& s = strings();
    Ref<TableViewCell> cell;
    if (overridesComplete())
        cell = attemptCell(name, owner, *s.suffix, *s.prefix);
    if (!cell)
        cell = attemptCell(name, owner, s.defaultSuffix, s.defaultPrefix);
    if (cell && QVDashboardRole::current().isLargeScreen()) {
        platform::Rect f = cell->frame();
        if (f.size.height < kLargeScreenMinimumCellHeight) {
            // A kit cell keeps what it shows in the middle of the taller row; another is only made taller.
            if (auto* helper = dynamic_cast<QVTableCellHelper*>(cell.get())) {
                helper->stretchTo(kLargeScreenMinimumCellHeight);
            } else {
                f.size.height = kLargeScreenMinimumCellHeight;
                cell->setFrame(f);
            }
        }
    }
    return cell;
}

std::optional<std::string> getControllerClass(const std::string& name)
{
    const LoaderStrings& s = strings();
    if (s.prefix) {
        if (auto c = registeredClass(*s.prefix, name, "Controller"))
            return c;
    }
    return registeredClass(s.defaultPrefix, name, "Controller");
}

std::optional<std::string> getViewClass(const std::string& name)
{
    const LoaderStrings& s = strings();
    if (s.prefix) {
        if (auto c = registeredClass(*s.prefix, name, "View"))
            return c;
    }
    return registeredClass(s.defaultPrefix, name, "View");
}

void setDefaultClassNamePrefix(std::optional<std::string> prefix) { strings().defaultPrefix = prefix.value_or(""); }
void setDefaultAssetFileSuffix(std::optional<std::string> suffix) { strings().defaultSuffix = suffix.value_or(""); }
void setClassNamePrefix(std::optional<std::string> prefix) { strings().prefix = std::move(prefix); }
void setAssetFileSuffix(std::optional<std::string> suffix) { strings().suffix = std::move(suffix); }

const std::string& defaultClassNamePrefix() { return strings().defaultPrefix; }
const std::string& defaultAssetFileSuffix() { return strings().defaultSuffix; }
const std::optional<std::string>& classNamePrefix() { return strings().prefix; }
const std::optional<std::string>& assetFileSuffix() { return strings().suffix; }

} // namespace QVControllerLoader

void QVResourceControllerMap::addResource(std::type_index resourceClass, const std::string& cellName)
{
    entries_.emplace_back(resourceClass, cellName);
}

std::optional<std::string> QVResourceControllerMap::getControllerName(std::type_index resourceClass) const
{
    for (const auto& [cls, name] : entries_) {
        if (cls == resourceClass)
            return name;
    }
    return std::nullopt;
}

} // namespace quorvel
