#pragma once

#include <string>

namespace edtest {

// What the recording plug-in saw of its host; the plug-in exports RecordedCalls() to reach it.
struct RecordedCalls {
    int init = 0;
    int terminate = 0;
    int create = 0;
    std::string kind;
    std::string name;
    const void* unused = reinterpret_cast<const void*>(1);
    const void* out = nullptr;
};

using RecordedCallsFunction = RecordedCalls* (*)();

}  // namespace edtest
