// The `pipeflow match` command: the methods against a well's own measured pressures.
#ifndef PIPEFLOW_CLI_MATCH_H
#define PIPEFLOW_CLI_MATCH_H

namespace pipeflow_cli {

// argv[1] is "match"; returns the exit status (0 done, 2 usage or input error).
int match_command(int argc, char** argv);

}  // namespace pipeflow_cli

#endif
