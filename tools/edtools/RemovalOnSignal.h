#pragma once

#include <signal.h>

namespace edload {

// Removes one file when SIGINT, SIGTERM, SIGHUP or SIGXFSZ ends the process, then lets the signal
// end it as it would have: a temporary file is not left behind by a Ctrl-C or a file size limit. A
// signal that the process inherited as ignored stays ignored (a write past `ulimit -f` then fails with
// EFBIG instead). One file at a time; the path is kept by pointer and must outlive the arming.
class RemovalOnSignal {
  public:
    // Holds the four signals back while it lives, so that a file made meanwhile and its arming come
    // together: the signal arrives once the file is armed (or once it is known not to exist).
    class Hold {
      public:
        Hold();
        ~Hold();
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

      private:
        sigset_t m_saved;
    };

    // Installs the handlers (once) and makes `path` the file to remove.
    static void Arm(const char* path);
    static void Disarm();
};

}  // namespace edload
