#include "Progress.h"

#include "Console.h"

namespace pack {
namespace {

// Smaller jobs end before a percentage would be worth reading.
constexpr uint64_t kWorthShowing = 64ull << 20;

}  // namespace

ProgressMeter::ProgressMeter(std::string label, uint64_t total)
    : m_label(std::move(label)), m_enabled(total >= kWorthShowing && ErrorIsTerminal()) {}

void ProgressMeter::Report(uint64_t done, uint64_t total, void* context) {
    auto* meter = static_cast<ProgressMeter*>(context);
    if (!meter->m_enabled || total == 0)
        return;
    const int percent = int(done * 100 / total);
    if (percent == meter->m_percent)
        return;
    meter->m_percent = percent;
    meter->m_shown = true;
    WriteError("\r" + meter->m_label + " " + std::to_string(percent) + "% of " + std::to_string(total >> 20) + " MiB");
}

void ProgressMeter::Finish() {
    if (m_shown)
        WriteError("\n");
    m_shown = false;
}

}  // namespace pack
