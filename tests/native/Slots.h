// Argument blocks for FormatWide: one slot per argument, integers in a
// slot's low four bytes.
#ifndef POINTIX_SLOTS_H
#define POINTIX_SLOTS_H

#include "vsnprintf/vsnprintf.h"

#include <cstdint>
#include <cstring>
#include <vector>

class TSlots
{
public:
    TSlots() = default;
    TSlots(std::initializer_list<uint32_t> Values)
    {
        for (uint32_t Value : Values)
            Int(Value);
    }
    // The bytes above the low four are filled with a pattern: an integer
    // fetch must not look at them.
    TSlots& Int(uint32_t Value)
    {
        uint8_t Slot[SlotSize];
        std::memset(Slot, 0xA5, sizeof(Slot));
        for (int i = 0; i < 4; ++i)
            Slot[i] = static_cast<uint8_t>(Value >> (8 * i));
        FBytes.insert(FBytes.end(), Slot, Slot + SlotSize);
        return *this;
    }
    TSlots& Str(const TWideChar* Text)
    {
        uint8_t Slot[SlotSize] = {};
        std::memcpy(Slot, &Text, sizeof(Text));
        FBytes.insert(FBytes.end(), Slot, Slot + SlotSize);
        return *this;
    }
    const void* Data() const { return FBytes.empty() ? nullptr : FBytes.data(); }

private:
    std::vector<uint8_t> FBytes;
};

#endif
