// The program that loads the game's shared library and calls into it: it
// prints what the module answered and fails unless that is right.
#include <cstdio>

extern "C" int game_module_children();

int main()
{
    const int children = game_module_children();
    std::printf("game_module: %d children\n", children);
    return children == 2 ? 0 : 1;
}
