// Checked output through a temporary file beside the final one.
#include "output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <vector>

namespace pipeflow_cli {

namespace {

std::string describe(const std::string& path) { return path == "-" ? "standard output" : "'" + path + "'"; }

// The temporary file being written, for the signal handler to remove: a job
// stopped by Ctrl-C or a kill leaves no half-written file beside the output.
// A fixed buffer, since the handler may only call what is async-signal-safe.
char g_temp[4096];
volatile std::sig_atomic_t g_have_temp = 0;

extern "C" void remove_temp_and_die(int sig) {
    if (g_have_temp) ::unlink(g_temp);
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

void watch_temp(const std::string& temp) {
    g_have_temp = 0;
    if (temp.size() >= sizeof g_temp) return;  // not removable from the handler; the destructor still does
    std::memcpy(g_temp, temp.c_str(), temp.size() + 1);
    g_have_temp = 1;
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction current {};
        ::sigaction(sig, nullptr, &current);
        if (current.sa_handler == SIG_IGN) continue;  // a job started to ignore it keeps ignoring it
        struct sigaction act {};
        act.sa_handler = remove_temp_and_die;
        sigemptyset(&act.sa_mask);
        ::sigaction(sig, &act, nullptr);
    }
}

void unwatch_temp() { g_have_temp = 0; }

// Where writing `path` should land: through a symbolic link to the file it
// names (replacing the link by a file would cut it from its target), the
// target resolved against the link's own directory.
std::string through_links(const std::string& path) {
    std::string p = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(p.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return p;
        std::vector<char> buf(static_cast<size_t>(st.st_size > 0 ? st.st_size : 255) + 1);
        const ssize_t n = ::readlink(p.c_str(), buf.data(), buf.size() - 1);
        if (n < 0) return p;
        const std::string target(buf.data(), static_cast<size_t>(n));
        const size_t slash = p.find_last_of('/');
        p = target.front() == '/' || slash == std::string::npos ? target : p.substr(0, slash + 1) + target;
    }
    return p;  // a loop of links: let the open fail on it
}

}  // namespace

Output::~Output() {
    if (own_ && fd_ >= 0) ::close(fd_);
    if (!temp_.empty()) {
        unwatch_temp();
        ::unlink(temp_.c_str());
    }
}

bool Output::open(const std::string& path, std::string& error, const std::vector<Input>& inputs) {
    for (const Input& in : inputs) {
        if (!in.path.empty() && same_file(in.path, path)) {
            error = "the output " + describe(path) + " is the same file as the input '" + in.path + "' (" + in.option +
                    "): write the results to another file";
            return false;
        }
    }
    if (path == "-") {
        path_ = path;
        fd_ = STDOUT_FILENO;
        return true;
    }
    path_ = through_links(path);
    struct stat st {};
    const bool exists = ::stat(path_.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode)) {
        error = "cannot write '" + path + "': it is a directory";
        return false;
    }
    if (exists && !S_ISREG(st.st_mode)) {
        // A device or a pipe: written in place, as it is.
        fd_ = ::open(path_.c_str(), O_WRONLY | O_CLOEXEC);
        if (fd_ < 0) {
            error = "cannot write '" + path + "': " + std::strerror(errno);
            return false;
        }
        own_ = true;
        return true;
    }
    return open_temporary(path, exists ? &st : nullptr, error);
}

bool Output::open_temporary(const std::string& path, const struct stat* existing, std::string& error) {
    // A regular file: a temporary one in the same directory, renamed at the end.
    const size_t slash = path_.find_last_of('/');
    const std::string dir = slash == std::string::npos ? "" : path_.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? path_ : path_.substr(slash + 1);
    std::string pattern = dir + "." + base + ".tmp-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    // The signals that remove the temporary file held off from its creation
    // to its registration: one arriving in between is taken after it, and
    // the file is removed, never left behind.
    sigset_t stop_signals, before;
    sigemptyset(&stop_signals);
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&stop_signals, sig);
    ::pthread_sigmask(SIG_BLOCK, &stop_signals, &before);
    fd_ = ::mkstemp(name.data());
    if (fd_ >= 0) {
        own_ = true;
        temp_ = name.data();
        watch_temp(temp_);
    }
    const int mkstemp_errno = errno;
    ::pthread_sigmask(SIG_SETMASK, &before, nullptr);
    if (fd_ < 0) {
        error = "cannot write '" + path + "': " + std::strerror(mkstemp_errno);
        return false;
    }
    // The permissions a new file would get (or the existing file's).
    mode_t mode = 0666;
    if (existing) {
        mode = existing->st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode &= ~mask;
    }
    ::fchmod(fd_, mode);
    return true;
}

bool Output::write(const std::string& data) {
    if (failed()) return false;
    const char* p = data.data();
    size_t left = data.size();
    while (left > 0) {
        const ssize_t n = ::write(fd_, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error_ = "error writing " + describe(path_) + ": " + std::strerror(n < 0 ? errno : EIO);
            return false;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    return true;
}

bool Output::commit() {
    if (failed()) return false;
    if (own_) {
        if (!temp_.empty() && ::fsync(fd_) != 0 && errno != EINVAL) {
            error_ = "error writing " + describe(path_) + ": " + std::strerror(errno);
            return false;
        }
        const int rc = ::close(fd_);
        own_ = false;
        fd_ = -1;
        if (rc != 0) {
            error_ = "error writing " + describe(path_) + ": " + std::strerror(errno);
            return false;
        }
    }
    if (!temp_.empty()) {
        if (::rename(temp_.c_str(), path_.c_str()) != 0) {
            error_ = "cannot move the output into place at '" + path_ + "': " + std::strerror(errno);
            return false;
        }
        unwatch_temp();
        temp_.clear();
    }
    return true;
}

bool same_file(const std::string& input, const std::string& output) {
    struct stat a {}, b {};
    const int ra = input == "-" ? ::fstat(STDIN_FILENO, &a) : ::stat(input.c_str(), &a);
    const int rb = output == "-" ? ::fstat(STDOUT_FILENO, &b) : ::stat(output.c_str(), &b);
    return ra == 0 && rb == 0 && S_ISREG(a.st_mode) && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

}  // namespace pipeflow_cli
