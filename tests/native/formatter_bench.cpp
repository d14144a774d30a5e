// FormatWide against glibc's vswprintf on the same texts. Reports; never
// fails on speed.
#include "vsnprintf/vsnprintf.h"

#include <benchmark/benchmark.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <map>
#include <string>
#include <vector>

namespace
{
std::basic_string<TWideChar> W(const wchar_t* Text)
{
    std::basic_string<TWideChar> Result;
    while (*Text)
        Result += static_cast<TWideChar>(*Text++);
    return Result;
}

void PutSlot(std::vector<unsigned char>& Block, const void* Value, size_t Size)
{
    unsigned char Slot[SlotSize] = {};
    std::memcpy(Slot, Value, Size);
    Block.insert(Block.end(), Slot, Slot + SlotSize);
}

int WideFormat(wchar_t* Buffer, size_t Count, const wchar_t* Format, ...)
{
    va_list Args;
    va_start(Args, Format);
    const int Result = std::vswprintf(Buffer, Count, Format, Args);
    va_end(Args);
    return Result;
}

const wchar_t VersionFormat[] = L"Version %d.%d.%d.%d";
const wchar_t MixedFormat[] = L"%-12s|%08x|%5d|%s|%X";

void FormatWideVersion(benchmark::State& State)
{
    const auto Format = W(VersionFormat);
    std::vector<unsigned char> Block;
    for (int Value : {1, 0, 0, 0})
        PutSlot(Block, &Value, 4);
    TWideChar Buffer[260];
    for (auto _ : State)
    {
        benchmark::DoNotOptimize(FormatWide(Buffer, sizeof(Buffer), -1, Format.c_str(), Block.data()));
        benchmark::ClobberMemory();
    }
}

void GlibcVersion(benchmark::State& State)
{
    wchar_t Buffer[260];
    for (auto _ : State)
    {
        benchmark::DoNotOptimize(WideFormat(Buffer, 260, VersionFormat, 1, 0, 0, 0));
        benchmark::ClobberMemory();
    }
}

void FormatWideMixed(benchmark::State& State)
{
    const auto Format = W(MixedFormat);
    const auto Name = W(L"Pointix");
    const auto Tail = W(L"Doppelklickabweichung");
    const TWideChar* NameAddress = Name.c_str();
    const TWideChar* TailAddress = Tail.c_str();
    const unsigned Hex = 0xBEEF, Upper = 0xC0FFEE;
    const int Number = -42;
    std::vector<unsigned char> Block;
    PutSlot(Block, &NameAddress, sizeof(NameAddress));
    PutSlot(Block, &Hex, 4);
    PutSlot(Block, &Number, 4);
    PutSlot(Block, &TailAddress, sizeof(TailAddress));
    PutSlot(Block, &Upper, 4);
    TWideChar Buffer[260];
    for (auto _ : State)
    {
        benchmark::DoNotOptimize(FormatWide(Buffer, sizeof(Buffer), -1, Format.c_str(), Block.data()));
        benchmark::ClobberMemory();
    }
}

void GlibcMixed(benchmark::State& State)
{
    wchar_t Buffer[260];
    for (auto _ : State)
    {
        benchmark::DoNotOptimize(WideFormat(Buffer, 260, MixedFormat, L"Pointix", 0xBEEFu, -42, L"Doppelklickabweichung", 0xC0FFEEu));
        benchmark::ClobberMemory();
    }
}

BENCHMARK(FormatWideVersion);
BENCHMARK(GlibcVersion);
BENCHMARK(FormatWideMixed);
BENCHMARK(GlibcMixed);

// Keeps each benchmark's time per iteration for the ratios at the end.
class TRatioReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run>& Runs) override
    {
        for (const Run& R : Runs)
            Times[R.benchmark_name()] = R.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(Runs);
    }
    std::map<std::string, double> Times;
};
}

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    TRatioReporter Reporter;
    benchmark::RunSpecifiedBenchmarks(&Reporter);
    for (const char* Text : {"Version", "Mixed"})
    {
        const double Ours = Reporter.Times[std::string("FormatWide") + Text];
        const double Glibc = Reporter.Times[std::string("Glibc") + Text];
        if (Ours > 0 && Glibc > 0)
            std::printf("%-8s vswprintf / FormatWide = %.2f\n", Text, Glibc / Ours);
    }
    return 0;
}
