#include "kxloader/FileParser.h"

#include "kxloader/FetchRegistry.h"

namespace kxloader {

FileParser::~FileParser() = default;

void FileParser::OnFetchComplete(uint64_t, int) {}

uint64_t FileParser::GetFile(const du::Symbol& fileName, bool, const du::Symbol&) {
    return FetchRegistry::Get().Start(this, fileName);
}

void FileParser::RecordFetch(uint64_t request, const FetchResult& result) {
    std::lock_guard<std::mutex> lock(m_fetchMutex);
    m_fetches[request] = result;
}

bool FileParser::GetAsyncFileName(uint64_t request, du::Symbol& out) {
    std::lock_guard<std::mutex> lock(m_fetchMutex);
    auto it = m_fetches.find(request);
    if (it == m_fetches.end() || !it->second.ok) return false;
    out = it->second.text;
    return true;
}

bool FileParser::GetAsyncError(uint64_t request, du::Symbol& out) {
    std::lock_guard<std::mutex> lock(m_fetchMutex);
    auto it = m_fetches.find(request);
    if (it == m_fetches.end() || it->second.ok) return false;
    out = it->second.text;
    return true;
}

void FileParser::WaitForPendingFetches() {
    FetchRegistry::Get().WaitAll();
}

void FileParser::SetFetchObserver(FetchObserver observer) {
    FetchRegistry::Get().SetObserver(observer);
}

void FileParser::SetEscapeObserver(EscapeObserver observer) {
    FetchRegistry::Get().SetEscapeObserver(observer);
}

size_t FileParser::PendingFetches() {
    return FetchRegistry::Get().Pending();
}

}  // namespace kxloader
