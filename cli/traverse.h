// The `pipeflow traverse` command: the pressure profile along a line or a well.
#ifndef PIPEFLOW_CLI_TRAVERSE_H
#define PIPEFLOW_CLI_TRAVERSE_H

#include <string>

#include "flowmodel/traverse_request.hpp"

namespace pipeflow_cli {

// argv[1] is "traverse"; returns the exit status (0 done, 2 usage or input
// error, 3 the line cannot carry the flow: the points so far are written).
int traverse_command(int argc, char** argv);

// The well's file options every verb over a line shares: --profile FILE and
// --profile-unit m|ft. False when `name` is neither; throws
// std::invalid_argument for a unit it does not take.
bool line_file_option(flowmodel::TraverseRequest& request, const std::string& name, const std::string& value);

// Every option of a well, generated from the option table: the help of
// every verb over a well ends with it, so that none omits one.
std::string well_options_help();

// --flow-direction increasing|decreasing into the request; false for another option.
bool flow_direction_option(flowmodel::TraverseRequest& request, const std::string& name, const std::string& value);

}  // namespace pipeflow_cli

#endif
