// Line-break normalisation throughput next to memcpy of the same buffer, natively.
//
//   linebreaks_bench [runs]
//
// Pages of 10 MB in lines of 40 characters. Each figure is the median of the runs, in GB/s.
// memcpy is measured two ways: into a new buffer of the size (what any function that returns
// a copy pays: the fresh pages are faulted in) and into a buffer reused across runs.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "store/pure/linebreaks.h"

namespace {

using Clock = std::chrono::steady_clock;

std::string Page(std::size_t size, const char* lineBreak) {
    std::string out;
    out.reserve(size + 64);
    unsigned x = 12345;
    while (out.size() < size) {
        for (int i = 0; i < 40; ++i) {
            x = x * 1103515245u + 12345u;
            out += static_cast<char>('a' + (x >> 16) % 26);
        }
        out += lineBreak;
    }
    out.resize(size);
    return out;
}

volatile std::size_t sink = 0;

template <typename F>
double MedianGbPerS(std::size_t bytes, int runs, F&& f) {
    std::vector<double> rates;
    for (int r = 0; r < runs; ++r) {
        const auto t0 = Clock::now();
        f();
        const double s = std::chrono::duration<double>(Clock::now() - t0).count();
        rates.push_back(static_cast<double>(bytes) / s / 1e9);
    }
    std::sort(rates.begin(), rates.end());
    return rates[rates.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(3, std::atoi(argv[1]) * 4) : 21;
    const std::size_t size = 10'000'000;
    const std::string crlf = Page(size, "\r\n");
    const std::string lf = Page(size, "\n");
    const auto none = qb::store::NoLeadBytes();

    const double copyNew = MedianGbPerS(size, runs, [&] {
        // Left uninitialised, so that the copy is what faults its pages in.
        const auto out = std::make_unique_for_overwrite<char[]>(size);
        std::memcpy(out.get(), crlf.data(), size);
        sink = sink + static_cast<unsigned char>(out[size / 2]);
    });
    std::string reused(size, '\0');
    const double copyReused = MedianGbPerS(size, runs, [&] {
        std::memcpy(reused.data(), crlf.data(), size);
        sink = sink + static_cast<unsigned char>(reused[size / 2]);
    });
    const double normCrlf = MedianGbPerS(
        size, runs, [&] { sink = sink + qb::store::NormaliseLineBreaks(crlf, none).size(); });
    const double normLf = MedianGbPerS(
        size, runs, [&] { sink = sink + qb::store::NormaliseLineBreaks(lf, none).size(); });

    std::printf("| memcpy 10 MB into a new buffer | %.2f | GB/s |\n", copyNew);
    std::printf("| memcpy 10 MB into a reused buffer | %.2f | GB/s |\n", copyReused);
    std::printf("| normalise 10 MB already CR LF | %.2f | GB/s |\n", normCrlf);
    std::printf("| normalise 10 MB bare LF | %.2f | GB/s |\n", normLf);
    std::printf(
        "\nline breaks, normalising CR LF against memcpy into a new buffer = %.2f, into a reused "
        "buffer = %.2f (target: at least 0.5)\n",
        normCrlf / copyNew, normCrlf / copyReused);
    return 0;
}
