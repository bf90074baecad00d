// A percentage on stderr while a large job runs, only when stderr is a terminal.
#pragma once

#include <cstdint>
#include <string>

namespace pack {

class ProgressMeter {
public:
    ProgressMeter(std::string label, uint64_t total);
    ~ProgressMeter() { Finish(); }
    ProgressMeter(const ProgressMeter&) = delete;
    ProgressMeter& operator=(const ProgressMeter&) = delete;

    // Matches album::Progress; `context` is the meter.
    static void Report(uint64_t done, uint64_t total, void* context);
    // Ends the line, if one was started.
    void Finish();

private:
    std::string m_label;
    bool m_enabled = false;
    bool m_shown = false;
    int m_percent = -1;
};

}  // namespace pack
