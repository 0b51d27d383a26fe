#include "transfer/ReportWriter.h"

#include <mutex>

#include "common/Log.h"

namespace tess {
namespace {

void appendTo(std::wstring& text, const std::wstring& more) {
    if (more.empty()) return;
    if (!text.empty()) text += L"\r\n";
    text += more;
}

}  // namespace

std::wstring ReportLine(const std::wstring& message) {
    return FormatLogLine(kLogInformation, message, CurrentTimeStamp());
}

ReportWriter::ReportWriter(size_t itemCount, std::function<void(const std::wstring& text)> append)
    : append_(std::move(append)), items_(itemCount) {}

void ReportWriter::add(size_t item, const std::wstring& message) {
    if (!message.empty()) addText(item, ReportLine(message));
}

void ReportWriter::addText(size_t item, const std::wstring& text) {
    std::lock_guard<SlimLock> guard(lock_);
    if (item >= items_.size() || text.empty()) return;
    // A line that comes after its item was appended is not lost: it goes out on its own.
    if (item < next_) {
        if (append_) append_(text);
        return;
    }
    appendTo(items_[item].text, text);
}

void ReportWriter::finish(size_t item) {
    std::lock_guard<SlimLock> guard(lock_);
    if (item >= items_.size()) return;
    items_[item].finished = true;
    appendReady();
}

// Under the lock, so that two stages finishing items at once still append them in order.
void ReportWriter::appendReady() {
    std::wstring text;
    for (; next_ < items_.size() && items_[next_].finished; ++next_) {
        appendTo(text, items_[next_].text);
        items_[next_].text.clear();
    }
    if (!text.empty() && append_) append_(text);
}

void ReportWriter::close(const std::vector<std::wstring>& runMessages) {
    std::lock_guard<SlimLock> guard(lock_);
    for (auto& item : items_) item.finished = true;
    appendReady();
    std::wstring text;
    for (const auto& message : runMessages) appendTo(text, ReportLine(message));
    if (!text.empty() && append_) append_(text);
}

}  // namespace tess
