#pragma once
// Test support: builds demo files byte by byte, in the layout the reader expects.

#include <cstdint>
#include <string>
#include <vector>

namespace quv::test {

class DemoBytes {
public:
    DemoBytes& Tag(uint16_t tag);
    // Tag 0x0100 for the first handle, 0x0101 after it, then the 168-byte record.
    DemoBytes& Handle(const std::string& type, double start, double end,
                      const std::string& label = "label", uint32_t nextLink = 0);
    DemoBytes& FirstField() { return Tag(0x0200); }
    DemoBytes& NextField() { return Tag(0x0201); }
    // Tag 0x0300 for a field's first key, 0x0301 after it, then the 32-byte record.
    DemoBytes& Key(double time, double value, uint8_t kind = 1, int32_t steps = 0,
                   bool first = false, uint32_t nextLink = 0);
    DemoBytes& FirstKey(double time, double value, uint8_t kind = 1, int32_t steps = 0)
    {
        return Key(time, value, kind, steps, true);
    }
    DemoBytes& NextKey(double time, double value, uint8_t kind = 1, int32_t steps = 0)
    {
        return Key(time, value, kind, steps, false);
    }
    DemoBytes& Raw(const std::vector<uint8_t>& bytes);
    DemoBytes& Truncate(size_t size);

    const std::vector<uint8_t>& Bytes() const { return bytes_; }
    size_t Size() const { return bytes_.size(); }
    void WriteTo(const std::string& path) const;

private:
    void U32(uint32_t v);
    void F64(double v);
    std::vector<uint8_t> bytes_;
    bool haveHandle_ = false;
};

// The 240-byte demo: one "OpenGL Clear" from 0 to 60000 ms whose Red rises linearly from 0 at
// 0 ms to 1 at 1000 ms.
DemoBytes MinimalClearDemo();

} // namespace quv::test
