// Entry point of the game.
#include "core/app.h"

int main(int argc, char** argv) { return app_main(argc, argv); }
