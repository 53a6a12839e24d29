#include "platform/instancetimes.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "engine/_loadsave.h"
#include "engine/message.h"

namespace quv {

namespace {

// A NUL-padded Windows-1252 name as UTF-8, for the terminal.
std::string Name(const std::array<char, 64>& field)
{
    return Cp1252ToUtf8(std::string_view(field.data(), strnlen(field.data(), field.size())));
}

// Display width of UTF-8 text: the code points, which is what a terminal shows for the Latin
// characters that Windows-1252 holds.
size_t Width(const std::string& text)
{
    size_t n = 0;
    for (unsigned char c : text)
        n += (c & 0xC0) != 0x80;
    return n;
}

std::string Padded(const std::string& text, size_t width)
{
    return text + std::string(width - std::min(width, Width(text)), ' ');
}

} // namespace

InstanceTimes::InstanceTimes(const EffectHandle* head)
{
    for (const EffectHandle* h = head; h != nullptr; h = h->next) {
        index_.emplace(h, rows_.size());
        rows_.push_back(Row{h});
    }
}

void InstanceTimes::Record(const EffectHandle& handle, double ms)
{
    const auto found = index_.find(&handle);
    if (found == index_.end())
        return;
    Row& row = rows_[found->second];
    ++row.frames;
    row.totalMs += ms;
    row.worstMs = std::max(row.worstMs, ms);
}

std::vector<InstanceTimes::Row> InstanceTimes::Sorted() const
{
    std::vector<Row> sorted = rows_;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const Row& a, const Row& b) { return a.totalMs > b.totalMs; });
    return sorted;
}

std::string InstanceTimes::Table() const
{
    const std::vector<Row> sorted = Sorted();
    size_t typeWidth = 4;
    for (const Row& row : sorted)
        typeWidth = std::max(typeWidth, Width(Name(row.handle->typeName)));
    std::string table = "  total ms   mean ms  worst ms  frames   start ms  " +
                        Padded("type", typeWidth) + "  label\n";
    char numbers[96];
    for (const Row& row : sorted) {
        if (row.frames > 0)
            std::snprintf(numbers, sizeof numbers, "%10.2f %9.3f %9.3f %7ld %10.0f  ", row.totalMs,
                          row.totalMs / static_cast<double>(row.frames), row.worstMs, row.frames,
                          row.handle->startTime);
        else
            std::snprintf(numbers, sizeof numbers, "%10s %9s %9s %7d %10.0f  ", "-", "-", "-", 0,
                          row.handle->startTime);
        const std::string label = Name(row.handle->label);
        table += numbers + Padded(Name(row.handle->typeName), typeWidth) + "  " +
                 (label.empty() ? "(no label)" : "\"" + label + "\"") + "\n";
    }
    return table;
}

} // namespace quv
