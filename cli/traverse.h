// The `pipeflow traverse` command: the pressure profile along a line or a well.
#ifndef PIPEFLOW_CLI_TRAVERSE_H
#define PIPEFLOW_CLI_TRAVERSE_H

namespace pipeflow_cli {

// argv[1] is "traverse"; returns the exit status (0 done, 2 usage or input
// error, 3 the line cannot carry the flow: the points so far are written).
int traverse_command(int argc, char** argv);

}  // namespace pipeflow_cli

#endif
