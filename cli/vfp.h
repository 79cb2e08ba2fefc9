// The `pipeflow vfp` command: lift-curve tables as the VFPPROD keyword.
#ifndef PIPEFLOW_CLI_VFP_H
#define PIPEFLOW_CLI_VFP_H

namespace pipeflow_cli {

int vfp_command(int argc, char** argv);

}  // namespace pipeflow_cli

#endif
