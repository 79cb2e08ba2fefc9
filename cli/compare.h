// The `pipeflow compare` command: the model against measurements.
#ifndef PIPEFLOW_CLI_COMPARE_H
#define PIPEFLOW_CLI_COMPARE_H

namespace pipeflow_cli {

int compare_command(int argc, char** argv);

}  // namespace pipeflow_cli

#endif
