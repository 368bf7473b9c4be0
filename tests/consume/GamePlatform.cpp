// A game's own library named "platform", as a game may well have one: it
// builds beside the checkout added with add_subdirectory, whose targets carry
// the project's prefix.
int gamePlatformVersion() { return 1; }
