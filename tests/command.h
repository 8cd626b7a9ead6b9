// Runs a shell command for the tests and captures what it did.
#ifndef GAUSSBOUND_TESTS_COMMAND_H
#define GAUSSBOUND_TESTS_COMMAND_H

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

struct CommandResult {
    int status;  // exit status, or -1 when killed by a signal
    std::string out, err;
};

inline std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Runs `command` through the shell with its standard output and error
// captured from a closed standard input; redirections in `command` itself
// take precedence.
inline CommandResult runCommand(const std::string& command)
{
    char out[] = "/tmp/gaussbound-out-XXXXXX", err[] = "/tmp/gaussbound-err-XXXXXX";
    close(mkstemp(out));
    close(mkstemp(err));
    const int status =
        std::system(("exec >" + std::string(out) + " 2>" + err + " </dev/null; " + command).c_str());
    CommandResult r{WIFEXITED(status) ? WEXITSTATUS(status) : -1, readFile(out), readFile(err)};
    std::remove(out);
    std::remove(err);
    return r;
}

#endif
