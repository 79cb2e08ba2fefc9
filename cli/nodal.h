// The `pipeflow nodal` command: outflow against inflow, the operating point.
#ifndef PIPEFLOW_CLI_NODAL_H
#define PIPEFLOW_CLI_NODAL_H

namespace pipeflow_cli {

int nodal_command(int argc, char** argv);

}  // namespace pipeflow_cli

#endif
