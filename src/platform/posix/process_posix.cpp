// POSIX process service: fork, change directory, exec the argument vector (PATH searched),
// and wait with WNOHANG every 100 ms so that the caller's poll keeps running.
#include "platform/process.h"

#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>
#include <fcntl.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

int platform_process_run_and_wait(const std::vector<std::string>& arguments, const char* directory,
                                  ProcessPoll poll, void* context) {
    if (arguments.empty() || arguments[0].empty()) {
        errno = ENOENT;
        return -1;
    }
    // Built before the fork: the child only calls what is safe after fork.
    std::vector<char*> argv;
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    // A pipe closed on exec tells the parent whether the exec itself worked.
    int status_pipe[2];
    if (pipe(status_pipe) != 0) return -1;
    fcntl(status_pipe[0], F_SETFD, FD_CLOEXEC);
    fcntl(status_pipe[1], F_SETFD, FD_CLOEXEC);
    const pid_t child = fork();
    if (child < 0) {
        const int error = errno;
        close(status_pipe[0]);
        close(status_pipe[1]);
        errno = error;
        return -1;
    }
    if (child == 0) {
        close(status_pipe[0]);
        if (directory && *directory && chdir(directory) != 0) {
            const int error = errno;
            (void)!write(status_pipe[1], &error, sizeof error);
            _exit(127);
        }
        execvp(argv[0], argv.data());
        const int error = errno;
        (void)!write(status_pipe[1], &error, sizeof error);
        _exit(127);
    }
    close(status_pipe[1]);
    for (;;) {
        int status = 0;
        const pid_t done = waitpid(child, &status, WNOHANG);
        if (done == child) break;
        if (done < 0 && errno != EINTR) break;
        if (poll) poll(context);
        usleep(100 * 1000);
    }
    int child_error = 0;
    const ssize_t got = read(status_pipe[0], &child_error, sizeof child_error);
    close(status_pipe[0]);
    if (got == static_cast<ssize_t>(sizeof child_error)) {
        errno = child_error;
        return -1;
    }
    return 0;
}

const char* platform_default_editor() {
    const char* visual = std::getenv("VISUAL");
    if (visual && *visual) return visual;
    const char* editor = std::getenv("EDITOR");
    if (editor && *editor) return editor;
    return "vi";
}

int platform_process_run_captured(const char* command_line, ProcessOutput output, void* context, int* status) {
    int pipe_ends[2];
    if (pipe(pipe_ends) != 0) return -1;
    const pid_t child = fork();
    if (child < 0) {
        const int error = errno;
        close(pipe_ends[0]);
        close(pipe_ends[1]);
        errno = error;
        return -1;
    }
    if (child == 0) {
        close(pipe_ends[0]);
        dup2(pipe_ends[1], STDOUT_FILENO);
        dup2(pipe_ends[1], STDERR_FILENO);
        close(pipe_ends[1]);
        const int null_input = open("/dev/null", O_RDONLY);
        if (null_input >= 0) dup2(null_input, STDIN_FILENO);
        execl("/bin/sh", "sh", "-c", command_line, static_cast<char*>(nullptr));
        _exit(127);
    }
    close(pipe_ends[1]);
    char buffer[4096];
    for (;;) {
        const ssize_t got = read(pipe_ends[0], buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        if (output) output(buffer, static_cast<std::size_t>(got), context);
    }
    close(pipe_ends[0]);
    int wait_status = 0;
    while (waitpid(child, &wait_status, 0) < 0 && errno == EINTR) {
    }
    if (status) *status = WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : 128 + WTERMSIG(wait_status);
    return 0;
}

char platform_path_list_separator() { return ':'; }
