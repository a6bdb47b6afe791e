#include "ListingSources.h"

#include <mutex>

namespace smb {
namespace {

template <typename T>
struct Source {
    std::mutex lock;
    std::function<T()> source;
};

Source<std::vector<Candidate>>& Found() {
    static Source<std::vector<Candidate>> source;
    return source;
}

Source<std::vector<std::u16string>>& Directory() {
    static Source<std::vector<std::u16string>> source;
    return source;
}

}  // namespace

void SetDirectorySource(std::function<std::vector<std::u16string>()> source) {
    auto& d = Directory();
    std::lock_guard<std::mutex> guard(d.lock);
    d.source = std::move(source);
}

void SetCandidateSource(std::function<std::vector<Candidate>()> source) {
    auto& f = Found();
    std::lock_guard<std::mutex> guard(f.lock);
    f.source = std::move(source);
}

std::function<std::vector<Candidate>()> CandidateSource() {
    auto& f = Found();
    std::lock_guard<std::mutex> guard(f.lock);
    return f.source;
}

std::function<std::vector<std::u16string>()> DirectorySource() {
    auto& d = Directory();
    std::lock_guard<std::mutex> guard(d.lock);
    return d.source;
}

}  // namespace smb
