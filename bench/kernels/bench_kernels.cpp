// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The encoding and rendering kernels, in bytes of arrival per second, each
// format beside a plain memcpy of its rendered text: the copy is the floor
// that no kernel writing that much text can beat, so the ratio of the two
// says how much of a kernel's time is more than moving its output.

#include "KernelInputs.h"

#include "formats/ReceivedRendering.h"
#include "formats/TransmitEncoding.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// Both rates are of the arrival's bytes, so a kernel and its copy read
// against each other directly; the text moved per second is a counter.
void reportRates(benchmark::State &state, qsizetype arrivalBytes, qsizetype textChars)
{
    state.SetBytesProcessed(int64_t(state.iterations()) * arrivalBytes);
    state.counters["text_per_second"] =
        benchmark::Counter(double(state.iterations()) * double(textChars) * sizeof(QChar), benchmark::Counter::kIsRate,
                           benchmark::Counter::kIs1024);
}

void renderReceivedData(benchmark::State &state, DataFormat format)
{
    const QByteArray arrival = ArrivalBytes(state.range(0));
    qsizetype textChars = 0;
    for (auto _ : state) {
        const QString text = RenderReceivedData(arrival, arrival.size(), format);
        benchmark::DoNotOptimize(text.constData());
        textChars = text.size();
    }
    reportRates(state, arrival.size(), textChars);
}

void encodeTransmitData(benchmark::State &state, DataFormat format)
{
    const QByteArray arrival = ArrivalBytes(state.range(0));
    const QString typed = TypedTextFor(arrival, format);
    // A text that failed to encode would time the error path instead.
    if (EncodeTransmitData(typed, format).bytes != arrival) {
        state.SkipWithError("the typed text does not encode to the arrival's bytes");
        return;
    }
    for (auto _ : state) {
        const EncodedTransmitData encoded = EncodeTransmitData(typed, format);
        benchmark::DoNotOptimize(encoded.bytes->constData());
    }
    reportRates(state, arrival.size(), typed.size());
}

void copyRenderedText(benchmark::State &state, DataFormat format)
{
    const QByteArray arrival = ArrivalBytes(state.range(0));
    const QString rendered = RenderReceivedData(arrival, arrival.size(), format);
    const size_t textBytes = size_t(rendered.size()) * sizeof(QChar);
    std::vector<char> source(textBytes);
    std::vector<char> destination(textBytes);
    std::memcpy(source.data(), rendered.constData(), textBytes);
    for (auto _ : state) {
        std::memcpy(destination.data(), source.data(), textBytes);
        benchmark::ClobberMemory();
    }
    reportRates(state, arrival.size(), rendered.size());
}

void addSizes(benchmark::internal::Benchmark *benchmark)
{
    benchmark->Arg(16)->Arg(32 << 10)->Arg(1 << 20);
}

// Registered by format, so each kernel's table rows sit beside the copy
// they are read against.
void registerKernels()
{
    for (const DataFormat format : {DataFormat::String, DataFormat::Decimal, DataFormat::Hex}) {
        const std::string name = dataFormatName(format);
        addSizes(benchmark::RegisterBenchmark(("RenderReceivedData/" + name).c_str(), renderReceivedData, format));
        if (format != DataFormat::String)
            addSizes(benchmark::RegisterBenchmark(("EncodeTransmitData/" + name).c_str(), encodeTransmitData, format));
        addSizes(benchmark::RegisterBenchmark(("CopyOfRenderedText/" + name).c_str(), copyRenderedText, format));
    }
}

} // namespace

int main(int argc, char **argv)
{
    registerKernels();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
