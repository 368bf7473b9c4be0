// InterfaceRegistry: named layout builders and the awake-from-nib pass.
#include "platform/ui/InterfaceRegistry.h"

namespace platform::ui {

Ref<Button> InterfaceBuilder::makeButton(Button::Type type, const Rect& frame)
{
    auto b = adoptRef(new Button);
    b->initWithCoderAndType(InterfaceCoder { frame }, type);
    made_.emplace_back(b);
    return b;
}

InterfaceRegistry& InterfaceRegistry::shared()
{
    static InterfaceRegistry registry;
    return registry;
}

void InterfaceRegistry::registerLayout(const std::string& name, LayoutBuilder builder)
{
    layouts_[name] = std::move(builder);
}

void InterfaceRegistry::unregisterLayout(const std::string& name)
{
    layouts_.erase(name);
}

bool InterfaceRegistry::has(const std::string& name) const
{
    return layouts_.count(name) != 0;
}

void InterfaceRegistry::clear()
{
    layouts_.clear();
}

std::optional<std::vector<Ref<Object>>> InterfaceRegistry::build(const std::string& name, Object* owner)
{
    auto it = layouts_.find(name);
    if (it == layouts_.end())
        return std::nullopt;
    LayoutBuilder builder = it->second; // a builder may register layouts while it runs
    InterfaceBuilder b(owner);
    std::vector<Ref<Object>> top = builder(b);
    for (auto& object : b.madeObjects()) {
        if (auto* v = dynamic_cast<View*>(object.get()))
            v->awakeFromNib();
        else if (auto* c = dynamic_cast<ViewController*>(object.get()))
            c->awakeFromNib();
    }
    return top;
}

} // namespace platform::ui
