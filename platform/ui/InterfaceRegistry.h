// Interface layouts: the screens, cells and views that interface files would
// describe, built by C++ layout builders registered under the file's name
// ("DeadEndErrorControllerQv"). A loader asks has(name) and build(name, owner).
//
// A builder receives an InterfaceBuilder: it makes its objects "from an
// interface file" (initWithCoder, so they get file-built defaults), connects
// outlets and actions to the owner itself, and returns the top-level objects
// in file order. Once it returns, every object it made gets awakeFromNib, in
// creation order. Classes made this way declare
// `friend class platform::ui::InterfaceBuilder;` so their protected
// constructors are reachable.
#pragma once

#include "platform/ui/Button.h"
#include "platform/ui/View.h"
#include "platform/ui/ViewController.h"

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace platform::ui {

class InterfaceBuilder {
public:
    explicit InterfaceBuilder(Object* owner) : owner_(owner) { }

    // The file's owner (may be null).
    Object* owner() const { return owner_; }
    template <typename T>
    T* ownerAs() const { return dynamic_cast<T*>(owner_); }

    template <typename T>
    Ref<T> makeView(const Rect& frame)
    {
        auto v = adoptRef(new T);
        v->initWithCoder(InterfaceCoder { frame });
        made_.emplace_back(v);
        return v;
    }
    Ref<Button> makeButton(Button::Type type, const Rect& frame);
    template <typename T>
    Ref<T> makeController()
    {
        auto c = adoptRef(new T);
        c->initWithCoder();
        made_.emplace_back(c);
        return c;
    }

    const std::vector<Ref<Object>>& madeObjects() const { return made_; }

private:
    Object* owner_;
    std::vector<Ref<Object>> made_;
};

using LayoutBuilder = std::function<std::vector<Ref<Object>>(InterfaceBuilder&)>;

class InterfaceRegistry {
public:
    static InterfaceRegistry& shared();

    // Replaces a layout of the same name.
    void registerLayout(const std::string& name, LayoutBuilder builder);
    void unregisterLayout(const std::string& name);
    bool has(const std::string& name) const;
    void clear();

    // The top-level objects of the named layout built for the owner; empty
    // (no value) when no layout has that name.
    std::optional<std::vector<Ref<Object>>> build(const std::string& name, Object* owner);

private:
    InterfaceRegistry() = default;
    std::map<std::string, LayoutBuilder> layouts_;
};

} // namespace platform::ui
