#include "commands.h"
int zel_cmd_import_raw(int argc, char** argv) { (void)argc; (void)argv; return 2; }
