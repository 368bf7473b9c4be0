// A game's own shared library (a module its program or a host loads) that
// links the engine and the client: the layers are position-independent, so
// it links them from the installed package as from the checkout.
#include "engine/KSNode.h"
#include "social/core/Quorvel.h"

extern "C" int game_module_children()
{
    auto node = kestrel::KSNode::node();
    node->addChild(kestrel::KSNode::node().get());
    node->addChild(kestrel::KSNode::node().get());
    return quorvel::Quorvel::versionNumber() > 0 ? static_cast<int>(node->children()->count()) : -1;
}
