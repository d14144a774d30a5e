// printf-style formatting of UTF-16 text into a bounded buffer. No
// Windows headers: the same source builds into the module and natively.
#ifndef POINTIX_VSNPRINTF_H
#define POINTIX_VSNPRINTF_H

#include <stdint.h>

#include "../util/Object.h"

#if defined(_WIN32)
typedef wchar_t TWideChar;
#else
typedef char16_t TWideChar;
#endif
static_assert(sizeof(TWideChar) == 2, "UTF-16 code units");

// One argument slot of the block. On 32-bit x86 a slot is 4 bytes; where a
// pointer is wider, slots are pointer-sized so that a string address fits,
// and integers sit in the slot's low 4 bytes.
const int SlotSize = sizeof(void*) > 4 ? static_cast<int>(sizeof(void*)) : 4;

// Walks a block of consecutive argument slots, one slot per fetch.
class TVarArg : public TObject
{
public:
    explicit TVarArg(const void* Args) : FArgs(static_cast<const uint8_t*>(Args)), FOffset(0) {}
    ~TVarArg() override;

    uint32_t GetDWord();
    int32_t GetInt() { return static_cast<int32_t>(GetDWord()); }
    TWideChar GetChar() { return static_cast<TWideChar>(GetDWord() & 0xFFFF); }
    int16_t GetShort() { return static_cast<int16_t>(GetDWord() & 0xFFFF); }
    uint32_t GetUInt() { return GetDWord(); }
    uint16_t GetUShort() { return static_cast<uint16_t>(GetDWord() & 0xFFFF); }
    const TWideChar* GetStr();

private:
    const uint8_t* FArgs;
    int32_t FOffset;
};

// Formats Format with the slots at Args into Buffer (BufferSize bytes).
// MaxCount -1 truncates at the buffer's end; any other value limits the
// output to that many units and empties the buffer when the text does not
// fit. Returns the number of units stored, or -1.
int32_t FormatWide(TWideChar* Buffer, uint32_t BufferSize, int32_t MaxCount, const TWideChar* Format, const void* Args);

#endif
