// Program entry.
#include "app/startup.h"

int main(int argc, char** argv) { return talvena::RunTalvena(argc, argv); }
