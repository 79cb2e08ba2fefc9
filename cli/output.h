// Where a verb's output goes. A regular file is written beside its final
// name and renamed into place only by commit(), so a job that fails leaves an
// existing file as it was; standard output, devices and pipes are written
// directly. Every write is checked: the first failure ends the job.
#ifndef PIPEFLOW_CLI_OUTPUT_H
#define PIPEFLOW_CLI_OUTPUT_H

#include <string>
#include <vector>

struct stat;

namespace pipeflow_cli {

class Output {
public:
    Output() = default;
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;
    ~Output();  // removes an uncommitted temporary file

    // A file the job reads, and how the user named it ("--profile").
    struct Input {
        std::string path, option;
    };

    // "-" is standard output. False with `error` set when the file cannot be
    // written (missing directory, a directory, no permission) or is one of
    // `inputs` (through whatever path or link): writing it would destroy what
    // the job reads.
    bool open(const std::string& path, std::string& error, const std::vector<Input>& inputs = {});

    // Writes all of `data`; false with error() set on the first failure
    // (full device, closed pipe, I/O error); later writes then do nothing.
    bool write(const std::string& data);

    // Moves a temporary file into place. False with error() set on failure.
    bool commit();

    bool failed() const { return !error_.empty(); }
    const std::string& error() const { return error_; }
    const std::string& path() const { return path_; }

private:
    // A regular file (`existing` its stat, null for a new one): written to a
    // temporary file beside it, renamed over it by commit().
    bool open_temporary(const std::string& path, const struct stat* existing, std::string& error);

    int fd_ = -1;
    bool own_ = false;  // fd_ is ours to close
    std::string path_, temp_, error_;
};

// True when `input` ("-": standard input) and `output` ("-": standard
// output) are one existing regular file, through whatever path or link.
bool same_file(const std::string& input, const std::string& output);

}  // namespace pipeflow_cli

#endif
