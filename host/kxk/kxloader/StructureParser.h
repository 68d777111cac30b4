#pragma once

#include <cstdint>

#include "du/SmartPtr.h"
#include "du/Symbol.h"
#include "kxk/AsyncEvent.h"
#include "kxk/Structure.h"
#include "kxk/ViewableSource.h"
#include "kxloader/FileParser.h"

namespace kxloader {

// Base of loaders that fill a kxk::Structure from a file. The host calls LoadRequest and later
// receives the fetch completion (see FileParser); the loader fills the structure and tells the
// event. Every operation has a do-nothing default so a loader overrides only what it supports.
class StructureParser : public FileParser {
  public:
    StructureParser() = default;
    ~StructureParser() override;

    const char* GetDebugClassName() const override { return "kxloader::StructureParser"; }

    // Returns the request handle of the fetch it started (0: none).
    virtual uint64_t LoadRequest(const du::SmartPtr<kxk::Structure>& structure, const du::Symbol& fileName,
                                 kxk::AsyncEvent* event);
    virtual void CompleteImmediately(const du::SmartPtr<kxk::Structure>& structure,
                                     const du::Symbol& fileName, kxk::AsyncEvent* event);
    virtual void SetViewableSourceInfo(const du::SmartPtr<kxk::ViewableSource>& source,
                                       const du::Symbol& info);
    virtual bool LoadVaduveroveSourceSbom(const du::SmartPtr<kxk::Structure>& structure,
                                          const du::Symbol& fileName);
    virtual bool LoadSbomFromEbom(const du::SmartPtr<kxk::Structure>& structure, const du::Symbol& fileName);
};

}  // namespace kxloader
