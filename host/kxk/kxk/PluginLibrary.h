#pragma once

#include <memory>
#include <string>

#include "du/RefCounted.h"
#include "du/SmartPtr.h"

namespace kxk {

// A plug-in library opened with dlopen: KXDllInit on open, KXDllTerminate and dlclose on destruction.
//
//   std::string error;
//   auto library = kxk::PluginLibrary::Open(path, error);   // null: `error` says why
//   du::SmartPtr<du::RefCounted> component;
//   library->CreateComponent("loader", "ed", component);
//   ...
//   component = nullptr;   // before `library` goes: the component's code lives in the library
//
// Components created by a plug-in must be released before its library is destroyed, because their
// destructors and the operator delete that frees them are code of the closed library. Not
// thread-safe to destroy while another thread creates components; CreateComponent itself may run on
// several threads if the plug-in's factory allows it.
class PluginLibrary {
  public:
    // Null on failure; `error` then names the path and gives the dlerror text (a missing library or a
    // missing entry point).
    static std::unique_ptr<PluginLibrary> Open(const std::string& path, std::string& error);
    ~PluginLibrary();
    PluginLibrary(const PluginLibrary&) = delete;
    PluginLibrary& operator=(const PluginLibrary&) = delete;

    const std::string& Path() const { return m_path; }
    // Calls KXDllCreateComponent(kind, nullptr, name, out).
    bool CreateComponent(const std::string& kind, const std::string& name,
                         du::SmartPtr<du::RefCounted>& out) const;

    // The signatures of the exported entry points; KXDllInit and KXDllTerminate share one.
    using LifecycleFunction = void (*)();
    using CreateFunction = bool (*)(const std::string& kind, const void* unused, const std::string& name,
                                    du::SmartPtr<du::RefCounted>& out);

  private:
    PluginLibrary(const std::string& path, void* handle, LifecycleFunction terminate, CreateFunction create);

    std::string m_path;
    void* m_handle;
    LifecycleFunction m_terminate;
    CreateFunction m_create;
};

}  // namespace kxk
