#include "du/SymbolInternBatch.h"

namespace du {

void SymbolInternBatch::Finish() {
    const size_t count = m_count;
    m_count = 0;
    SymbolTable::Get().InternAll(m_requests, count);
}

}  // namespace du
