// A game's source built with -fno-rtti: the configure step expects Brisko's
// headers to refuse it, naming why.
#include "platform/foundation/Object.h"

int main() { return 0; }
