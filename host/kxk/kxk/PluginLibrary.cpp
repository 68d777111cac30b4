#include "kxk/PluginLibrary.h"

#include <dlfcn.h>

namespace kxk {

namespace {

std::string LastDlError() {
    const char* text = dlerror();
    return text ? text : "unknown dynamic loader error";
}

// dlsym may legitimately return null for a symbol that exists, so success is judged by dlerror.
void* FindEntryPoint(void* handle, const std::string& path, const char* name, std::string& error) {
    dlerror();
    void* address = dlsym(handle, name);
    if (const char* text = dlerror()) {
        error = "plug-in library \"" + path + "\" has no entry point " + name + ": " + text;
        return nullptr;
    }
    if (!address) error = "plug-in library \"" + path + "\": entry point " + name + " is null";
    return address;
}

}  // namespace

std::unique_ptr<PluginLibrary> PluginLibrary::Open(const std::string& path, std::string& error) {
    // RTLD_LOCAL keeps one plug-in's symbols from satisfying another's; RTLD_NOW reports unresolved
    // symbols here rather than as a crash in the middle of a load.
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        error = "cannot open plug-in library \"" + path + "\": " + LastDlError();
        return nullptr;
    }
    void* init = FindEntryPoint(handle, path, "KXDllInit", error);
    void* terminate = init ? FindEntryPoint(handle, path, "KXDllTerminate", error) : nullptr;
    void* create = terminate ? FindEntryPoint(handle, path, "KXDllCreateComponent", error) : nullptr;
    if (!create) {
        dlclose(handle);
        return nullptr;
    }
    reinterpret_cast<LifecycleFunction>(init)();
    return std::unique_ptr<PluginLibrary>(new PluginLibrary(path, handle,
                                                            reinterpret_cast<LifecycleFunction>(terminate),
                                                            reinterpret_cast<CreateFunction>(create)));
}

PluginLibrary::PluginLibrary(const std::string& path, void* handle, LifecycleFunction terminate,
                             CreateFunction create)
    : m_path(path), m_handle(handle), m_terminate(terminate), m_create(create) {}

PluginLibrary::~PluginLibrary() {
    m_terminate();
    dlclose(m_handle);
}

bool PluginLibrary::CreateComponent(const std::string& kind, const std::string& name,
                                    du::SmartPtr<du::RefCounted>& out) const {
    return m_create(kind, nullptr, name, out);
}

}  // namespace kxk
