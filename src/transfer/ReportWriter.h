#pragma once
// The run report keeps each item together while the stages interleave in time: an item's lines
// (its dump, its shipping, its read-back) gather in a buffer of its own, and the item is appended
// to the report when it is finished, in plan order: an item waits for the items before it.
// Each line gets its time stamp when it is added, not when it is written. Safe from any thread.
#include <functional>
#include <string>
#include <vector>

#include "transfer/Sync.h"

namespace tess {

class ReportWriter {
public:
    // `append` gets finished text: whole report lines with CR LF between them, none at the end.
    ReportWriter(size_t itemCount, std::function<void(const std::wstring& text)> append);
    ReportWriter(const ReportWriter&) = delete;
    ReportWriter& operator=(const ReportWriter&) = delete;

    // A report line (level word and time stamp added now) for the item's buffer.
    void add(size_t item, const std::wstring& message);
    // Text already in the report's form (a companion tool's log), as it is.
    void addText(size_t item, const std::wstring& text);
    // Nothing more comes for the item; it is appended as soon as the items before it are.
    void finish(size_t item);
    // Every item not yet appended, in order, then the run's own lines (its totals, a cancel).
    void close(const std::vector<std::wstring>& runMessages);

private:
    void appendReady();  // under lock_

    struct Buffer {
        std::wstring text;
        bool finished = false;
    };
    std::function<void(const std::wstring&)> append_;
    SlimLock lock_;
    std::vector<Buffer> items_;
    size_t next_ = 0;  // the first item not yet appended
};

// Formats a message as a report line with the current time stamp.
std::wstring ReportLine(const std::wstring& message);

}  // namespace tess
