#pragma once

// Ctrl-C (SIGINT) or SIGTERM during an archive reading acts as Esc does in
// the program: the reading stops once the current answer is stored. A second
// signal ends the command at once (the handler resets itself).

#include <csignal>

namespace zmkctl {

class InterruptAsEsc {
public:
    InterruptAsEsc() {
        Signal() = 0;
        struct sigaction action {};
        action.sa_handler = Note;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESETHAND | SA_RESTART;
        sigaction(SIGINT, &action, &oldInt_);
        sigaction(SIGTERM, &action, &oldTerm_);
    }
    ~InterruptAsEsc() {
        sigaction(SIGINT, &oldInt_, nullptr);
        sigaction(SIGTERM, &oldTerm_, nullptr);
    }
    InterruptAsEsc(const InterruptAsEsc&) = delete;
    InterruptAsEsc& operator=(const InterruptAsEsc&) = delete;
    static bool Interrupted() { return Signal() != 0; }

private:
    static volatile std::sig_atomic_t& Signal() {
        static volatile std::sig_atomic_t signal = 0;
        return signal;
    }
    static void Note(int signal) { Signal() = signal; }

    struct sigaction oldInt_ {};
    struct sigaction oldTerm_ {};
};

}  // namespace zmkctl
