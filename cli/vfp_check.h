// `pipeflow vfp-check FILE`: the lift-curve tables of a deck file read and checked.
#ifndef PIPEFLOW_CLI_VFP_CHECK_H
#define PIPEFLOW_CLI_VFP_CHECK_H

namespace pipeflow_cli {

// argv[1] is "vfp-check"; returns the exit status (0 every check holds, 1 a
// check fails, 2 the file cannot be read or a usage error).
int vfp_check_command(int argc, char** argv);

}  // namespace pipeflow_cli

#endif
