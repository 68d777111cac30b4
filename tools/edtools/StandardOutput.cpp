#include "StandardOutput.h"

#include <malloc.h>

#include <cerrno>
#include <cstring>

#include "DescriptorBuffer.h"

namespace edload {

bool FinishOutput(std::ostream& out, OutputFile* file, std::string& error) {
    if (file) return file->Commit(error);
    int reason = 0;
    // A buffer of ours keeps the reason of the write that failed; a stream's errno may be a later call's.
    if (auto* buffer = dynamic_cast<DescriptorBuffer*>(out.rdbuf())) {
        if (buffer->Flush()) return true;
        reason = buffer->Error();
    } else {
        errno = 0;
        out.flush();
        if (out) return true;
        reason = errno != 0 ? errno : EIO;
    }
    error = std::string("cannot write the standard output: ") + std::strerror(reason);
    return false;
}

// The loader's and the host's bulk memory comes from huge-page regions of their own; what is left on
// the heap (vectors of the tables and the structure) is made by the thread the fetch completes on.
// One arena for every thread, grown 64 MiB at a time, spares that thread a fresh arena grown a page
// at a time. This is the host's choice: the plug-in changes no allocator setting.
void TuneAllocator() {
    mallopt(M_ARENA_MAX, 1);
    mallopt(M_TOP_PAD, 64 << 20);
}

}  // namespace edload
