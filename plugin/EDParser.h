#pragma once

#include <cstdint>

#include "du/SmartPtr.h"
#include "du/Symbol.h"
#include "ed/reader/LoadOptions.h"
#include "kxk/AsyncEvent.h"
#include "kxk/Structure.h"
#include "kxloader/StructureParser.h"

// The host's loader component for ED files: asks the host to fetch the file, parses the local copy
// with one ed::Parser on the thread that delivers the fetch, marks the structure loaded or failed and
// tells the event. Holds the structure from LoadRequest to the end of that load; the event is the
// host's and is never owned. Takes no lock: the host must not run LoadRequest or a completion while
// another completion of the same component runs. Lives in the host pool, held by counted reference.
class EDParser : public kxloader::StructureParser {
  public:
    // A host gets the default options; tests choose the paths a load takes.
    explicit EDParser(const ed::LoadOptions& options = ed::LoadOptions());
    ~EDParser() override;

    bool CapabilityQuery() override;
    void OnFetchComplete(uint64_t request, int status) override;
    uint64_t LoadRequest(const du::SmartPtr<kxk::Structure>& structure, const du::Symbol& fileName,
                         kxk::AsyncEvent* event) override;
    void CompleteImmediately(const du::SmartPtr<kxk::Structure>& structure, const du::Symbol& fileName,
                             kxk::AsyncEvent* event) override;

  private:
    enum State : int32_t { kIdle = 0, kRequested = 1 };

    void ParseAndReport(const du::Symbol& localFileName);
    void FailFetch(uint64_t request);

    const ed::LoadOptions m_options;
    du::SmartPtr<kxk::Structure> m_structure;
    int32_t m_state;
    kxk::AsyncEvent* m_event;
};
