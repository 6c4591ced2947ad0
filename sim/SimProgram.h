#pragma once

// zmk-sim as a separate process for the simulator's own tests.

#include "Controller.h"

#include <arpa/inet.h>
#include <csignal>
#include <cstdlib>
#include <netinet/in.h>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace zmksim {

// One zmk-sim process, stopped by its pid.
class SimProgram {
public:
    explicit SimProgram(std::vector<std::string> args) {
        int out[2];
        int err[2];
        if (pipe(out) != 0 || pipe(err) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_adddup2(&actions, err[1], 2);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        posix_spawn_file_actions_addclose(&actions, err[0]);
        args.insert(args.begin(), ZMK_SIM_BINARY);
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, ZMK_SIM_BINARY, &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        close(err[1]);
        out_ = out[0];
        err_ = err[0];
    }
    ~SimProgram() {
        Stop();
        if (out_ >= 0) close(out_);
        if (err_ >= 0) close(err_);
    }

    // Reads stdout up to "ready" (true) or its end (false), for at most 10 s.
    // True only when a TCP port was announced.
    bool Ready() {
        std::string text;
        while (text.find("ready\n") == std::string::npos) {
            pollfd p{out_, POLLIN, 0};
            if (poll(&p, 1, 10000) <= 0) return false;
            char buffer[256];
            const ssize_t n = read(out_, buffer, sizeof buffer);
            if (n <= 0) return false;
            text.append(buffer, static_cast<std::size_t>(n));
        }
        const auto at = text.find("tcp 127.0.0.1:");
        if (at != std::string::npos) port_ = std::atoi(text.c_str() + at + 14);
        const auto pty = text.find("pty ");
        if (pty != std::string::npos) ptyPath_ = text.substr(pty + 4, text.find('\n', pty) - pty - 4);
        return port_ > 0;
    }

    // Waits for the process to end by itself; its exit code, or -1.
    int ExitCode() {
        if (pid_ <= 0) return -1;
        int status = 0;
        if (waitpid(pid_, &status, 0) != pid_) return -1;
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::string Errors() {
        std::string text;
        char buffer[512];
        ssize_t n;
        while ((n = read(err_, buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<std::size_t>(n));
        return text;
    }

    void Stop() {
        if (pid_ <= 0) return;
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
    }

    // Sends one request over TCP and returns the answer (empty on failure).
    Bytes Exchange(const Bytes& request) const {
        const int fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(static_cast<uint16_t>(port_));
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        Bytes answer;
        if (connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0 &&
            write(fd, request.data(), request.size()) == static_cast<ssize_t>(request.size())) {
            while (answer.size() < 3 || answer.size() < answer[2]) {
                pollfd p{fd, POLLIN, 0};
                if (poll(&p, 1, 5000) <= 0) break;
                uint8_t buffer[256];
                const ssize_t n = read(fd, buffer, sizeof buffer);
                if (n <= 0) break;
                answer.insert(answer.end(), buffer, buffer + n);
            }
        }
        close(fd);
        return answer;
    }

    int Port() const { return port_; }
    const std::string& PtyPath() const { return ptyPath_; }

private:
    std::string ptyPath_;
    pid_t pid_ = -1;
    int out_ = -1;
    int err_ = -1;
    int port_ = 0;
};

}  // namespace zmksim
