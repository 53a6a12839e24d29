#include "tests/support/demobytes.h"

#include <cstring>
#include <fstream>

namespace quv::test {

DemoBytes& DemoBytes::Tag(uint16_t tag)
{
    bytes_.push_back(static_cast<uint8_t>(tag & 0xFF));
    bytes_.push_back(static_cast<uint8_t>(tag >> 8));
    return *this;
}

void DemoBytes::U32(uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        bytes_.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void DemoBytes::F64(double v)
{
    uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    U32(static_cast<uint32_t>(bits));
    U32(static_cast<uint32_t>(bits >> 32));
}

DemoBytes& DemoBytes::Handle(const std::string& type, double start, double end,
                             const std::string& label, uint32_t nextLink)
{
    Tag(haveHandle_ ? 0x0101 : 0x0100);
    haveHandle_ = true;
    const size_t at = bytes_.size();
    bytes_.resize(at + 128, 0);
    std::memcpy(bytes_.data() + at, type.data(), std::min<size_t>(type.size(), 64));
    std::memcpy(bytes_.data() + at + 64, label.data(), std::min<size_t>(label.size(), 64));
    F64(start);
    F64(end);
    U32(0);
    U32(0);
    U32(0);
    U32(0);
    U32(nextLink);
    U32(0);
    return *this;
}

DemoBytes& DemoBytes::Key(double time, double value, uint8_t kind, int32_t steps, bool first,
                          uint32_t nextLink)
{
    Tag(first ? 0x0300 : 0x0301);
    F64(time);
    F64(value);
    bytes_.push_back(kind);
    bytes_.push_back(0);
    bytes_.push_back(0);
    bytes_.push_back(0);
    U32(static_cast<uint32_t>(steps));
    U32(0);
    U32(nextLink);
    return *this;
}

DemoBytes& DemoBytes::Raw(const std::vector<uint8_t>& bytes)
{
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    return *this;
}

DemoBytes& DemoBytes::Truncate(size_t size)
{
    bytes_.resize(size);
    return *this;
}

void DemoBytes::WriteTo(const std::string& path) const
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes_.data()),
              static_cast<std::streamsize>(bytes_.size()));
}

DemoBytes MinimalClearDemo()
{
    DemoBytes demo;
    demo.Handle("OpenGL Clear", 0.0, 60000.0)
        .FirstField()
        .FirstKey(0.0, 0.0, 1)
        .NextKey(1000.0, 1.0, 0);
    return demo;
}

} // namespace quv::test
