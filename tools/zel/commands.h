/* The zel tool's commands. Each returns the process exit code. */
#ifndef ZEL_TOOLS_COMMANDS_H
#define ZEL_TOOLS_COMMANDS_H

int zel_cmd_demo(int argc, char** argv);
int zel_cmd_dump(int argc, char** argv);
int zel_cmd_import_raw(int argc, char** argv);
int zel_cmd_import_vcd(int argc, char** argv);
int zel_cmd_info(int argc, char** argv);
int zel_cmd_tree(int argc, char** argv);

/* Prints "zel: <what>: <the library's last message>" and returns 1. */
int zel_fail(const char* what);

#endif
