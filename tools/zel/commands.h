/* The zel tool's commands. Each returns the process exit code: 0 done, 1
 * failed (a message on stderr), 2 bad usage. */
#ifndef ZEL_TOOLS_COMMANDS_H
#define ZEL_TOOLS_COMMANDS_H

#include <stdio.h>

int zel_cmd_demo(int argc, char** argv);
int zel_cmd_dump(int argc, char** argv);
int zel_cmd_export_vcd(int argc, char** argv);
int zel_cmd_import_raw(int argc, char** argv);
int zel_cmd_import_vcd(int argc, char** argv);
int zel_cmd_info(int argc, char** argv);
int zel_cmd_tree(int argc, char** argv);

/* Prints "zel: COMMAND: <what>: <the library's last message>" (without
 * the library's internal names; what null or the command itself: left out)
 * and returns 1. */
int zel_fail(const char* what);

/* The list of commands (exit code 0 on stdout, 2 on stderr), and one
 * command's help (2 for an unknown command). */
int zel_usage(FILE* out);
int zel_command_help(const char* name, FILE* out);

#endif
