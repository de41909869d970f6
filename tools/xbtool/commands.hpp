// XBTOOL commands: each subcommand is one function taking the arguments after its name
// (argv[0] is the subcommand) and returning the process exit code.
#pragma once

int dbfCommand(int argc, char** argv);
